// Highlight popups and menu entries, driven by real pointer moves and clicks
// on a small main window with "&File" and "&Help" menus.
#include "RunLoop.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"
#include "TestMain.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <algorithm>

namespace {

// The picture is designed at (20, 10) and centres itself at its first paint.
class TTestWindow : public QMainWindow
{
public:
    explicit TTestWindow(bool withMenu = true)
    {
        menuBar()->addMenu(QStringLiteral("&File"));
        menuBar()->addMenu(QStringLiteral("&Help"));
        setCentralWidget(new QWidget(this));
        board = new TBoardImage(centralWidget());
        board->setAutoSize(false);
        board->setGeometry(20, 10, 400, 400);
        if (withMenu)
            board->setMenu(menuBar());
        move(100, 200);
        resize(640, 520);
    }

    TBoardHighlight *Add(const QString &title, const QRect &r, const QRect &panelPlace = QRect(10, 20, 194, 73),
        THighlightType type = htSettings)
    {
        auto *h = new TBoardHighlight(board);
        h->setObjectName(title);
        h->setGeometry(r);
        h->setTitle(title);
        h->setHighlightType(type);
        if (!panelPlace.isNull()) {
            auto *panel = new TRadioPanel(centralWidget());
            panel->setGeometry(panelPlace);
            panel->setLines({title, QStringLiteral("second line")});
            h->setRadioPanel(panel);
        }
        return h;
    }

    // Shown, framed, the picture centred on the framed window, the rings painted.
    bool ShowAndPrepare()
    {
        QCursor::setPos(790, 790); // nothing may lie under the pointer as the window appears
        show();
        const auto all = board->findChildren<TBoardHighlight *>();
        return QTest::qWaitForWindowExposed(this) && QTest::qWaitFor([&] {
            const QSize outer = board->ParentOuterSize();
            return !windowHandle()->frameMargins().isNull()
                && board->pos() == QPoint((outer.width() - 400) / 2, (outer.height() - 400) / 2)
                && std::all_of(all.begin(), all.end(), [](auto *h) { return h->Prepared(); });
        });
    }

    QStringList Items(const QString &caption = {}) const
    {
        QStringList texts;
        for (const QAction *top : menuBar()->actions()) {
            if (caption.isEmpty())
                texts << top->text();
            else if (top->text() == caption)
                for (const QAction *item : top->menu()->actions())
                    texts << item->text();
        }
        return texts;
    }

    QAction *Entry(const QString &title) const
    {
        for (QAction *top : menuBar()->actions())
            for (QAction *item : top->menu() ? top->menu()->actions() : QList<QAction *>())
                if (item->text() == title)
                    return item;
        return nullptr;
    }

    // The pointer onto a bare spot of the picture. Under X11 the pointer moves
    // for real and its enter and leave events follow later.
    void Away()
    {
        QTest::mouseMove(board, QPoint(395, 395));
        const auto rings = board->findChildren<TBoardHighlight *>();
        QTRY_VERIFY(std::none_of(rings.begin(), rings.end(), [](auto *h) { return h->underMouse(); }));
    }

    TBoardImage *board = nullptr;
};

void Hover(TBoardHighlight *h)
{
    QTest::mouseMove(h, h->rect().center());
    // mutter may swallow the crossing while it hands the pointer back from a window that went; a
    // person's hand moves on, and so does this.
    if (!QTest::qWaitFor([h] { return h->underMouse(); }, 1000))
        QTest::mouseMove(h, h->rect().center() + QPoint(1, 1));
    QTRY_VERIFY(h->underMouse());
}

void Click(TBoardHighlight *h)
{
    QTest::mouseClick(h, Qt::LeftButton, {}, h->rect().center());
}

bool Open(const TBoardHighlight *h)
{
    return h->Popup() && h->Popup()->isVisible();
}

// What the window system sends when a window above the resting pointer goes: an enter to whatever
// now lies beneath it. The headless platform sends none; under X11 the server's own may come too.
void PointerUncovered(TBoardHighlight *h)
{
    const QPoint local = h->mapFromGlobal(QCursor::pos());
    if (!h->rect().contains(local))
        return;
    QEnterEvent enter(local, h->mapTo(h->window(), local), QCursor::pos());
    QApplication::sendEvent(h, &enter);
}

// Counts a window's hide events.
struct HideCounter : QObject
{
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Hide;
        return false;
    }
};

int PopupCount()
{
    const auto windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return qobject_cast<TPopupForm *>(w); }));
}

QtMessageHandler PreviousHandler = nullptr;

// The headless platform reports every raise and size-hint change it cannot do.
void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        PreviousHandler(type, context, message);
}

} // namespace

class tst_Popup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { PreviousHandler = qInstallMessageHandler(QuietHandler); }
    void cleanup() { QTRY_COMPARE(PopupCount(), 0); }
    void hoverOpensPopupInPlace_data();
    void hoverOpensPopupInPlace();
    void popupLayout_data();
    void popupLayout();
    void pointerRules_data();
    void pointerRules();
    void menuPicksAndSteps_data();
    void menuPicksAndSteps();
    void linkGroupSharesOnePopup_data();
    void linkGroupSharesOnePopup();
    void menuOrder_data();
    void menuOrder();
    void noMenuOnThePicture();
};

void tst_Popup::hoverOpensPopupInPlace_data()
{
    QTest::addColumn<QRect>("laidOut"); // null: no panel
    QTest::addColumn<QString>("place");
    QTest::newRow("laid-out place, moved with the picture") << QRect(10, 20, 194, 73) << "shifted";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTest::newRow("past the right and bottom screen edges")
        << QRect(screen.width() - 100, screen.height() - 40, 194, 73) << "edges";
    QTest::newRow("negative place") << QRect(-400, -300, 194, 73) << "zero";
    QTest::newRow("no panel: below the picture") << QRect() << "below";
}

void tst_Popup::hoverOpensPopupInPlace()
{
    // Guards against popups opening away from their rings, off screen, above other programs, taking the keyboard
    // from the user's typing or, once clicked, without focus on the panel, and stale pixels at the ring.
    QFETCH(QRect, laidOut);
    QFETCH(QString, place);
    TTestWindow w;
    // Clear of the popup, whose place the screen pixels of the ring would show.
    TBoardHighlight *h = w.Add("Protocol/&Mode", QRect(221, 264, 89, 33), laidOut);
    TRadioPanel *panel = h->RadioPanel();
    auto *typing = new QLineEdit(w.centralWidget());
    typing->setGeometry(450, 20, 100, 24);
    QVERIFY(w.ShowAndPrepare());
    w.activateWindow();
    typing->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), typing);
    const auto onScreen = [&] {
        const QRect r(h->mapTo(&w, QPoint(0, 0)), h->size());
        return w.screen()
            ->grabWindow(w.winId(), r.x(), r.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    QTRY_COMPARE(onScreen(), h->NormalImage());

    Hover(h);
    QTRY_VERIFY(Open(h));
    TPopupForm *popup = h->Popup();
    QVERIFY(h->Entered() && !h->Pinned());
    QVERIFY(!(popup->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(popup->windowHandle()->transientParent(), w.windowHandle());
    // Hovering leaves the keyboard with the typing: the popup is not active, the ring only lit. The headless
    // platform activates every window it shows; there only the request can be seen.
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        QTRY_COMPARE(onScreen(), h->LitImage());
        QCOMPARE(QApplication::focusWidget(), typing);
        QVERIFY(!h->PopupActive() && !popup->isActiveWindow());
    }
    // A window manager tells the frame, and with it the outer rectangle, only once it has framed the popup.
    // The place lies in the window's client area, wherever the window is.
    const QRect screen = popup->screen()->availableGeometry();
    const QPoint moved = w.board->pos() - QPoint(20, 10);
    const auto expected = [&] {
        const QSize outer = popup->OuterRect().size();
        const QPoint farthest = screen.bottomRight() + QPoint(1, 1) - QPoint(outer.width(), outer.height());
        const QPoint below = w.centralWidget()->mapToGlobal(QPoint(w.board->x(), w.board->y() + 400 + 38));
        return place == "shifted" ? w.centralWidget()->mapToGlobal(laidOut.topLeft() + moved)
            : place == "edges"    ? farthest
            : place == "zero"     ? screen.topLeft()
                                  : QPoint(below.x(), qMin(below.y(), farthest.y()));
    };
    QTRY_VERIFY(!popup->FrameMargins().isNull());
    // In the screen's corner a window manager has the last pixel (openbox keeps an inactive frame one down).
    const int slack = place == "zero" && QGuiApplication::platformName() != QLatin1String("offscreen") ? 1 : 0;
    QTRY_VERIFY2((popup->OuterRect().topLeft() - expected()).manhattanLength() <= slack,
        qPrintable(QStringLiteral("at %1,%2").arg(popup->OuterRect().x()).arg(popup->OuterRect().y())));
    const QRect outer = popup->OuterRect();
    // The user may enlarge it but not shrink it below how it opened, frame included.
    QCOMPARE(popup->minimumSize().grownBy(popup->FrameMargins()), outer.size());
    // A click pins and activates it, with the focus on the panel.
    Click(h);
    QTRY_VERIFY(h->PopupActive());
    QTRY_COMPARE(onScreen(), h->BrightImage());
    if (panel) {
        QCOMPARE(panel->parentWidget(), popup);
        QCOMPARE(panel->pos(), QPoint(0, 0));
        QVERIFY(panel->isVisible() && panel->FinalAnchorsApplied);
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
    TBoardHighlight *h = w.Add("Protocol/&Mode", QRect(21, 64, 89, 33));
    QVERIFY(w.ShowAndPrepare());
    h->MenuEntryClick(h);
    QTRY_VERIFY(Open(h));
    TPopupForm *popup = h->Popup();
    QCOMPARE(popup->size(), QSize(194, 182));
    QCOMPARE(h->RadioPanel()->geometry(), QRect(0, 0, 194, 73));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(popup);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Protocol/Mode"));
    QCOMPARE(popup->Tag, int(htSettings)); // found again by caption and type
    QVERIFY(popup->StatusMemo()->isReadOnly());
    QCOMPARE(popup->StatusMemo()->toPlainText(), QStringLiteral("Protocol/&Mode\nsecond line"));
    auto *widget = popup->findChild<QWidget *>(control);
    QCOMPARE(widget->geometry(), opened);
    popup->resize(234, 212);
    QTRY_COMPARE(widget->geometry(), enlarged);
}

void tst_Popup::pointerRules_data()
{
    // What is done on the ring, how it is left, and whether the popup is open then and once the pointer rests.
    QTest::addColumn<QString>("onRing");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<bool>("openAfterLeave");
    QTest::addColumn<bool>("closeOnLeave");
    QTest::addColumn<bool>("openAtTheEnd");
    QTest::newRow("hover, off to the picture") << ""
                                               << "picture" << false << false << false;
    QTest::newRow("hover, into the popup") << ""
                                           << "popup" << true << true << false;
    QTest::newRow("hover, across the picture into the popup") << ""
                                                              << "picture, popup" << true << true << false;
    QTest::newRow("hover, onto another ring") << ""
                                              << "other ring" << false << false << false;
    // Still on the ring, under another window: no leave, no flicker, until the pointer is off the ring.
    QTest::newRow("hover, a window over the ring's edge") << ""
                                                          << "covered" << true << false << false;
    QTest::newRow("hover, resting beside the popup's frame") << ""
                                                             << "beside frame" << true << false << false;
    QTest::newRow("click, off to the picture") << "click"
                                               << "picture" << true << false << true;
    QTest::newRow("click, into the popup") << "click"
                                           << "popup" << true << false << true;
    QTest::newRow("click, Done") << "click"
                                 << "done" << false << false << false;
    QTest::newRow("click, close box") << "click"
                                      << "close" << false << false << false;
    QTest::newRow("click again after Done") << "done-click"
                                            << "picture" << true << false << true;
    QTest::newRow("screen reader's press, off to the picture") << "press"
                                                               << "picture" << true << false << true;
    QTest::newRow("screen reader's press after Done") << "done-press"
                                                      << "picture" << true << false << true;
}

void tst_Popup::pointerRules()
{
    // Guards against pinned popups vanishing, unpinned staying or flickering, a person's pointer unable to reach the
    // popup, closed ones lost or reopened, re-shown pinned or moved.
    QFETCH(QString, onRing);
    QFETCH(QString, leave);
    QFETCH(bool, openAfterLeave);
    QFETCH(bool, closeOnLeave);
    QFETCH(bool, openAtTheEnd);
    TTestWindow w;
    TBoardHighlight *h = w.Add("Load", QRect(14, 208, 273, 33));
    TBoardHighlight *other = w.Add("Baud Clock Rate", QRect(109, 300, 17, 33), QRect(16, 8, 185, 73));
    QVERIFY(w.ShowAndPrepare());
    Hover(h);
    QTRY_VERIFY(Open(h));
    QPointer<TPopupForm> popup = h->Popup();
    // Earlier the user moved it out of the way, once it was on screen; or to just beside the pointer's resting
    // place on the ring, where a window manager's invisible border reaches over the ring.
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QTRY_VERIFY(!popup->FrameMargins().isNull());
    const QPoint rest = h->mapToGlobal(QPoint(146, 16));
    // Moved again should the popup's own placing once framed still have been under way.
    const QPoint target = leave == "beside frame" ? rest + QPoint(4, -20) : QPoint(20, 30);
    popup->move(target);
    QTRY_VERIFY(popup->frameGeometry().topLeft() == target || (popup->move(target), false));
    const QRect leftAt = popup->geometry();
    w.Away();
    QTRY_VERIFY(!popup->isVisible());
    Hover(h);
    QTRY_VERIFY(Open(h));
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    const auto click = [&] {
        if (onRing.endsWith("press"))
            QAccessible::queryAccessibleInterface(h)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        else
            Click(h);
    };
    if (onRing != "")
        click();
    if (onRing.startsWith("done-")) {
        QTest::mouseClick(popup->DoneButton(), Qt::LeftButton);
        QVERIFY(!popup->isVisible() && !h->Entered());
        PointerUncovered(h);
        QVERIFY(!popup->isVisible());
        click(); // the pointer never left the ring
    }
    HideCounter hides;
    popup->installEventFilter(&hides);
    QWidget cover(&w, Qt::Tool | Qt::FramelessWindowHint);
    const bool resting = leave == "covered" || leave == "beside frame";
    if (leave == "picture") {
        w.Away();
    } else if (leave == "popup") {
        QTest::mouseMove(popup, QPoint(20, 20));
        QTRY_VERIFY(popup->underMouse() || !popup->isVisible());
    } else if (leave == "picture, popup") {
        // A person's path: off the ring onto the photograph first.
        QTest::mouseMove(w.board, h->geometry().bottomLeft() + QPoint(40, 20));
        QTRY_VERIFY(!h->underMouse());
        QTest::mouseMove(popup, QPoint(20, 20));
        QTRY_VERIFY(popup->underMouse() || !popup->isVisible());
    } else if (leave == "other ring") {
        Hover(other);
        QTRY_VERIFY(other->Entered());
        QVERIFY(!popup->isVisible()); // at once, not once the pointer's time is up
    } else if (resting) {
        if (leave == "covered") {
            cover.setGeometry(QRect(h->mapToGlobal(QPoint(200, -10)), QSize(100, 60)));
            cover.show();
            QVERIFY(QTest::qWaitForWindowExposed(&cover));
            // The headless platform hands a pointer move to the first window there, not the one on top.
            const QPoint onCover = cover.mapFromGlobal(rest + QPoint(80, 0));
            if (QGuiApplication::platformName() == QLatin1String("offscreen"))
                QTest::mouseMove(cover.windowHandle(), onCover);
            else
                QTest::mouseMove(&cover, onCover);
            QTRY_VERIFY(cover.underMouse() && !h->underMouse());
        } else {
            QTest::mouseMove(h, h->mapFromGlobal(rest));
        }
        // Three times the pointer's time to reach a popup, for it to stay put.
        QVERIFY(!QTest::qWaitFor([&] { return hides.count > 0; }, 3 * TBoardHighlight::PopupReachMs));
    } else {
        // Closed while the pointer rests on the ring, as if the popup had lain over it.
        if (leave == "done")
            QTest::mouseClick(popup->DoneButton(), Qt::LeftButton);
        else
            QVERIFY(!popup->close());
        PointerUncovered(h);
        QVERIFY(RunLoopUntil([] { return true; }, 3));
    }
    QTRY_COMPARE(popup->isVisible(), openAfterLeave);
    QCOMPARE(hides.count, openAfterLeave ? 0 : 1);
    QCOMPARE(h->Pinned() && openAfterLeave, openAfterLeave && !resting);
    QCOMPARE(popup->CloseOnLeave, closeOnLeave);
    QCOMPARE(w.Entry("Load")->isChecked(), openAfterLeave && !resting);

    w.Away();
    QTRY_COMPARE(popup->isVisible(), openAtTheEnd);
    QCOMPARE(w.Entry("Load")->isChecked(), openAtTheEnd);
    QCOMPARE(h->Entered(), openAtTheEnd);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(popup && h->RadioPanel()->parentWidget() == popup);
    if (openAtTheEnd)
        h->DoneClick();
    QTRY_VERIFY2(h->CurrentImage() == h->NormalImage(),
        qPrintable(QStringLiteral("entered %1, popup active %2").arg(h->Entered()).arg(h->PopupActive())));
    if (leave == "beside frame")
        return; // showing it again is the other rows' part

    Hover(h);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(h->Popup(), popup.data());
    QVERIFY(!h->Pinned());
    QTRY_COMPARE(popup->geometry(), leftAt);
    w.Away();
    QTRY_VERIFY(!popup->isVisible());
}

void tst_Popup::menuPicksAndSteps_data()
{
    // "&Settings" holds A, B, C in first-paint order, "&Options" only O.
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("button"); // empty: pick the entry again
    QTest::addColumn<QString>("to"); // empty: nothing open
    QTest::newRow("second pick closes") << "B"
                                        << ""
                                        << "";
    QTest::newRow("next on the last opens the first") << "C"
                                                      << "NextButton"
                                                      << "A";
    QTest::newRow("previous on the first opens the last") << "A"
                                                          << "PreviousButton"
                                                          << "C";
    QTest::newRow("next in the middle") << "A"
                                        << "NextButton"
                                        << "B";
    QTest::newRow("a single entry opens itself again") << "O"
                                                       << "PreviousButton"
                                                       << "O";
}

void tst_Popup::menuPicksAndSteps()
{
    // Guards against picks opening unpinned popups, steps running off the ends, or the old popup staying.
    QFETCH(QString, from);
    QFETCH(QString, button);
    QFETCH(QString, to);
    TTestWindow w;
    const QString names = QStringLiteral("ABOC");
    for (int i = 0; i < names.size(); ++i)
        w.Add(names.mid(i, 1), QRect(10 + 50 * i, 10, 40, 40), QRect(10, 20, 194, 73),
            names[i] == 'O' ? htOptions : htSettings);
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Items("&Settings"), (QStringList {"A", "B", "C"}));
    TBoardHighlight *start = w.board->findChild<TBoardHighlight *>(from);
    w.Entry(from)->trigger();
    QTRY_VERIFY(Open(start));
    QVERIFY(start->Pinned() && w.Entry(from)->isChecked());
    w.Away();
    QVERIFY(Open(start));

    if (button.isEmpty())
        w.Entry(from)->trigger();
    else
        QTest::mouseClick(start->Popup()->findChild<QPushButton *>(button), Qt::LeftButton);
    for (TBoardHighlight *h : w.board->findChildren<TBoardHighlight *>()) {
        const bool open = h->objectName() == to;
        QTRY_COMPARE(Open(h), open);
        QCOMPARE(w.Entry(h->Title())->isChecked(), open);
        QCOMPARE(h->Pinned() && open, open);
    }
}

void tst_Popup::linkGroupSharesOnePopup_data()
{
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("then");
    QTest::newRow("two, first member first") << 2 << 0 << 1;
    QTest::newRow("two, second member first") << 2 << 1 << 0;
    QTest::newRow("three, last member first") << 3 << 2 << 0;
    QTest::newRow("three, middle member first") << 3 << 1 << 2;
}

void tst_Popup::linkGroupSharesOnePopup()
{
    // Guards against a group opening two windows, a member staying dark, or two menu entries.
    QFETCH(int, members);
    QFETCH(int, first);
    QFETCH(int, then);
    TTestWindow w;
    TBoardHighlight *stranger = w.Add("Stranger", QRect(300, 300, 40, 40));
    // Clear of the popup, which opens over the top of the picture.
    QList<TBoardHighlight *> group {w.Add("Shared", QRect(20, 300, 60, 40))};
    for (int i = 1; i < members; ++i) {
        group << w.Add("Shared", QRect(20 + 100 * i, 300, 60, 40), QRect());
        group.last()->setRadioPanel(group.first()->RadioPanel());
    }
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Items("&Settings"), (QStringList {"Stranger", "Shared"}));

    Hover(group.at(first));
    QTRY_COMPARE(PopupCount(), 1);
    TPopupForm *popup = group.at(first)->Popup();
    QVERIFY(popup && popup->isVisible());
    for (TBoardHighlight *m : std::as_const(group))
        QTRY_VERIFY(m->Entered());
    w.Away();
    QTRY_VERIFY(!popup->isVisible());
    for (TBoardHighlight *m : std::as_const(group))
        QVERIFY(!m->Entered());

    Hover(group.at(then));
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(PopupCount(), 1);
    Click(group.at(then));
    QVERIFY(group.at(first)->Pinned() && w.Entry("Shared")->isChecked());
    // The click activates it (the headless platform keeps no activation of its own to compare with).
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        for (TBoardHighlight *m : std::as_const(group))
            QTRY_VERIFY(m->PopupActive());
    QApplication::setActiveWindow(&w);
    for (TBoardHighlight *m : std::as_const(group))
        QTRY_VERIFY(!m->PopupActive());
    QVERIFY(!stranger->PopupActive() && !stranger->Entered());
}

void tst_Popup::menuOrder_data()
{
    // Kinds in creation (and first-paint) order: S settings, C calibration, O options.
    QTest::addColumn<QString>("kinds");
    QTest::addColumn<QString>("taken"); // a component name the main window already has
    QTest::addColumn<QStringList>("bar");
    QTest::addColumn<QStringList>("names");
    const QStringList all {"&File", "&Settings", "&Calibration", "&Options", "&Help"};
    const QStringList names {"Settings1", "Calibration1", "Options1"};
    QTest::newRow("settings, calibration, options") << "SCO"
                                                    << "" << all << names;
    QTest::newRow("options, calibration, settings") << "OCS"
                                                    << "" << all << names;
    QTest::newRow("calibration, options, settings") << "COS"
                                                    << "" << all << names;
    QTest::newRow("calibration before settings") << "CS"
                                                 << "" << QStringList {"&File", "&Settings", "&Calibration", "&Help"}
                                                 << QStringList {"Settings1", "Calibration1"};
    QTest::newRow("first number taken") << "S"
                                        << "Settings1" << QStringList {"&File", "&Settings", "&Help"}
                                        << QStringList {"Settings2"};
}

void tst_Popup::menuOrder()
{
    // Guards against type menus landing in paint order, after "&Help", or under a name in use.
    QFETCH(QString, kinds);
    QFETCH(QString, taken);
    QFETCH(QStringList, bar);
    QFETCH(QStringList, names);
    TTestWindow w;
    if (!taken.isEmpty())
        (new QObject(w.centralWidget()))->setObjectName(taken);
    for (int i = 0; i < kinds.size(); ++i)
        w.Add(QString(), QRect(10 + 50 * i, 10, 40, 40), QRect(),
            kinds[i] == 'O'       ? htOptions
                : kinds[i] == 'C' ? htCalibration
                                  : htSettings);
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Items(), bar);
    QStringList got;
    for (const QAction *top : w.menuBar()->actions().mid(1, names.size())) {
        got << top->menu()->objectName();
        QCOMPARE(top->menu()->parent(), &w);
        QVERIFY(top->menu()->isEmpty()); // untitled highlights add no entry
    }
    QCOMPARE(got, names);
}

void tst_Popup::noMenuOnThePicture()
{
    // Guards against a picture without a menu touching the menu bar, or Previous / Next closing the popup.
    TTestWindow w(false);
    TBoardHighlight *h = w.Add("Load", QRect(14, 208, 273, 33));
    QVERIFY(w.ShowAndPrepare());
    QCOMPARE(w.Items(), (QStringList {"&File", "&Help"}));
    h->MenuEntryClick(h);
    QTRY_VERIFY(Open(h));
    QTest::mouseClick(h->Popup()->NextButton(), Qt::LeftButton);
    QTest::mouseClick(h->Popup()->PreviousButton(), Qt::LeftButton);
    QVERIFY(Open(h) && h->Pinned());
    QTest::mouseClick(h->Popup()->DoneButton(), Qt::LeftButton);
    QVERIFY(!Open(h));
}

ZX_TEST_MAIN(tst_Popup)
#include "tst_popup.moc"
