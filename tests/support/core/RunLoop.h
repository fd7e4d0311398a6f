#pragma once

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the real event loop, which (unlike QTest::qWait) has idle moments,
// until `done` holds and at least `idles` idle moments have passed, or until
// the timeout. Returns whether `done` held with those idles seen.
inline bool RunLoopUntil(const std::function<bool()> &done, int idles = 0, int timeoutMs = 5000)
{
    int seen = 0;
    const auto finished = [&] { return done() && seen >= idles; };
    if (finished())
        return true;
    QEventLoop loop;
    QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&] { ++seen; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return finished();
}
