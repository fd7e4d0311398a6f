#include "TPopupForm.h"

#include "Anchors.h"
#include "TBoardHighlight.h"
#include "TFrameWatch.h"

#include <QCloseEvent>
#include <QCursor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWindow>

TPopupForm::TPopupForm(TBoardHighlight *owner)
    // A tool window of the main window: above it, never above other programs.
    : QWidget(owner, Qt::Tool)
    , Highlight(owner)
{
    // Placed exactly where its position says, (0, 0) included: no automatic
    // placement by the window manager.
    setAttribute(Qt::WA_Moved);
    // Opened by hovering, it leaves the keyboard where the user is typing;
    // pinning it activates it.
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TPopupForm::Close()
{
    if (isVisible())
        m_hiddenGeometry = geometry();
    // Hidden first, so that whatever the pointer finds beneath the vanished
    // window cannot reopen it before the group has been told.
    hide();
    if (Highlight)
        Highlight->PopupClosed();
}

QMargins TPopupForm::FrameMargins()
{
    if (!windowHandle())
        create();
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

QRect TPopupForm::OuterRect()
{
    return geometry().marginsAdded(FrameMargins());
}

void TPopupForm::PlaceOuter(const QSize &client, const QPoint &place, const QRect &area)
{
    m_client = client;
    m_place = place;
    m_area = area;
    applyOuter();
    if (!m_watching) {
        m_watching = true;
        // Only the first framing: later the user's own size and place count.
        new TFrameWatch(this, [this] {
            if (!m_framed)
                applyOuter(geometry().topLeft() == m_placedAt);
        });
    }
}

void TPopupForm::applyOuter(bool place)
{
    QMargins frame = FrameMargins();
    m_framed = !frame.isNull();
    // Until it is framed, the main window's frame is the best guess: a window
    // manager that keeps frames on screen then need not move it.
    if (!m_framed && Highlight && Highlight->window()->windowHandle())
        frame = Highlight->window()->windowHandle()->frameMargins();
    const QSize outer = (m_client.isValid() ? m_client.grownBy(frame) : QSize(194, 141)).expandedTo(QSize(194, 122));
    setMinimumSize(outer.shrunkBy(frame));
    if (!place) {
        // Moved already: only the size follows the frame.
        resize(outer.shrunkBy(frame));
        return;
    }
    QPoint corner = m_place;
    if (!m_area.isNull()) {
        if (corner.x() < m_area.left())
            corner.setX(m_area.left());
        else if (corner.x() + outer.width() > m_area.left() + m_area.width())
            corner.setX(m_area.left() + m_area.width() - outer.width());
        if (corner.y() < m_area.top())
            corner.setY(m_area.top());
        else if (corner.y() + outer.height() > m_area.top() + m_area.height())
            corner.setY(m_area.top() + m_area.height() - outer.height());
    }
    // The client's place: the frame Qt remembers may be older than this one.
    m_placedAt = corner + QPoint(frame.left(), frame.top());
    setGeometry(QRect(m_placedAt, outer.shrunkBy(frame)));
}

void TPopupForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // Shown again, some window managers put it a few pixels off where the
    // user left it; once framed, it goes back there.
    if (m_restoreTo.isValid() && m_framed && windowHandle() && windowHandle()->isExposed()) {
        const QRect to = m_restoreTo;
        m_restoreTo = QRect();
        if (geometry() != to)
            setGeometry(to);
    }
}

void TPopupForm::showEvent(QShowEvent *event)
{
    // Shown again where the user left it: a window manager that let go of
    // the hidden window may have put the client's corner where its frame's was.
    if (!m_hiddenGeometry.isNull()) {
        setGeometry(m_hiddenGeometry);
        m_restoreTo = m_hiddenGeometry;
        m_hiddenGeometry = QRect();
    }
    QWidget::showEvent(event);
}

void TPopupForm::AddControls(int memoHeight, const QStringList &lines)
{
    const int cw = width();
    const int ch = height();

    PopupStatus = new QStatusBar(this);
    PopupStatus->setObjectName(QStringLiteral("PopupStatus"));
    // A layout-managed bar would grow to its own size hint; the frame wants 19.
    PopupStatus->setFixedHeight(19);
    PopupStatus->setGeometry(0, ch - 19, cw, 19);
    SetAnchors(PopupStatus, akLeft | akRight | akBottom);

    const auto button = [this](const char *name, const char *caption, int left, int top, TAnchors anchors) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, top, 58, 25);
        SetAnchors(b, anchors);
        return b;
    };
    m_previous = button("PreviousButton", "Previous", 6, ch - 44, akLeft | akBottom);
    m_next = button("NextButton", "Next", (cw - 58) / 2, ch - 44, akBottom);
    m_done = button("DoneButton", "Done", cw - 64, ch - 44, akRight | akBottom);
    if (Highlight) {
        connect(m_previous, &QPushButton::clicked, Highlight, &TBoardHighlight::PreviousClick);
        connect(m_next, &QPushButton::clicked, Highlight, &TBoardHighlight::NextClick);
        connect(m_done, &QPushButton::clicked, Highlight, &TBoardHighlight::DoneClick);
    }

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("StatusMemo"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setGeometry(6, m_done->y() - 6 - memoHeight, cw - 12, memoHeight);
    SetAnchors(m_memo, akLeft | akTop | akRight | akBottom);
    if (!lines.isEmpty())
        m_memo->setPlainText(lines.join(QLatin1Char('\n')));
}

bool TPopupForm::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        // A window system may report it late, for a popup already closed.
        if (isHidden())
            break;
        if (Highlight)
            Highlight->SetPopupActive(true, true);
        if (OnActivate)
            OnActivate(this);
        break;
    case QEvent::WindowDeactivate:
        if (Highlight)
            Highlight->SetPopupActive(false, true);
        if (OnDeactivate)
            OnDeactivate(this);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TPopupForm::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (Highlight)
        Highlight->PopupEntered();
}

void TPopupForm::leaveEvent(QEvent *event)
{
    if (isVisible() && CloseOnLeave && !OuterRect().contains(QCursor::pos())) {
        Close();
        return;
    }
    QWidget::leaveEvent(event);
}

void TPopupForm::closeEvent(QCloseEvent *event)
{
    // The close box only hides: the panel and the text live on in the popup.
    event->ignore();
    Close();
    if (Highlight)
        Highlight->HoldClosedUnderPointer();
}
