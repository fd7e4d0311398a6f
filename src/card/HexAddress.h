#pragma once

#include <QString>
#include <QtGlobal>

// Reads a typed hexadecimal number: one or more of 0-9, A-F, a-f and nothing
// else, any number of leading zeros, at most 8 significant digits. On success
// stores the value (when asked) and returns true.
bool ParseHexAddress(const QString &text, quint32 *value = nullptr);

// Hexadecimal as the program shows it: upper case, no leading zeros.
QString HexText(quint32 value);

// A COM port's I/O address as the program shows it: three upper-case digits.
QString PortAddressText(quint32 address);

// The bits of a control base address the card's jumpers can express (A9..A5).
constexpr quint32 SettableAddressMask = 0x3E0;
