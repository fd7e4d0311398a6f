// The menus and entries that the highlights add to the main window's menu bar
// at their first paint.
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TestMain.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

namespace {

QtMessageHandler PreviousHandler = nullptr;

// The headless platform reports every raise and size-hint change it cannot do.
void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    PreviousHandler(type, context, message);
}

struct TKind
{
    QString title;
    THighlightType type;
};

class TMenuWindow : public QMainWindow
{
public:
    explicit TMenuWindow(bool withHelp = true, bool withMenu = true)
    {
        menuBar()->addMenu(QStringLiteral("&File"))->setObjectName(QStringLiteral("File1"));
        if (withHelp)
            menuBar()->addMenu(QStringLiteral("&Help"))->setObjectName(QStringLiteral("Help1"));
        auto *central = new QWidget(this);
        setCentralWidget(central);
        board = new TBoardImage(central);
        board->setObjectName(QStringLiteral("BoardImage1"));
        board->setAutoSize(false);
        board->setGeometry(0, 0, 400, 400);
        if (withMenu)
            board->setMenu(menuBar());
        resize(500, 480);
    }

    TBoardHighlight *Add(const QString &title, THighlightType type, const QRect &r = QRect(10, 10, 40, 40))
    {
        auto *h = new TBoardHighlight(board);
        h->setGeometry(r);
        h->setTitle(title);
        h->setHighlightType(type);
        return h;
    }

    bool ShowAndPrepare()
    {
        QCursor::setPos(790, 790);
        show();
        if (!QTest::qWaitForWindowExposed(this))
            return false;
        const auto highlights = board->findChildren<TBoardHighlight *>();
        for (TBoardHighlight *h : highlights)
            if (h->isVisibleTo(board) && !QTest::qWaitFor([h] { return h->Prepared(); }))
                return false;
        return true;
    }

    QStringList Bar() const
    {
        QStringList captions;
        for (const QAction *top : menuBar()->actions())
            captions << top->text();
        return captions;
    }

    QMenu *Menu(const QString &caption) const
    {
        for (const QAction *top : menuBar()->actions())
            if (top->text() == caption)
                return top->menu();
        return nullptr;
    }

    QStringList Entries(const QString &caption) const
    {
        QStringList titles;
        if (const QMenu *menu = Menu(caption))
            for (const QAction *item : menu->actions())
                titles << item->text();
        return titles;
    }

    TBoardImage *board = nullptr;
};

THighlightType TypeOf(QChar c)
{
    return c == QLatin1Char('O') ? htOptions : c == QLatin1Char('C') ? htCalibration : htSettings;
}

} // namespace

class tst_HighlightMenu : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { PreviousHandler = qInstallMessageHandler(QuietHandler); }
    void menuOrder_data();
    void menuOrder();
    void programMenus_data();
    void programMenus();
    void entriesFollowFirstPaint();
    void emptyTitleMakesMenuOnly();
    void noMenuOnThePicture();
    void existingEntryIsNotDoubled();
};

void tst_HighlightMenu::menuOrder_data()
{
    // Kinds in creation (and first-paint) order: S settings, C calibration, O options.
    QTest::addColumn<QString>("kinds");
    QTest::addColumn<bool>("withHelp");
    QTest::addColumn<QString>("taken");   // a component name the main window already has
    QTest::addColumn<QStringList>("bar");
    QTest::addColumn<QStringList>("names");
    const QStringList all{"&File", "&Settings", "&Calibration", "&Options", "&Help"};
    const QStringList names{"Settings1", "Calibration1", "Options1"};
    QTest::newRow("settings, calibration, options") << "SCO" << true << "" << all << names;
    QTest::newRow("options, calibration, settings") << "OCS" << true << "" << all << names;
    QTest::newRow("calibration, options, settings") << "COS" << true << "" << all << names;
    QTest::newRow("options, settings, calibration") << "OSC" << true << "" << all << names;
    QTest::newRow("options only") << "O" << true << "" << QStringList{"&File", "&Options", "&Help"} << QStringList{"Options1"};
    QTest::newRow("calibration before settings") << "CS" << true << ""
                                                 << QStringList{"&File", "&Settings", "&Calibration", "&Help"}
                                                 << QStringList{"Settings1", "Calibration1"};
    QTest::newRow("no help menu") << "OCS" << false << ""
                                  << QStringList{"&File", "&Settings", "&Calibration", "&Options"} << names;
    QTest::newRow("first number taken") << "S" << true << "Settings1" << QStringList{"&File", "&Settings", "&Help"}
                                        << QStringList{"Settings2"};
}

void tst_HighlightMenu::menuOrder()
{
    // Guards against type menus landing in paint order, after "&Help", or under a name in use.
    QFETCH(QString, kinds);
    QFETCH(bool, withHelp);
    QFETCH(QString, taken);
    QFETCH(QStringList, bar);
    QFETCH(QStringList, names);
    TMenuWindow w(withHelp);
    if (!taken.isEmpty())
        (new QObject(w.centralWidget()))->setObjectName(taken);
    for (int i = 0; i < kinds.size(); ++i)
        w.Add(QStringLiteral("Item %1").arg(i), TypeOf(kinds.at(i)), QRect(10 + 50 * i, 10, 40, 40));
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Bar(), bar);
    QStringList got;
    for (const QAction *top : w.menuBar()->actions())
        if (top->text() != QLatin1String("&File") && top->text() != QLatin1String("&Help")) {
            got << top->menu()->objectName();
            QCOMPARE(top->menu()->parent(), &w);
        }
    QCOMPARE(got, names);
}

void tst_HighlightMenu::programMenus_data()
{
    // The main window's seven highlights, in creation order.
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::newRow("base address") << "Control Base Address" << "&Settings" << 0 << "ControlBaseAddress1";
    QTest::newRow("mode keeps its access key") << "Protocol/&Mode" << "&Settings" << 1 << "ProtocolMode1";
    QTest::newRow("load") << "Load" << "&Settings" << 2 << "Load1";
    QTest::newRow("clock") << "Baud Clock Rate" << "&Settings" << 3 << "BaudClockRate1";
    QTest::newRow("connector, the only option") << "Serial Connector" << "&Options" << 0 << "SerialConnector1";
    QTest::newRow("port resources") << "Port Resources" << "&Settings" << 4 << "PortResources1";
    QTest::newRow("port disable") << "Port &Disable" << "&Settings" << 5 << "PortDisable1";
}

void tst_HighlightMenu::programMenus()
{
    // Guards against entries out of order, renamed captions or names that clash.
    QFETCH(QString, title);
    QFETCH(QString, menu);
    QFETCH(int, position);
    QFETCH(QString, name);
    TMenuWindow w;
    w.Add("Control Base Address", htSettings, QRect(309, 271, 33, 54));
    w.Add("Protocol/&Mode", htSettings, QRect(21, 64, 89, 33));
    w.Add("Load", htSettings, QRect(14, 208, 273, 33));
    w.Add("Baud Clock Rate", htSettings, QRect(109, 64, 17, 33));
    w.Add("Serial Connector", htOptions, QRect(53, 344, 268, 55));
    w.Add("Port Resources", htSettings, QRect(150, 112, 96, 94));
    w.Add("Port &Disable", htSettings, QRect(309, 255, 33, 17));
    QVERIFY(w.ShowAndPrepare());

    QCOMPARE(w.Bar(), (QStringList{"&File", "&Settings", "&Options", "&Help"}));
    QCOMPARE(w.Entries("&Settings").size(), 6);
    QCOMPARE(w.Entries("&Options").size(), 1);
    QAction *entry = w.Menu(menu)->actions().value(position);
    QVERIFY(entry);
    QCOMPARE(entry->text(), title);
    QCOMPARE(entry->objectName(), name);
    QCOMPARE(entry->parent(), &w);
    QVERIFY(!entry->isChecked());
}

void tst_HighlightMenu::entriesFollowFirstPaint()
{
    // Guards against entries ordered by creation instead of first paint, or an
    // equal base name reused for a second entry.
    TMenuWindow w;
    TBoardHighlight *late = w.Add("Load", htSettings, QRect(10, 10, 40, 40));
    late->hide();
    w.Add("Mode", htSettings, QRect(60, 10, 40, 40));
    w.Add("Load", htOptions, QRect(110, 10, 40, 40));
    QVERIFY(w.ShowAndPrepare());
    QVERIFY(!late->Prepared());
    QCOMPARE(w.Entries("&Settings"), QStringList{"Mode"});
    late->show();
    QTRY_VERIFY(late->Prepared());
    QCOMPARE(w.Entries("&Settings"), (QStringList{"Mode", "Load"}));
    QCOMPARE(w.Menu("&Options")->actions().value(0)->objectName(), QStringLiteral("Load1"));
    QCOMPARE(w.Menu("&Settings")->actions().value(1)->objectName(), QStringLiteral("Load2"));
}

void tst_HighlightMenu::emptyTitleMakesMenuOnly()
{
    // Guards against an untitled highlight adding a blank entry.
    TMenuWindow w;
    w.Add(QString(), htCalibration);
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Bar(), (QStringList{"&File", "&Calibration", "&Help"}));
    QVERIFY(w.Menu("&Calibration")->actions().isEmpty());

    TBoardHighlight *named = w.Add("Gain", htCalibration, QRect(100, 100, 40, 40));
    named->show();
    QTRY_VERIFY(named->Prepared());
    QCOMPARE(w.Entries("&Calibration"), QStringList{"Gain"});
    QCOMPARE(w.Bar().count("&Calibration"), 1);
}

void tst_HighlightMenu::noMenuOnThePicture()
{
    // Guards against a picture without a menu touching the menu bar or a check mark crashing.
    TMenuWindow w(true, false);
    TBoardHighlight *h = w.Add("Load", htSettings);
    QVERIFY(w.ShowAndPrepare());
    QVERIFY(!h->PictureMenu());
    QCOMPARE(w.Bar(), (QStringList{"&File", "&Help"}));
    h->CheckMenuEntry(true);
    h->MenuEntryClick(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QVERIFY(h->Pinned());
    h->DoneClick();
    QVERIFY(!h->Popup()->isVisible());
}

void tst_HighlightMenu::existingEntryIsNotDoubled()
{
    // Guards against a second entry for a title the type menu already lists.
    TMenuWindow w;
    QMenu *settings = new QMenu(QStringLiteral("&Settings"), &w);
    w.menuBar()->insertMenu(w.menuBar()->actions().value(1), settings);
    settings->addAction(QStringLiteral("Load"));
    TBoardHighlight *h = w.Add("Load", htSettings);
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Bar(), (QStringList{"&File", "&Settings", "&Help"}));
    QCOMPARE(w.Entries("&Settings"), QStringList{"Load"});
    // The existing entry is the group's entry: its mark follows the popup.
    h->MenuEntryClick(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QVERIFY(settings->actions().value(0)->isChecked());
    h->DoneClick();
    QVERIFY(!settings->actions().value(0)->isChecked());
}

ZX_TEST_MAIN(tst_HighlightMenu)
#include "tst_highlightmenu.moc"
