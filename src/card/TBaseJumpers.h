#pragma once

#include "HexAddress.h"

#include <QString>
#include <array>

// The card's control base address as its five jumpers for the address lines
// A9 to A5 take it. An installed jumper stands for a 0 bit, a removed one for
// a 1 bit; every other bit of the address the card takes is 0.
class TBaseJumpers
{
public:
    struct TLine
    {
        const char *Name;
        quint32 Bit;
    };
    // From A9 down to A5, as the board shows them.
    static constexpr std::array<TLine, 5> Lines {
        {{"A9", 0x200}, {"A8", 0x100}, {"A7", 0x080}, {"A6", 0x040}, {"A5", 0x020}}};

    explicit TBaseJumpers(quint32 value)
        : m_value(value)
    { }

    quint32 Value() const { return m_value; }
    // The address the jumpers select for the value.
    quint32 Settable() const { return m_value & SettableAddressMask; }
    // "Actual: " and the settable address when the jumpers cannot express
    // the value itself; empty when they can.
    QString CorrectionText() const;
    bool Installed(quint32 bit) const { return (m_value & bit) == 0; }
    // The card's index and data ports would lie among the computer's own.
    bool InSystemBoardRange() const;

private:
    quint32 m_value;
};
