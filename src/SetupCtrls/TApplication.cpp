#include "TApplication.h"

#include "MessageSeam.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

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

struct IdleHook
{
    std::function<void()> handler;
    QPointer<QAbstractEventDispatcher> dispatcher;
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

} // namespace

void TApplication::SetOnIdle(std::function<void()> handler)
{
    IdleHook &hook = idleHook();
    hook.handler = std::move(handler);
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()
                                                                                   ? QCoreApplication::instance()->thread()
                                                                                   : QThread::currentThread());
    if (hook.handler && dispatcher && hook.dispatcher != dispatcher) {
        QObject::disconnect(hook.connection);
        hook.dispatcher = dispatcher;
        hook.connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, runIdle);
    }
}

bool TApplication::HasOnIdle()
{
    return bool(idleHook().handler);
}
