// The setup supporter's title line, help, technical-support and
// installed-cards windows, and its start-up timing.
#include "LLTRELOX.h"
#include "MessageRecorder.h"
#include "TApplication.h"
#include "TBoardImage.h"
#include "THelpText.h"
#include "TPopupForm.h"
#include "TSetupSupporter.h"
#include "TestMain.h"
#include "template.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

// The platform as the tests want it: a screen of any size, a timer that can be refused.
class SeamSupporter : public TSetupSupporter
{
public:
    using TSetupSupporter::TSetupSupporter;
    bool refuseTimer = false;
    QSize screen = QSize(800, 600);

protected:
    int StartTimer(int interval) override { return refuseTimer ? 0 : TSetupSupporter::StartTimer(interval); }
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

// A main window as the program has one: client area, File and Help menus.
struct MainWindow
{
    QMainWindow window;
    QWidget *client = new QWidget;
    QMenu *file = nullptr;

    explicit MainWindow(const QStringList &menus = {QStringLiteral("&File"), QStringLiteral("&Help")})
    {
        window.setCentralWidget(client);
        for (const QString &title : menus) {
            QMenu *menu = window.menuBar()->addMenu(title);
            menu->addAction(title == QLatin1String("&Help") ? QStringLiteral("&Technical Support") : QStringLiteral("E&xit"));
            if (title.contains(QLatin1String("File")))
                file = menu;
        }
        window.resize(640, 480);
    }
};

SeamSupporter *mainWindowSupporter(QWidget *owner)
{
    auto *sup = new SeamSupporter(owner);
    sup->setCompanyName(QStringLiteral("VORTAN"));
    sup->setCardNameA(QStringLiteral("ZX-SER8"));
    sup->setCardNameB(QStringLiteral("ZX-BAL8"));
    sup->setCallHow(QStringLiteral("between 8 am and 5 pm Pacific Time at (619) 555-0134"));
    sup->setMultiPort(true);
    sup->setChangeButtons(true);
    return sup;
}

bool libraryMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libtrelox");
}

// Runs the event loop, which idles between events, until `done` or the timeout.
bool idleUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

namespace fake {
int count = 0;
int calls = 0;
qint32 GetNumCards()
{
    ++calls;
    return count;
}
} // namespace fake

const QString MainWindowRtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Verdana;}}"
    "{\\colortbl\\red64\\green64\\blue64;\\red255\\green255\\blue64;\\red64\\green64\\blue255;\\red255\\green64\\blue64;}"
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

const QString NoteParagraph = QStringLiteral(
    "{\\fs32\\b Note:} Make sure to set the jumpers for each option group \\emdash  the configuration options for each "
    "port are handled identically; this program only shows the setup once, but you need to perform this setup for "
    "each group of options on your device.\\par\\par\r\n");

QString cardParagraph(const QString &card)
{
    return QStringLiteral("To see a list of %1 cards installed, click \"Display %1 Cards Installed\" under the File "
                          "menu.\\par\\par\r\n")
        .arg(card);
}

QString withCardParagraph(QString rtf, const QString &card)
{
    return rtf.insert(rtf.size() - 1, cardParagraph(card));
}

const QString SupportText = QStringLiteral(
    "There are several ways to get technical support. First and fastest is to skim the relevant sections of the "
    "manual. However, some questions require personal assistance, and VORTAN stands ready to provide that help. You "
    "can call us between 8 am and 5 pm Pacific Time at (619) 555-0134 for any of your product questions.\n\n"
    "In order to provide the best and fastest support possible, we ask that you be at your computer when you call, "
    "and have the VORTAN product manual and Softvane CD at hand.");

} // namespace

class tst_Supporter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void initialValues();
    void helpText_data();
    void helpText();
    void mainWindowSettings();
    void libraryOpenedOnlyForCardList_data();
    void libraryOpenedOnlyForCardList();
    void cardList_data();
    void cardList();
    void builtOnceAtFirstIdle_data();
    void builtOnceAtFirstIdle();
    void helpShownOnceAfterTimer();
    void timerRefused();
    void helpWindowScale_data();
    void helpWindowScale();
    void closeButtonWindowsKeepTheirLayout_data();
    void closeButtonWindowsKeepTheirLayout();
    void keys_data();
    void keys();
    void startButtonTarget();
    void programTour_data();
    void programTour();

private:
    bool m_savedBound = false;
    TGetNumCards m_savedGetNumCards = nullptr;
    void *m_savedEntries[DriverEntryCount] = {};
};

void tst_Supporter::init()
{
    m_savedBound = DriverLibraryBound;
    m_savedGetNumCards = GetNumCards;
    std::copy(std::begin(DriverEntries), std::end(DriverEntries), std::begin(m_savedEntries));
    fake::count = 0;
    fake::calls = 0;
}

void tst_Supporter::cleanup()
{
    DriverLibraryBound = m_savedBound;
    GetNumCards = m_savedGetNumCards;
    std::copy(std::begin(m_savedEntries), std::end(m_savedEntries), std::begin(DriverEntries));
    TApplication::SetOnIdle({});
}

void tst_Supporter::initialValues()
{
    // Guards against ChangeButtons starting at its stored default (False) and
    // against a new supporter running its timer or owning windows.
    QWidget owner;
    TSetupSupporter sup(&owner);
    QCOMPARE(sup.property("ChangeButtons").toBool(), true);
    QCOMPARE(sup.property("bSeries").toBool(), true);
    QCOMPARE(sup.property("Channels").toInt(), 8);
    QCOMPARE(sup.property("UseCardNameB").toBool(), false);
    QCOMPARE(sup.property("MultiPort").toBool(), false);
    QVERIFY(!sup.HelpPending() && !sup.Running() && !sup.TimerActive());
    QVERIFY(!sup.HeaderLabel() && !sup.HelpForm() && !sup.TechForm() && !sup.PCIForm());
}

void tst_Supporter::helpText_data()
{
    QTest::addColumn<bool>("series");
    QTest::addColumn<bool>("useCardNameB");
    QTest::addColumn<bool>("multiPort");
    QTest::addColumn<bool>("cardHandler");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("pieces");

    const QString main = MainWindowRtf;
    QTest::newRow("main window settings") << true << false << true << false << main << 16;
    QTest::newRow("bSeries False")
        << false << false << true << false << QString(main).replace("ZX-SER8 Series Settings", "ZX-SER8 Settings") << 15;
    QTest::newRow("UseCardNameB") << true << true << true << false << QString(main).replace("ZX-SER8", "ZX-BAL8") << 16;
    QTest::newRow("MultiPort False") << true << false << false << false << QString(main).remove(NoteParagraph) << 14;
    QTest::newRow("card handler assigned") << true << false << true << true << withCardParagraph(main, "ZX-SER8") << 17;
    QTest::newRow("card handler, MultiPort False: card paragraph follows piece 13")
        << true << false << false << true << withCardParagraph(QString(main).remove(NoteParagraph), "ZX-SER8") << 15;
    QTest::newRow("card handler, UseCardNameB, no series")
        << false << true << true << true
        << withCardParagraph(QString(main).replace("ZX-SER8 Series Settings", "ZX-BAL8 Settings"), "ZX-BAL8") << 16;
}

void tst_Supporter::helpText()
{
    // Guards against a wrong, missing or extra byte in the help text for any combination of settings.
    QFETCH(bool, series);
    QFETCH(bool, useCardNameB);
    QFETCH(bool, multiPort);
    QFETCH(bool, cardHandler);
    QFETCH(QString, expected);
    QFETCH(int, pieces);
    QWidget owner;
    TSetupSupporter *sup = mainWindowSupporter(&owner);
    sup->setbSeries(series);
    sup->setUseCardNameB(useCardNameB);
    sup->setMultiPort(multiPort);
    if (cardHandler)
        sup->OnGetCardString = [](QObject *, qint32) { return QString(); };
    QCOMPARE(sup->HelpText(), expected);

    THelpTextSettings settings;
    settings.CompanyName = sup->CompanyName();
    settings.CardName = sup->CardName();
    settings.bSeries = series;
    settings.MultiPort = multiPort;
    settings.CardList = cardHandler;
    QCOMPARE(THelpText::Pieces(settings).size(), pieces);
}

void tst_Supporter::mainWindowSettings()
{
    // Guards against the program's own settings showing a wrong title, a card
    // list, a File-menu entry, or touching the driver library.
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    mw.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mw.window));
    MessageRecorder boxes;
    sup->BuildWindows();

    QLabel *header = sup->HeaderLabel();
    QVERIFY(header);
    QCOMPARE(header->objectName(), QStringLiteral("HeaderLabel"));
    QCOMPARE(header->text(), QStringLiteral("ZX-SER8 Series Settings Program"));
    QCOMPARE(header->parentWidget(), mw.client);
    QVERIFY(header->isVisible());
    QCOMPARE(header->pos(), QPoint(0, 0));
    QCOMPARE(header->width(), mw.client->width());
    QCOMPARE(header->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(header->font().pointSize(), 18);
    QVERIFY(header->font().bold());
    QCOMPARE(header->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(header->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    mw.window.resize(900, 520);
    QTRY_COMPARE(header->width(), mw.client->width());

    THelpForm *help = sup->HelpForm();
    QVERIFY(help);
    QCOMPARE(help->HelpRich->document()->firstBlock().text(), QStringLiteral("VORTAN ZX-SER8 Series Settings Program"));
    const QString shown = help->HelpRich->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("Note: Make sure to set the jumpers")));
    QVERIFY(!shown.contains(QStringLiteral("cards installed")));
    QVERIFY(help->HelpRich->isReadOnly());
    QCOMPARE(help->HelpRich->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(help->HelpRich->palette().color(QPalette::Base), QColor(0xDD, 0xDD, 0xDD));
    QCOMPARE(help->HelpLabel->text(), QStringLiteral("How to use this program"));
    QCOMPARE(help->HelpLabel->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(help->HelpLabel->font().pointSize(), 12);
    QVERIFY(help->HelpLabel->font().bold());
    QCOMPARE(help->StartButton->text(), QStringLiteral("Start"));
    QCOMPARE(help->windowTitle(), QStringLiteral("Instructions for Settings utility"));
    help->show();
    QCOMPARE(help->HelpRich->verticalScrollBar()->value(), 0);
    QVERIFY(help->HelpRich->verticalScrollBar()->maximum() > 0);
    help->hide();

    TTechForm *tech = sup->TechForm();
    QVERIFY(tech);
    QCOMPARE(tech->windowTitle(), QStringLiteral("Technical Support"));
    QCOMPARE(tech->TechMemo->toPlainText(), SupportText);
    QVERIFY(tech->TechMemo->isReadOnly());
    QCOMPARE(tech->TechMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(tech->CloseButton->text(), QStringLiteral("Close"));

    for (QWidget *window : {static_cast<QWidget *>(help), static_cast<QWidget *>(tech)}) {
        QCOMPARE(window->parentWidget(), &mw.window);
        QVERIFY(window->isWindow());
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!window->isVisible());
    }

    QVERIFY(!sup->PCIForm());
    QVERIFY(mw.window.findChildren<TPCIForm *>().isEmpty());
    QVERIFY(!mw.window.findChild<QAction *>(QStringLiteral("DisplayPCI")));
    QCOMPARE(mw.file->actions().size(), 1);
    QVERIFY(!DriverLibraryBound);
    QVERIFY(!GetNumCards);
    QVERIFY(!libraryMapped());

    QVERIFY(sup->HelpPending());
    QVERIFY(sup->TimerActive());
    QVERIFY(!sup->Running());
    QCOMPARE(boxes.count(), 0);
}

void tst_Supporter::libraryOpenedOnlyForCardList_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("cards");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("main window settings, library on the search path")
        << "supporter" << ZX_TRELOX_FULL_DIR << "3"
        << QStringList{"loads=0 mapped=0 handler=0", "title=ZX-SER8 Series Settings Program", "list=none"};
    QTest::newRow("card handler, three cards, card 1 without text")
        << "cards" << ZX_TRELOX_FULL_DIR << "3"
        << QStringList{"loads=1 mapped=1 handler=3", "title=ZX-SER8 Series Settings Program", "list=card 0|card 2"};
    QTest::newRow("card handler, zero cards")
        << "cards" << ZX_TRELOX_FULL_DIR << "0"
        << QStringList{"loads=1 mapped=1 handler=0", "title=No ZX-SER8 Series Card Found", "list=No Card Found"};
    QTest::newRow("card handler, library missing")
        << "cards" << "" << "3"
        << QStringList{"loads=1 mapped=0 handler=0", "title=No ZX-SER8 Series Card Found", "list=No Card Found"};
    QTest::newRow("card handler, library without EmergencyReboot still counts")
        << "cards" << ZX_TRELOX_PARTIAL_DIR << "3"
        << QStringList{"loads=1 mapped=1 handler=3", "title=ZX-SER8 Series Settings Program", "list=card 0|card 2"};
}

void tst_Supporter::libraryOpenedOnlyForCardList()
{
    // Guards against the driver library being opened without a card handler,
    // even when it could be found, and against the list ignoring the library's count.
    QFETCH(QString, mode);
    QFETCH(QString, library);
    QFETCH(QString, cards);
    QFETCH(QStringList, expected);
    QTemporaryDir empty;
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), library.isEmpty() ? empty.path() : library);
    env.insert(QStringLiteral("ZX_TRELOX_CARDS"), cards);
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
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<bool>("useCardNameB");
    QTest::addColumn<bool>("series");
    QTest::addColumn<bool>("bound");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("handlerCalls");
    QTest::addColumn<QString>("entry");   // empty: no DisplayPCI entry
    QTest::addColumn<int>("countCalls");

    const QStringList menus{"&File", "&Help"};
    const QString serEntry = QStringLiteral("Display ZX-SER8 Cards Installed");
    QTest::newRow("three cards, card 1 without text")
        << menus << false << true << true << 3 << QStringList{"Card A at 300", "", "Card C at 340"}
        << "ZX-SER8 Series Settings Program" << "Card A at 300\nCard C at 340" << 3 << serEntry << 1;
    QTest::newRow("zero cards: handler never called")
        << menus << false << true << true << 0 << QStringList{"x"} << "No ZX-SER8 Series Card Found" << "No Card Found"
        << 0 << serEntry << 1;
    QTest::newRow("negative count") << menus << false << true << true << -4 << QStringList{"x"}
                                    << "No ZX-SER8 Series Card Found" << "No Card Found" << 0 << serEntry << 1;
    QTest::newRow("no card gives a text") << menus << false << true << true << 2 << QStringList{"", ""}
                                          << "No ZX-SER8 Series Card Found" << "No Card Found" << 2 << serEntry << 1;
    QTest::newRow("UseCardNameB, bSeries False, no card")
        << menus << true << false << true << 0 << QStringList{} << "No ZX-BAL8 Found" << "No Card Found" << 0
        << "Display ZX-BAL8 Cards Installed" << 1;
    QTest::newRow("UseCardNameB with a card") << menus << true << true << true << 1 << QStringList{"one"}
                                              << "ZX-BAL8 Series Settings Program" << "one" << 1
                                              << "Display ZX-BAL8 Cards Installed" << 1;
    QTest::newRow("File menu caption without access key: no entry")
        << QStringList{"File", "&Help"} << false << true << true << 1 << QStringList{"one"}
        << "ZX-SER8 Series Settings Program" << "one" << 1 << "" << 1;
    QTest::newRow("no main menu: no entry, list still made")
        << QStringList{} << false << true << true << 1 << QStringList{"one"} << "ZX-SER8 Series Settings Program"
        << "one" << 1 << "" << 1;
    QTest::newRow("GetNumCards not bound: never called")
        << menus << false << true << false << 3 << QStringList{"a", "b", "c"} << "No ZX-SER8 Series Card Found"
        << "No Card Found" << 0 << serEntry << 0;
}

void tst_Supporter::cardList()
{
    // Guards against empty texts making lines, the handler running without
    // cards, a call through an unbound entry, and wrong names in the list's captions.
    QFETCH(QStringList, menus);
    QFETCH(bool, useCardNameB);
    QFETCH(bool, series);
    QFETCH(bool, bound);
    QFETCH(int, count);
    QFETCH(QStringList, texts);
    QFETCH(QString, title);
    QFETCH(QString, list);
    QFETCH(int, handlerCalls);
    QFETCH(QString, entry);
    QFETCH(int, countCalls);

    DriverLibraryBound = bound;
    std::fill(std::begin(DriverEntries), std::end(DriverEntries), nullptr);
    GetNumCards = bound ? &fake::GetNumCards : nullptr;
    fake::count = count;

    MainWindow mw(menus);
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->setUseCardNameB(useCardNameB);
    sup->setbSeries(series);
    QList<qint32> asked;
    sup->OnGetCardString = [&](QObject *sender, qint32 card) {
        [&] { QCOMPARE(sender, sup); }();
        asked << card;
        return texts.value(card);
    };
    sup->BuildWindows();

    QCOMPARE(fake::calls, countCalls);
    QCOMPARE(asked.size(), handlerCalls);
    for (int i = 0; i < asked.size(); ++i)
        QCOMPARE(asked.at(i), qint32(i));
    QCOMPARE(sup->HeaderLabel()->text(), title);
    TPCIForm *pci = sup->PCIForm();
    QVERIFY(pci);
    QCOMPARE(pci->parentWidget(), &mw.window);
    QVERIFY(pci->isVisible());
    QVERIFY(pci->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(pci->PCIMemo->toPlainText(), list);
    const QString card = useCardNameB ? QStringLiteral("ZX-BAL8") : QStringLiteral("ZX-SER8");
    QCOMPARE(pci->windowTitle(), card + QStringLiteral(" Cards installed"));

    auto *displayPCI = mw.window.findChild<QAction *>(QStringLiteral("DisplayPCI"));
    QCOMPARE(displayPCI ? displayPCI->text() : QString(), entry);
    if (displayPCI) {
        QCOMPARE(displayPCI->parent(), mw.file);
        QCOMPARE(mw.file->actions().value(0), displayPCI);
        QCOMPARE(mw.file->actions().size(), 2);
    }
    QVERIFY(!libraryMapped());
}

void tst_Supporter::builtOnceAtFirstIdle_data()
{
    QTest::addColumn<bool>("guardedHook");
    QTest::newRow("hooked as the main window does") << false;
    QTest::newRow("hooked through InstallIdleHandler") << true;
}

void tst_Supporter::builtOnceAtFirstIdle()
{
    // Guards against the idle handler staying installed and building the windows again at every idle moment.
    QFETCH(bool, guardedHook);
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    mw.window.show();
    int idles = 0;
    QMetaObject::Connection counting =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [&] { ++idles; });
    if (guardedHook)
        sup->InstallIdleHandler();
    else
        TApplication::SetOnIdle([sup] { sup->ApplicationIdle(); });
    QVERIFY(idleUntil([&] { return sup->HelpForm() && sup->HelpForm()->isVisible() && idles >= 20; }));
    disconnect(counting);
    QVERIFY(!TApplication::HasOnIdle());
    QCOMPARE(mw.window.findChildren<THelpForm *>().size(), 1);
    QCOMPARE(mw.window.findChildren<TTechForm *>().size(), 1);
    QCOMPARE(mw.window.findChildren<QLabel *>(QStringLiteral("HeaderLabel")).size(), 1);
    QVERIFY(!sup->HelpPending());
    QVERIFY(!sup->TimerActive());
}

void tst_Supporter::helpShownOnceAfterTimer()
{
    // Guards against the help window showing at once, never, or the timer ticking on afterwards.
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    mw.window.show();
    MessageRecorder boxes;
    QElapsedTimer clock;
    clock.start();
    sup->BuildWindows();
    QVERIFY(!sup->HelpForm()->isVisible());
    QTRY_VERIFY(sup->HelpForm()->isVisible());
    QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!sup->HelpPending());
    QVERIFY(!sup->TimerActive());
    QVERIFY(!sup->TechForm()->isVisible());
    // No calibration step runs after the help tick: it would complain about its handler.
    QCOMPARE(boxes.count(), 0);
}

void tst_Supporter::timerRefused()
{
    // Guards against a refused timer going unreported, undoing the windows, or the windows being built again.
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->refuseTimer = true;
    mw.window.show();
    MessageRecorder boxes;
    int idles = 0;
    QMetaObject::Connection counting =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [&] { ++idles; });
    sup->InstallIdleHandler();
    QVERIFY(idleUntil([&] { return boxes.count() >= 1 && idles >= 20; }));
    disconnect(counting);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Text, QStringLiteral("Not enough timers available"));
    QCOMPARE(boxes.last().Icon, TMsgIcon::Error);
    QVERIFY(sup->HeaderLabel() && sup->HelpForm() && sup->TechForm());
    QCOMPARE(sup->HeaderLabel()->text(), QStringLiteral("ZX-SER8 Series Settings Program"));
    QCOMPARE(mw.window.findChildren<THelpForm *>().size(), 1);
    QVERIFY(!TApplication::HasOnIdle());
    QVERIFY(!sup->TimerActive());
    QVERIFY(!sup->HelpForm()->isVisible());
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
    // Guards against a help window that shrinks, scales by the wrong side,
    // rounds halves away from zero, or leaves its controls behind when it grows.
    QFETCH(QSize, screen);
    QFETCH(QSize, client);
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->screen = screen;
    sup->BuildWindows();
    THelpForm *help = sup->HelpForm();
    help->show();
    QCOMPARE(help->size(), client);
    QCOMPARE(help->HelpRich->geometry(), QRect(0, 24, client.width(), client.height() - 24 - 41));
    QCOMPARE(help->HelpLabel->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(help->HelpLabel->width(), client.width());
    const QRect start = help->StartButton->geometry();
    QCOMPARE(start.size(), QSize(173, 25));
    QCOMPARE(client.height() - (start.y() + start.height()), 8);
    QVERIFY2(qAbs(start.x() - (client.width() - 173) / 2) <= 1, qPrintable(QString::number(start.x())));
}

void tst_Supporter::closeButtonWindowsKeepTheirLayout_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("closeLeft");
    QTest::newRow("technical support: Close centred") << "tech" << 124;
    QTest::newRow("installed cards: Close at 123") << "pci" << 123;
}

void tst_Supporter::closeButtonWindowsKeepTheirLayout()
{
    // Guards against the memo or Close button being placed or anchored wrongly.
    QFETCH(QString, window);
    QFETCH(int, closeLeft);
    DriverLibraryBound = true;
    GetNumCards = &fake::GetNumCards;
    MainWindow mw;
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->OnGetCardString = [](QObject *, qint32) { return QString(); };
    sup->BuildWindows();
    QWidget *form = window == QLatin1String("tech") ? static_cast<QWidget *>(sup->TechForm()) : sup->PCIForm();
    QPlainTextEdit *memo = window == QLatin1String("tech") ? sup->TechForm()->TechMemo : sup->PCIForm()->PCIMemo;
    QPushButton *close = window == QLatin1String("tech") ? sup->TechForm()->CloseButton : sup->PCIForm()->CloseButton;
    form->show();
    QCOMPARE(form->size(), QSize(321, 138));
    QCOMPARE(memo->geometry(), QRect(8, 8, 305, 89));
    QCOMPARE(close->geometry(), QRect(closeLeft, 105, 73, 25));
    form->resize(421, 238);
    QTRY_COMPARE(memo->geometry(), QRect(8, 8, 405, 189));
    QCOMPARE(close->geometry(), QRect(closeLeft + 50, 205, 73, 25));
}

void tst_Supporter::keys_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("hides");
    QTest::newRow("help: Escape on Start") << "help" << "button" << int(Qt::Key_Escape) << true;
    QTest::newRow("help: Return on Start") << "help" << "button" << int(Qt::Key_Return) << true;
    QTest::newRow("help: Enter in the text") << "help" << "memo" << int(Qt::Key_Enter) << true;
    QTest::newRow("help: Escape in the text") << "help" << "memo" << int(Qt::Key_Escape) << true;
    QTest::newRow("help: other keys do nothing") << "help" << "memo" << int(Qt::Key_A) << false;
    QTest::newRow("tech: Escape on Close") << "tech" << "button" << int(Qt::Key_Escape) << true;
    QTest::newRow("tech: Escape in the text") << "tech" << "memo" << int(Qt::Key_Escape) << true;
    QTest::newRow("tech: Return in the text does nothing") << "tech" << "memo" << int(Qt::Key_Return) << false;
    QTest::newRow("cards: Escape in the text") << "pci" << "memo" << int(Qt::Key_Escape) << true;
    QTest::newRow("help: window closed") << "help" << "memo" << 0 << true;
    QTest::newRow("tech: window closed") << "tech" << "memo" << 0 << true;
    QTest::newRow("cards: window closed") << "pci" << "memo" << 0 << true;
}

void tst_Supporter::keys()
{
    // Guards against Escape or Enter not reaching the cancel/default button
    // from any control of the window, and against a closed window being
    // destroyed under the program's reference to it. Key 0: the window is closed.
    QFETCH(QString, window);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, hides);
    DriverLibraryBound = true;
    GetNumCards = &fake::GetNumCards;
    MainWindow mw;
    auto *image = new CountingImage(mw.client);
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->OnGetCardString = [](QObject *, qint32) { return QString(); };
    mw.window.show();
    sup->BuildWindows();
    QWidget *form = nullptr;
    QWidget *target = nullptr;
    if (window == QLatin1String("help")) {
        form = sup->HelpForm();
        target = focus == QLatin1String("button") ? static_cast<QWidget *>(sup->HelpForm()->StartButton)
                                                  : sup->HelpForm()->HelpRich;
    } else if (window == QLatin1String("tech")) {
        form = sup->TechForm();
        target = focus == QLatin1String("button") ? static_cast<QWidget *>(sup->TechForm()->CloseButton)
                                                  : sup->TechForm()->TechMemo;
    } else {
        form = sup->PCIForm();
        target = focus == QLatin1String("button") ? static_cast<QWidget *>(sup->PCIForm()->CloseButton)
                                                  : sup->PCIForm()->PCIMemo;
    }
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    if (key)
        QTest::keyClick(target, Qt::Key(key), modifiers);
    else
        QVERIFY(form->close());
    QCOMPARE(form->isVisible(), !hides);
    QCOMPARE(image->requests, window == QLatin1String("help") && hides && key ? 1 : 0);

    QPointer<QWidget> kept(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(kept);
    if (window == QLatin1String("pci"))
        mw.window.findChild<QAction *>(QStringLiteral("DisplayPCI"))->trigger();
    else
        form->show();
    QVERIFY(form->isVisible());
}

void tst_Supporter::startButtonTarget()
{
    // Guards against the request going to a nested or later picture, arriving
    // while the help window is still up, or being posted instead of sent.
    MainWindow mw;
    new QLabel(QStringLiteral("first"), mw.client);
    auto *box = new QWidget(mw.client);
    auto *nested = new CountingImage(box);
    auto *first = new CountingImage(mw.client);
    auto *second = new CountingImage(mw.client);
    SeamSupporter *sup = mainWindowSupporter(&mw.window);
    sup->BuildWindows();
    THelpForm *help = sup->HelpForm();
    help->show();
    bool helpVisibleAtRequest = true;
    first->onRequest = [&] { helpVisibleAtRequest = help->isVisible(); };
    help->StartButton->click();
    QCOMPARE(first->requests, 1);
    QCOMPARE(second->requests, 0);
    QCOMPARE(nested->requests, 0);
    QVERIFY(!helpVisibleAtRequest);
    QVERIFY(!help->isVisible());

    // Without a picture the help window just hides.
    MainWindow plain;
    SeamSupporter *other = mainWindowSupporter(&plain.window);
    other->BuildWindows();
    other->HelpForm()->show();
    other->HelpForm()->StartButton->click();
    QVERIFY(!other->HelpForm()->isVisible());
}

void tst_Supporter::programTour_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void tst_Supporter::programTour()
{
    // Guards against the program's own window missing its title line, its
    // help window at start-up, or the tour's first popup behind the help window.
    QFETCH(int, key);
    MessageRecorder boxes;   // the port-driver warning, if any
    TMainForm form;
    form.show();
    auto *sup = form.findChild<TSetupSupporter *>();
    QVERIFY(sup);
    QVERIFY(idleUntil([&] { return sup->HelpForm() && sup->HelpForm()->isVisible(); }));
    QCOMPARE(sup->HeaderLabel()->text(), QStringLiteral("ZX-SER8 Series Settings Program"));
    QCOMPARE(sup->HelpForm()->HelpRich->document()->firstBlock().text(),
             QStringLiteral("VORTAN ZX-SER8 Series Settings Program"));
    QVERIFY(!sup->PCIForm());
    QVERIFY(!form.findChild<QAction *>(QStringLiteral("DisplayPCI")));
    QVERIFY(!libraryMapped());

    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(sup->HelpForm()->StartButton, Qt::Key(key), modifiers);
    QVERIFY(!sup->HelpForm()->isVisible());
    TPopupForm *popup = nullptr;
    for (TPopupForm *candidate : form.findChildren<TPopupForm *>()) {
        if (candidate->isVisible() && candidate->windowTitle() == QLatin1String("Control Base Address"))
            popup = candidate;
    }
    QVERIFY(popup);
    QVERIFY(!popup->CloseOnLeave);
    QVERIFY(!sup->TimerActive());
}

ZX_TEST_MAIN(tst_Supporter)
#include "tst_supporter.moc"
