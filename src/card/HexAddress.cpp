#include "HexAddress.h"

QString HexText(quint32 value)
{
    return QString::number(value, 16).toUpper();
}

QString PortAddressText(quint32 address)
{
    return QStringLiteral("%1").arg(address, 3, 16, QLatin1Char('0')).toUpper();
}

bool ParseHexAddress(const QString &text, quint32 *value)
{
    if (text.isEmpty())
        return false;
    quint32 result = 0;
    int significant = 0;
    for (const QChar c : text) {
        int digit;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            digit = c.unicode() - 'A' + 10;
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            digit = c.unicode() - 'a' + 10;
        else
            return false;
        if (significant == 0 && digit == 0)
            continue; // leading zeros are free
        if (++significant > 8)
            return false;
        result = (result << 4) | quint32(digit);
    }
    if (value)
        *value = result;
    return true;
}
