#include "TJumperSheet.h"

#include "CliSupport.h"
#include "HexAddress.h"
#include "JumperDrawing.h"

#include <QJsonArray>

namespace {

QList<TDrawnJumper> Drawn(const TOptionJumpers &options, const QList<TOptionJumpers::TJumper> &jumpers)
{
    QList<TDrawnJumper> drawn;
    for (const TOptionJumpers::TJumper jumper : jumpers)
        drawn.append({TOptionJumpers::Label(jumper), options.Installed(jumper)});
    return drawn;
}

QJsonArray JumpersJson(const QList<TDrawnJumper> &jumpers)
{
    QJsonArray array;
    for (const TDrawnJumper &jumper : jumpers)
        array.append(
            QJsonObject {{QStringLiteral("label"), jumper.Label}, {QStringLiteral("installed"), jumper.Installed}});
    return array;
}

const QList<TOptionJumpers::TJumper> PortGroup {
    TOptionJumpers::jpRS485, TOptionJumpers::jp422, TOptionJumpers::jpTLD, TOptionJumpers::jpRLD};

} // namespace

QStringList TJumperSheet::ProtocolWords()
{
    return {QStringLiteral("rs485"), QStringLiteral("rs422")};
}

QStringList TJumperSheet::TerminationWords()
{
    return {QStringLiteral("none"), QStringLiteral("transmit"), QStringLiteral("receive"), QStringLiteral("both")};
}

QStringList TJumperSheet::ClockWords()
{
    return {QStringLiteral("x1"), QStringLiteral("x8")};
}

QStringList TJumperSheet::ComPortsWords()
{
    return {QStringLiteral("enabled"), QStringLiteral("disabled")};
}

QString TJumperSheet::Text() const
{
    QStringList blocks;
    if (Address) {
        QString block = BaseLines(*Address)
            + QStringLiteral("The five jumpers A9 to A5 set the card's control base address.\n\n")
            + JumperDrawing(AddressJumpers(*Address));
        if (Address->InSystemBoardRange())
            block += QStringLiteral("\nThis address lies in the system board's I/O range (0 to FF): the card's "
                                    "registers cannot be read or written there.\n");
        blocks << block;
    }
    if (EachPort)
        blocks << QStringLiteral("Protocol: %1\nTermination: %2\n")
                      .arg(TOptionJumpers::ProtocolItems()[Options.Protocol],
                          TOptionJumpers::TerminationItems(Options.Protocol)[Options.Termination])
                + QStringLiteral("Every port A to H has these (x is its letter): the protocol and its termination.\n\n")
                + JumperDrawing(Drawn(Options, PortGroup));
    if (Clock)
        blocks << QStringLiteral("Baud clock: %1\n").arg(TOptionJumpers::ClockItems()[Options.Clock])
                + QStringLiteral("X4 CLK chooses the standard baud clock (X1) or the high-speed one (X8).\n\n")
                + JumperDrawing(Drawn(Options, {TOptionJumpers::jpClock}));
    if (ComPorts)
        blocks << QStringLiteral("COM ports: %1\n").arg(TOptionJumpers::ComPortsItems()[Options.ComPorts])
                + QStringLiteral("With DF installed the COM ports are off; only the control registers answer.\n\n")
                + JumperDrawing(Drawn(Options, {TOptionJumpers::jpDF}));
    return blocks.join(QLatin1Char('\n'));
}

QJsonObject TJumperSheet::Json() const
{
    QJsonObject sheet;
    if (Address)
        sheet.insert(QStringLiteral("address"),
            QJsonObject {{QStringLiteral("base"), HexText(Address->Value())},
                {QStringLiteral("actual"), HexText(Address->Settable())},
                {QStringLiteral("system_board_range"), Address->InSystemBoardRange()},
                {QStringLiteral("jumpers"), JumpersJson(AddressJumpers(*Address))}});
    if (EachPort)
        sheet.insert(QStringLiteral("each_port"),
            QJsonObject {{QStringLiteral("protocol"), ProtocolWords()[Options.Protocol]},
                {QStringLiteral("termination"), TerminationWords()[Options.Termination]},
                {QStringLiteral("jumpers"), JumpersJson(Drawn(Options, PortGroup))}});
    if (Clock)
        sheet.insert(QStringLiteral("clock"),
            QJsonObject {{QStringLiteral("clock"), ClockWords()[Options.Clock]},
                {QStringLiteral("jumpers"), JumpersJson(Drawn(Options, {TOptionJumpers::jpClock}))}});
    if (ComPorts)
        sheet.insert(QStringLiteral("com_ports"),
            QJsonObject {{QStringLiteral("com_ports"), ComPortsWords()[Options.ComPorts]},
                {QStringLiteral("jumpers"), JumpersJson(Drawn(Options, {TOptionJumpers::jpDF}))}});
    return sheet;
}
