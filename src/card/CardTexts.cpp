#include "CardTexts.h"

#include "HexAddress.h"

QString ConfirmationText()
{
    return QStringLiteral(
        "The setup program will now write the port resources. If they conflict with another device in your system, "
        "neither may function once the DF jumper is removed. Are you sure you want to use these resources?");
}

QString SuccessText()
{
    return QStringLiteral(
        "The resources have been written to the card. You will now need to shut down the stack, remove the DF jumper, "
        "and start back up. Your card will then be ready for use!");
}

QString VerificationFailedText(const QStringList &ports)
{
    return QStringLiteral("The card did not keep the addresses written for port(s) ") + ports.join(QStringLiteral(", "))
        + QStringLiteral(". Check the control base address and that the card is installed, then try again.");
}

QString WritesRefusedText(const QList<int> &registers)
{
    QStringList numbers;
    for (const int reg : registers)
        numbers << QString::number(reg);
    return QStringLiteral("The writes to control register(s) ") + numbers.join(QStringLiteral(", "))
        + QStringLiteral(" were refused, so the card may not hold the new resources. Check the control base address "
                         "and that the card is installed, then try again.");
}

QString NothingAnswersText(quint32 base)
{
    return QStringLiteral("No card answered at %1: every register read FF. Writing there may change another device.")
        .arg(HexText(base));
}

QString ConversionErrorText(const QString &text)
{
    return QLatin1Char('"') + text + QStringLiteral("\" is not a valid hexadecimal value.");
}

QString AddressNotUsableCaption()
{
    return QStringLiteral("Address Not Usable");
}

QString AddressNotUsableText(quint32 settable)
{
    return QStringLiteral("The control base address %1 lies in the system board's I/O range (0 to FF), where the "
                          "card's registers cannot be reached without disturbing the computer. Set the card's "
                          "address jumpers to 100 or above, enter that address under Settings | Base Address, and "
                          "try again.")
        .arg(HexText(settable));
}
