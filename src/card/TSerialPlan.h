#pragma once

#include "TKernelTtys.h"
#include "TSerialRequest.h"

#include <QList>
#include <QString>

class TKernelView;

// What the kernel's serial driver must be told about the card's eight
// ports, against the serial lines it has now: a line for each port, the
// setserial arguments, and what the kernel lacks. Computed once; the window
// and every command print it.
struct TSerialPlan
{
    // The most serial lines Debian's kernel can have (8250.nr_uarts).
    static constexpr int KernelLineLimit = 32;

    struct TLine
    {
        QChar Port;
        quint32 Address = 0;
        int Tty = -1;
        bool Exists = false; // the kernel has this line now
        TKernelTtys::TTty Now; // the line as the kernel has it now
        QString Arguments; // "/dev/ttyS4 port 0x100 irq 5 baud_base 115200 autoconfig"

        QString Device() const;
        QString Command() const; // setserial and the arguments
    };
    // A line that holds a UART, an address or the console, and which.
    struct TPassedLine
    {
        int Tty = -1;
        QString State; // "is the console", "has a 16550A at 2F8 (irq 3)"
    };

    TSerialRequest Request;
    bool KernelKnown = false; // the kernel's serial lines could be read
    int KernelLines = 0;
    QString Lockdown; // the lockdown mode that refuses every command; empty when none
    QList<TLine> Lines; // ports A to H
    QList<TPassedLine> Passed; // a UART or the console: left as they are; --force would take them
    QList<TPassedLine> Taken; // a UART or the console, taken with --force
    QList<TPassedLine> Reused; // an address where nothing answers, given a port's
    int NrUarts = 0; // the lines the kernel needs when it lacks some, else 0
    bool BeyondLimit = false; // a port needs a line above the kernel's limit

    // Ports take, from the request's first line on, the lines that hold
    // their address already, then those without a UART.
    static TSerialPlan Make(const TSerialRequest &request, const TKernelView &kernel);

    bool HasLine(int tty) const;
    // The eight devices, "/dev/ttyS4 /dev/ttyS5 ...".
    QString Devices() const;
    // The zx-setup-cli command that prints this plan; extra options appended.
    QString ToolCommand(const QString &extra = QString()) const;
};
