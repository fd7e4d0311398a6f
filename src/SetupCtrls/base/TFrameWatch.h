#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

// Tells when the window manager has framed a top-level window, changed its
// frame, or answered a change of its state. Until a window manager has framed
// a window the platform reports no frame, so arithmetic on outer sizes done
// before that (minimum sizes, the keep-on-screen rule, centring) is off by it.
class TFrameWatch : public QObject
{
    Q_OBJECT
public:
    // changed runs after the event that showed the news has been handled.
    TFrameWatch(QWidget *window, std::function<void()> changed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchHandle();
    void check(bool stateAnswered);

    QWidget *m_window;
    QPointer<QObject> m_handle; // the platform window, replaced when it is
    std::function<void()> m_changed;
    QMargins m_margins; // as last reported to changed (or as found on creation)
    bool m_checkQueued = false;
    bool m_stateAnswered = false;
};
