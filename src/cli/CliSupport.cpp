#include "CliSupport.h"

#include "HexAddress.h"
#include "PortHelperBackend.h"
#include "VORTAN32.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>

void Fail(int status, const QString &line)
{
    throw TCliExit {status, line};
}

void Print(const QString &text, bool toStderr)
{
    std::FILE *stream = toStderr ? stderr : stdout;
    if ((std::fputs(text.toLocal8Bit().constData(), stream) >= 0 && std::fflush(stream) == 0) || toStderr)
        return;
    // Whoever closed the pipe has all they wanted: no message.
    const int error = errno;
    Fail(csNotKept,
        error == EPIPE
            ? QString()
            : QStringLiteral("cannot write to standard output: %1").arg(QString::fromLocal8Bit(strerror(error))));
}

QString MessageLine(const QString &line)
{
    QString text = line;
    // A word, not a name such as IRQ or RS-485.
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return QStringLiteral("zx-setup-cli: ") + text;
}

namespace {

// Stands before an argument while the parser is asked whether it took it as a value.
const QChar ValueProbe(0xE000);

bool LooksNegative(const QString &argument)
{
    return argument.size() > 1 && argument[0] == QLatin1Char('-') && argument[1].isDigit();
}

// The parser would take -20 for the options -2 and -0. Those that are no
// option's value go after "--", where they are positional arguments.
QStringList NegativesAsPositional(QCommandLineParser &parser, QStringList arguments)
{
    const QString dashes = QStringLiteral("--");
    const qsizetype end = arguments.contains(dashes) ? arguments.indexOf(dashes) : arguments.size();
    QStringList probe = arguments;
    bool any = false;
    for (qsizetype i = 0; i < end; ++i)
        if (LooksNegative(arguments[i])) {
            probe[i].prepend(ValueProbe);
            any = true;
        }
    if (!any)
        return arguments;
    parser.parse(QStringList {QStringLiteral("zx-setup-cli")} + probe);
    QStringList positional = parser.positionalArguments();
    QStringList moved;
    for (qsizetype i = end - 1; i >= 0; --i)
        if (probe[i] != arguments[i] && positional.removeOne(probe[i]))
            moved.prepend(arguments.takeAt(i));
    if (moved.isEmpty())
        return arguments;
    if (!arguments.contains(dashes))
        arguments << dashes;
    const qsizetype at = arguments.indexOf(dashes) + 1;
    for (qsizetype i = 0; i < moved.size(); ++i)
        arguments.insert(at + i, moved[i]);
    return arguments;
}

// How the user wrote an option the parser does not know.
QString UnknownOption(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1String("--"))) {
            const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
            if (unknown.contains(name))
                return QStringLiteral("--") + name;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            for (const QChar letter : argument.mid(1))
                if (unknown.contains(QString(letter)))
                    return QStringLiteral("-") + letter;
        }
    }
    const QString first = unknown.value(0);
    return (first.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + first;
}

} // namespace

void ParseCommand(
    QCommandLineParser &parser, const QString &command, const QStringList &arguments, const QString &syntax)
{
    // Not addHelpOption(): its --help-all offers GUI options this tool has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    parser.addOption(help);
    const QString see = QStringLiteral(" (see zx-setup-cli %1 --help)").arg(command);
    const QStringList words = NegativesAsPositional(parser, arguments);
    if (!parser.parse(QStringList {QStringLiteral("zx-setup-cli")} + words)) {
        if (!parser.unknownOptionNames().isEmpty())
            Fail(csUsage, QStringLiteral("%1 takes no option %2").arg(command, UnknownOption(parser, words)) + see);
        static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
        static const QRegularExpression unexpected(QStringLiteral("^Unexpected value after '(.*)'\\.$"));
        const QString error = parser.errorText();
        if (const QRegularExpressionMatch match = missing.match(error); match.hasMatch())
            Fail(csUsage, match.captured(1) + QStringLiteral(" needs a value") + see);
        if (const QRegularExpressionMatch match = unexpected.match(error); match.hasMatch())
            Fail(csUsage, match.captured(1).section(QLatin1Char('='), 0, 0) + QStringLiteral(" takes no value") + see);
        Fail(csUsage, error.chopped(error.endsWith(QLatin1Char('.')) ? 1 : 0) + see);
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser's usage line knows nothing of commands.
        text.replace(0, text.indexOf(QLatin1Char('\n')),
            QStringLiteral("Usage: zx-setup-cli %1 [options]%2").arg(command, syntax));
        Print(text);
        Fail(csDone, QString());
    }
    for (const QString &name : parser.optionNames())
        if (parser.values(name).size() > 1)
            Fail(csUsage,
                QStringLiteral("%1%2 is given more than once; give it once")
                    .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
}

QString Required(const QCommandLineParser &parser, const QString &command, const QString &option)
{
    if (!parser.isSet(option))
        Fail(csUsage, QStringLiteral("%1 needs --%2 (see zx-setup-cli %1 --help)").arg(command, option));
    return parser.value(option);
}

void NoPositional(const QCommandLineParser &parser, const QString &command)
{
    if (!parser.positionalArguments().isEmpty())
        Fail(csUsage,
            QStringLiteral("%1 takes no argument %2 (see zx-setup-cli %1 --help)")
                .arg(command, parser.positionalArguments().first()));
}

bool ParseHexArgument(const QString &text, quint32 *value)
{
    const bool prefixed = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    return ParseHexAddress(prefixed ? text.mid(2) : text, value);
}

quint32 ParseAddress(const QString &text)
{
    quint32 value = 0;
    if (!ParseHexArgument(text, &value))
        Fail(csUsage,
            QStringLiteral("%1 is not a control base address; addresses are hexadecimal, for example 300").arg(text));
    return value;
}

TBaseJumpers ParseControlBase(const QString &text)
{
    const TBaseJumpers jumpers(ParseAddress(text));
    if (jumpers.InSystemBoardRange())
        Fail(csUsage,
            QStringLiteral("the control base address %1 lies in the system board's I/O range (0 to FF), where the "
                           "card's registers cannot be reached without disturbing the computer: set the card's "
                           "address jumpers to 100 or above and give that address with --base")
                .arg(HexText(jumpers.Settable())));
    return jumpers;
}

std::array<quint32, TPortResources::PortCount> ParsePorts(const QString &text)
{
    const QStringList items = text.split(QLatin1Char(','));
    if (items.size() != TPortResources::PortCount)
        Fail(csUsage,
            QStringLiteral("--ports needs eight addresses, for ports A to H, separated by commas "
                           "(%1 given)")
                .arg(items.size()));
    std::array<quint32, TPortResources::PortCount> addresses {};
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        const QString item = items[port].trimmed();
        quint32 address = 0;
        if (!ParseHexArgument(item, &address) || !TPortResources::AddressUsable(address))
            Fail(csUsage,
                QStringLiteral("port %1: %2 is not a port address: choose 100 to 3F8 (hexadecimal) in steps of 8")
                    .arg(TPortResources::PortLetter(port))
                    .arg(item));
        addresses[port] = address;
    }
    return addresses;
}

quint32 ParseIrq(const QString &text)
{
    QStringList choices;
    for (const QString &item : TPortResources::IrqItems())
        choices << QString::number(TPortResources::IrqFromItem(item));
    const int irq = ParseSmallNumber(text);
    if (irq < 0 || !TPortResources::IrqUsable(quint32(irq)))
        Fail(csUsage,
            QStringLiteral("--irq %1 is not an IRQ the card offers: choose %2").arg(text, ChoiceList(choices)));
    return quint32(irq);
}

int ParseSmallNumber(const QString &text)
{
    bool digits = !text.isEmpty() && text.size() <= 3;
    for (const QChar c : text)
        digits = digits && c.isDigit() && c.unicode() < 128;
    return digits ? text.toInt() : -1;
}

int ParseChoice(const QString &option, const QString &text, const QStringList &choices)
{
    for (int i = 0; i < choices.size(); ++i)
        if (choices[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    Fail(csUsage, QStringLiteral("--%1 %2 is not a choice: choose %3").arg(option, text, ChoiceList(choices)));
}

QString ChoiceList(const QStringList &choices)
{
    if (choices.size() < 2)
        return choices.value(0);
    return choices.mid(0, choices.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + choices.last();
}

QString BaseLines(const TBaseJumpers &jumpers)
{
    const QString correction = jumpers.CorrectionText();
    return QStringLiteral("Control base address: ") + HexText(jumpers.Value()) + QLatin1Char('\n')
        + (correction.isEmpty() ? QString() : correction + QLatin1Char('\n'));
}

namespace {

// The arguments as a shell takes them back.
QString ShellWords(const QStringList &arguments)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_,./=:+-]+$"));
    QStringList words;
    for (const QString &argument : arguments)
        words << (plain.match(argument).hasMatch() ? argument
                                                   : QLatin1Char('\'')
                    + QString(argument).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\''));
    return words.join(QLatin1Char(' '));
}

TPortAccessConfig AccessConfig()
{
    TPortAccessConfig config;
    // The tool says why itself, once, as it exits.
    config.Report = nullptr;
    // Where pkexec has nobody to ask (no agent, no terminal), root needs none.
    config.NoAgentAdvice = QStringLiteral("To run it as root directly: sudo zx-setup-cli ")
        + ShellWords(QCoreApplication::arguments().mid(1));
#ifdef ZX_TEST_HOOKS
    // Only in the tool's test build: tests stand a program in for pkexec and
    // the helper, which keeps its settings in ZX_CARD_* variables, or a file
    // in for the device.
    const QString standIn = qEnvironmentVariable("ZX_CLI_PKEXEC");
    if (!standIn.isEmpty()) {
        config.DevicePath.clear();
        config.PkexecPath = standIn;
        config.HelperPath = standIn;
        config.StartTimeoutMs = 5000;
        for (const QString &name : QProcessEnvironment::systemEnvironment().keys())
            if (name.startsWith(QLatin1String("ZX_CARD_")))
                config.KeptVariables << name;
    }
    const QString device = qEnvironmentVariable("ZX_CLI_DEVICE");
    if (!device.isEmpty())
        config.DevicePath = device;
#endif
    return config;
}

} // namespace

void AcquireCardAccess()
{
    static TPortHelperBackend backend(AccessConfig());
    SetPortBackend(&backend);
    if (!AcquirePortAccess())
        FailNoAccess();
}

void FailNoAccess()
{
    const QString cause = PortAccessCause();
    Fail(csNoAccess,
        cause.isEmpty() ? QStringLiteral("no access to the card's I/O ports (no port driver and no "
                                         "port helper could be used)")
                        : QStringLiteral("no access to the card's I/O ports: ") + cause);
}
