#include "TApplication.h"

#include "MessageSeam.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

#include <limits>

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        HandleException(error);
    } catch (...) {
        HandleUnknownException();
    }
    return false;
}

QString TApplication::Title()
{
    // No title is set: the executable's base name stands in, as it does for
    // an application object that is given none.
    const QString name = QCoreApplication::applicationName();
    if (!name.isEmpty())
        return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void TApplication::HandleException(const std::exception &error)
{
    ShowMessageBox(nullptr, Title(), QString::fromUtf8(error.what()), TMsgButtons::Ok, TMsgIcon::Error);
}

void TApplication::HandleUnknownException()
{
    HandleException(std::runtime_error("An unexpected error occurred."));
}

namespace {

// Qt reports the loop as about to block at the start of every iteration,
// before it hands out the events already posted (a pending paint among them).
// The idle moment is therefore marked by a probe posted behind everything
// else: when it arrives, the posted work that was waiting has been done.
class IdleProbe : public QObject
{
public:
    using QObject::QObject;
    static inline const QEvent::Type Arrived = QEvent::Type(QEvent::registerEventType());
    quint64 iteration = 0; // aboutToBlock count
    quint64 arrivedIn = ~quint64(0); // the iteration the last probe arrived in
    bool posted = false;

    void loopAboutToBlock();

protected:
    bool event(QEvent *event) override;
};

struct IdleHook
{
    std::function<void()> handler;
    QPointer<QAbstractEventDispatcher> dispatcher;
    QPointer<IdleProbe> probe;
    QMetaObject::Connection connection;
};

IdleHook &idleHook()
{
    static IdleHook hook;
    return hook;
}

void runIdle()
{
    // Copy: the handler may clear or replace itself.
    const std::function<void()> handler = idleHook().handler;
    if (!handler)
        return;
    try {
        handler();
    } catch (const std::exception &error) {
        TApplication::HandleException(error);
    } catch (...) {
        TApplication::HandleUnknownException();
    }
}

void IdleProbe::loopAboutToBlock()
{
    // An iteration that only delivered the probe found nothing to do: the
    // loop may block now instead of waking itself with a new probe.
    const bool quiet = arrivedIn == iteration;
    ++iteration;
    if (posted || quiet || !idleHook().handler)
        return;
    posted = true;
    QCoreApplication::postEvent(this, new QEvent(Arrived), std::numeric_limits<int>::min());
}

bool IdleProbe::event(QEvent *event)
{
    if (event->type() != Arrived)
        return QObject::event(event);
    posted = false;
    arrivedIn = iteration;
    runIdle();
    return true;
}

} // namespace

void TApplication::SetOnIdle(std::function<void()> handler)
{
    IdleHook &hook = idleHook();
    hook.handler = std::move(handler);
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(
        QCoreApplication::instance() ? QCoreApplication::instance()->thread() : QThread::currentThread());
    if (hook.handler && dispatcher && hook.dispatcher != dispatcher) {
        QObject::disconnect(hook.connection);
        delete hook.probe;
        hook.dispatcher = dispatcher;
        hook.probe = new IdleProbe(dispatcher);
        hook.connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, hook.probe,
            [probe = hook.probe.data()] { probe->loopAboutToBlock(); });
    }
}

bool TApplication::HasOnIdle()
{
    return bool(idleHook().handler);
}
