#include "TOptionJumpers.h"

QString TOptionJumpers::Label(TJumper jumper)
{
    switch (jumper) {
    case jpRS485:
        return QStringLiteral("RS485");
    case jp422:
        return QStringLiteral("x422");
    case jpTLD:
        return QStringLiteral("xTLD");
    case jpRLD:
        return QStringLiteral("xRLD");
    case jpClock:
        return QStringLiteral("X4 CLK");
    case jpDF:
        break;
    }
    return QStringLiteral("DF");
}

QStringList TOptionJumpers::ProtocolItems()
{
    return {QStringLiteral("RS-485"), QStringLiteral("RS-422")};
}

QStringList TOptionJumpers::TerminationItems(TProtocol protocol)
{
    if (protocol == prRS422)
        return {QStringLiteral("No Termination"), QStringLiteral("Terminate Transmit"),
            QStringLiteral("Terminate Receive"), QStringLiteral("Terminate Both")};
    return {QStringLiteral("No Termination"), QStringLiteral("Termination")};
}

bool TOptionJumpers::Offers(TProtocol protocol, TTermination termination)
{
    return termination >= 0 && termination < TerminationItems(protocol).size();
}

QStringList TOptionJumpers::ClockItems()
{
    return {QStringLiteral("X1 (up to 115,200 baud)"), QStringLiteral("X8 (up to 921,600 baud)")};
}

QStringList TOptionJumpers::ComPortsItems()
{
    return {QStringLiteral("Enable Ports"), QStringLiteral("Disable Ports")};
}

bool TOptionJumpers::Installed(TJumper jumper) const
{
    switch (jumper) {
    case jpRS485:
        return Protocol == prRS485;
    case jp422:
        return Protocol == prRS422;
    case jpTLD:
        return Termination & tmTransmit;
    case jpRLD:
        // Under RS-485 termination is TLD alone.
        return Protocol == prRS422 && (Termination & tmReceive);
    case jpClock:
        return Clock == ckX8;
    case jpDF:
        // Installed, it disables the COM ports and leaves the control registers.
        return ComPorts == cpDisabled;
    }
    return false;
}
