// zx-setup-cli through its real binary, against a stand-in for pkexec and the
// port helper that keeps the card's registers in a file and logs every
// request with its time, and against a fake sysfs tty tree.
#include "FakeKernelTree.h"

#include <QtTest>

#include <pty.h>
#include <unistd.h>

namespace {

const QString Ports = QStringLiteral("100,108,110,118,120,128,130,138");
const QString Lettered = QStringLiteral("A 100, B 108, C 110, D 118, E 120, F 128, G 130, H 138");
// Every register FF: no card at that base.
const QString Absent = QStringLiteral("A 7F8, B 7F8, C 7F8, D 7F8, E 7F8, F 7F8, G 7F8, H 7F8");
const QString NoAccess = QStringLiteral("zx-setup-cli: no access to the card's I/O ports: ");
// The four lines Debian's kernel has without 8250.nr_uarts, COM1 the console.
const QString Standard = QStringLiteral("0:3F8:4:4:Y 1:2F8:3:0 2:3E8:4:0 3:2E8:3:0");

struct TRun
{
    int Status = -1;
    QString Out, Err;
};

// Index writes of registers 1 to 8, each followed by a read of the data port.
QStringList ReadBack(int base)
{
    QStringList requests;
    for (int reg = 1; reg <= 8; ++reg)
        requests << QStringLiteral("OUT 0x%1 0x%2").arg(base + 1, 3, 16).arg(reg, 2, 16, QChar('0'))
                 << QStringLiteral("IN 0x%1").arg(base + 2, 3, 16);
    return requests;
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir; // a fresh one for each test

    QString Path(const QString &name) const { return m_dir->filePath(name); }
    static QJsonObject Json(const QString &text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }

    // "A 100, B 108, ...": the first eight table rows that start with a port letter, or the ports of --json output.
    static QString PortColumn(const QString &out)
    {
        static const QRegularExpression row("^[A-H] +\\S+", QRegularExpression::MultilineOption);
        QStringList ports;
        for (const QJsonValue &port : Json(out)["ports"].toArray())
            ports << port["port"].toString() + ' ' + port["address"].toString();
        for (auto match = row.globalMatch(out); match.hasNext() && ports.size() < 8;)
            ports << match.next().captured().simplified();
        return ports.join(", ");
    }

    QByteArray ReadFile(const QString &name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Leading VAR=value words go into the tool's environment; standard input from stdinFd when given; the
    // descriptors in closed closed when it starts. A word ">FILE" sends standard output to FILE, "|closed"
    // into a pipe nobody reads.
    TRun Run(QStringList args, int stdinFd = -1, const QList<int> &closed = {}) const
    {
        const QString outFile = args.filter(QRegularExpression("^>")).value(0).mid(1);
        const bool closedPipe = args.removeAll("|closed") > 0;
        args.removeAll('>' + outFile);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        args = QStringList {"ZX_CLI_PKEXEC=" ZX_CLI_STANDIN, "ZX_CARD_STATE=" + Path("registers"),
                   "ZX_CARD_LOG=" + Path("log")}
            + args;
        while (args.value(0).contains('=')) {
            const QString pair = args.takeFirst();
            environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        if (!outFile.isEmpty())
            process.setStandardOutputFile(outFile);
        process.setChildProcessModifier([stdinFd, closedPipe, closed] {
            if (stdinFd >= 0)
                dup2(stdinFd, STDIN_FILENO);
            int pipeFds[2];
            if (closedPipe && pipe(pipeFds) == 0) {
                dup2(pipeFds[1], STDOUT_FILENO);
                close(pipeFds[0]);
                close(pipeFds[1]);
            }
            for (const int fd : closed)
                ::close(fd);
        });
        // "setpriv OPTIONS... COMMAND": the tool as another user.
        QStringList prefix;
        while (args.value(0) == "setpriv" || args.value(0).startsWith("--re") || args.value(0) == "--clear-groups")
            prefix << args.takeFirst();
        if (!prefix.isEmpty())
            process.start(prefix.takeFirst(), prefix + QStringList {ZX_CLI_BINARY} + args);
        else
            process.start(ZX_CLI_BINARY, args);
        process.closeWriteChannel();
        const bool finished = process.waitForFinished(10000);
        return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // The requests the card saw; the driver probe says nothing about the card.
    QStringList Log() const
    {
        static const QRegularExpression time("^\\d+ (IN 0x061\n)?", QRegularExpression::MultilineOption);
        return QString::fromLatin1(ReadFile("log")).remove(time).split('\n', Qt::SkipEmptyParts);
    }

    // "A9, A8, [A7], ...": the jumpers the text draws, installed ones in brackets, "?" before one whose pins, word
    // and label do not line up.
    static QString DrawnJumpers(const QString &out)
    {
        static const QRegularExpression words("^ *(installed|removed)( +(installed|removed))*$");
        const QStringList lines = out.split('\n');
        QStringList jumpers;
        for (int row = 0; row + 2 < lines.size(); ++row) {
            if (!words.match(lines[row + 2]).hasMatch())
                continue;
            for (int at = 0; at < lines[row].size(); at += 11) {
                const QString label = lines[row].mid(at, 11).trimmed();
                const QString pins = lines[row + 1].mid(at, 11).trimmed();
                const QString word = lines[row + 2].mid(at, 11).trimmed();
                jumpers << (pins == "[o=o]" && word == "installed" ? '[' + label + ']'
                        : pins == "o o" && word == "removed"       ? label
                                                                   : '?' + label);
            }
        }
        return jumpers.join(", ");
    }

    // The same from --json, block by block as the text draws them.
    static QString JsonJumpers(const QJsonObject &sheet)
    {
        QStringList jumpers;
        for (const char *block : {"address", "each_port", "clock", "com_ports"})
            for (const QJsonValue &jumper : sheet[block]["jumpers"].toArray())
                jumpers << (jumper["installed"].toBool() ? '[' + jumper["label"].toString() + ']'
                                                         : jumper["label"].toString());
        return jumpers.join(", ");
    }

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }

    void jumpers_data()
    {
        QTest::addColumn<QString>("args"); // after "jumpers"
        QTest::addColumn<QString>("address"); // as "Control base address: " shows it; empty: no address block
        QTest::addColumn<QString>("actual"); // the correction line, empty when none
        QTest::addColumn<QString>("jumpers"); // every jumper drawn, installed ones in brackets
        const auto row = [](const char *name, const QString &args, const QString &address, const QString &actual,
                             const QString &jumpers) { QTest::newRow(name) << args << address << actual << jumpers; };
        const QString at300 = "A9, A8, [A7], [A6], [A5]";
        const QString allRemoved = "A9, A8, A7, A6, A5";
        const QString allInstalled = "[A9], [A8], [A7], [A6], [A5]";
        const QString firstView = ", [RS485], x422, xTLD, xRLD, X4 CLK, DF";
        row("300", "300", "300", "", at300);
        row("0300", "0300", "300", "", at300);
        row("2a0", "2a0", "2A0", "", "A9, [A8], A7, [A6], A5");
        row("301", "301", "301", "Actual: 300", at300);
        row("3FF", "3FF", "3FF", "Actual: 3E0", allRemoved);
        row("1300", "1300", "1300", "Actual: 300", at300);
        row("0", "0", "0", "", allInstalled);
        row("1F", "1F", "1F", "Actual: 0", allInstalled);
        row("FFFFFFFF", "FFFFFFFF", "FFFFFFFF", "Actual: 3E0", allRemoved);
        row("0x2a0", "0x2a0", "2A0", "", "A9, [A8], A7, [A6], A5");
        row("0X301", "0X301", "301", "Actual: 300", at300);
        row("all, as the window first shows them", "--all", "300", "", at300 + firstView);
        row("all, every choice the other way",
            "2a0 --all --protocol rs422 --termination both --clock x8 --com-ports disabled", "2A0", "",
            "A9, [A8], A7, [A6], A5, RS485, [x422], [xTLD], [xRLD], [X4 CLK], [DF]");
        row("RS-485, no termination", "--protocol rs485 --termination none", "", "", "[RS485], x422, xTLD, xRLD");
        row("RS-485, termination on TLD alone", "--termination transmit", "", "", "[RS485], x422, [xTLD], xRLD");
        row("RS-422, no termination", "--protocol rs422", "", "", "RS485, [x422], xTLD, xRLD");
        row("RS-422, transmit", "--protocol RS422 --termination transmit", "", "", "RS485, [x422], [xTLD], xRLD");
        row("RS-422, receive", "--termination receive --protocol rs422", "", "", "RS485, [x422], xTLD, [xRLD]");
        row("RS-422, both", "--protocol rs422 --termination both", "", "", "RS485, [x422], [xTLD], [xRLD]");
        row("X1", "--clock x1", "", "", "X4 CLK");
        row("X8", "--clock X8", "", "", "[X4 CLK]");
        row("ports enabled", "--com-ports enabled", "", "", "DF");
        row("ports disabled, after the address", "320 --com-ports disabled", "320", "", "A9, A8, [A7], [A6], A5, [DF]");
    }

    void jumpers()
    {
        // Jumpers drawn wrong for a choice, misaligned, missing from --json, or the correction line missing or
        // shown for an exact address.
        QFETCH(QString, args);
        QFETCH(QString, address);
        QFETCH(QString, actual);
        QFETCH(QString, jumpers);
        const TRun text = Run(("jumpers " + args).split(' '));
        const TRun json = Run(("jumpers --json " + args).split(' '));
        QCOMPARE(text.Status, 0);
        QCOMPARE(text.Err, QString());
        QCOMPARE(json.Status, 0);
        const QStringList lines = text.Out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.filter(QRegularExpression("^Control base address: ")).join('|'),
            address.isEmpty() ? QString() : "Control base address: " + address);
        QCOMPARE(lines.filter(QRegularExpression("^Actual: ")).join('|'), actual);
        QCOMPARE(DrawnJumpers(text.Out), jumpers);
        const QJsonObject sheet = Json(json.Out);
        QCOMPARE(JsonJumpers(sheet), jumpers);
        QCOMPARE(sheet["address"]["base"].toString(), address);
        if (!address.isEmpty())
            QCOMPARE(sheet["address"]["actual"].toString(), actual.isEmpty() ? address : actual.mid(8));
        QVERIFY(!QFile::exists(Path("log")));
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("error");
        const auto row
            = [](const char *name, const QString &args, const QString &error) { QTest::newRow(name) << args << error; };
        const QString write = "write --yes --base 300 --irq 10 --ports ";
        const QString writeAt = "write --yes --irq 10 --ports " + Ports + " --base ";
        const QString linux = "linux --ports " + Ports + " --irq ";
        const QString notBase
            = QStringLiteral("%1 is not a control base address; addresses are hexadecimal, for example 300");
        const QString notUsable = QStringLiteral(
            "the control base address %1 lies in the system board's I/O range (0 to FF), where the card's registers "
            "cannot be reached without disturbing the computer: set the card's address jumpers to 100 or above and "
            "give that address with --base");
        const QString count = "--ports needs eight addresses, for ports A to H, separated by commas (%1 given)";
        const QString offGrid
            = QStringLiteral("port %1: %2 is not a port address: choose 100 to 3F8 (hexadecimal) in steps of 8");
        const QString irqs = "--irq %1 is not an IRQ the card offers: choose 2, 3, 4, 5, 6, 7, 10, 11, 12 or 15";
        const QString rs485 = "--termination %1 needs --protocol rs422: RS-485 offers none or transmit (under RS-485 "
                              "\"Termination\" is TLD alone)";
        row("base not hexadecimal", "read --base 30G", notBase.arg("30G"));
        row("nine significant digits", "jumpers 123456789", notBase.arg("123456789"));
        row("base a prefix alone", writeAt + "0x", notBase.arg("0x"));
        row("base with two prefixes", "read --base 0x0x300", notBase.arg("0x0x300"));
        row("negative-looking address", "jumpers -20", notBase.arg("-20"));
        row("negative-looking base", "read --base -20", notBase.arg("-20"));
        row("base 60", "read --base 60", notUsable.arg("60"));
        row("base 0E0", "linux --base 0E0 --irq 5", notUsable.arg("E0"));
        row("base 1F is 0", writeAt + "0x1F", notUsable.arg("0"));
        row("seven ports", write + Ports.section(',', 0, 6), count.arg(7));
        row("nine ports", write + Ports + ",140", count.arg(9));
        row("port off the grid", write + "100,108,110,114,120,128,130,138", offGrid.arg("D", "114"));
        row("port below 100", write + "F8,108,110,118,120,128,130,138", offGrid.arg("A", "F8"));
        row("port above 3F8", "linux --irq 10 --ports 0x100,108,110,118,120,128,130,0x400", offGrid.arg("H", "0x400"));
        row("port not hexadecimal", write + "100,108,11O,118,120,128,130,138", offGrid.arg("C", "11O"));
        row("IRQ 9", "write --yes --base 300 --irq 9 --ports " + Ports, irqs.arg("9"));
        row("IRQ as the list's A", linux + "A", irqs.arg("A"));
        row("IRQ 16", linux + "16", irqs.arg("16"));
        row("RS-485, receive", "jumpers --termination receive", rs485.arg("receive"));
        row("RS-485 given, both", "jumpers 300 --protocol rs485 --termination both", rs485.arg("both"));
        row("clock not a choice", "jumpers --clock x4", "--clock x4 is not a choice: choose x1 or x8");
        row("protocol not a choice", "jumpers --all --protocol rs-485",
            "--protocol rs-485 is not a choice: choose rs485 or rs422");
        row("no block", "jumpers --json",
            "jumpers needs an ADDRESS, an option or --all (see zx-setup-cli jumpers --help)");
        row("two addresses", "jumpers 300 --all 320",
            "jumpers takes one ADDRESS; 320 is one too many (see zx-setup-cli jumpers "
            "--help)");
        row("an argument read does not take", "read --base 300 -1",
            "read takes no argument -1 (see zx-setup-cli read --help)");
        row("an argument linux does not take", linux + "10 -20",
            "linux takes no argument -20 (see zx-setup-cli linux --help)");
        row("base twice", "read --base 300 --base 320", "--base is given more than once; give it once");
        row("IRQ twice", write + Ports + " --irq 5", "--irq is given more than once; give it once");
        row("clock twice", "jumpers --clock x1 --clock=x8", "--clock is given more than once; give it once");
        row("no value", "read --base", "--base needs a value (see zx-setup-cli read --help)");
        row("a value for a switch", "jumpers 300 --json=yes",
            "--json takes no value (see zx-setup-cli jumpers --help)");
        row("unknown option", "read --base 300 --force", "read takes no option --force (see zx-setup-cli read --help)");
        row("unknown letter", "jumpers -x 300", "jumpers takes no option -x (see zx-setup-cli jumpers --help)");
        row("another command's option", "read --base 300 --irq 5",
            "read takes no option --irq (see zx-setup-cli read --help)");
        row("help for two commands", "help read write", "help takes one COMMAND, not 2 (see zx-setup-cli --help)");
        row("unknown command", "erase", "unknown command \"erase\" (see zx-setup-cli --help)");
        row("help for an unknown command", "help erase", "unknown command \"erase\" (see zx-setup-cli --help)");
        row("no terminal, no --yes", "write --base 300 --irq 10 --ports " + Ports,
            "standard input is not a terminal: add --yes to write without being asked");
        row("both --base and --ports", linux + "10 --base 300",
            "linux needs either --base or --ports (see zx-setup-cli linux --help)");
        row("first tty not a number", linux + "10 --first-tty ttyS4",
            "--first-tty \"ttyS4\" is not a line number from 0 to 248");
        row("unknown UART", linux + "10 --uart 16550B",
            "--uart \"16550B\" is not a UART type setserial knows: choose 8250, 16450, "
            "16550, 16550A, 16650, 16650V2, 16654, 16750, 16850, 16950, 16954");
        row("unknown clock", linux + "10 --clock x4", "--clock x4 is not a choice: choose x1 or x8");
        row("--apply and --serial-conf", linux + "10 --apply --serial-conf",
            "linux takes --apply or --serial-conf, not both (see zx-setup-cli linux --help)");
        row("two ports at one address", write + "100,108,110,118,100,128,130,138",
            "ports A and E are both set to 100: each port needs an address "
            "of its own");
        row("five ports at one address, linux", "linux --irq 5 --ports 100,100,100,100,100,128,130,138",
            "ports A, B, C, D and E are all set to 100: each port needs an address of its own");
        row("five ports at one address, linux, JSON", "linux --json --irq 5 --ports 100,100,100,100,100,128,130,138",
            "ports A, B, C, D and E are all set to 100: each port needs an address of its own");
    }

    void badInput()
    {
        // Bad input reaching the card's ports, or refused without a clear line and status 2.
        QFETCH(QString, args);
        QFETCH(QString, error);
        const TRun run = Run(args.split(' '));
        QCOMPARE(run.Err, "zx-setup-cli: " + error + "\n");
        QCOMPARE(run.Status, 2);
        // linux --json says a refused plan in the plan too; other input errors go to standard error alone.
        const bool planJson = args.startsWith("linux") && args.contains("--json");
        QCOMPARE(Json(run.Out)["refusals"][0].toString(), planJson ? "P" + error.mid(1) + "." : "");
        QCOMPARE(run.Out.isEmpty(), !planJson);
        QVERIFY(!QFile::exists(Path("log")));
    }

    void read_data()
    {
        QTest::addColumn<QString>("args"); // leading VAR=value words: the environment
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("addresses"); // ports A to H as printed
        QTest::addColumn<QString>("error"); // the start of the one line on standard error
        const auto row = [](const char *name, const QString &args, int status, const QString &addresses,
                             const QString &error) { QTest::newRow(name) << args << status << addresses << error; };
        const QString known = QStringLiteral("A 3F8, B 2F8, C 100, D 108, E 110, F 118, G 3E8, H 2E8");
        row("known card", "read --base 300", 0, known, "");
        row("typed 301, the card at 300", "read --base 301 --json", 0, known, "");
        const QString noCard = QStringLiteral("zx-setup-cli: not every port has a port address: is the card at control "
                                              "base address 2A0, with its DF jumper installed?");
        row("typed 0X301, the card at 300", "read --base 0X301 --json", 0, known, "");
        row("no card at 2A0", "read --base 2A0 --json", 1, Absent, noCard);
        row("no card at 0x2a0, text", "read --base 0x2a0", 1, Absent, noCard);
        row("linux from no card", "linux --base 2A0 --irq 5", 1, "",
            "zx-setup-cli: port A reads 7F8, which is not a port address (100 to "
            "3F8): is the card at control base address 2A0, with its DF jumper "
            "installed?");
        row("to a full disk", "read --base 300 >/dev/full", 1, "",
            "zx-setup-cli: cannot write to standard output: No space left on device");
        row("to a closed pipe", "read --base 300 |closed", 1, "", "");
        row("no agent to ask", "ZX_CARD_EXIT=127 read --base 0x300 --json", 3, "",
            NoAccess
                + "Authorisation was refused, or no authentication agent is running to ask for the password. To run "
                  "it as root directly: sudo zx-setup-cli read --base 0x300 --json\n");
        row("authorisation dismissed", "ZX_CARD_EXIT=126 read --base 300", 3, "", NoAccess);
        row("no pkexec", "ZX_CLI_PKEXEC=/nonexistent/pkexec read --base 300", 3, "",
            NoAccess + "pkexec is not installed");
        row("writing without access", "ZX_CARD_EXIT=126 write --yes --base 300 --irq 10 --ports " + Ports, 3, "",
            NoAccess);
    }

    void read()
    {
        // Addresses from the wrong registers or scaled, invented without port access, or lines for an absent card.
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, addresses);
        QFETCH(QString, error);
        const QByteArray card = "00 7f 5f 20 21 22 23 7d 5d 04 04 04 04";
        WriteFile(Path("registers"), card);
        const TRun run = Run(args.split(' '));
        QCOMPARE(run.Status, status);
        QCOMPARE(ReadFile("registers"), card);
        // One line that says why, not one from the tool and another from the port backend.
        QVERIFY2(error.isEmpty() ? run.Err.isEmpty() : run.Err.count('\n') == 1 && run.Err.startsWith(error),
            qPrintable(run.Err));
        if (status == 3) {
            QVERIFY(!run.Out.contains("have been written"));
            return;
        }
        const int base = args.section(' ', 2, 2).toInt(nullptr, 16) & 0x3E0;
        QCOMPARE(PortColumn(run.Out), addresses);
        if (args.endsWith("--json")) {
            QCOMPARE(Json(run.Out)["base"].toString(), QString::number(base, 16).toUpper());
            QCOMPARE(Json(run.Out)["card_answers"], QJsonValue(addresses != Absent));
        }
        QCOMPARE(Log(), QStringList {"START"} + ReadBack(base));
    }

    void write_data()
    {
        QTest::addColumn<int>("status"); // 1: the card does not keep what is written
        QTest::addColumn<bool>("json");
        QTest::addColumn<QByteArray>("answer"); // typed at the prompt on a terminal; none: --yes
        QTest::addColumn<QString>("error"); // the tool's own last line on standard error
        QTest::addColumn<QString>("card"); // the stand-in's settings beyond its base 2E0 and whether it keeps
        QTest::addColumn<bool>("force");
        QTest::addColumn<QByteArray>("after"); // the registers then
        QTest::addColumn<QString>("ttys"); // the kernel's lines
        const QString lost = QStringLiteral("the card did not keep the addresses written for port(s) %1. Check the "
                                            "control base address and that the card is installed, then try again.");
        const QString cancelled = QStringLiteral("cancelled; nothing was written");
        const QString nothing = QStringLiteral("no card answered at 2E0: every register read FF. Writing there may "
                                               "change another device.");
        const QString refused = QStringLiteral("the writes to control register(s) 9, 10, 11, 12 were refused, so the "
                                               "card may not hold the new resources. Check the control base address "
                                               "and that the card is installed, then try again.");
        const QString uartAtB = QString(Standard).replace("1:2F8:3:0", "1:108:3:4");
        const QByteArray before = "55 20 31 22 23 34 25 26 27 03 03 03 03";
        const QByteArray written = "00 20 21 22 23 24 25 26 27 0a 0a 0a 0a";
        const QByteArray noIrq = "00 20 21 22 23 24 25 26 27 03 03 03 03";
        const auto row = [](const char *name, int status, bool json, const QByteArray &answer, const QString &error,
                             const QByteArray &after, const QString &card = {}, bool force = false,
                             const QString &ttys = Standard) {
            QTest::newRow(name) << status << json << answer << error << card << force << after << ttys;
        };
        row("kept", 0, false, {}, "", written);
        row("kept, JSON", 0, true, {}, "", written);
        row("kept, a UART at port B's address", 0, false, {}, "", written, {}, false, uartAtB);
        row("kept, a UART at port B's address, JSON", 0, true, {}, "", written, {}, false, uartAtB);
        row("not kept", 1, false, {}, lost.arg("B, E"), before);
        row("not kept, JSON", 1, true, {}, lost.arg("B, E"), before);
        row("prompt, y", 0, false, "y\n", "", written);
        row("prompt, YES, a UART at port B's address", 0, false, "YES\n", "", written, {}, false, uartAtB);
        row("prompt, n", 4, false, "n\n", cancelled, before);
        row("prompt, just Enter", 4, false, "\n", cancelled, before);
        row("prompt, end of input", 4, false, "\x04", cancelled, before);
        // Where every register reads FF nothing answers: the index byte would go to another device.
        row("no card at the base", 1, false, {},
            nothing
                + " Nothing was written: check the control base address, or "
                  "add --force to write anyway.",
            before, "ZX_CARD_BASE=300");
        row("no card at the base, forced", 1, true, {}, lost.arg("A, B, C, D, E, F, G, H"), before, "ZX_CARD_BASE=300",
            true);
        // The read-back covers registers 1 to 8: refused IRQ writes must fail all the same.
        row("IRQ writes refused", 1, false, {}, refused, noIrq, "ZX_CARD_REFUSE=9,10,11,12");
        row("IRQ writes refused, JSON", 1, true, {}, refused, noIrq, "ZX_CARD_REFUSE=9,10,11,12");
    }

    void write()
    {
        // Registers written out of order, unpaced or interleaved, lost ones reported as success, with no typed yes,
        // or a port at another UART's address written without a warning first.
        QFETCH(int, status);
        QFETCH(bool, json);
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        QFETCH(QString, card);
        QFETCH(bool, force);
        QFETCH(QByteArray, after);
        QFETCH(QString, ttys);
        QVERIFY((FakeKernelTree {Path("root")}.Ttys(ttys)));
        // What the card holds already: the new addresses except for ports B and E.
        const QByteArray before = "55 20 31 22 23 34 25 26 27 03 03 03 03";
        const QByteArray written = "00 20 21 22 23 24 25 26 27 0a 0a 0a 0a";
        WriteFile(Path("registers"), before);
        int master = -1, slave = -1;
        QVERIFY(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QVERIFY(::write(master, answer.constData(), size_t(answer.size())) == answer.size());
        const bool keeps = status != 1 || !card.isEmpty();
        const QString args = QString(
            "ZX_CARD_BASE=2E0 ZX_CARD_KEEPS=%1 %2 write --base 2FF --irq 10 --ports %3%4%5%6 --system-root %7")
                                 .arg(int(keeps))
                                 .arg(card, Ports, answer.isEmpty() ? " --yes" : "", json ? " --json" : "",
                                     force ? " --force" : "", Path("root"));
        const TRun run = Run(args.split(' ', Qt::SkipEmptyParts), answer.isEmpty() ? -1 : slave);
        ::close(slave);
        ::close(master);
        QCOMPARE(run.Status, status);
        const QString question = QStringLiteral(
            "The setup program will now write the port resources. If they conflict with another device in your system, "
            "neither may function once the DF jumper is removed. Are you sure you want to use these resources?\n"
            "Write these resources to the card? [y/N] ");
        const QString forced = force ? QStringLiteral("zx-setup-cli: no card answered at 2E0: every register read "
                                                      "FF. Writing there may change another device. Writing anyway.\n")
                                     : QString();
        const bool warned = ttys != Standard;
        const QString unseen = "Cards in the stack without a driver are not visible to this check.\n";
        const QString check = warned ? "Possible conflicts:\n- port B at 108 is where the kernel has ttyS1\n" + unseen
            : answer.isEmpty()       ? QString()
                                     : "No conflict found with the devices this computer shows. " + unseen;
        QCOMPARE(run.Err,
            check + (answer.isEmpty() ? QString() : question) + forced
                + (error.isEmpty() ? QString() : "zx-setup-cli: " + error + "\n"));
        const QList<int> refused = card.startsWith("ZX_CARD_REFUSE") ? QList<int> {9, 10, 11, 12} : QList<int>();
        if (json) {
            const QJsonObject result = Json(run.Out);
            QCOMPARE(result["kept"].toBool(), status == 0);
            QCOMPARE(result["lost"].toVariant().toStringList().join(", "),
                error.startsWith("the card did not keep") ? error.section("port(s) ", 1).section('.', 0, 0) : "");
            QCOMPARE(result["refused"].toVariant().toList().size(), refused.size());
            QCOMPARE(result["irq"].toInt(), 10);
            QCOMPARE(result["base"].toString(), "2E0");
            QCOMPARE(result["warnings"].toVariant().toStringList().join('|'),
                warned ? "port B at 108 is where the kernel has ttyS1" : "");
        } else {
            QVERIFY(run.Out.startsWith("Control base address: 2FF\nActual: 2E0\nPort  I/O address\n"));
            QCOMPARE(PortColumn(run.Out), Lettered);
            QVERIFY(run.Out.contains("IRQ   10\n"));
            QCOMPARE(run.Out.endsWith("The resources have been written to the card. You will now need to shut down "
                                      "the stack, remove the DF jumper, and start back up. Your card will then be "
                                      "ready for use!\n"),
                status == 0);
        }
        QCOMPARE(ReadFile("registers").simplified(), after);
        // Port access, and so the password, comes before the question: a no leaves the card untouched.
        if (status == 4)
            QCOMPARE(Log(), QStringList {"START"});
        if (!answer.isEmpty())
            return; // after the prompt the requests are those of --yes

        // Registers 1 to 8 read first, thirteen index and data writes (no data after a refused index: it would
        // land in the register indexed before), then registers 1 to 8 read back; nothing else.
        QStringList expected = QStringList {"START"} + ReadBack(0x2e0);
        if (force || !card.startsWith("ZX_CARD_BASE")) {
            for (int reg = 0; reg <= 12; ++reg) {
                expected << QStringLiteral("OUT 0x2e1 0x%1").arg(reg, 2, 16, QChar('0'));
                if (!refused.contains(reg))
                    expected << "OUT 0x2e2 0x" + written.split(' ')[reg];
            }
            expected += ReadBack(0x2e0);
        }
        QCOMPARE(Log(), expected);
        if (!card.isEmpty())
            return;
        // Data writes keep to a deadline 10 ms on for each from the start of the pacing, which follows
        // the answer to the last first read (line 16); register r's is line 18 + 2r. Measured from the
        // card's side, so a late first write may shorten the next gap, as the deadline rule allows.
        const auto ms = [log = ReadFile("log").split('\n')](int reg) {
            return log[18 + 2 * reg].split(' ')[0].toLongLong() - log[16].split(' ')[0].toLongLong();
        };
        for (int reg = 1; reg <= 12; ++reg)
            QVERIFY2(ms(reg) >= 10 * reg - 1, qPrintable(QString::number(reg)));
        QVERIFY2(ms(12) < 400, qPrintable(QString::number(ms(12))));
    }

    void portDevice_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QList<int>>("closed"); // standard descriptors closed when it starts
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("data"); // the data port's byte then; the index port holds 8 in every row
        const QString write = "write --yes --base 300 --irq 10 --ports " + Ports;
        const int untouched = (0x302 * 7 + 3) & 0xFF;
        // A file reads back the last byte written, not the registers: the check after the writes fails.
        QTest::newRow("read") << "read --base 300" << QList<int>() << 0 << untouched;
        QTest::newRow("read, 0 1 2 closed") << "read --base 300" << QList<int> {0, 1, 2} << 0 << untouched;
        QTest::newRow("read, output closed") << "read --base 300 --json" << QList<int> {1} << 0 << untouched;
        QTest::newRow("write") << write << QList<int>() << 1 << 0x0A;
        QTest::newRow("write, 0 1 2 closed") << write << QList<int> {0, 1, 2} << 1 << 0x0A;
        QTest::newRow("write, errors closed") << write << QList<int> {2} << 1 << 0x0A;
    }

    void portDevice()
    {
        // The tool's output or questions written into the I/O ports: with a standard descriptor closed (a
        // cron job's ">&-") the port device opened in its place.
        QFETCH(QString, args);
        QFETCH(QList<int>, closed);
        QFETCH(int, status);
        QFETCH(int, data);
        QByteArray device(0x400, Qt::Uninitialized);
        for (int port = 0; port < device.size(); ++port)
            device[port] = char((port * 7 + 3) & 0xFF);
        WriteFile(Path("port"), device);
        const TRun run = Run(("ZX_CLI_DEVICE=" + Path("port") + ' ' + args).split(' '), -1, closed);
        QCOMPARE(run.Status, status);
        device[0x301] = 8;
        device[0x302] = char(data);
        QVERIFY(ReadFile("port") == device);
        QVERIFY(!QFile::exists(Path("log"))); // the device itself, not the helper
    }

    void kernelLines_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("ttys"); // index:port:irq:type of each ttyS line the kernel has
        QTest::addColumn<QStringList>("kernel"); // what the kernel has on each port's line now
        QTest::addColumn<QString>("firstLine"); // the setserial command of port A
        QTest::addColumn<int>("nrUarts"); // the kernel parameter to set first, 0: none
        QTest::addColumn<QString>("note"); // a line of the text, empty: none to look for
        const auto row = [](const char *name, const QString &args, const QString &ttys, const QStringList &kernel,
                             const QString &firstLine, int nrUarts, const QString &note) {
            QTest::newRow(name) << args << ttys << kernel << firstLine << nrUarts << note;
        };
        QStringList free(8, QStringLiteral("free")), missing(8, QStringLiteral("missing (needs 8250.nr_uarts=12)"));
        QString withLines = Standard;
        for (int port = 0; port < 8; ++port)
            withLines += QStringLiteral(" %1:0:0:0").arg(4 + port);
        QStringList oneSet = free;
        oneSet[3] = "nothing answers at 2A0, irq 5";
        const QString given = "linux --ports " + Ports + " --irq 10";
        const QString ttyS4 = QStringLiteral("setserial /dev/ttyS4 port 0x100 irq 10 baud_base 115200 autoconfig");
        row("four standard lines only", given, Standard, missing, ttyS4, 12, "");
        row("all free", given, withLines, free, ttyS4, 0, "");
        row("from the card, one line set elsewhere, X8", "linux --base 300 --irq 5 --uart 16750 --clock x8",
            QString(withLines).replace(" 7:0:0:0", " 7:2A0:5:0"), oneSet,
            "setserial /dev/ttyS4 port 0x100 irq 5 baud_base 921600 uart 16750", 0,
            "ttyS7 is set to 2A0 (irq 5), where nothing answers now: it is given a port of the card.");
        const QStringList beyond = QStringList(2, "missing") + QStringList(6, "beyond the kernel's 32 lines");
        row("first tty 30, beyond the kernel's limit", given + " --first-tty 30", Standard, beyond,
            "setserial /dev/ttyS30 port 0x100 irq 10 baud_base 115200 autoconfig", 0,
            "The kernel's serial driver has at most 32 lines (ttyS0 to ttyS31), and these ports would need lines "
            "up to ttyS37: choose a lower first line (--first-tty) so that the eight ports find free lines below "
            "ttyS32.");
    }

    void kernelLines()
    {
        // Serial lines for the wrong ttys or addresses, commands the kernel refuses, or too few lines unexplained;
        // and the JSON and /etc/serial.conf forms disagreeing with the text.
        QFETCH(QString, args);
        QFETCH(QString, ttys);
        QFETCH(QStringList, kernel);
        QFETCH(QString, firstLine);
        QFETCH(int, nrUarts);
        QFETCH(QString, note);
        WriteFile(Path("registers"), "00 20 21 22 23 24 25 26 27 00 00 00 00");
        QVERIFY((FakeKernelTree {Path("root")}.Ttys(ttys)));
        const QStringList arguments = args.split(' ') << "--system-root" << Path("root");
        const int first = args.contains("--first-tty") ? args.section(' ', -1).toInt() : 4;

        const TRun text = Run(arguments), json = Run(arguments + QStringList {"--json"}),
                   conf = Run(arguments + QStringList {"--serial-conf"});
        QCOMPARE(text.Status, 0);
        QCOMPARE(json.Status, 0);
        QCOMPARE(conf.Status, 0);
        QCOMPARE(text.Err, QString());
        const QStringList lines = text.Out.split('\n');
        // The missing lines come first: the commands fail without them.
        QCOMPARE(lines.value(args.contains("--base") ? 2 : 0).startsWith("First the kernel needs more serial lines"),
            nrUarts > 0);
        const int table = lines.indexOf("Port  Address  Line    The kernel now");
        const QJsonObject result = Json(json.Out);
        for (int port = 0; port < 8; ++port)
            QCOMPARE(lines.value(table + 1 + port).simplified(),
                QStringLiteral("%1 %2 ttyS%3 %4")
                    .arg(QChar('A' + port), QString::number(0x100 + 8 * port, 16).toUpper())
                    .arg(first + port)
                    .arg(kernel[port]));
        const int commands = lines.indexOf(firstLine);
        QVERIFY2(commands > table, qPrintable(text.Out));
        QCOMPARE(
            lines.value(commands + 7).section(' ', 0, 3), QString("setserial /dev/ttyS%1 port 0x138").arg(first + 7));
        QCOMPARE(QRegularExpression("8250.nr_uarts=(\\d+) ").match(text.Out).captured(1).toInt(), nrUarts);
        QVERIFY(note.isEmpty() || lines.contains(note));
        QVERIFY(
            lines.contains("setserial -g /dev/ttyS" + QString::number(first) + " /dev/ttyS" + QString::number(first + 1)
                + " /dev/ttyS" + QString::number(first + 2) + " /dev/ttyS" + QString::number(first + 3) + " /dev/ttyS"
                + QString::number(first + 4) + " /dev/ttyS" + QString::number(first + 5) + " /dev/ttyS"
                + QString::number(first + 6) + " /dev/ttyS" + QString::number(first + 7)));

        // JSON: the same lines and kernel, the clock, what the kernel lacks.
        QCOMPARE(result["ports"].toArray().size(), 8);
        QCOMPARE(result["ports"][0]["command"].toString(), firstLine);
        QCOMPARE(result["ports"][0]["tty"].toString(), QString("ttyS%1").arg(first));
        const bool exists = !kernel[3].startsWith("missing") && !kernel[3].startsWith("beyond");
        QCOMPARE(result["ports"][3]["kernel"]["type"].toString(), exists ? "unknown" : "");
        QCOMPARE(result["baud_base"].toInt(), args.contains("x8") ? 921600 : 115200);
        QCOMPARE(result["clock"].toString(), args.contains("x8") ? "x8" : "x1");
        QCOMPARE(result["nr_uarts"].toInt(), first == 30 ? 38 : nrUarts);
        QCOMPARE(result["beyond_limit"].toBool(), first == 30);
        QCOMPARE(result["kernel_lines"].toInt(), ttys.count(' ') + 1);
        QCOMPARE(result["warnings"].toArray().size(), 0);
        QCOMPARE(result["unseen"].toString(), "Cards in the stack without a driver are not visible to this check.");
        QCOMPARE(result["base"].toString(), args.contains("--base") ? "300" : "");

        // /etc/serial.conf: a comment with the command that made it, then the lines setserial takes.
        QStringList block = conf.Out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(block.value(0).startsWith("# ZX-SER8 / ZX-BAL8 serial card, ports A to H; made by: zx-setup-cli linux "
                                           "--ports 100,108,110,118,120,128,130,138 --irq "),
            qPrintable(conf.Out));
        QVERIFY(block.value(0).endsWith(" --serial-conf"));
        block.removeFirst();
        QStringList commandsJson;
        for (const QJsonValue &line : result["serial_conf"].toArray())
            commandsJson << line.toString();
        QCOMPARE(block, commandsJson);
        QCOMPARE("setserial " + block.value(0), firstLine);
        QVERIFY(conf.Err.contains("install the setserial package") && conf.Err.contains("/etc/serial.conf")
            && conf.Err.contains("etc-setserial"));
        QCOMPARE(conf.Err.startsWith("First the kernel needs more serial lines"), nrUarts > 0);
    }

    void apply_data()
    {
        QTest::addColumn<QString>("as"); // "nobody": run without root
        QTest::addColumn<QString>("ttys");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const QString &as, const QString &ttys, const QString &error) {
            QTest::newRow(name) << as << ttys << error;
        };
        QString withLines = Standard;
        for (int port = 0; port < 8; ++port)
            withLines += QStringLiteral(" %1:0:0:0").arg(4 + port);
        row("not root", "nobody", withLines,
            "--apply needs root, since the kernel lets only root move a serial line: sudo "
            "zx-setup-cli linux --ports "
            "100,108,110,118,120,128,130,138 --irq 5 --apply");
        row("lines missing", "", Standard, "the kernel lacks serial lines: set 8250.nr_uarts=12 and restart first");
        row("no serial line behind the device", "", withLines,
            "the kernel refused ttyS4 (Inappropriate ioctl for device): /dev/ttyS4 is no serial line");
    }

    void apply()
    {
        // --apply telling the kernel without root or with lines it lacks, or a refusal reported as success.
        QFETCH(QString, as);
        QFETCH(QString, ttys);
        QFETCH(QString, error);
        if (as.isEmpty() && geteuid() != 0)
            QSKIP("needs root");
        QVERIFY((FakeKernelTree {Path("root")}.Ttys(ttys)));
        for (int port = 0; port < 8; ++port)
            WriteFile(Path(QStringLiteral("root/dev/ttyS%1").arg(4 + port)), "");
        QStringList args {"linux", "--ports", Ports, "--irq", "5", "--apply", "--system-root", Path("root")};
        if (as == "nobody" && geteuid() == 0)
            args = QStringList {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + args;
        const TRun run = Run(args);
        QCOMPARE(run.Err, "zx-setup-cli: " + error + "\n");
        QCOMPARE(run.Status, 3);
        QCOMPARE(run.Out.startsWith("First the kernel needs more serial lines"), ttys == Standard);
        for (int port = 0; port < 8; ++port)
            QCOMPARE(ReadFile(QStringLiteral("root/dev/ttyS%1").arg(4 + port)), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
