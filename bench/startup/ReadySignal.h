#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <unistd.h>

// Watches the paints of one window; after each, asks ready() and, once it
// holds, writes "ready" to standard output and ends the process at once: the
// time that counts is the time until the window is on screen.
class ReadySignal : public QObject
{
public:
    ReadySignal(QWidget *window, std::function<bool()> ready)
        : m_window(window)
        , m_ready(std::move(ready))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_checkQueued) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && widget->window() == m_window) {
                // After the paint has finished: the whole window's pass, rings included.
                m_checkQueued = true;
                QMetaObject::invokeMethod(
                    this, [this] { check(); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void check()
    {
        m_checkQueued = false;
        if (!m_ready())
            return;
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        _exit(0);
    }

    QWidget *m_window;
    std::function<bool()> m_ready;
    bool m_checkQueued = false;
};
