#pragma once

#include <QList>
#include <QString>

class TKernelView;
struct TSerialPlan;

// Tells the kernel the plan's lines at once, as setserial does: each line's
// port, IRQ and baud base (TIOCSSERIAL), then a probe of its address
// (TIOCSERCONFIG) unless a UART type is forced; then reads back what the
// kernel found and announces the line to udev. Needs root.
class TSerialApply
{
public:
    struct TResult
    {
        int Tty = -1;
        int TypeBefore = 0;
        int TypeAfter = 0;
        int Error = 0; // the errno of the kernel's refusal; 0 when it took the line
        QString Refusal; // the refusal in words, naming what holds the line's address or IRQ
    };

    static QList<TResult> Apply(const TSerialPlan &plan, const TKernelView &kernel);
};
