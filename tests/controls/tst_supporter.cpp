// The setup supporter's title line, help, technical-support and
// installed-cards windows, and its start-up timing.
#include "LLTRELOX.h"
#include "MessageRecorder.h"
#include "RunLoop.h"
#include "TApplication.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TSetupSupporter.h"
#include "TestMain.h"
#include "template.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

namespace {

// The platform as the tests want it: a screen of any size, a timer that can be refused and is timed.
class SeamSupporter : public TSetupSupporter
{
public:
    using TSetupSupporter::TSetupSupporter;
    bool refuseTimer = false;
    QSize screen = QSize(800, 600);
    QElapsedTimer sinceTimerStart;

protected:
    int StartTimer(int interval) override
    {
        sinceTimerStart.start();
        return refuseTimer ? 0 : TSetupSupporter::StartTimer(interval);
    }
    QSize ScreenSize() const override { return screen; }
};

// A board picture that counts the help window's request.
class CountingImage : public TBoardImage
{
public:
    using TBoardImage::TBoardImage;
    int requests = 0;
    std::function<void()> onRequest;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == WM_SHOWFIRSTHIGHLIGHT) {
            ++requests;
            if (onRequest)
                onRequest();
        }
        return TBoardImage::event(e);
    }
};

// What the stand-in GetNumCards answers, and how often it was asked.
int fakeCount = 0, fakeCalls = 0;
const TGetNumCards FakeGetNumCards = [] {
    ++fakeCalls;
    return qint32(fakeCount);
};

// A main window as the program has one (client area, File and Help menus)
// with its supporter as the program sets it up.
struct MainWindow
{
    QMainWindow window;
    QWidget *client = new QWidget;
    QMenu *file = nullptr;
    SeamSupporter *sup = new SeamSupporter(&window);

    // fileMenu empty: no main menu at all.
    explicit MainWindow(const QString &fileMenu = QStringLiteral("&File"))
    {
        window.setCentralWidget(client);
        if (!fileMenu.isEmpty()) {
            file = window.menuBar()->addMenu(fileMenu);
            file->addAction(QStringLiteral("E&xit"));
            window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&Technical Support"));
        }
        window.resize(640, 480);
        sup->setCompanyName(QStringLiteral("VORTAN"));
        sup->setCardNameA(QStringLiteral("ZX-SER8"));
        sup->setCardNameB(QStringLiteral("ZX-BAL8"));
        sup->setCallHow(QStringLiteral("between 8 am and 5 pm Pacific Time at (619) 555-0134"));
        sup->setMultiPort(true);
        sup->setChangeButtons(true);
    }

    // As a program that names its installed cards, over a bound library.
    void listCards()
    {
        DriverLibraryBound = true;
        GetNumCards = FakeGetNumCards;
        sup->OnGetCardString = [](QObject *, qint32) { return QString(); };
    }
};

// One of the supporter's windows: the window, its text view, its button.
struct FormControls
{
    QWidget *form, *text, *button;
};

FormControls formControls(TSetupSupporter *sup, const QString &name)
{
    if (name == QLatin1String("help"))
        return {sup->HelpForm(), sup->HelpForm()->HelpRich, sup->HelpForm()->StartButton};
    if (name == QLatin1String("tech"))
        return {sup->TechForm(), sup->TechForm()->TechMemo, sup->TechForm()->CloseButton};
    return {sup->PCIForm(), sup->PCIForm()->PCIMemo, sup->PCIForm()->CloseButton};
}

QString fontOf(const QWidget *widget)
{
    const QFont f = widget->font();
    return QStringLiteral("%1 %2%3").arg(f.family()).arg(f.pointSize()).arg(f.bold() ? " bold" : "");
}

const QString MainWindowRtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Verdana;}}"
    "{\\colortbl\\red64\\green64\\blue64;\\red255\\green255\\blue64;\\red64\\green64\\blue255;"
    "\\red255\\green64\\blue64;}"
    "\\viewkind4\\uc1\\pard\\f0\\fs32\\cf0\r\n"
    "{\\b VORTAN ZX-SER8 Series Settings Program}\\par\\par\\fs24\r\n"
    "This program will help you configure the option jumpers and settings associated with this product. You should "
    "have the product in-hand when first using this program.\\par\\par\r\n"
    "{\\cf1\\fs24\\b Yellow circles} provide information on configuring jumpers and switches.\\par\\par\r\n"
    "{\\cf2\\fs24\\b Blue circles} are informational only. They provide information on standard and optional features "
    "of the product family.\\par\\par\r\n"
    "{\\cf3\\fs24\\b Red circles} handle calibration and types of configuration that require actually controlling the "
    "hardware device. Run this settings program again once the card is installed. "
    "Repeat the {\\cf1 setup circles} (using the same settings) to configure this program, then perform the "
    "{\\cf3 calibration circles}.\\par\\par\r\n"
    "Mouse over the highlight circles to see configuration or information popups for {\\cf1 setup}, {\\cf2 features}, "
    "and {\\cf3 calibration}. Click a highlight circle to make its popup remain on-screen. "
    "You can have all or as many of these popups onscreen at the same time as you desire.\\par\\par\r\n"
    "{\\fs32\\b Note:} Make sure to set the jumpers for each option group \\emdash  the configuration options for each "
    "port are handled identically; this program only shows the setup once, but you need to perform this setup for "
    "each group of options on your device.\\par\\par\r\n"
    "}");

// The Note paragraph is the last before the closing brace.
QString withoutNote(const QString &rtf)
{
    const int note = rtf.indexOf(QLatin1String("{\\fs32\\b Note:}"));
    return rtf.left(note) + QLatin1Char('}');
}

QString withCardParagraph(QString rtf, const QString &card)
{
    return rtf.insert(rtf.size() - 1,
        QStringLiteral("To see a list of %1 cards installed, click \"Display %1 Cards "
                       "Installed\" under the File menu.\\par\\par\r\n")
            .arg(card));
}

const QString SupportText = QStringLiteral(
    "There are several ways to get technical support. First and fastest is to skim the relevant sections of the "
    "manual. However, some questions require personal assistance, and VORTAN stands ready to provide that help. You "
    "can call us between 8 am and 5 pm Pacific Time at (619) 555-0134 for any of your product questions.\n\n"
    "In order to provide the best and fastest support possible, we ask that you be at your computer when you call, "
    "and have the VORTAN product manual and Softvane CD at hand.");

// The installed-cards list: what GetNumCards and the handler answer, the
// title line and list that follow, and the main window and settings.
struct CardCase
{
    int count;
    QStringList texts; // the handler's answer for each card
    QString title, list;
    QString fileMenu = QStringLiteral("&File"); // empty: no main menu
    bool nameB = false, series = true, bound = true;
};

} // namespace

Q_DECLARE_METATYPE(CardCase)

class tst_Supporter : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void initialValues();
    void helpText_data();
    void helpText();
    void windowsAsBuilt();
    void libraryOpenedOnlyForCardList_data();
    void libraryOpenedOnlyForCardList();
    void cardList_data();
    void cardList();
    void startUpAtFirstIdle_data();
    void startUpAtFirstIdle();
    void timerRefused();
    void helpWindowScale_data();
    void helpWindowScale();
    void keys_data();
    void keys();
    void programTour_data();
    void programTour();
};

void tst_Supporter::cleanup()
{
    // Back to the process's own state: the library never bound, no idle handler.
    DriverLibraryBound = false;
    GetNumCards = nullptr;
    std::fill(std::begin(DriverEntries), std::end(DriverEntries), nullptr);
    fakeCount = fakeCalls = 0;
    TApplication::SetOnIdle({});
}

void tst_Supporter::initialValues()
{
    // Guards against ChangeButtons starting False (the stored default), MultiPort True, or a running timer.
    QWidget owner;
    TSetupSupporter sup(&owner);
    QCOMPARE(sup.property("ChangeButtons").toBool(), true);
    QCOMPARE(sup.property("MultiPort").toBool(), false);
    QVERIFY(!sup.HelpPending() && !sup.Running() && !sup.TimerActive());
}

void tst_Supporter::helpText_data()
{
    QTest::addColumn<bool>("series");
    QTest::addColumn<bool>("useCardNameB");
    QTest::addColumn<bool>("multiPort");
    QTest::addColumn<bool>("cardHandler");
    QTest::addColumn<QString>("expected");
    const QString main = MainWindowRtf;
    QTest::newRow("main window settings") << true << false << true << false << main;
    QTest::newRow("bSeries False") << false << false << true << false
                                   << QString(main).replace("ZX-SER8 Series Settings", "ZX-SER8 Settings");
    QTest::newRow("UseCardNameB") << true << true << true << false << QString(main).replace("ZX-SER8", "ZX-BAL8");
    QTest::newRow("MultiPort False: no Note") << true << false << false << false << withoutNote(main);
    QTest::newRow("card handler assigned") << true << false << true << true << withCardParagraph(main, "ZX-SER8");
    QTest::newRow("card handler, MultiPort False: card paragraph after the popups paragraph")
        << true << false << false << true << withCardParagraph(withoutNote(main), "ZX-SER8");
    QTest::newRow("card handler, UseCardNameB, bSeries False: name B in heading and card paragraph")
        << false << true << true << true
        << withCardParagraph(QString(main).replace("ZX-SER8 Series Settings", "ZX-BAL8 Settings"), "ZX-BAL8");
}

void tst_Supporter::helpText()
{
    // Guards against a wrong, missing or extra byte in the help text for any combination of settings.
    QFETCH(bool, series);
    QFETCH(bool, useCardNameB);
    QFETCH(bool, multiPort);
    QFETCH(bool, cardHandler);
    QFETCH(QString, expected);
    MainWindow mw;
    mw.sup->setbSeries(series);
    mw.sup->setUseCardNameB(useCardNameB);
    mw.sup->setMultiPort(multiPort);
    if (cardHandler)
        mw.sup->OnGetCardString = [](QObject *, qint32) { return QString(); };
    QCOMPARE(mw.sup->HelpText(), expected);
}

void tst_Supporter::windowsAsBuilt()
{
    // Guards against a title line, help or support window with the wrong look, text, owner or anchoring,
    // or a window a screen reader cannot name.
    MainWindow mw;
    mw.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mw.window));
    mw.sup->BuildWindows();

    QLabel *header = mw.sup->HeaderLabel();
    QCOMPARE(header->parentWidget(), mw.client);
    QVERIFY(header->isVisible());
    QCOMPARE(header->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(header->width(), mw.client->width());
    QCOMPARE(fontOf(header), QStringLiteral("Tahoma 18 bold"));
    QCOMPARE(header->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(header->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    mw.window.resize(900, 520);
    QTRY_COMPARE(header->width(), mw.client->width());

    THelpForm *help = mw.sup->HelpForm();
    QCOMPARE(help->windowTitle(), QStringLiteral("Instructions for Settings utility"));
    QCOMPARE(help->HelpLabel->text(), QStringLiteral("How to use this program"));
    QCOMPARE(fontOf(help->HelpLabel), QStringLiteral("Verdana 12 bold"));
    QCOMPARE(help->StartButton->text(), QStringLiteral("Start"));
    QVERIFY(help->HelpRich->isReadOnly());
    QCOMPARE(help->HelpRich->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(help->HelpRich->palette().color(QPalette::Base), QColor(0xDD, 0xDD, 0xDD));

    TTechForm *tech = mw.sup->TechForm();
    QCOMPARE(tech->windowTitle(), QStringLiteral("Technical Support"));
    QCOMPARE(tech->TechMemo->toPlainText(), SupportText);
    QVERIFY(tech->TechMemo->isReadOnly());
    QCOMPARE(tech->TechMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(tech->CloseButton->text(), QStringLiteral("Close"));

    for (QWidget *window : {static_cast<QWidget *>(help), static_cast<QWidget *>(tech)}) {
        QCOMPARE(window->parentWidget(), &mw.window);
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name), window->windowTitle());
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
        QVERIFY(window->isWindow() && !(window->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!window->isVisible());
    }
    // The help view opens at the heading of a text too long for it.
    help->show();
    QCOMPARE(help->HelpRich->verticalScrollBar()->value(), 0);
    QVERIFY(help->HelpRich->verticalScrollBar()->maximum() > 0);
}

void tst_Supporter::libraryOpenedOnlyForCardList_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("main window settings: not opened though on the search path")
        << "supporter"
        << QStringList {"loads=0 mapped=0 handler=0", "title=ZX-SER8 Series Settings Program", "list=none"};
    QTest::newRow("card handler: opened, its count of three asked, card 1 without text")
        << "cards"
        << QStringList {"loads=1 mapped=1 handler=3", "title=ZX-SER8 Series Settings Program", "list=card 0|card 2"};
}

void tst_Supporter::libraryOpenedOnlyForCardList()
{
    // Guards against the driver library being opened without a card handler, even when it could be found.
    QFETCH(QString, mode);
    QFETCH(QStringList, expected);
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(ZX_TRELOX_FULL_DIR));
    env.insert(QStringLiteral("ZX_TRELOX_CARDS"), QStringLiteral("3"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("ZX_PROBE_HIDE_FIRST_LOAD"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(ZX_TRELOX_PROBE), {mode});
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
}

void tst_Supporter::cardList_data()
{
    QTest::addColumn<CardCase>("c");
    const QString found = QStringLiteral("ZX-SER8 Series Settings Program");
    const QString none = QStringLiteral("No ZX-SER8 Series Card Found");
    const QString noCard = QStringLiteral("No Card Found");
    QTest::newRow("three cards, card 1 without text")
        << CardCase {3, {"Card A at 300", "", "Card C at 340"}, found, "Card A at 300\nCard C at 340"};
    QTest::newRow("zero cards: handler never called") << CardCase {0, {"x"}, none, noCard};
    QTest::newRow("negative count") << CardCase {-4, {"x"}, none, noCard};
    QTest::newRow("no card gives a text") << CardCase {2, {"", ""}, none, noCard};
    QTest::newRow("UseCardNameB, bSeries False, no card")
        << CardCase {0, {}, "No ZX-BAL8 Found", noCard, "&File", true, false};
    QTest::newRow("UseCardNameB with a card")
        << CardCase {1, {"one"}, "ZX-BAL8 Series Settings Program", "one", "&File", true};
    QTest::newRow("File menu caption without access key: no entry") << CardCase {1, {"one"}, found, "one", "File"};
    QTest::newRow("no main menu: no entry, list still made") << CardCase {1, {"one"}, found, "one", ""};
    QTest::newRow("GetNumCards not bound: never called")
        << CardCase {3, {"a", "b", "c"}, none, noCard, "&File", false, true, false};
}

void tst_Supporter::cardList()
{
    // Guards against empty texts as lines, the handler asked without cards, a call through an unbound entry, wrong
    // names.
    QFETCH(CardCase, c);
    DriverLibraryBound = c.bound;
    GetNumCards = c.bound ? FakeGetNumCards : nullptr;
    fakeCount = c.count;

    MainWindow mw(c.fileMenu);
    mw.sup->setUseCardNameB(c.nameB);
    mw.sup->setbSeries(c.series);
    QList<qint32> asked;
    mw.sup->OnGetCardString = [&](QObject *sender, qint32 card) {
        [&] { QCOMPARE(sender, mw.sup); }();
        asked << card;
        return c.texts.value(card);
    };
    const QList<QAction *> fileEntries = mw.file ? mw.file->actions() : QList<QAction *>();
    mw.sup->BuildWindows();

    // GetNumCards asked once when bound, then the handler once per card in order.
    QCOMPARE(fakeCalls, c.bound ? 1 : 0);
    QList<qint32> cards;
    for (int card = 0; c.bound && card < c.count; ++card)
        cards << card;
    QCOMPARE(asked, cards);
    QCOMPARE(mw.sup->HeaderLabel()->text(), c.title);
    TPCIForm *pci = mw.sup->PCIForm();
    QCOMPARE(pci->parentWidget(), &mw.window);
    QVERIFY(pci->isVisible() && !(pci->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(pci->PCIMemo->toPlainText(), c.list);
    const QString card = c.nameB ? QStringLiteral("ZX-BAL8") : QStringLiteral("ZX-SER8");
    QCOMPARE(pci->windowTitle(), card + QStringLiteral(" Cards installed"));

    // The entry heads the File menu, only under the caption "&File".
    auto *displayPCI = mw.window.findChild<QAction *>(QStringLiteral("DisplayPCI"));
    QCOMPARE(displayPCI ? displayPCI->text() : QString(),
        c.fileMenu == QLatin1String("&File") ? QStringLiteral("Display %1 Cards Installed").arg(card) : QString());
    if (displayPCI)
        QCOMPARE(mw.file->actions(), QList<QAction *> {displayPCI} + fileEntries);
}

void tst_Supporter::startUpAtFirstIdle_data()
{
    QTest::addColumn<bool>("hookBeforeShow");
    QTest::newRow("hooked before the window is shown, as the main window does") << true;
    QTest::newRow("hooked once the window is shown") << false;
}

void tst_Supporter::startUpAtFirstIdle()
{
    // Windows built before the main window's first paint or at every idle moment, the help shown at once or never, the
    // timer left ticking.
    QFETCH(bool, hookBeforeShow);
    MainWindow mw;
    MessageRecorder boxes;
    // Whether the client area had been painted when the title label arrived on it.
    struct Watch : QObject
    {
        bool painted = false, builtAfterPaint = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted = true;
            if (event->type() == QEvent::ChildAdded)
                builtAfterPaint = painted;
            return false;
        }
    } watch;
    mw.client->installEventFilter(&watch);
    if (hookBeforeShow)
        mw.sup->InstallIdleHandler();
    // Idle moments before the window is shown, as a modal box's loop has them.
    QVERIFY(RunLoopUntil([] { return true; }, 3));
    QVERIFY(!mw.sup->HelpForm());
    mw.window.show();
    if (!hookBeforeShow)
        mw.sup->InstallIdleHandler();
    QVERIFY(RunLoopUntil([&] { return mw.sup->HelpForm(); }));
    QVERIFY(watch.builtAfterPaint);
    QVERIFY(!mw.sup->HelpForm()->isVisible());
    QVERIFY(RunLoopUntil([&] { return mw.sup->HelpForm()->isVisible(); }));
    const qint64 shownAfter = mw.sup->sinceTimerStart.elapsed();
    QVERIFY2(shownAfter >= 90, qPrintable(QString::number(shownAfter)));
    QVERIFY(RunLoopUntil([] { return true; }, 20));
    QVERIFY(!TApplication::HasOnIdle());
    QCOMPARE(mw.window.findChildren<THelpForm *>().size(), 1); // built once, with the other windows
    QVERIFY(!mw.sup->HelpPending() && !mw.sup->TimerActive());
    QVERIFY(mw.sup->HelpForm()->isVisible() && !mw.sup->TechForm()->isVisible());
    // No calibration step ran after the help tick: it would complain about its handler.
    QCOMPARE(boxes.count(), 0);
}

void tst_Supporter::timerRefused()
{
    // Guards against a refused timer going unreported, undoing the windows, or the windows being built again.
    MainWindow mw;
    mw.sup->refuseTimer = true;
    mw.window.show();
    MessageRecorder boxes;
    mw.sup->InstallIdleHandler();
    QVERIFY(RunLoopUntil([&] { return boxes.count() >= 1; }, 20));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Text, QStringLiteral("Not enough timers available"));
    QCOMPARE(boxes.last().Icon, TMsgIcon::Error);
    QVERIFY(mw.sup->HeaderLabel() && mw.sup->TechForm());
    QCOMPARE(mw.window.findChildren<THelpForm *>().size(), 1);
    QVERIFY(!TApplication::HasOnIdle());
    QVERIFY(!mw.sup->TimerActive());
    QVERIFY(!mw.sup->HelpForm()->isVisible());
}

void tst_Supporter::helpWindowScale_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("client");
    QTest::newRow("800 x 600 keeps the fitted size") << QSize(800, 600) << QSize(305, 138);
    QTest::newRow("640 x 480 never shrinks") << QSize(640, 480) << QSize(305, 138);
    QTest::newRow("1600 x 1200 doubles") << QSize(1600, 1200) << QSize(610, 276);
    QTest::newRow("1280 x 1024, width decides") << QSize(1280, 1024) << QSize(488, 221);
    QTest::newRow("1600 x 675, height decides") << QSize(1600, 675) << QSize(458, 207);
    QTest::newRow("2000 x 1200, half rounds to even") << QSize(2000, 1200) << QSize(762, 345);
    QTest::newRow("no screen") << QSize() << QSize(305, 138);
}

void tst_Supporter::helpWindowScale()
{
    // Guards against a help window that shrinks, scales by the wrong side, rounds halves up, or leaves controls
    // behind, or Start failing on a main window without a board picture.
    QFETCH(QSize, screen);
    QFETCH(QSize, client);
    MainWindow mw;
    mw.sup->screen = screen;
    mw.sup->BuildWindows();
    THelpForm *help = mw.sup->HelpForm();
    help->show();
    QCOMPARE(help->size(), client);
    QCOMPARE(help->HelpRich->geometry(), QRect(0, 24, client.width(), client.height() - 24 - 41));
    QCOMPARE(help->HelpLabel->geometry(), QRect(0, 0, client.width(), help->HelpLabel->height()));
    const QRect start = help->StartButton->geometry();
    QCOMPARE(start.size(), QSize(173, 25));
    QCOMPARE(client.height() - (start.y() + start.height()), 8);
    QVERIFY2(qAbs(start.x() - (client.width() - 173) / 2) <= 1, qPrintable(QString::number(start.x())));
    help->StartButton->click();
    QVERIFY(!help->isVisible());
}

void tst_Supporter::keys_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("key"); // 0: the window is closed instead
    QTest::addColumn<bool>("hides");
    QTest::newRow("help: Return in the text") << "help" << int(Qt::Key_Return) << true;
    QTest::newRow("help: Enter in the text") << "help" << int(Qt::Key_Enter) << true;
    QTest::newRow("help: other keys do nothing") << "help" << int(Qt::Key_A) << false;
    QTest::newRow("tech: Escape in the text") << "tech" << int(Qt::Key_Escape) << true;
    QTest::newRow("tech: Return in the text does nothing") << "tech" << int(Qt::Key_Return) << false;
    QTest::newRow("cards: Escape in the text") << "pci" << int(Qt::Key_Escape) << true;
    QTest::newRow("help: window closed") << "help" << 0 << true;
    QTest::newRow("tech: window closed") << "tech" << 0 << true;
    QTest::newRow("cards: window closed") << "pci" << 0 << true;
}

void tst_Supporter::keys()
{
    // Guards against Escape or Enter not reaching the button, a closed window destroyed, Start's request misdelivered,
    // or a Close window's memo or button placed or anchored wrongly, the window nameless or above other programs.
    QFETCH(QString, window);
    QFETCH(int, key);
    QFETCH(bool, hides);
    MainWindow mw;
    // Start's request goes, sent once the help window is hidden, to the first picture on the client area only.
    new QLabel(QStringLiteral("not a picture"), mw.client);
    auto *nested = new CountingImage(new QWidget(mw.client));
    auto *image = new CountingImage(mw.client);
    auto *later = new CountingImage(mw.client);
    bool helpVisibleAtRequest = false;
    image->onRequest = [&] { helpVisibleAtRequest = mw.sup->HelpForm()->isVisible(); };
    mw.listCards();
    mw.window.show();
    mw.sup->BuildWindows();
    const FormControls controls = formControls(mw.sup, window);
    controls.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(controls.form));
    // Above the main window only, not above every other program.
    QVERIFY(!(controls.form->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(controls.form->windowHandle()->transientParent(), mw.window.windowHandle());
    if (window != QLatin1String("help")) {
        const int closeLeft = window == QLatin1String("tech") ? 124 : 123; // centred in the support window
        QCOMPARE(QAccessible::queryAccessibleInterface(controls.form)->text(QAccessible::Name),
            controls.form->windowTitle());
        QCOMPARE(controls.form->size(), QSize(321, 138));
        QCOMPARE(controls.text->geometry(), QRect(8, 8, 305, 89));
        QCOMPARE(controls.button->geometry(), QRect(closeLeft, 105, 73, 25));
        controls.form->resize(421, 238);
        QTRY_COMPARE(controls.text->geometry(), QRect(8, 8, 405, 189));
        QCOMPARE(controls.button->geometry(), QRect(closeLeft + 50, 205, 73, 25));
    }
    if (key)
        QTest::keyClick(controls.text, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    else
        QVERIFY(controls.form->close());
    QCOMPARE(controls.form->isVisible(), !hides);
    QCOMPARE(image->requests, window == QLatin1String("help") && hides && key ? 1 : 0);
    QCOMPARE(nested->requests + later->requests, 0);
    QVERIFY(!helpVisibleAtRequest);

    QPointer<QWidget> kept(controls.form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(kept);
    if (window == QLatin1String("pci"))
        mw.window.findChild<QAction *>(QStringLiteral("DisplayPCI"))->trigger();
    else
        controls.form->show();
    QVERIFY(controls.form->isVisible());
}

void tst_Supporter::programTour_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void tst_Supporter::programTour()
{
    // Guards against the program's help with a wrong heading, a card list, or Start's keys not pinning a popup.
    QFETCH(int, key);
    MessageRecorder boxes; // the port-driver warning, if any
    TMainForm form;
    form.show();
    auto *sup = form.findChild<TSetupSupporter *>();
    QVERIFY(RunLoopUntil([&] { return sup->HelpForm() && sup->HelpForm()->isVisible(); }));
    QCOMPARE(sup->HelpForm()->HelpRich->document()->firstBlock().text(),
        QStringLiteral("VORTAN ZX-SER8 Series Settings Program"));
    QVERIFY(!sup->PCIForm() && !form.findChild<QAction *>(QStringLiteral("DisplayPCI")));

    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(sup->HelpForm()->StartButton, Qt::Key(key), modifiers);
    QVERIFY(!sup->HelpForm()->isVisible());
    TPopupForm *popup = nullptr;
    for (TPopupForm *candidate : form.findChildren<TPopupForm *>())
        if (candidate->isVisible() && candidate->windowTitle() == QLatin1String("Control Base Address"))
            popup = candidate;
    QVERIFY(popup);
    QVERIFY(!popup->CloseOnLeave);
    QVERIFY(!sup->TimerActive());
}

ZX_TEST_MAIN(tst_Supporter)
#include "tst_supporter.moc"
