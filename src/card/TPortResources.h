#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>

// The values of control registers 0 to 12, in the order they are written.
using TRegisterValues = std::array<quint8, 13>;

// The card's eight COM ports, A to H: each port's I/O address and the one IRQ
// they share, as the control registers hold them (address / 8 in registers
// 1 to 8, the IRQ in 9 to 12, 0 in register 0).
class TPortResources
{
public:
    static constexpr int PortCount = 8;
    static constexpr quint32 AddressMin = 0x100;
    static constexpr quint32 AddressMax = 0x3F8;
    static constexpr quint32 AddressStep = 8;

    // An address a port can be given: AddressMin to AddressMax in steps of 8.
    static bool AddressUsable(quint32 address);
    // The IRQ list's items; each, read as hexadecimal, is the IRQ number.
    static const QStringList &IrqItems();
    static quint32 IrqFromItem(const QString &item);
    // One of the IRQs the list offers (2 to 7, 10, 11, 12, 15).
    static bool IrqUsable(quint32 irq);
    static QChar PortLetter(int port) { return QChar(u'A' + port); }

    std::array<quint32, PortCount> Addresses {};
    quint32 Irq = 0;

    TRegisterValues RegisterValues() const;
};
