#include "TPopupForm.h"

#include "Anchors.h"
#include "TBoardHighlight.h"

#include <QCloseEvent>
#include <QCursor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWindow>

TPopupForm::TPopupForm(TBoardHighlight *owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint), Highlight(owner)
{
}

void TPopupForm::Close()
{
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

QSize TPopupForm::OuterSize()
{
    const QMargins m = FrameMargins();
    return size().grownBy(m);
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

void TPopupForm::leaveEvent(QEvent *event)
{
    if (isVisible() && CloseOnLeave && !frameGeometry().contains(QCursor::pos())) {
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
}
