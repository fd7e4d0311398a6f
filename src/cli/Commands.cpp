#include "Commands.h"

#include "CardTexts.h"
#include "CliSupport.h"
#include "HexAddress.h"
#include "SerialPlanJson.h"
#include "SerialTexts.h"
#include "TControlRegisters.h"
#include "TJumperSheet.h"
#include "TKernelView.h"
#include "TResourceConflicts.h"
#include "TSerialApply.h"
#include "TSerialPlan.h"
#include "VORTAN32.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
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

#ifdef ZX_TEST_HOOKS
const QCommandLineOption SystemRootOption = [] {
    QCommandLineOption option(QStringLiteral("system-root"), QStringLiteral("Test only."), QStringLiteral("DIR"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}();
#endif

// The files the kernel shows are read below this root; tests point it at a fake tree.
void AddSystemRoot(QCommandLineParser &parser)
{
#ifdef ZX_TEST_HOOKS
    parser.addOption(SystemRootOption);
#else
    Q_UNUSED(parser);
#endif
}

QString SystemRoot(const QCommandLineParser &parser)
{
#ifdef ZX_TEST_HOOKS
    if (parser.isSet(SystemRootOption))
        return parser.value(SystemRootOption);
#else
    Q_UNUSED(parser);
#endif
    return QStringLiteral("/");
}

// A sentence of the card core as one of the tool's lines, which end without
// a full stop; MessageLine lowers its first word.
QString ToolLine(QString sentence)
{
    if (sentence.endsWith(QLatin1Char('.')))
        sentence.chop(1);
    return sentence;
}

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
    const QCommandLineOption protocol(
        QStringLiteral("protocol"), QStringLiteral("The ports' protocol: rs485 or rs422."), QStringLiteral("PROTOCOL"));
    const QCommandLineOption termination(QStringLiteral("termination"),
        QStringLiteral("The ports' termination: none, transmit, receive or both; under RS-485 none or transmit."),
        QStringLiteral("LOAD"));
    const QCommandLineOption clock(QStringLiteral("clock"),
        QStringLiteral("The baud clock: x1 (up to 115,200 baud) or x8 (up to 921,600 baud)."), QStringLiteral("CLOCK"));
    const QCommandLineOption comPorts(QStringLiteral("com-ports"),
        QStringLiteral("The COM ports: enabled, or disabled by the DF jumper, as read and write need."),
        QStringLiteral("STATE"));
    const QCommandLineOption all(QStringLiteral("all"),
        QStringLiteral("Every block; what is not given as the window first shows it: address 300, rs485, none, x1, "
                       "enabled."));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows how to set the card's jumpers: the address jumpers A9 to A5 for a control\n"
                       "base address, and for each option given its block: the protocol and termination\n"
                       "jumpers every port has, the baud clock jumper X4 CLK or the DF jumper.\n"
                       "Touches no port."));
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
        QStringLiteral("The control base address in hexadecimal, for example 300."), QStringLiteral("[ADDRESS]"));
    parser.addOptions({protocol, termination, clock, comPorts, all, JsonOption});
    ParseCommand(parser, QStringLiteral("jumpers"), arguments, QStringLiteral(" [ADDRESS]"));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        Fail(csUsage,
            QStringLiteral("jumpers takes one ADDRESS; %1 is one too many (see zx-setup-cli jumpers --help)")
                .arg(positional[1]));

    TJumperSheet sheet;
    const bool everything = parser.isSet(all);
    sheet.EachPort = everything || parser.isSet(protocol) || parser.isSet(termination);
    sheet.Clock = everything || parser.isSet(clock);
    sheet.ComPorts = everything || parser.isSet(comPorts);
    if (!positional.isEmpty())
        sheet.Address = TBaseJumpers(ParseAddress(positional.first()));
    else if (everything)
        sheet.Address = TBaseJumpers(0x300);
    else if (!sheet.EachPort && !sheet.Clock && !sheet.ComPorts)
        Fail(csUsage, QStringLiteral("jumpers needs an ADDRESS, an option or --all (see zx-setup-cli jumpers --help)"));
    TOptionJumpers &options = sheet.Options;
    if (parser.isSet(protocol))
        options.Protocol = TOptionJumpers::TProtocol(
            ParseChoice(QStringLiteral("protocol"), parser.value(protocol), TJumperSheet::ProtocolWords()));
    if (parser.isSet(termination)) {
        const QStringList words = TJumperSheet::TerminationWords();
        const auto chosen = TOptionJumpers::TTermination(
            ParseChoice(QStringLiteral("termination"), parser.value(termination), words));
        if (!TOptionJumpers::Offers(options.Protocol, chosen))
            Fail(csUsage,
                QStringLiteral("--termination %1 needs --protocol rs422: RS-485 offers %2 (under RS-485 "
                               "\"Termination\" is TLD alone)")
                    .arg(parser.value(termination),
                        ChoiceList(words.mid(0, TOptionJumpers::TerminationItems(options.Protocol).size()))));
        options.Termination = chosen;
    }
    if (parser.isSet(clock))
        options.Clock = TOptionJumpers::TClock(
            ParseChoice(QStringLiteral("clock"), parser.value(clock), TJumperSheet::ClockWords()));
    if (parser.isSet(comPorts))
        options.ComPorts = TOptionJumpers::TComPorts(
            ParseChoice(QStringLiteral("com-ports"), parser.value(comPorts), TJumperSheet::ComPortsWords()));

    if (parser.isSet(JsonOption))
        PrintJson(sheet.Json());
    else
        Print(sheet.Text());
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
    // Every register FF: nothing drives the data port at this base.
    const bool answers = std::any_of(addresses.begin(), addresses.end(), [](quint32 a) { return a != 0xFF * 8; });
    if (parser.isSet(JsonOption))
        PrintJson({{QStringLiteral("base"), HexText(base)}, {QStringLiteral("ports"), PortsJson(addresses)},
            {QStringLiteral("card_answers"), answers}});
    else
        Print(BaseLines(jumpers) + PortTable(addresses));
    const QString question = QStringLiteral("not every port has a port address: ") + CardQuestion(base);
    if (!answers)
        Fail(csNotKept, question);
    if (!std::all_of(addresses.begin(), addresses.end(), TPortResources::AddressUsable))
        Print(MessageLine(question) + QLatin1Char('\n'), true);
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
    AddSystemRoot(parser);
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
    TSerialRequest request;
    request.Addresses = resources.Addresses;
    request.Irq = resources.Irq;
    request.ControlBase = base;
    TKernelView kernel;
    kernel.Load(SystemRoot(parser));
    const TResourceConflicts conflicts = TResourceConflicts::Check(TSerialPlan::Make(request, kernel), kernel);
    if (conflicts.Refused())
        Fail(csUsage, ToolLine(conflicts.RefusalText()));
    const bool json = parser.isSet(JsonOption);
    const bool ask = !parser.isSet(yes);
    if (ask && !isatty(STDIN_FILENO))
        Fail(csUsage, QStringLiteral("standard input is not a terminal: add --yes to write without being asked"));

    // The password, when one is asked, comes before the question: a yes must not end in no access.
    AcquireCardAccess();
    // JSON keeps standard output to itself; the summary then only goes with a question.
    if (ask || !json)
        Print(BaseLines(jumpers) + PortTable(resources.Addresses) + QStringLiteral("IRQ   %1\n").arg(resources.Irq),
            json);
    // Before the question, and whenever something was found.
    if (ask || !conflicts.Warnings().isEmpty())
        Print(conflicts.WarningsText() + QLatin1Char('\n'), true);
    if (ask && !Confirmed())
        Fail(csCancelled, QStringLiteral("cancelled; nothing was written"));

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
        Print(MessageLine(NothingAnswersText(base) + QStringLiteral(" Writing anyway.")) + QLatin1Char('\n'), true);
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
            {QStringLiteral("lost"), QJsonArray::fromStringList(lost)}, {QStringLiteral("refused"), refused},
            {QStringLiteral("warnings"), QJsonArray::fromStringList(conflicts.Warnings())}});
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

// What the kernel found on each line after --apply.
QString AppliedText(const TSerialPlan &plan, const QList<TSerialApply::TResult> &results)
{
    QString text = QStringLiteral("Port  Address  Line    The kernel found\n");
    QStringList refusals;
    bool silent = false;
    for (int i = 0; i < plan.Lines.size(); ++i) {
        const TSerialPlan::TLine &line = plan.Lines[i];
        const TSerialApply::TResult &result = results[i];
        QString found = TKernelTtys::TypeName(result.TypeAfter);
        if (result.Error) {
            found = QStringLiteral("refused");
            refusals << result.Refusal;
        } else if (result.TypeAfter == 0) {
            found = QStringLiteral("nothing answers at ") + PortAddressText(line.Address);
            silent = true;
        }
        text += QStringLiteral("%1     %2      %3 %4\n")
                    .arg(line.Port)
                    .arg(PortAddressText(line.Address), TKernelTtys::Name(line.Tty).leftJustified(7), found);
    }
    if (silent)
        text += SilentUartCausesText() + QLatin1Char('\n');
    for (const QString &refusal : refusals) {
        QString sentence = refusal;
        sentence[0] = sentence[0].toUpper();
        text += sentence + QStringLiteral(".\n");
    }
    return text;
}

// --apply: the plan told to the kernel at once.
int ApplyPlan(const TSerialPlan &plan, const TResourceConflicts &conflicts, const TKernelView &kernel, bool json,
    const QString &prefix, const QJsonObject &extra)
{
    if (::geteuid() != 0)
        Fail(csNoAccess,
            QStringLiteral("--apply needs root, since the kernel lets only root move a serial line: sudo %1")
                .arg(plan.ToolCommand(QStringLiteral("--apply"))));
    if (plan.NrUarts) {
        QJsonObject object = SerialPlanJson(plan, conflicts);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            object.insert(it.key(), it.value());
        if (json)
            PrintJson(object);
        else
            Print(prefix + MissingLinesText(plan) + QLatin1Char('\n'));
        Fail(csNoAccess,
            plan.BeyondLimit ? QStringLiteral("the kernel cannot have the lines these ports need")
                             : QStringLiteral("the kernel lacks serial lines: set 8250.nr_uarts=%1 and restart first")
                                   .arg(plan.NrUarts));
    }
    const QList<TSerialApply::TResult> results = TSerialApply::Apply(plan, kernel);
    QString refusal;
    bool silent = false;
    for (const TSerialApply::TResult &result : results) {
        if (result.Error && refusal.isEmpty())
            refusal = result.Refusal;
        silent = silent || (!result.Error && result.TypeAfter == 0);
    }
    if (json) {
        QJsonObject object = SerialPlanJson(plan, conflicts, results);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            object.insert(it.key(), it.value());
        object.insert(QStringLiteral("applied"), true);
        PrintJson(object);
    } else {
        QStringList parts {LockdownText(plan), conflicts.WarningsText(), PlanNotesText(plan),
            AppliedText(plan, results), CheckText(plan), KeepText(plan)};
        parts.removeAll(QString());
        QString text = prefix;
        for (const QString &part : parts)
            text += part + (part.endsWith(QLatin1Char('\n')) ? QStringLiteral("\n") : QStringLiteral("\n\n"));
        text.chop(1);
        Print(text);
    }
    if (!refusal.isEmpty())
        Fail(csNoAccess, refusal);
    return silent ? csNotKept : csDone;
}

} // namespace

int LinuxCommand(const QStringList &arguments)
{
    const QCommandLineOption clock(QStringLiteral("clock"),
        QStringLiteral("The card's baud clock: x1 (up to 115,200 baud, the default) or x8 (up to 921,600 baud, the "
                       "X4 CLK jumper fitted)."),
        QStringLiteral("x1|x8"), QStringLiteral("x1"));
    const QCommandLineOption firstTty(QStringLiteral("first-tty"),
        QStringLiteral("The first line the ports may take: ttyS<N> (default 4, after the four standard COM ports); "
                       "lines that hold a UART or the console are passed over."),
        QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption uart(QStringLiteral("uart"),
        QStringLiteral("Tell the kernel this UART type instead of letting it probe each address (autoconfig)."),
        QStringLiteral("TYPE"));
    const QCommandLineOption force(
        QStringLiteral("force"), QStringLiteral("Take lines that hold a UART or the console too."));
    const QCommandLineOption apply(QStringLiteral("apply"),
        QStringLiteral("Tell the kernel now, as root, and report what answers at each address."));
    const QCommandLineOption serialConf(QStringLiteral("serial-conf"),
        QStringLiteral("Print the lines for /etc/serial.conf, which keep the settings across restarts."));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints how to tell the kernel's serial driver where the card's eight ports are: a\n"
                       "free ttyS line for each, the complete setserial commands, and what to check first.\n"
                       "The ports are read from the card (--base) or given (--ports); the IRQ is always\n"
                       "given. With --apply the exit status is 0 when every port answered, 1 when some\n"
                       "did not, 3 when not root or the kernel refused."));
    parser.addOptions(
        {BaseOption, PortsOption, IrqOption, clock, firstTty, uart, force, apply, serialConf, JsonOption});
    AddSystemRoot(parser);
    ParseCommand(parser, QStringLiteral("linux"), arguments);
    NoPositional(parser, QStringLiteral("linux"));
    if (parser.isSet(BaseOption) == parser.isSet(PortsOption))
        Fail(csUsage, QStringLiteral("linux needs either --base or --ports (see zx-setup-cli linux --help)"));
    if (parser.isSet(apply) && parser.isSet(serialConf))
        Fail(csUsage, QStringLiteral("linux takes --apply or --serial-conf, not both (see zx-setup-cli linux --help)"));
    const QString irqText = Required(parser, QStringLiteral("linux"), IrqOption.names().first());
    TBaseJumpers jumpers(0);
    TSerialRequest request;
    if (parser.isSet(BaseOption))
        jumpers = ParseControlBase(parser.value(BaseOption));
    else
        request.Addresses = ParsePorts(parser.value(PortsOption));
    const quint16 base = quint16(jumpers.Settable());
    request.Irq = ParseIrq(irqText);
    request.Clock
        = TOptionJumpers::TClock(ParseChoice(QStringLiteral("clock"), parser.value(clock), TJumperSheet::ClockWords()));
    request.FirstTty = ParseFirstTty(parser.value(firstTty));
    if (parser.isSet(uart))
        request.Uart = ParseUart(parser.value(uart));
    request.Force = parser.isSet(force);
    const bool json = parser.isSet(JsonOption);

    QString prefix;
    if (parser.isSet(BaseOption)) {
        request.Addresses = ReadPorts(base);
        for (int port = 0; port < TPortResources::PortCount; ++port)
            if (!TPortResources::AddressUsable(request.Addresses[port]))
                Fail(csNotKept,
                    QStringLiteral("port %1 reads %2, which is not a port address (100 to 3F8): ")
                            .arg(TPortResources::PortLetter(port))
                            .arg(PortAddressText(request.Addresses[port]))
                        + CardQuestion(base));
        request.ControlBase = base;
        prefix = BaseLines(jumpers);
    }

    TKernelView kernel;
    kernel.Load(SystemRoot(parser));
    const TSerialPlan plan = TSerialPlan::Make(request, kernel);
    const TResourceConflicts conflicts = TResourceConflicts::Check(plan, kernel);
    QJsonObject extra;
    if (parser.isSet(BaseOption))
        extra.insert(QStringLiteral("base"), HexText(base));
    const auto jsonResult = [&] {
        QJsonObject result = SerialPlanJson(plan, conflicts);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            result.insert(it.key(), it.value());
        return result;
    };
    if (conflicts.Refused()) {
        if (json)
            PrintJson(jsonResult());
        Fail(csUsage, ToolLine(conflicts.RefusalText()));
    }
    if (parser.isSet(apply))
        return ApplyPlan(plan, conflicts, kernel, json, prefix, extra);
    if (json) {
        PrintJson(jsonResult());
        return csDone;
    }
    if (parser.isSet(serialConf)) {
        Print(SerialConfText(plan));
        // The lines exist only with the kernel parameter: it goes with the file.
        const QString missing = MissingLinesText(plan);
        Print((missing.isEmpty() ? QString() : missing + QLatin1Char('\n')) + SerialConfInstallText(plan), true);
        return csDone;
    }
    Print(prefix + SerialStepText(plan, conflicts));
    return csDone;
}
