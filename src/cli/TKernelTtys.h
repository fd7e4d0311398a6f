#pragma once

#include <QList>
#include <QString>

// The serial lines the kernel has now, as its tty class folder in sysfs
// shows them to every user: for each ttyS<n>, the I/O port and the IRQ.
class TKernelTtys
{
public:
    struct TTty
    {
        int Index;
        quint32 Port; // 0: no UART behind the line
        int Irq;
    };

    // Reads only files under classDir (normally /sys/class/tty). False when
    // the folder cannot be read.
    bool Load(const QString &classDir);

    const QList<TTty> &Ttys() const { return m_ttys; }
    bool Has(int index) const;
    // The line the kernel has at a port address, or nullptr.
    const TTty *At(quint32 port) const;

private:
    QList<TTty> m_ttys;
};
