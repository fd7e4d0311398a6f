#pragma once

#include <QString>
#include <functional>

class QAccessibleEvent;
class QAccessibleInterface;
class QObject;

// What assistive technology sees of the drawn controls: one interface per
// control kind, made by the one factory installed here. Each control installs
// it when it is made, so every program and test that uses them gets it.
class TAccessibleFactory
{
public:
    static void Install();
    static QAccessibleInterface *Create(const QString &className, QObject *object);

    // Whether anyone listens to accessibility events: assistive technology or
    // an observer. Saves building events nobody reads.
    static bool Listening();
    // Passes an event on to assistive technology, and to the observer.
    static void Announce(QAccessibleEvent *event);

    // Sees every announced event first, whether or not assistive technology
    // runs (Qt drops events while none does, as always headless). Returns the
    // observer installed before; an empty one removes it.
    using TObserver = std::function<void(QAccessibleEvent *event)>;
    static TObserver SetObserver(TObserver observer);
};
