#pragma once

#include <QString>
#include <QStringList>

// The card's options that jumpers set besides its control base address, and
// which jumpers each choice installs. Each option is numbered as the window's
// list numbers its items.
class TOptionJumpers
{
public:
    enum TProtocol { prRS485, prRS422 };
    // Bit 0 is the TLD jumper, bit 1 the RLD jumper.
    enum TTermination { tmNone, tmTransmit, tmReceive, tmBoth };
    enum TClock { ckX1, ckX8 };
    enum TComPorts { cpEnabled, cpDisabled };
    // RS485, x422, xTLD and xRLD come once for each port A to H.
    enum TJumper { jpRS485, jp422, jpTLD, jpRLD, jpClock, jpDF };

    // The labels the board and the window give the jumpers.
    static QString Label(TJumper jumper);

    static QStringList ProtocolItems();
    // The termination list's items: RS-485 has none or one, on TLD alone.
    static QStringList TerminationItems(TProtocol protocol);
    static bool Offers(TProtocol protocol, TTermination termination);
    static QStringList ClockItems();
    static QStringList ComPortsItems();

    // The window's first view.
    TProtocol Protocol = prRS485;
    TTermination Termination = tmNone;
    TClock Clock = ckX1;
    TComPorts ComPorts = cpEnabled;

    bool Installed(TJumper jumper) const;
};
