#include "TFrameWatch.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

TFrameWatch::TFrameWatch(QWidget *window, std::function<void()> changed)
    : QObject(window)
    , m_window(window)
    , m_changed(std::move(changed))
{
    window->installEventFilter(this);
    watchHandle();
    if (QWindow *handle = window->windowHandle())
        m_margins = handle->frameMargins();
}

void TFrameWatch::watchHandle()
{
    QWindow *handle = m_window->windowHandle();
    if (!handle || handle == m_handle)
        return;
    if (m_handle)
        m_handle->removeEventFilter(this);
    m_handle = handle;
    handle->installEventFilter(this);
}

bool TFrameWatch::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::WinIdChange:
    case QEvent::Show:
        if (watched == m_window)
            watchHandle();
        break;
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        if (watched != m_handle)
            break;
        // The platform's own report of a new state arrives spontaneously.
        m_stateAnswered |= event->type() == QEvent::WindowStateChange && event->spontaneous();
        // Once the event is handled: the window's geometry then includes it.
        if (!m_checkQueued) {
            m_checkQueued = true;
            QMetaObject::invokeMethod(
                this, [this] { check(m_stateAnswered); }, Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    return false;
}

void TFrameWatch::check(bool stateAnswered)
{
    m_checkQueued = false;
    m_stateAnswered = false;
    // Until the window is on screen the window manager may be half-way
    // through framing it, and the frame the platform works out is nonsense.
    QWindow *handle = m_window->windowHandle();
    if (!handle || !m_window->isVisible() || !handle->isExposed())
        return;
    const QMargins now = handle->frameMargins();
    if (now.left() < 0 || now.top() < 0 || now.right() < 0 || now.bottom() < 0)
        return;
    if (now == m_margins && !stateAnswered)
        return;
    m_margins = now;
    if (m_changed)
        m_changed();
}
