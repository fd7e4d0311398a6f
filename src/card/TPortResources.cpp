#include "TPortResources.h"

#include "HexAddress.h"

bool TPortResources::AddressUsable(quint32 address)
{
    return address >= AddressMin && address <= AddressMax && address % AddressStep == 0;
}

const QStringList &TPortResources::IrqItems()
{
    static const QStringList items {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
        QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
        QStringLiteral("F")};
    return items;
}

quint32 TPortResources::IrqFromItem(const QString &item)
{
    quint32 irq = 0;
    ParseHexAddress(item, &irq);
    return irq;
}

bool TPortResources::IrqUsable(quint32 irq)
{
    for (const QString &item : IrqItems())
        if (IrqFromItem(item) == irq)
            return true;
    return false;
}

TRegisterValues TPortResources::RegisterValues() const
{
    TRegisterValues values {};
    values[0] = 0x00;
    for (int port = 0; port < PortCount; ++port)
        values[1 + port] = quint8(Addresses[port] / 8);
    for (int reg = 9; reg <= 12; ++reg)
        values[reg] = quint8(Irq);
    return values;
}
