// The link group, pinning and the popup: what the pointer, a click and the
// popup's buttons do to the highlights that share one popup.
#include "TBoardHighlight.h"

#include "Anchors.h"
#include "ExactClass.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// How often the pointer is looked at while a leave waits for it to go off the ring.
constexpr int LeaveWatchMs = 50;

} // namespace

bool TBoardHighlight::ParentIsBoardImage() const
{
    return IsClass(parentWidget(), "TBoardImage");
}

bool TBoardHighlight::IsLinkedTo(const TBoardHighlight *other) const
{
    return other->m_title == m_title && other->m_highlightType == m_highlightType;
}

bool TBoardHighlight::PointerOnRing() const
{
    return isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
}

bool TBoardHighlight::PointerInGroupPopup() const
{
    const auto group = LinkGroup();
    for (const TBoardHighlight *member : group)
        if (member->m_popup && member->m_popup->isVisible() && member->m_popup->OuterRect().contains(QCursor::pos()))
            return true;
    return false;
}

QList<TBoardHighlight *> TBoardHighlight::LinkGroup() const
{
    QList<TBoardHighlight *> group;
    if (!ParentIsBoardImage()) {
        group << const_cast<TBoardHighlight *>(this);
        return group;
    }
    const QObjectList siblings = parentWidget()->children();
    for (QObject *o : siblings)
        if (auto *member = ExactCast<TBoardHighlight>(o); member && IsLinkedTo(member))
            group << member;
    return group;
}

void TBoardHighlight::setRadioPanel(TRadioPanel *value)
{
    if (value == m_radioPanel)
        return;
    if (value && parentWidget()) {
        const QObjectList siblings = parentWidget()->children();
        for (QObject *o : siblings) {
            const auto *other = ExactCast<TBoardHighlight>(o);
            if (!other || other == this)
                continue;
            if (other->m_radioPanel == value && !IsLinkedTo(other))
                return; // the panel belongs to another group
        }
    }
    m_radioPanel = value;
}

void TBoardHighlight::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    WatchLeave(false);
    CloseOthersReaching();
    // The popup that lay over the ring has just been closed: the window
    // system reports the resting pointer as entering what it now finds beneath.
    if (m_holdClosed && QCursor::pos() == m_holdAt)
        return;
    m_holdClosed = false;
    MouseEnter(false);
}

void TBoardHighlight::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_holdClosed = false;
    // Still on the ring, but under another window: one mapped over it, or a
    // window manager's border reaching beyond a popup's frame. Closing the
    // popup would uncover the ring, open it again, and so on.
    if (PointerOnRing() && !PointerInGroupPopup()) {
        WatchLeave(true);
        return;
    }
    MouseLeave(false);
}

void TBoardHighlight::WatchLeave(bool watch)
{
    if (!watch) {
        if (m_leaveWatch)
            m_leaveWatch->stop();
        return;
    }
    // No event tells when the pointer goes off the ring from another
    // program's window; the pointer is looked at instead.
    if (!m_leaveWatch) {
        m_leaveWatch = new QTimer(this);
        m_leaveWatch->setInterval(LeaveWatchMs);
        connect(m_leaveWatch, &QTimer::timeout, this, &TBoardHighlight::CheckWatchedLeave);
    }
    m_leaveWatch->start();
}

void TBoardHighlight::CheckWatchedLeave()
{
    if (PointerOnRing() && !PointerInGroupPopup())
        return;
    m_leaveWatch->stop();
    MouseLeave(false);
}

void TBoardHighlight::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TBoardHighlight::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (rect().contains(event->position().toPoint()))
        Click();
}

void TBoardHighlight::MouseEnter(bool forwarded)
{
    if (m_entered)
        return;
    m_entered = true;
    update();
    if (m_createPopup)
        ShowPopup();
    if (!forwarded && ParentIsBoardImage()) {
        const auto group = LinkGroup();
        for (TBoardHighlight *member : group)
            member->MouseEnter(true);
    }
}

void TBoardHighlight::MouseLeave(bool forwarded)
{
    if (!m_entered)
        return;
    if (m_popup && !m_pinned) {
        if (m_popup->isVisible() && m_popup->OuterRect().contains(QCursor::pos())) {
            // From the ring straight into its popup: it stays until the pointer leaves it.
            m_popup->CloseOnLeave = true;
            PinGroup();
        } else if (m_popup->isVisible()) {
            // A person's pointer crosses the photograph on its way to the popup.
            StartReach();
        } else {
            m_popup->Close();
        }
    }
    if (!forwarded && ParentIsBoardImage()) {
        const auto group = LinkGroup();
        for (TBoardHighlight *member : group)
            member->MouseLeave(true);
    }
}

void TBoardHighlight::StartReach()
{
    if (!m_reach) {
        m_reach = new QTimer(this);
        m_reach->setSingleShot(true);
        m_reach->setInterval(PopupReachMs);
        connect(m_reach, &QTimer::timeout, this, &TBoardHighlight::ReachEnded);
    }
    m_reach->start();
}

void TBoardHighlight::ReachEnded()
{
    if (!m_popup || !m_popup->isVisible() || m_pinned)
        return;
    if (m_popup->OuterRect().contains(QCursor::pos())) {
        m_popup->CloseOnLeave = true;
        PinGroup();
        return;
    }
    // Back on a ring of the group: its own leave comes later.
    const auto group = LinkGroup();
    for (const TBoardHighlight *member : group)
        if (member->PointerOnRing())
            return;
    m_popup->Close();
}

void TBoardHighlight::PopupEntered()
{
    if (!m_reach || !m_reach->isActive())
        return;
    m_reach->stop();
    if (m_popup && m_popup->isVisible() && !m_pinned) {
        // Arrived in time: as if the move had been instant.
        m_popup->CloseOnLeave = true;
        PinGroup();
    }
}

void TBoardHighlight::CloseOthersReaching()
{
    // The pointer went to another ring, not into the popup it left.
    const QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QObjectList siblings = parent->children();
    for (QObject *o : siblings) {
        auto *other = ExactCast<TBoardHighlight>(o);
        if (!other || other == this || IsLinkedTo(other) || !other->m_reach || !other->m_reach->isActive())
            continue;
        other->m_reach->stop();
        if (other->m_popup && other->m_popup->isVisible() && !other->m_pinned)
            other->m_popup->Close();
    }
}

void TBoardHighlight::Click()
{
    m_holdClosed = false;
    emit OnClick();
    // The group's popup was closed while the pointer stayed on the ring: the
    // click opens it again instead of pinning a hidden window.
    if (!m_entered)
        MouseEnter(false);
    PinGroup();
}

void TBoardHighlight::PinGroup()
{
    if (m_popup) {
        m_pinned = true;
        CheckMenuEntry(true);
    }
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group)
        member->PinPopup();
}

void TBoardHighlight::PinPopup()
{
    if (!m_popup)
        return;
    m_pinned = true;
    CheckMenuEntry(true);
    if (m_popup->isVisible())
        m_popup->activateWindow();
}

void TBoardHighlight::ClearEntered()
{
    m_entered = false;
    update();
}

void TBoardHighlight::SetPopupActive(bool active, bool spread)
{
    m_popupActive = active;
    raise();
    update();
    if (!spread || !ParentIsBoardImage())
        return;
    // Each member moves to the end of the child list when it is raised, so the
    // index stays put and the walk shortens instead.
    QWidget *parent = parentWidget();
    int index = 0;
    int remaining = parent->children().size();
    while (index < remaining) {
        auto *member = ExactCast<TBoardHighlight>(parent->children().value(index));
        if (member && member != this && IsLinkedTo(member)) {
            member->SetPopupActive(active, false);
            --remaining;
        } else {
            ++index;
        }
    }
}

void TBoardHighlight::ShowPopup()
{
    if (m_popup) {
        if (m_popup->isHidden())
            m_pinned = false;
        // Shown without the keyboard (the popup's own rule); pinning activates it.
        m_popup->show();
        m_popup->raise();
        return;
    }
    // Another member of the group built the group's popup already.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        const auto *form = qobject_cast<TPopupForm *>(w);
        if (form && form->Tag == int(m_highlightType) && form->windowTitle() == m_popupCaption)
            return;
    }

    auto *popup = new TPopupForm(this);
    m_popup = popup;
    m_pinned = false;

    TRadioPanel *panel = m_radioPanel;
    int memoHeight = 58;
    QPoint laidOut(0, 0);
    QSize client; // none: the design gives the outer size
    if (panel) {
        memoHeight = panel->MemoHeight();
        popup->OnActivate = panel->OnActivate;
        popup->OnDeactivate = panel->OnDeactivate;
        laidOut = panel->pos();
        client = QSize(panel->width(), panel->height() + memoHeight + 51);
        popup->resize(client);
        panel->setParent(popup);
        panel->move(0, 0);
        panel->show();
        SetAnchors(panel, panel->FinalAnchors());
        panel->FinalAnchorsApplied = true;
    }
    popup->setWindowTitle(m_popupCaption);
    popup->Tag = int(m_highlightType);

    // The rule's place lies in the client area the picture sits on; on the
    // screen it is wherever the window is.
    QPoint place(0, 0);
    if (const QWidget *p = parentWidget()) {
        if (panel && ParentIsBoardImage()) {
            // Where the panel was laid out, moved as far as the picture has moved since.
            const auto *picture = static_cast<const TBoardImage *>(p);
            place = QPoint(p->x() - (picture->DesignLeft - laidOut.x()), p->y() - (picture->DesignTop - laidOut.y()));
        } else if (panel) {
            place = p->pos();
        } else {
            place = QPoint(p->x(), p->y() + p->height() + 38);
        }
        if (const QWidget *client = p->parentWidget())
            place = client->mapToGlobal(place);
    }

    // The user may enlarge the popup, never shrink it below how it opened;
    // it stays on the window's screen. Outer sizes need the window manager's
    // frame, so the popup applies this again once it is framed.
    const QScreen *s = screen();
    popup->PlaceOuter(client, place, s ? s->availableGeometry() : QRect());
    popup->AddControls(memoHeight, panel ? panel->Lines() : QStringList());

    // Hovering leaves the keyboard where the user is typing: the popup shows
    // inactive, and its panel takes the focus once the popup is activated
    // (pinning does that).
    popup->show();
    if (panel)
        panel->setFocus();
    else
        popup->DoneButton()->setFocus();
}

void TBoardHighlight::PopupClosed()
{
    if (m_reach)
        m_reach->stop();
    CheckMenuEntry(false);
    if (m_popup)
        m_popup->CloseOnLeave = false;
    ClearEntered();
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group)
        member->ClearEntered();
}

void TBoardHighlight::DoneClick()
{
    if (m_popup) {
        m_popup->Close();
        HoldClosedUnderPointer();
    }
}

void TBoardHighlight::HoldClosedUnderPointer()
{
    const QPoint pointer = QCursor::pos();
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group) {
        if (member->isVisible() && member->rect().contains(member->mapFromGlobal(pointer))) {
            member->m_holdClosed = true;
            member->m_holdAt = pointer;
        }
    }
}
