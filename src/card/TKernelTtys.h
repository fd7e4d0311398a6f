#pragma once

#include <QList>
#include <QString>

// The serial lines the kernel has now, as its tty class folder in sysfs
// shows them to every user: for each ttyS<n>, its address, IRQ, UART type
// and whether it is the console.
class TKernelTtys
{
public:
    struct TTty
    {
        int Index = -1;
        quint32 Port = 0;
        quint64 IomemBase = 0;
        int Irq = 0;
        int Type = 0; // the kernel's UART type; 0: nothing answers there
        bool Console = false;

        bool HasUart() const { return Type != 0; }
        // No address of any kind and no UART: a line a port can be given.
        bool Free() const { return Port == 0 && IomemBase == 0 && Type == 0; }
    };

    // Reads only files under classDir (normally /sys/class/tty); an
    // unreadable attribute counts as 0. False when the folder cannot be read.
    bool Load(const QString &classDir);

    const QList<TTty> &Ttys() const { return m_ttys; }
    // The line ttyS<index>, or nullptr when the kernel has none.
    const TTty *Line(int index) const;
    // The lines whose port is the address.
    QList<TTty> At(quint32 port) const;

    static QString Name(int index);
    // A UART type as setserial names it ("16550A", "unknown").
    static QString TypeName(int type);

private:
    QList<TTty> m_ttys;
};
