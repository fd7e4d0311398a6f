#include "CliSupport.h"

#include "CardTexts.h"
#include "HexAddress.h"
#include "PortHelperBackend.h"
#include "VORTAN32.h"

#include <QProcessEnvironment>

#include <cstdio>

void Fail(int status, const QString &line)
{
    throw TCliExit {status, line};
}

void Print(const QString &text, bool toStderr)
{
    std::FILE *stream = toStderr ? stderr : stdout;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void ParseCommand(
    QCommandLineParser &parser, const QString &command, const QStringList &arguments, const QString &syntax)
{
    // Not addHelpOption(): its --help-all offers GUI options this tool has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    parser.addOption(help);
    if (!parser.parse(QStringList {QStringLiteral("zx-setup-cli")} + arguments)) {
        QString error = parser.errorText();
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        Fail(csUsage, QStringLiteral("%1 (see zx-setup-cli %2 --help)").arg(error, command));
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser's usage line knows nothing of commands.
        text.replace(0, text.indexOf(QLatin1Char('\n')),
            QStringLiteral("Usage: zx-setup-cli %1 [options]%2").arg(command, syntax));
        Print(text);
        Fail(csDone, QString());
    }
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
            QStringLiteral("%1 takes no argument \"%2\" (see zx-setup-cli %1 --help)")
                .arg(command, parser.positionalArguments().first()));
}

quint32 ParseAddress(const QString &text)
{
    quint32 value = 0;
    if (!ParseHexAddress(text, &value))
        Fail(csUsage, ConversionErrorText(text));
    return value;
}

TBaseJumpers ParseControlBase(const QString &text)
{
    const TBaseJumpers jumpers(ParseAddress(text));
    if (jumpers.InSystemBoardRange())
        Fail(csUsage, AddressNotUsableText(jumpers.Settable()));
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
        if (!ParseHexAddress(item, &address))
            Fail(
                csUsage, QStringLiteral("port %1: ").arg(TPortResources::PortLetter(port)) + ConversionErrorText(item));
        if (!TPortResources::AddressUsable(address))
            Fail(csUsage,
                QStringLiteral("port %1: %2 is not a port address: choose 100 to 3F8 in steps of 8")
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
    const QString list
        = choices.mid(0, choices.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + choices.last();
    const int irq = ParseSmallNumber(text);
    if (irq < 0 || !TPortResources::IrqUsable(quint32(irq)))
        Fail(csUsage, QStringLiteral("IRQ \"%1\" is not one the card offers: choose %2").arg(text, list));
    return quint32(irq);
}

int ParseSmallNumber(const QString &text)
{
    bool digits = !text.isEmpty() && text.size() <= 3;
    for (const QChar c : text)
        digits = digits && c.isDigit() && c.unicode() < 128;
    return digits ? text.toInt() : -1;
}

QString BaseLines(const TBaseJumpers &jumpers)
{
    const QString correction = jumpers.CorrectionText();
    return QStringLiteral("Control base address: ") + HexText(jumpers.Value()) + QLatin1Char('\n')
        + (correction.isEmpty() ? QString() : correction + QLatin1Char('\n'));
}

namespace {

TPortAccessConfig AccessConfig()
{
    TPortAccessConfig config;
    // The tool says why itself, once, as it exits.
    config.Report = nullptr;
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
