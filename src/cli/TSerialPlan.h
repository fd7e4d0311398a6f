#pragma once

#include "TPortResources.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class TKernelTtys;

// What the kernel's serial driver must be told about the card's eight ports,
// against the serial lines it has now: computed once, then printed as text
// or as JSON.
struct TSerialPlan
{
    struct TLine
    {
        QChar Port;
        quint32 Address = 0;
        QString Tty;
        QString Command; // the setserial arguments
        QString KernelTty; // the line the kernel has at this address now; empty when none
        int KernelIrq = 0;
    };

    quint32 Irq = 0;
    QString Uart;
    int FirstTty = 0;
    bool KernelKnown = false; // the tty class folder could be read
    QString ClassDir;
    int KernelLines = 0;
    QList<TLine> Lines;
    QStringList Moves; // lines that hold a UART elsewhere now
    int NrUarts = 0; // the nr_uarts the kernel needs; 0 when it has enough lines
    QString LinesAdvice;

    static TSerialPlan Make(const std::array<quint32, TPortResources::PortCount> &addresses, quint32 irq, int firstTty,
        const QString &uart, const TKernelTtys &kernel, bool kernelKnown, const QString &classDir);

    // The table, the setserial lines and the advice.
    QString Text() const;
    QJsonObject Json() const;

    static QString TtyName(int index);
};
