#pragma once

#include <QList>
#include <QString>

// The I/O ranges and IRQs that other devices of the computer hold, as the
// kernel shows them: PnP devices, PCI devices' I/O ranges, /proc/ioports
// (its addresses only as root) and /proc/interrupts. Each entry names its
// holder as a user would look it up.
class TSystemResources
{
public:
    struct TRange
    {
        quint32 First = 0;
        quint32 Last = 0;
        QString Holder;
    };
    struct TIrqUser
    {
        int Irq = 0;
        QString Holder;
    };

    // Reads the files below root ("/" for this computer); a file that
    // cannot be read adds nothing.
    void Load(const QString &root);

    const QList<TRange> &Ranges() const { return m_ranges; }
    const QList<TIrqUser> &IrqUsers() const { return m_irqUsers; }

private:
    void LoadPnp(const QString &devicesDir);
    void LoadPci(const QString &devicesDir);
    void LoadIoports(const QString &path);
    void LoadInterrupts(const QString &path);

    QList<TRange> m_ranges;
    QList<TIrqUser> m_irqUsers;
};
