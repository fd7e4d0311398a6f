#pragma once

#include <QApplication>
#include <functional>
#include <stdexcept>

// A conversion the user's input made impossible (shown by the standard error box).
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The platform refused a resource (a timer).
class EOutOfResources : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The program's application object: an exception that escapes a handler is
// shown in the standard error box and the program goes on.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The standard error box: the application's title as caption, an error
    // icon, OK. Usable without a TApplication (tests run under QApplication).
    static void HandleException(const std::exception &error);
    static void HandleUnknownException();
    static QString Title();

    // The application's idle event: called each time the message loop has
    // handled what was waiting and is about to wait for new events. One
    // handler at a time; an empty one clears it. The handler may clear itself
    // while it runs.
    static void SetOnIdle(std::function<void()> handler);
    static bool HasOnIdle();
};
