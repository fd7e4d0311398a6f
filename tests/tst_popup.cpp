// Highlight popups driven by real pointer moves and clicks on a small main
// window: opening, placing, pinning, closing, Previous / Next and link groups.
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPicture.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"
#include "TestMain.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QtTest>

namespace {

// A main window with "&File" and "&Help", a 400 x 400 picture designed at
// (20, 10) of the client area and option panels laid out around it.
class TTestWindow : public QMainWindow
{
public:
    explicit TTestWindow(bool withMenu = true)
    {
        setObjectName(QStringLiteral("MainForm"));
        QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
        file->setObjectName(QStringLiteral("File1"));
        QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
        help->setObjectName(QStringLiteral("Help1"));
        central = new QWidget(this);
        setCentralWidget(central);
        board = new TBoardImage(central);
        board->setObjectName(QStringLiteral("BoardImage1"));
        QImage flat(400, 400, QImage::Format_RGB32);
        flat.fill(qRgb(60, 90, 60));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        flat.save(&buffer, "PNG");
        TPicture picture;
        picture.LoadFromData(png);
        board->setAutoSize(false);
        board->setStretch(true);
        board->setGeometry(20, 10, 400, 400);
        board->setPicture(&picture);
        if (withMenu)
            board->setMenu(menuBar());
        move(100, 200);
        resize(640, 520);
    }

    TRadioPanel *AddPanel(const QString &name, const QRect &laidOut, int memoHeight = 58)
    {
        auto *panel = new TRadioPanel(central);
        panel->setObjectName(name);
        panel->setGeometry(laidOut);
        panel->setMemoHeight(memoHeight);
        panel->setLines({name + QStringLiteral(" line one"), QStringLiteral("line two")});
        return panel;
    }

    TBoardHighlight *AddHighlight(const QString &name, const QString &title, const QRect &r,
                                  TRadioPanel *panel = nullptr, THighlightType type = htSettings)
    {
        auto *h = new TBoardHighlight(board);
        h->setObjectName(name);
        h->setGeometry(r);
        h->setTitle(title);
        h->setHighlightType(type);
        h->setRadioPanel(panel);
        return h;
    }

    bool ShowAndPrepare()
    {
        // Nothing of the window may lie under the pointer as it appears.
        QCursor::setPos(790, 790);
        show();
        if (!QTest::qWaitForWindowExposed(this))
            return false;
        const auto highlights = board->findChildren<TBoardHighlight *>();
        for (TBoardHighlight *h : highlights)
            if (!QTest::qWaitFor([h] { return h->Prepared(); }))
                return false;
        QTest::mouseMove(central, QPoint(2, 2));
        return true;
    }

    QAction *Entry(const QString &menuCaption, const QString &title) const
    {
        for (QAction *top : menuBar()->actions())
            if (top->text() == menuCaption && top->menu())
                for (QAction *item : top->menu()->actions())
                    if (item->text() == title)
                        return item;
        return nullptr;
    }

    QWidget *central = nullptr;
    TBoardImage *board = nullptr;
};

void Hover(TBoardHighlight *h) { QTest::mouseMove(h, h->rect().center()); }

void MoveToPicture(TTestWindow &w) { QTest::mouseMove(w.board, QPoint(395, 5)); }

int PopupCount()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<TPopupForm *>(w) != nullptr;
    return n;
}

// The laid-out place moved as far as the picture has moved since its first paint.
QPoint Shifted(const TTestWindow &w, QPoint laidOut)
{
    return laidOut + w.board->pos() - QPoint(w.board->DesignLeft, w.board->DesignTop);
}

} // namespace

QtMessageHandler PreviousHandler = nullptr;

// The headless platform reports every raise and size-hint change it cannot do.
void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    PreviousHandler(type, context, message);
}

class tst_Popup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { PreviousHandler = qInstallMessageHandler(QuietHandler); }
    void cleanup();
    void hoverOpensPopupInPlace_data();
    void hoverOpensPopupInPlace();
    void popupLayout_data();
    void popupLayout();
    void leavingTheRing_data();
    void leavingTheRing();
    void withoutPopupStaysLit();
    void menuEntryOpensPinnedAndClosesOnSecondPick();
    void previousNextWrapAround_data();
    void previousNextWrapAround();
    void withoutMenuPreviousNextDoNothing();
    void closingHidesNeverDestroys_data();
    void closingHidesNeverDestroys();
    void reshownPopupIsUnpinnedInItsLastPlace();
    void linkGroupSharesOnePopup_data();
    void linkGroupSharesOnePopup();
    void destroyedWithAnOpenPopup();
};

void tst_Popup::cleanup()
{
    // Every test builds its own window; nothing may outlive it.
    QTRY_COMPARE(PopupCount(), 0);
}

void tst_Popup::hoverOpensPopupInPlace_data()
{
    QTest::addColumn<QRect>("laidOut");   // empty: no panel
    QTest::addColumn<QString>("place");
    QTest::newRow("at the laid-out place, moved with the picture") << QRect(10, 20, 194, 73) << "shifted";
    QTest::newRow("past the right and bottom screen edges") << QRect(700, 760, 194, 73) << "right-bottom";
    QTest::newRow("negative place") << QRect(-400, -300, 194, 73) << "zero";
    QTest::newRow("without a panel, below the picture") << QRect() << "below";
}

void tst_Popup::hoverOpensPopupInPlace()
{
    // Guards against a popup opening in the wrong place, off the screen, or without the focus on its panel.
    QFETCH(QRect, laidOut);
    QFETCH(QString, place);
    TTestWindow w;
    TRadioPanel *panel = laidOut.isNull() ? nullptr : w.AddPanel(QStringLiteral("ModePanel"), laidOut);
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("ModeHighlight"), QStringLiteral("Protocol/&Mode"),
                                        QRect(21, 64, 89, 33), panel);
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.board->DesignLeft, 20);
    QCOMPARE(w.board->DesignTop, 10);

    Hover(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    TPopupForm *popup = h->Popup();
    QVERIFY(h->Entered());
    QVERIFY(!h->Pinned());
    QTRY_VERIFY(popup->isActiveWindow());
    QTRY_VERIFY(h->PopupActive());
    QCOMPARE(h->CurrentImage(), h->BrightImage());

    const QRect outer = popup->frameGeometry();
    const QRect screen = popup->screen()->geometry();
    QPoint expected;
    if (place == QLatin1String("shifted"))
        expected = Shifted(w, laidOut.topLeft());
    else if (place == QLatin1String("right-bottom"))
        expected = QPoint(screen.width() - outer.width(), screen.height() - outer.height());
    else if (place == QLatin1String("zero"))
        expected = QPoint(0, 0);
    else
        expected = QPoint(w.board->x(), w.board->y() + 400 + 38);
    QCOMPARE(outer.topLeft(), expected);

    if (panel) {
        QCOMPARE(panel->parentWidget(), popup);
        QCOMPARE(panel->pos(), QPoint(0, 0));
        QVERIFY(panel->isVisible());
        QVERIFY(panel->FinalAnchorsApplied);
        QTRY_COMPARE(QApplication::focusWidget(), panel);
    } else {
        QCOMPARE(outer.size(), QSize(194, 141));
        QTRY_COMPARE(QApplication::focusWidget(), popup->DoneButton());
    }
}

void tst_Popup::popupLayout_data()
{
    // A 73-pixel panel with a 58-pixel text box: client 194 x 182. The second
    // rectangle is after the user enlarged the popup by 40 x 30.
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("opened");
    QTest::addColumn<QRect>("enlarged");
    QTest::newRow("panel, rows 0 to 72") << "ModePanel" << QRect(0, 0, 194, 73) << QRect(0, 0, 194, 73);
    QTest::newRow("text box, rows 74 to 131") << "StatusMemo" << QRect(6, 74, 182, 58) << QRect(6, 74, 222, 88);
    QTest::newRow("previous, rows 138 to 162") << "PreviousButton" << QRect(6, 138, 58, 25) << QRect(6, 168, 58, 25);
    QTest::newRow("next keeps the middle") << "NextButton" << QRect(68, 138, 58, 25) << QRect(88, 168, 58, 25);
    QTest::newRow("done keeps the right edge") << "DoneButton" << QRect(130, 138, 58, 25) << QRect(170, 168, 58, 25);
    QTest::newRow("status bar, rows 163 to 181") << "PopupStatus" << QRect(0, 163, 194, 19) << QRect(0, 193, 234, 19);
}

void tst_Popup::popupLayout()
{
    // Guards against controls overlapping, leaving gaps or not following a resized popup.
    QFETCH(QString, control);
    QFETCH(QRect, opened);
    QFETCH(QRect, enlarged);
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("ModePanel"), QRect(10, 20, 194, 73));
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("ModeHighlight"), QStringLiteral("Protocol/&Mode"),
                                        QRect(21, 64, 89, 33), panel);
    QVERIFY(w.ShowAndPrepare());
    h->MenuEntryClick(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    TPopupForm *popup = h->Popup();

    QCOMPARE(popup->size(), QSize(194, 182));
    QCOMPARE(popup->minimumSize(), QSize(194, 182));
    QCOMPARE(popup->windowTitle(), QStringLiteral("Protocol/Mode"));
    QCOMPARE(popup->Tag, int(htSettings));
    QVERIFY(popup->windowFlags().testFlag(Qt::Tool));
    QVERIFY(popup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(popup->PopupStatus, popup->findChild<QStatusBar *>(QStringLiteral("PopupStatus")));
    auto *memo = popup->findChild<QPlainTextEdit *>(QStringLiteral("StatusMemo"));
    QVERIFY(memo);
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo->toPlainText(), QStringLiteral("ModePanel line one\nline two"));
    QCOMPARE(popup->DoneButton()->text(), QStringLiteral("Done"));

    auto *widget = popup->findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), opened);
    popup->resize(234, 212);
    QTRY_COMPARE(widget->geometry(), enlarged);
}

void tst_Popup::leavingTheRing_data()
{
    // What happens before the pointer leaves the ring, where it goes, and
    // whether the popup is open after that and after the pointer then moves
    // onto the picture.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("leaveTo");
    QTest::addColumn<bool>("openAfterLeave");
    QTest::addColumn<bool>("pinned");
    QTest::addColumn<bool>("closeOnLeave");
    QTest::addColumn<bool>("openOnPicture");
    QTest::newRow("hover, away to the picture") << "" << "picture" << false << false << false << false;
    QTest::newRow("hover, into the popup") << "" << "popup" << true << true << true << false;
    QTest::newRow("click, away to the picture") << "click" << "picture" << true << true << false << true;
    QTest::newRow("click, into the popup") << "click" << "popup" << true << true << false << true;
    QTest::newRow("entered, clicked and left from code") << "code" << "" << true << true << false << true;
    QTest::newRow("click after Done on the same ring") << "done-click" << "picture" << true << true << false << true;
}

void tst_Popup::leavingTheRing()
{
    // Guards against popups that vanish when pinned, or stay when the pointer wandered off.
    QFETCH(QString, before);
    QFETCH(QString, leaveTo);
    QFETCH(bool, openAfterLeave);
    QFETCH(bool, pinned);
    QFETCH(bool, closeOnLeave);
    QFETCH(bool, openOnPicture);
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("ModePanel"), QRect(10, 20, 194, 73));
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("ModeHighlight"), QStringLiteral("Protocol/&Mode"),
                                        QRect(21, 64, 89, 33), panel);
    QVERIFY(w.ShowAndPrepare());
    QAction *entry = w.Entry(QStringLiteral("&Settings"), QStringLiteral("Protocol/&Mode"));
    QVERIFY(entry);

    if (before == QLatin1String("code")) {
        h->MouseEnter(false);
        h->Click();
        h->MouseLeave(false);
    } else {
        Hover(h);
        QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
        if (before == QLatin1String("click")) {
            QTest::mouseClick(h, Qt::LeftButton, {}, h->rect().center());
        } else if (before == QLatin1String("done-click")) {
            QTest::mouseClick(h, Qt::LeftButton, {}, h->rect().center());
            QTest::mouseClick(h->Popup()->DoneButton(), Qt::LeftButton);
            QTRY_VERIFY(!h->Popup()->isVisible());
            QVERIFY(!h->Entered());
            QTest::mouseClick(h, Qt::LeftButton, {}, h->rect().center());
        }
    }
    QPointer<TPopupForm> popup = h->Popup();
    QVERIFY(popup);
    if (leaveTo == QLatin1String("picture"))
        MoveToPicture(w);
    else if (leaveTo == QLatin1String("popup"))
        QTest::mouseMove(popup, QPoint(20, 20));

    QTRY_COMPARE(popup->isVisible(), openAfterLeave);
    QCOMPARE(h->Pinned() && openAfterLeave, pinned);
    QCOMPARE(popup->CloseOnLeave, closeOnLeave);
    QCOMPARE(entry->isChecked(), pinned);
    QCOMPARE(h->Entered(), openAfterLeave);

    MoveToPicture(w);
    QTRY_COMPARE(popup->isVisible(), openOnPicture);
    QCOMPARE(entry->isChecked(), openOnPicture);
    QCOMPARE(h->Entered(), openOnPicture);
    QVERIFY(popup);
}

void tst_Popup::withoutPopupStaysLit()
{
    // Guards against a ring without a popup flickering or forwarding a second enter.
    TTestWindow w;
    TBoardHighlight *lone = w.AddHighlight(QStringLiteral("Lone"), QStringLiteral("Lone"), QRect(21, 64, 89, 33));
    lone->setCreatePopup(false);
    TBoardHighlight *quiet = w.AddHighlight(QStringLiteral("Quiet"), QStringLiteral("Pair"), QRect(200, 64, 40, 40));
    quiet->setCreatePopup(false);
    TBoardHighlight *talker = w.AddHighlight(QStringLiteral("Talker"), QStringLiteral("Pair"), QRect(300, 64, 40, 40));
    QVERIFY(w.ShowAndPrepare());

    Hover(lone);
    QTRY_VERIFY(lone->Entered());
    QCOMPARE(lone->CurrentImage(), lone->LitImage());
    MoveToPicture(w);
    QVERIFY(lone->Entered());
    QVERIFY(!lone->Popup());

    // The quiet member lights up and passes the enter on; its partner opens the group's popup.
    Hover(quiet);
    QTRY_VERIFY(talker->Popup() && talker->Popup()->isVisible());
    QVERIFY(quiet->Entered());
    QVERIFY(talker->Entered());
    QVERIFY(!quiet->Popup());
    QCOMPARE(PopupCount(), 1);
    // Closing the group's popup darkens both; a second enter while entered
    // neither shows anything new nor reaches the partner.
    talker->Popup()->Close();
    QVERIFY(!talker->Entered());
    QVERIFY(!quiet->Entered());
    talker->MouseEnter(true);
    QVERIFY(talker->Entered());
    QVERIFY(!quiet->Entered());
    talker->MouseEnter(false);
    QVERIFY(!quiet->Entered());
    QVERIFY(lone->Entered());
}

void tst_Popup::menuEntryOpensPinnedAndClosesOnSecondPick()
{
    // Guards against a menu pick opening an unpinned popup or failing to close a pinned one.
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("LoadPanel"), QRect(10, 20, 194, 73));
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("LoadHighlight"), QStringLiteral("Load"), QRect(14, 208, 273, 33), panel);
    QVERIFY(w.ShowAndPrepare());
    QAction *entry = w.Entry(QStringLiteral("&Settings"), QStringLiteral("Load"));
    QVERIFY(entry);
    QVERIFY(!entry->isChecked());

    entry->trigger();
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QVERIFY(h->Pinned());
    QVERIFY(entry->isChecked());
    MoveToPicture(w);
    QVERIFY(h->Popup()->isVisible());

    entry->trigger();
    QTRY_VERIFY(!h->Popup()->isVisible());
    QVERIFY(!entry->isChecked());
    QVERIFY(!h->Entered());

    entry->trigger();
    QTRY_VERIFY(h->Popup()->isVisible());
    QVERIFY(entry->isChecked());
}

void tst_Popup::previousNextWrapAround_data()
{
    // Three "&Settings" entries A, B, C (in first-paint order) and one "&Options" entry O.
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("to");
    QTest::newRow("next on the last opens the first") << "C" << "NextButton" << "A";
    QTest::newRow("previous on the first opens the last") << "A" << "PreviousButton" << "C";
    QTest::newRow("next in the middle") << "A" << "NextButton" << "B";
    QTest::newRow("previous in the middle") << "C" << "PreviousButton" << "B";
    QTest::newRow("a single entry opens itself again") << "O" << "NextButton" << "O";
}

void tst_Popup::previousNextWrapAround()
{
    // Guards against stepping off the ends of the menu or leaving the old popup open.
    QFETCH(QString, from);
    QFETCH(QString, button);
    QFETCH(QString, to);
    TTestWindow w;
    QMap<QString, TBoardHighlight *> h;
    h.insert("A", w.AddHighlight("A", "Alpha", QRect(10, 10, 40, 40), w.AddPanel("PA", QRect(10, 20, 194, 73))));
    h.insert("B", w.AddHighlight("B", "Beta", QRect(60, 10, 40, 40), w.AddPanel("PB", QRect(10, 20, 194, 73))));
    h.insert("O", w.AddHighlight("O", "Omega", QRect(110, 10, 40, 40), w.AddPanel("PO", QRect(10, 20, 194, 73)), htOptions));
    h.insert("C", w.AddHighlight("C", "Gamma", QRect(160, 10, 40, 40), w.AddPanel("PC", QRect(10, 20, 194, 73))));
    QVERIFY(w.ShowAndPrepare());

    h.value(from)->MenuEntryClick(h.value(from));
    QTRY_VERIFY(h.value(from)->Popup() && h.value(from)->Popup()->isVisible());
    QPointer<TPopupForm> oldPopup = h.value(from)->Popup();
    QTest::mouseClick(oldPopup->findChild<QPushButton *>(button), Qt::LeftButton);

    TBoardHighlight *target = h.value(to);
    QTRY_VERIFY(target->Popup() && target->Popup()->isVisible());
    QVERIFY(target->Pinned());
    for (auto it = h.cbegin(); it != h.cend(); ++it) {
        const bool open = it.value() == target;
        QCOMPARE(it.value()->Popup() && it.value()->Popup()->isVisible(), open);
        const QString menu = it.key() == QLatin1String("O") ? "&Options" : "&Settings";
        QCOMPARE(w.Entry(menu, it.value()->Title())->isChecked(), open);
    }
    QVERIFY(oldPopup);
}

void tst_Popup::withoutMenuPreviousNextDoNothing()
{
    // Guards against Previous / Next closing a popup they cannot replace.
    TTestWindow w(false);
    TBoardHighlight *h = w.AddHighlight("A", "Alpha", QRect(10, 10, 40, 40), w.AddPanel("PA", QRect(10, 20, 194, 73)));
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.menuBar()->actions().size(), 2);
    QVERIFY(!h->PictureMenu());
    h->MenuEntryClick(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QTest::mouseClick(h->Popup()->NextButton(), Qt::LeftButton);
    QTest::mouseClick(h->Popup()->PreviousButton(), Qt::LeftButton);
    QVERIFY(h->Popup()->isVisible());
    QVERIFY(h->Pinned());
    QTest::mouseClick(h->Popup()->DoneButton(), Qt::LeftButton);
    QTRY_VERIFY(!h->Popup()->isVisible());
}

void tst_Popup::closingHidesNeverDestroys_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Done") << "done";
    QTest::newRow("close box") << "close";
    QTest::newRow("checked menu entry") << "menu";
}

void tst_Popup::closingHidesNeverDestroys()
{
    // Guards against a closed popup taking its panel with it or leaving the group lit and checked.
    QFETCH(QString, how);
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("BasePanel"), QRect(10, 20, 194, 73));
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("BaseHighlight"), QStringLiteral("Control Base Address"),
                                        QRect(309, 271, 33, 54), panel);
    QVERIFY(w.ShowAndPrepare());
    QAction *entry = w.Entry(QStringLiteral("&Settings"), QStringLiteral("Control Base Address"));
    entry->trigger();
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QPointer<TPopupForm> popup = h->Popup();
    QPointer<TRadioPanel> kept = panel;

    if (how == QLatin1String("done"))
        QTest::mouseClick(popup->DoneButton(), Qt::LeftButton);
    else if (how == QLatin1String("close"))
        QVERIFY(!popup->close());
    else
        entry->trigger();

    QTRY_VERIFY(!popup->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(popup);
    QVERIFY(kept);
    QCOMPARE(panel->parentWidget(), popup.data());
    QCOMPARE(h->Popup(), popup.data());
    QVERIFY(!h->Entered());
    QVERIFY(!entry->isChecked());
    QVERIFY(!popup->CloseOnLeave);
    QTRY_VERIFY(!h->PopupActive());
    QCOMPARE(h->CurrentImage(), h->NormalImage());
}

void tst_Popup::reshownPopupIsUnpinnedInItsLastPlace()
{
    // Guards against a re-shown popup staying pinned, jumping back, or being rebuilt.
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("ClockPanel"), QRect(10, 20, 194, 73));
    TBoardHighlight *h = w.AddHighlight(QStringLiteral("ClockHighlight"), QStringLiteral("Baud Clock Rate"),
                                        QRect(109, 64, 17, 33), panel);
    QVERIFY(w.ShowAndPrepare());
    Hover(h);
    QTRY_VERIFY(h->Popup() && h->Popup()->isVisible());
    QTest::mouseClick(h, Qt::LeftButton, {}, h->rect().center());
    QVERIFY(h->Pinned());
    TPopupForm *popup = h->Popup();
    popup->move(20, 30);
    popup->resize(250, 230);
    QTRY_COMPARE(popup->frameGeometry().topLeft(), QPoint(20, 30));
    QTest::mouseClick(popup->DoneButton(), Qt::LeftButton);
    QTRY_VERIFY(!popup->isVisible());

    MoveToPicture(w);
    Hover(h);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(h->Popup(), popup);
    QVERIFY(!h->Pinned());
    QCOMPARE(popup->frameGeometry().topLeft(), QPoint(20, 30));
    QCOMPARE(popup->size(), QSize(250, 230));
    QCOMPARE(PopupCount(), 1);
    MoveToPicture(w);
    QTRY_VERIFY(!popup->isVisible());
}

void tst_Popup::linkGroupSharesOnePopup_data()
{
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("hoverFirst");
    QTest::addColumn<int>("hoverThen");
    QTest::newRow("two, first member first") << 2 << 0 << 1;
    QTest::newRow("two, second member first") << 2 << 1 << 0;
    QTest::newRow("three, last member first") << 3 << 2 << 0;
    QTest::newRow("three, middle member first") << 3 << 1 << 2;
}

void tst_Popup::linkGroupSharesOnePopup()
{
    // Guards against a group opening two windows, a member staying dark, or two menu entries.
    QFETCH(int, members);
    QFETCH(int, hoverFirst);
    QFETCH(int, hoverThen);
    TTestWindow w;
    TRadioPanel *panel = w.AddPanel(QStringLiteral("SharedPanel"), QRect(10, 20, 194, 73));
    w.AddHighlight(QStringLiteral("Stranger"), QStringLiteral("Stranger"), QRect(300, 300, 40, 40));
    QList<TBoardHighlight *> group;
    for (int i = 0; i < members; ++i)
        group << w.AddHighlight(QStringLiteral("Member%1").arg(i), QStringLiteral("Shared"),
                                QRect(20 + 100 * i, 150, 60, 40), panel);
    for (TBoardHighlight *m : std::as_const(group))
        QCOMPARE(m->RadioPanel(), panel);
    QVERIFY(w.ShowAndPrepare());

    Hover(group.at(hoverFirst));
    QTRY_COMPARE(PopupCount(), 1);
    TBoardHighlight *owner = group.at(hoverFirst);
    QVERIFY(owner->Popup() && owner->Popup()->isVisible());
    QCOMPARE(panel->parentWidget(), owner->Popup());
    for (TBoardHighlight *m : std::as_const(group)) {
        QVERIFY(m->Entered());
        QTRY_VERIFY(m->PopupActive());
    }

    MoveToPicture(w);
    QTRY_VERIFY(!owner->Popup()->isVisible());
    for (TBoardHighlight *m : std::as_const(group))
        QVERIFY(!m->Entered());

    Hover(group.at(hoverThen));
    QTRY_VERIFY(owner->Popup()->isVisible());
    QCOMPARE(PopupCount(), 1);
    QVERIFY(!group.at(hoverThen)->Popup());
    for (TBoardHighlight *m : std::as_const(group))
        QVERIFY(m->Entered());

    // A click on any member pins the one popup.
    QTest::mouseClick(group.at(hoverThen), Qt::LeftButton, {}, QPoint(30, 20));
    QVERIFY(owner->Pinned());
    QVERIFY(w.Entry(QStringLiteral("&Settings"), QStringLiteral("Shared"))->isChecked());

    int entries = 0;
    for (QAction *top : w.menuBar()->actions())
        if (top->menu())
            for (QAction *item : top->menu()->actions())
                entries += item->text() == QLatin1String("Shared");
    QCOMPARE(entries, 1);

    QApplication::setActiveWindow(&w);
    for (TBoardHighlight *m : std::as_const(group))
        QTRY_VERIFY(!m->PopupActive());
    QVERIFY(!w.board->findChild<TBoardHighlight *>(QStringLiteral("Stranger"))->PopupActive());
}

void tst_Popup::destroyedWithAnOpenPopup()
{
    // Guards against a crash when a highlight goes while its popup is the active window.
    QPointer<TPopupForm> popup;
    {
        TTestWindow w;
        TRadioPanel *panel = w.AddPanel(QStringLiteral("DFPanel"), QRect(10, 20, 194, 73));
        TBoardHighlight *h = w.AddHighlight(QStringLiteral("DFHighlight"), QStringLiteral("Port &Disable"),
                                            QRect(309, 255, 33, 17), panel);
        QVERIFY(w.ShowAndPrepare());
        h->MenuEntryClick(h);
        QTRY_VERIFY(h->Popup() && h->Popup()->isActiveWindow());
        popup = h->Popup();
        delete h;
        QVERIFY(!popup);
        QCoreApplication::processEvents();
    }
    QVERIFY(!popup);
}

ZX_TEST_MAIN(tst_Popup)
#include "tst_popup.moc"
