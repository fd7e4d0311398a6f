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

bool TBoardHighlight::ParentIsBoardImage() const
{
    return IsClass(parentWidget(), "TBoardImage");
}

bool TBoardHighlight::IsLinkedTo(const TBoardHighlight *other) const
{
    return other->m_title == m_title && other->m_highlightType == m_highlightType;
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
        m_popup->show();
        m_popup->raise();
        m_popup->activateWindow();
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
    }

    // The user may enlarge the popup, never shrink it below how it opened;
    // it stays on the screen. Outer sizes need the window manager's frame, so
    // the popup applies this again once it is framed.
    const QScreen *s = screen();
    popup->PlaceOuter(client, place, s ? s->geometry() : QRect());
    popup->AddControls(memoHeight, panel ? panel->Lines() : QStringList());

    popup->show();
    popup->activateWindow();
    if (panel)
        panel->setFocus();
    else
        popup->DoneButton()->setFocus();
}

void TBoardHighlight::PopupClosed()
{
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
