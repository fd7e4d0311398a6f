#include "Commands.h"

#include "CardTexts.h"
#include "CliSupport.h"
#include "HexAddress.h"
#include "JumperDrawing.h"
#include "TControlRegisters.h"
#include "TKernelTtys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <unistd.h>

namespace {

using TAddresses = std::array<quint32, TPortResources::PortCount>;

const QCommandLineOption JsonOption(QStringLiteral("json"), QStringLiteral("Print the result as JSON."));
const QCommandLineOption BaseOption(QStringLiteral("base"),
    QStringLiteral("The card's control base address in hexadecimal, as set by its jumpers."),
    QStringLiteral("ADDRESS"));
const QCommandLineOption PortsOption(QStringLiteral("ports"),
    QStringLiteral("The I/O addresses of ports A to H in hexadecimal, separated by commas: 100 to 3F8 in steps "
                   "of 8."),
    QStringLiteral("P1,...,P8"));
const QCommandLineOption IrqOption(QStringLiteral("irq"),
    QStringLiteral("The IRQ of all eight ports: 2, 3, 4, 5, 6, 7, 10, 11, 12 or 15."), QStringLiteral("IRQ"));

void PrintJson(const QJsonObject &object)
{
    Print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

QJsonArray PortsJson(const TAddresses &addresses)
{
    QJsonArray ports;
    for (int port = 0; port < TPortResources::PortCount; ++port)
        ports.append(QJsonObject {{QStringLiteral("port"), QString(TPortResources::PortLetter(port))},
            {QStringLiteral("address"), PortAddressText(addresses[port])}});
    return ports;
}

QString PortTable(const TAddresses &addresses)
{
    QString table = QStringLiteral("Port  I/O address\n");
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        table
            += QStringLiteral("%1     %2").arg(TPortResources::PortLetter(port)).arg(PortAddressText(addresses[port]));
        if (!TPortResources::AddressUsable(addresses[port]))
            table += QStringLiteral("   not a port address (100 to 3F8)");
        table += QLatin1Char('\n');
    }
    return table;
}

// An absent card reads FF from every register.
QString CardQuestion(quint16 base)
{
    return QStringLiteral("is the card at control base address %1, with its DF jumper installed?").arg(HexText(base));
}

// Registers 1 to 8 of the card, as port addresses.
TAddresses ReadPorts(quint16 base)
{
    AcquireCardAccess();
    TControlRegisters registers(base);
    const TAddresses addresses = registers.PortAddresses();
    if (registers.AccessLost())
        FailNoAccess();
    return addresses;
}

// y or yes from a terminal; anything else, end of input included, is no.
// The question goes where a redirected output cannot hide it.
bool Confirmed()
{
    Print(ConfirmationText() + QStringLiteral("\nWrite these resources to the card? [y/N] "), true);
    char answer[64] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    const QString text = QString::fromLocal8Bit(answer).trimmed().toLower();
    return text == QLatin1String("y") || text == QLatin1String("yes");
}

} // namespace

int JumpersCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows how to set the card's five address jumpers A9 to A5 "
                                                    "for a control base address.\nTouches no port."));
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
        QStringLiteral("The control base address in "
                       "hexadecimal, for example 300."));
    ParseCommand(parser, QStringLiteral("jumpers"), arguments, QStringLiteral(" ADDRESS"));
    if (parser.positionalArguments().size() != 1)
        Fail(csUsage, QStringLiteral("jumpers needs one ADDRESS (see zx-setup-cli jumpers --help)"));
    const TBaseJumpers jumpers(ParseAddress(parser.positionalArguments().first()));
    QString text = BaseLines(jumpers) + QLatin1Char('\n') + JumperDrawing(jumpers);
    if (jumpers.InSystemBoardRange())
        text += QStringLiteral("\nThis address lies in the system board's I/O range (0 to FF): the card's registers "
                               "cannot be read or written there.\n");
    Print(text);
    return csDone;
}

int ReadCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reads the I/O addresses of the card's ports A to H from its "
                                                    "control registers 1 to 8.\nReading writes each register's "
                                                    "number to the index port (control base address + 1)."));
    parser.addOptions({BaseOption, JsonOption});
    ParseCommand(parser, QStringLiteral("read"), arguments);
    NoPositional(parser, QStringLiteral("read"));
    const TBaseJumpers jumpers = ParseControlBase(Required(parser, QStringLiteral("read"), BaseOption.names().first()));
    const quint16 base = quint16(jumpers.Settable());

    const TAddresses addresses = ReadPorts(base);
    if (parser.isSet(JsonOption))
        PrintJson({{QStringLiteral("base"), HexText(base)}, {QStringLiteral("ports"), PortsJson(addresses)}});
    else
        Print(BaseLines(jumpers) + PortTable(addresses));
    for (const quint32 address : addresses)
        if (!TPortResources::AddressUsable(address)) {
            Print(QStringLiteral("zx-setup-cli: not every port has a port address: ") + CardQuestion(base)
                    + QLatin1Char('\n'),
                true);
            break;
        }
    return csDone;
}

int WriteCommand(const QStringList &arguments)
{
    const QCommandLineOption yes({QStringLiteral("y"), QStringLiteral("yes")},
        QStringLiteral("Write without asking; needed when standard input is not a terminal."));
    const QCommandLineOption force(QStringLiteral("force"),
        QStringLiteral("Write even when no card answers at the base (registers 1 to 8 all read FF)."));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads the card's control registers 1 to 8, writes the I/O addresses of ports A to H\n"
                       "and their IRQ into registers 0 to 12, 10 ms apart, then reads registers 1 to 8 back."));
    parser.addOptions({BaseOption, PortsOption, IrqOption, yes, force, JsonOption});
    ParseCommand(parser, QStringLiteral("write"), arguments);
    NoPositional(parser, QStringLiteral("write"));
    const QString baseText = Required(parser, QStringLiteral("write"), BaseOption.names().first());
    const QString portsText = Required(parser, QStringLiteral("write"), PortsOption.names().first());
    const QString irqText = Required(parser, QStringLiteral("write"), IrqOption.names().first());
    const TBaseJumpers jumpers = ParseControlBase(baseText);
    const quint16 base = quint16(jumpers.Settable());
    TPortResources resources;
    resources.Addresses = ParsePorts(portsText);
    resources.Irq = ParseIrq(irqText);
    const bool json = parser.isSet(JsonOption);
    const bool ask = !parser.isSet(yes);
    if (ask && !isatty(STDIN_FILENO))
        Fail(csUsage, QStringLiteral("standard input is not a terminal: add --yes to write without being asked"));

    // JSON keeps standard output to itself; the summary then only goes with a question.
    if (ask || !json)
        Print(BaseLines(jumpers) + PortTable(resources.Addresses) + QStringLiteral("IRQ   %1\n").arg(resources.Irq),
            json);
    if (ask && !Confirmed())
        Fail(csCancelled, QStringLiteral("cancelled; nothing was written"));

    AcquireCardAccess();
    TControlRegisters registers(base);
    // Read before the pacing starts (a helper's first answer is its slowest,
    // and must not shorten the first gap): an index byte written where no
    // card is may reach another device's register.
    const bool nothingAnswers = registers.NothingAnswers();
    if (registers.AccessLost())
        FailNoAccess();
    if (nothingAnswers && !parser.isSet(force))
        Fail(csNotKept,
            NothingAnswersText(base)
                + QStringLiteral(" Nothing was written: check the control base address, or add --force to write "
                                 "anyway."));
    if (nothingAnswers)
        Print(QStringLiteral("zx-setup-cli: ") + NothingAnswersText(base) + QStringLiteral(" Writing anyway.\n"), true);
    const TRegisterValues values = resources.RegisterValues();
    registers.WriteAll(values);
    const QStringList lost = registers.LostPorts(values);
    if (registers.AccessLost())
        FailNoAccess();
    QJsonArray refused;
    for (const int reg : registers.RefusedWrites())
        refused.append(reg);
    if (json)
        PrintJson({{QStringLiteral("base"), HexText(base)}, {QStringLiteral("ports"), PortsJson(resources.Addresses)},
            {QStringLiteral("irq"), int(resources.Irq)}, {QStringLiteral("kept"), lost.isEmpty() && refused.isEmpty()},
            {QStringLiteral("lost"), QJsonArray::fromStringList(lost)}, {QStringLiteral("refused"), refused}});
    // The read-back sees registers 1 to 8 only: a refused IRQ would pass it.
    if (!refused.isEmpty())
        Fail(csNotKept, WritesRefusedText(registers.RefusedWrites()));
    if (!lost.isEmpty())
        Fail(csNotKept, VerificationFailedText(lost));
    if (!json)
        Print(SuccessText() + QLatin1Char('\n'));
    return csDone;
}

namespace {

// The UART types setserial knows, spelt as it spells them.
const QStringList UartTypes {QStringLiteral("8250"), QStringLiteral("16450"), QStringLiteral("16550"),
    QStringLiteral("16550A"), QStringLiteral("16650"), QStringLiteral("16650V2"), QStringLiteral("16654"),
    QStringLiteral("16750"), QStringLiteral("16850"), QStringLiteral("16950"), QStringLiteral("16954")};
constexpr int MaxFirstTty = 248;

QString ParseUart(const QString &text)
{
    for (const QString &type : UartTypes)
        if (type.compare(text, Qt::CaseInsensitive) == 0)
            return type;
    Fail(csUsage,
        QStringLiteral("--uart \"%1\" is not a UART type setserial knows: choose %2")
            .arg(text, UartTypes.join(QStringLiteral(", "))));
}

int ParseFirstTty(const QString &text)
{
    const int first = ParseSmallNumber(text);
    if (first < 0 || first > MaxFirstTty)
        Fail(
            csUsage, QStringLiteral("--first-tty \"%1\" is not a line number from 0 to %2").arg(text).arg(MaxFirstTty));
    return first;
}

QString TtyName(int index)
{
    return QStringLiteral("ttyS%1").arg(index);
}

} // namespace

int LinuxCommand(const QStringList &arguments)
{
    const QCommandLineOption firstTty(QStringLiteral("first-tty"),
        QStringLiteral("The line of port A: ttyS<N>, the others follow (default 4, after the four standard COM "
                       "ports)."),
        QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption uart(QStringLiteral("uart"),
        QStringLiteral("The UART type for setserial (default 16550A)."), QStringLiteral("TYPE"),
        QStringLiteral("16550A"));
    QString sysfsDir = QStringLiteral("/sys/class/tty");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the setserial lines that tell the kernel's serial driver where the card's\n"
                       "eight ports are, and compares them with the serial lines the kernel has now.\n"
                       "The ports are read from the card (--base) or given (--ports); the IRQ is always\n"
                       "given."));
    parser.addOptions({BaseOption, PortsOption, IrqOption, firstTty, uart, JsonOption});
#ifdef ZX_TEST_HOOKS
    // Points the comparison at a fake tree.
    QCommandLineOption sysfs(QStringLiteral("sysfs"), QStringLiteral("Test only."), QStringLiteral("DIR"));
    sysfs.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(sysfs);
#endif
    ParseCommand(parser, QStringLiteral("linux"), arguments);
#ifdef ZX_TEST_HOOKS
    if (parser.isSet(sysfs))
        sysfsDir = parser.value(sysfs);
#endif
    NoPositional(parser, QStringLiteral("linux"));
    if (parser.isSet(BaseOption) == parser.isSet(PortsOption))
        Fail(csUsage, QStringLiteral("linux needs either --base or --ports (see zx-setup-cli linux --help)"));
    const QString irqText = Required(parser, QStringLiteral("linux"), IrqOption.names().first());
    TBaseJumpers jumpers(0);
    TAddresses addresses {};
    if (parser.isSet(BaseOption))
        jumpers = ParseControlBase(parser.value(BaseOption));
    else
        addresses = ParsePorts(parser.value(PortsOption));
    const quint16 base = quint16(jumpers.Settable());
    const quint32 irq = ParseIrq(irqText);
    const int first = ParseFirstTty(parser.value(firstTty));
    const QString uartType = ParseUart(parser.value(uart));

    QString text;
    if (parser.isSet(BaseOption)) {
        addresses = ReadPorts(base);
        for (int port = 0; port < TPortResources::PortCount; ++port)
            if (!TPortResources::AddressUsable(addresses[port]))
                Fail(csNotKept,
                    QStringLiteral("port %1 reads %2, which is not a port address (100 to 3F8): ")
                            .arg(TPortResources::PortLetter(port))
                            .arg(PortAddressText(addresses[port]))
                        + CardQuestion(base));
        text += BaseLines(jumpers);
    }

    TKernelTtys kernel;
    const bool known = kernel.Load(sysfsDir);
    QJsonArray portsJson;
    QString table = QStringLiteral("Port  Address  Line    The kernel now\n");
    QString lines, busy;
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        const QString tty = TtyName(first + port);
        const QString line = QStringLiteral("/dev/%1 port 0x%2 irq %3 uart %4")
                                 .arg(tty, PortAddressText(addresses[port]))
                                 .arg(irq)
                                 .arg(uartType);
        const TKernelTtys::TTty *now = kernel.At(addresses[port]);
        table += QStringLiteral("%1     %2      %3 %4\n")
                     .arg(TPortResources::PortLetter(port))
                     .arg(PortAddressText(addresses[port]), tty.leftJustified(7),
                         !known    ? QStringLiteral("unknown (%1 cannot be read)").arg(sysfsDir)
                             : now ? QStringLiteral("%1 (irq %2)").arg(TtyName(now->Index)).arg(now->Irq)
                                   : QStringLiteral("not known to the kernel"));
        lines += line + QLatin1Char('\n');
        for (const TKernelTtys::TTty &other : kernel.Ttys())
            if (other.Index == first + port && other.Port != 0 && other.Port != addresses[port])
                busy += QStringLiteral("%1 has a UART at %2 now; the line for port %3 moves it to %4.\n")
                            .arg(tty, PortAddressText(other.Port), QString(TPortResources::PortLetter(port)),
                                PortAddressText(addresses[port]));
        portsJson.append(QJsonObject {{QStringLiteral("port"), QString(TPortResources::PortLetter(port))},
            {QStringLiteral("address"), PortAddressText(addresses[port])}, {QStringLiteral("tty"), tty},
            {QStringLiteral("line"), line},
            {QStringLiteral("kernel_tty"), now ? QJsonValue(TtyName(now->Index)) : QJsonValue()},
            {QStringLiteral("kernel_irq"), now ? QJsonValue(now->Irq) : QJsonValue()}});
    }

    bool enough = true;
    for (int index = first; index < first + TPortResources::PortCount; ++index)
        enough = enough && kernel.Has(index);
    const int needed = first + TPortResources::PortCount;
    QString advice;
    if (known && !enough) {
        const int count = int(kernel.Ttys().size());
        advice = QStringLiteral("The kernel has %1 serial line(s)%2; %3 to %4 need %5. Add the kernel "
                                "parameter 8250.nr_uarts=%5 to the kernel command line (on Debian: "
                                "GRUB_CMDLINE_LINUX in /etc/default/grub, then update-grub) and restart.\n")
                     .arg(count)
                     .arg(count == 0 ? QString()
                             : count == 1
                             ? QStringLiteral(", ") + TtyName(kernel.Ttys().first().Index)
                             : QStringLiteral(", %1 to %2")
                                   .arg(TtyName(kernel.Ttys().first().Index), TtyName(kernel.Ttys().last().Index)))
                     .arg(TtyName(first), TtyName(needed - 1))
                     .arg(needed);
    }

    if (parser.isSet(JsonOption)) {
        QJsonObject result {{QStringLiteral("irq"), int(irq)}, {QStringLiteral("uart"), uartType},
            {QStringLiteral("first_tty"), first}, {QStringLiteral("ports"), portsJson},
            {QStringLiteral("kernel_known"), known},
            {QStringLiteral("kernel_lines"), known ? QJsonValue(int(kernel.Ttys().size())) : QJsonValue()},
            {QStringLiteral("nr_uarts"), known && !enough ? QJsonValue(needed) : QJsonValue()}};
        if (parser.isSet(BaseOption))
            result.insert(QStringLiteral("base"), HexText(base));
        PrintJson(result);
        return csDone;
    }
    text += table + QStringLiteral("\nLines for setserial (as root, run setserial with each line):\n") + lines;
    if (!busy.isEmpty() || !advice.isEmpty())
        text += QLatin1Char('\n') + busy + advice;
    Print(text);
    return csDone;
}
