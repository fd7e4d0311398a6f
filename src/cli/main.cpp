// zx-setup-cli: the card's setup from a terminal or a script, without a
// display: every jumper of the card, reading and writing the eight ports'
// addresses and IRQ, and the kernel's serial lines that follow a write.
#include "CliSupport.h"
#include "Commands.h"
#include "StandardDescriptors.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

const char *const Overview
    = "Usage: zx-setup-cli COMMAND [options]\n"
      "Sets up the ZX-SER8 / ZX-BAL8 serial card from a terminal.\n"
      "\n"
      "Commands:\n"
      "  jumpers [ADDRESS] [--protocol rs485|rs422] [--termination none|transmit|receive|both]\n"
      "          [--clock x1|x8] [--com-ports enabled|disabled] [--all]\n"
      "                                           how to set the card's jumpers for each choice\n"
      "  read --base ADDRESS                      the I/O addresses of ports A to H, read from the card\n"
      "  write --base ADDRESS --ports P1,...,P8 --irq IRQ [--yes] [--force]\n"
      "                                           writes the ports' addresses and IRQ into the card\n"
      "  linux (--base ADDRESS | --ports P1,...,P8) --irq IRQ [--clock x1|x8] [--first-tty N]\n"
      "        [--uart TYPE] [--force] [--apply | --serial-conf]\n"
      "                                           tells the kernel's serial driver where the ports are\n"
      "  help [COMMAND]                           this overview, or that command's help\n"
      "\n"
      "Options:\n"
      "  -h, --help     this overview; after a command, that command's help\n"
      "  -v, --version  the version\n"
      "\n"
      "Every command takes --json. Addresses are hexadecimal, with or without 0x.\n"
      "Exit status: 0 done, 1 the card did not keep (or refused) the values, no card answers, the output\n"
      "could not be written (linux --apply: a port did not answer), 2 bad usage or input (two ports at\n"
      "one address), 3 no port access (linux --apply: not root, or the kernel refused), 4 cancelled at\n"
      "the prompt.\n";

int Run(const QStringList &arguments)
{
    QString command = arguments.value(1);
    QStringList rest = arguments.mid(2);
    if (command == QLatin1String("help")) {
        if (rest.size() > 1)
            Fail(csUsage, QStringLiteral("help takes one COMMAND, not %1 (see zx-setup-cli --help)").arg(rest.size()));
        command = rest.isEmpty() ? QStringLiteral("--help") : rest.first();
        rest = {QStringLiteral("--help")};
    }
    if (command == QLatin1String("-h") || command == QLatin1String("--help")) {
        Print(QString::fromLatin1(Overview));
        return csDone;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        Print(QStringLiteral("zx-setup-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return csDone;
    }
    if (command == QLatin1String("jumpers"))
        return JumpersCommand(rest);
    if (command == QLatin1String("read"))
        return ReadCommand(rest);
    if (command == QLatin1String("write"))
        return WriteCommand(rest);
    if (command == QLatin1String("linux"))
        return LinuxCommand(rest);
    Fail(csUsage,
        command.isEmpty() ? QStringLiteral("a command is needed (see zx-setup-cli --help)")
                          : QStringLiteral("unknown command \"%1\" (see zx-setup-cli --help)").arg(command));
}

} // namespace

int main(int argc, char *argv[])
{
    // Before anything opens a file: the port device must not become the output.
    OpenStandardDescriptors();
    // A closed pipe is an error of the write, which Print reports.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zx-setup-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZX_VERSION));
    try {
        return Run(QCoreApplication::arguments());
    } catch (const TCliExit &exit) {
        if (!exit.Line.isEmpty())
            Print(MessageLine(exit.Line) + QLatin1Char('\n'), true);
        return exit.Status;
    }
}
