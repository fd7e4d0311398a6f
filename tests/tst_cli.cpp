// zx-setup-cli through its real binary, against a stand-in for pkexec and the
// port helper that keeps the card's registers in a file and logs every
// request with its time, and against a fake sysfs tty tree.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

namespace {

struct TRun
{
    int Status = -1;
    QString Out;
    QString Err;
};

struct TLogLine
{
    qint64 Ms;
    QString Request;
};

const QString Ports = QStringLiteral("100,108,110,118,120,128,130,138");
const QString Lost = QStringLiteral("The card did not keep the addresses written for port(s) %1. Check the control "
                                    "base address and that the card is installed, then try again.");
const QString NotUsable = QStringLiteral("The control base address %1 lies in the system board's I/O range (0 to FF), "
                                         "where the card's registers cannot be reached without disturbing the "
                                         "computer. Set the card's address jumpers to 100 or above, enter that "
                                         "address under Settings | Base Address, and try again.");
const QString NoAccess = QStringLiteral("zx-setup-cli: no access to the card's I/O ports: ");

QJsonObject Json(const QString &text)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not JSON: %s", qPrintable(error.errorString()));
    return doc.object();
}

// The address column of the first eight table rows that start with a port letter.
QStringList AddressColumn(const QString &out)
{
    QStringList addresses;
    for (const QString &line : out.split(QLatin1Char('\n')))
        if (addresses.size() < 8 && QRegularExpression(QStringLiteral("^[A-H] ")).match(line).hasMatch())
            addresses << line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).section(' ', 0, 0);
    return addresses;
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void jumpers_data();
    void jumpers();
    void badInput_data();
    void badInput();
    void read_data();
    void read();
    void write_data();
    void write();
    void prompt_data();
    void prompt();
    void kernelLines_data();
    void kernelLines();

private:
    TRun Run(const QStringList &args, const QStringList &env = {}, int stdinFd = -1);
    void SetRegisters(const QList<int> &values);
    QList<int> Registers() const;
    QList<TLogLine> Log() const;

    QTemporaryDir *m_dir = nullptr;
};

void tst_Cli::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void tst_Cli::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

TRun tst_Cli::Run(const QStringList &args, const QStringList &env, int stdinFd)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZX_CLI_PKEXEC", ZX_CLI_STANDIN);
    environment.insert("ZX_CARD_STATE", m_dir->filePath("registers"));
    environment.insert("ZX_CARD_LOG", m_dir->filePath("log"));
    for (const QString &pair : env)
        environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
    process.setProcessEnvironment(environment);
    if (stdinFd >= 0)
        process.setChildProcessModifier([stdinFd] { dup2(stdinFd, STDIN_FILENO); });
    process.start(ZX_CLI_BINARY, args);
    if (stdinFd < 0)
        process.closeWriteChannel();
    TRun run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.Err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void tst_Cli::SetRegisters(const QList<int> &values)
{
    QFile file(m_dir->filePath("registers"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int value : values)
        file.write(QByteArray::number(value, 16) + ' ');
}

QList<int> tst_Cli::Registers() const
{
    QFile file(m_dir->filePath("registers"));
    QList<int> values;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &word : file.readAll().simplified().split(' '))
            values << word.toInt(nullptr, 16);
    return values;
}

QList<TLogLine> tst_Cli::Log() const
{
    QFile file(m_dir->filePath("log"));
    QList<TLogLine> log;
    if (file.open(QIODevice::ReadOnly))
        for (const QString &line : QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts))
            // The driver probe says nothing about the card.
            if (!line.endsWith(QLatin1String(" IN 0x061")))
                log.append({ line.section(' ', 0, 0).toLongLong(), line.section(' ', 1) });
    return log;
}

void tst_Cli::jumpers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("actual");   // the correction line, empty when none
    QTest::addColumn<QString>("states");   // A9 to A5
    QTest::newRow("300") << "300" << "300" << "" << "removed removed installed installed installed";
    QTest::newRow("0300") << "0300" << "300" << "" << "removed removed installed installed installed";
    QTest::newRow("2a0") << "2a0" << "2A0" << "" << "removed installed removed installed removed";
    QTest::newRow("301") << "301" << "301" << "Actual: 300" << "removed removed installed installed installed";
    QTest::newRow("3FF") << "3FF" << "3FF" << "Actual: 3E0" << "removed removed removed removed removed";
    QTest::newRow("1300") << "1300" << "1300" << "Actual: 300" << "removed removed installed installed installed";
    QTest::newRow("0") << "0" << "0" << "" << "installed installed installed installed installed";
    QTest::newRow("1F") << "1F" << "1F" << "Actual: 0" << "installed installed installed installed installed";
    QTest::newRow("FFFFFFFF") << "FFFFFFFF" << "FFFFFFFF" << "Actual: 3E0" << "removed removed removed removed removed";
}

void tst_Cli::jumpers()
{
    // Jumpers drawn for the wrong address lines, or the correction line missing or shown for an exact address.
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, actual);
    QFETCH(QString, states);
    const TRun run = Run({ "jumpers", typed });
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Err, QString());
    const QStringList lines = run.Out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), "Control base address: " + shown);
    QCOMPARE(lines.value(1).startsWith("Actual: ") ? lines.value(1) : QString(), actual);
    const int drawing = lines.indexOf(QRegularExpression("^\\s+A9\\s+A8\\s+A7\\s+A6\\s+A5$"));
    QVERIFY(drawing > 0);
    QCOMPARE(lines.value(drawing + 2).simplified(), states);
    QCOMPARE(lines.value(drawing + 1).count("[o=o]"), states.count("installed"));
    QVERIFY(!QFile::exists(m_dir->filePath("log")));
}

void tst_Cli::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    const QStringList write{ "write", "--yes", "--base", "300", "--irq", "10", "--ports" };
    const QStringList linux{ "linux", "--irq", "10", "--ports", Ports };
    QTest::newRow("base not hexadecimal") << QStringList{ "read", "--base", "30G" }
                                          << "\"30G\" is not a valid hexadecimal value.";
    QTest::newRow("nine significant digits") << QStringList{ "jumpers", "123456789" }
                                             << "\"123456789\" is not a valid hexadecimal value.";
    QTest::newRow("base with a prefix") << QStringList{ "write", "--yes", "--base", "0x300", "--irq", "10",
                                                        "--ports", Ports }
                                        << "\"0x300\" is not a valid hexadecimal value.";
    QTest::newRow("base 60") << QStringList{ "read", "--base", "60" } << NotUsable.arg("60");
    QTest::newRow("base 0E0") << QStringList{ "linux", "--base", "0E0", "--irq", "5" } << NotUsable.arg("E0");
    QTest::newRow("base 1F is 0") << (QStringList{ "write", "--yes", "--irq", "10", "--ports", Ports, "--base", "1F" })
                                  << NotUsable.arg("0");
    QTest::newRow("seven ports") << write + QStringList{ "100,108,110,118,120,128,130" }
                                 << "--ports needs eight addresses, for ports A to H, separated by commas (7 given)";
    QTest::newRow("nine ports") << write + QStringList{ Ports + ",140" }
                                << "--ports needs eight addresses, for ports A to H, separated by commas (9 given)";
    QTest::newRow("port off the grid") << write + QStringList{ "100,108,110,114,120,128,130,138" }
                                       << "port D: 114 is not a port address: choose 100 to 3F8 in steps of 8";
    QTest::newRow("port below 100") << write + QStringList{ "F8,108,110,118,120,128,130,138" }
                                    << "port A: F8 is not a port address: choose 100 to 3F8 in steps of 8";
    QTest::newRow("port above 3F8") << linux.mid(0, 4) + QStringList{ "100,108,110,118,120,128,130,400" }
                                    << "port H: 400 is not a port address: choose 100 to 3F8 in steps of 8";
    QTest::newRow("port not hexadecimal") << write + QStringList{ "100,108,11O,118,120,128,130,138" }
                                          << "port C: \"11O\" is not a valid hexadecimal value.";
    const QString irqs = QStringLiteral("IRQ \"%1\" is not one the card offers: choose 2, 3, 4, 5, 6, 7, 10, 11, 12 or 15");
    QTest::newRow("IRQ 9") << (QStringList{ "write", "--yes", "--base", "300", "--ports", Ports, "--irq", "9" })
                           << irqs.arg("9");
    QTest::newRow("IRQ as the list's A") << (QStringList{ "linux", "--ports", Ports, "--irq", "A" }) << irqs.arg("A");
    QTest::newRow("IRQ 16") << (QStringList{ "linux", "--ports", Ports, "--irq", "16" }) << irqs.arg("16");
    QTest::newRow("unknown option") << QStringList{ "read", "--base", "300", "--force" }
                                    << "Unknown option 'force' (see zx-setup-cli read --help)";
    QTest::newRow("unknown command") << QStringList{ "erase" } << "unknown command \"erase\" (see zx-setup-cli --help)";
    QTest::newRow("no terminal, no --yes")
        << QStringList{ "write", "--base", "300", "--irq", "10", "--ports", Ports }
        << "standard input is not a terminal: add --yes to write without being asked";
    QTest::newRow("both --base and --ports") << linux + QStringList{ "--base", "300" }
                                             << "linux needs either --base or --ports (see zx-setup-cli linux --help)";
    QTest::newRow("first tty not a number") << linux + QStringList{ "--first-tty", "ttyS4" }
                                            << "--first-tty \"ttyS4\" is not a line number from 0 to 248";
    QTest::newRow("unknown UART") << linux + QStringList{ "--uart", "16550B" }
                                  << "--uart \"16550B\" is not a UART type setserial knows: choose 8250, 16450, "
                                     "16550, 16550A, 16650, 16650V2, 16654, 16750, 16850, 16950, 16954";
}

void tst_Cli::badInput()
{
    // Bad input reaching the card's ports, or refused without a clear line and status 2.
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const TRun run = Run(args);
    QCOMPARE(run.Err, "zx-setup-cli: " + error + "\n");
    QCOMPARE(run.Status, 2);
    QCOMPARE(run.Out, QString());
    QVERIFY(!QFile::exists(m_dir->filePath("log")));
}

void tst_Cli::read_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("addresses");   // ports A to H as printed
    QTest::addColumn<QString>("error");           // the start of the last line on standard error
    const QStringList known{ "3F8", "2F8", "100", "108", "110", "118", "3E8", "2E8" };
    QTest::newRow("known card") << QStringList{ "read", "--base", "300" } << QStringList() << 0 << known << "";
    QTest::newRow("typed 301, the card at 300") << QStringList{ "read", "--base", "301", "--json" } << QStringList()
                                                << 0 << known << "";
    QTest::newRow("no card at 2A0") << QStringList{ "read", "--base", "2A0", "--json" } << QStringList() << 0
                                    << QStringList(8, "7F8") << "";
    QTest::newRow("linux from no card") << QStringList{ "linux", "--base", "2A0", "--irq", "5" } << QStringList() << 1
                                        << QStringList()
                                        << "zx-setup-cli: port A reads 7F8, which is not a port address (100 to 3F8): "
                                           "is the card at control base address 2A0, with its DF jumper installed?";
    QTest::newRow("authorisation dismissed") << QStringList{ "read", "--base", "300" }
                                             << QStringList{ "ZX_CARD_EXIT=126" } << 3 << QStringList() << NoAccess;
    QTest::newRow("no pkexec") << QStringList{ "read", "--base", "300" }
                               << QStringList{ "ZX_CLI_PKEXEC=/nonexistent/pkexec" } << 3 << QStringList()
                               << NoAccess + "pkexec is not installed";
    QTest::newRow("writing without access") << QStringList{ "write", "--yes", "--base", "300", "--irq", "10",
                                                            "--ports", Ports }
                                            << QStringList{ "ZX_CARD_EXIT=126" } << 3 << QStringList() << NoAccess;
}

void tst_Cli::read()
{
    // Addresses read from the wrong registers or scaled wrongly, invented without port access, or a missing card
    // turned into serial lines.
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(int, status);
    QFETCH(QStringList, addresses);
    QFETCH(QString, error);
    const QList<int> card{ 0x00, 0x7F, 0x5F, 0x20, 0x21, 0x22, 0x23, 0x7D, 0x5D, 4, 4, 4, 4 };
    SetRegisters(card);
    const TRun run = Run(args, env);
    QCOMPARE(run.Status, status);
    QCOMPARE(Registers(), card);
    if (!error.isEmpty()) {
        // One line that says why, not one from the tool and another from the port backend.
        const QStringList lines = run.Err.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 1 && lines.first().startsWith(error), qPrintable(run.Err));
        QVERIFY(!run.Out.contains("have been written"));
        return;
    }
    QCOMPARE(run.Err, addresses.contains("7F8") ? "zx-setup-cli: not every port has a port address: is the card at "
                                                  "control base address 2A0, with its DF jumper installed?\n"
                                                : QString());
    if (args.contains("--json")) {
        const QJsonObject json = Json(run.Out);
        QCOMPARE(json["base"].toString(), args[2] == "301" ? "300" : args[2]);
        QStringList got;
        for (const QJsonValue &port : json["ports"].toArray())
            got << port["port"].toString() + ' ' + port["address"].toString();
        QCOMPARE(AddressColumn(got.join('\n')), addresses);
        QCOMPARE(got.first().left(1) + got.last().left(1), "AH");
    } else {
        QCOMPARE(AddressColumn(run.Out), addresses);
    }
    // Index writes of registers 1 to 8, each followed by a read of the data port.
    QStringList requests;
    for (const TLogLine &line : Log())
        requests << line.Request;
    QStringList expected{ "START" };
    const int base = args[2].toInt(nullptr, 16) & 0x3E0;
    for (int reg = 1; reg <= 8; ++reg)
        expected << QStringLiteral("OUT 0x%1 0x%2").arg(base + 1, 3, 16, QChar('0')).arg(reg, 2, 16, QChar('0'))
                 << QStringLiteral("IN 0x%1").arg(base + 2, 3, 16, QChar('0'));
    QCOMPARE(requests, expected);
}

void tst_Cli::write_data()
{
    QTest::addColumn<bool>("keeps");   // the card keeps what is written
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("lost");
    QTest::newRow("kept") << true << false << 0 << "";
    QTest::newRow("kept, JSON") << true << true << 0 << "";
    QTest::newRow("not kept") << false << false << 1 << "B, E";
    QTest::newRow("not kept, JSON") << false << true << 1 << "B, E";
}

void tst_Cli::write()
{
    // Registers written out of order, unpaced or interleaved, or lost addresses reported as success.
    QFETCH(bool, keeps);
    QFETCH(bool, json);
    QFETCH(int, status);
    QFETCH(QString, lost);
    // What the card holds already: the new addresses except for ports B and E.
    const QList<int> before{ 0x55, 0x20, 0x31, 0x22, 0x23, 0x34, 0x25, 0x26, 0x27, 3, 3, 3, 3 };
    SetRegisters(before);
    QStringList args{ "write", "--base", "2FF", "--ports", Ports, "--irq", "10", "--yes" };
    if (json)
        args << "--json";
    const TRun run = Run(args, { "ZX_CARD_BASE=2E0", keeps ? "ZX_CARD_KEEPS=1" : "ZX_CARD_KEEPS=0" });
    QCOMPARE(run.Status, status);
    const QString success = QStringLiteral("The resources have been written to the card. You will now need to shut "
                                           "down the stack, remove the DF jumper, and start back up. Your card will "
                                           "then be ready for use!\n");
    QCOMPARE(run.Err, lost.isEmpty() ? QString() : "zx-setup-cli: " + Lost.arg(lost) + "\n");
    QCOMPARE(run.Out.contains("Port  I/O address"), !json);
    if (json) {
        const QJsonObject result = Json(run.Out);
        QCOMPARE(result["kept"].toBool(), lost.isEmpty());
        QCOMPARE(result["lost"].toVariant().toStringList().join(", "), lost);
        QCOMPARE(result["irq"].toInt(), 10);
        QCOMPARE(result["base"].toString(), "2E0");
    } else {
        QVERIFY(run.Out.contains("Control base address: 2FF\nActual: 2E0\n"));
        QCOMPARE(AddressColumn(run.Out), Ports.split(','));
        QVERIFY(run.Out.contains("IRQ   10\n"));
        QCOMPARE(run.Out.endsWith(success), lost.isEmpty());
    }
    const QList<int> written{ 0x00, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 10, 10, 10, 10 };
    QCOMPARE(Registers(), keeps ? written : before);

    // A first read, thirteen index and data writes, then registers 1 to 8 read back; nothing else.
    const QList<TLogLine> log = Log();
    QStringList requests, expected{ "START", "OUT 0x2e1 0x01", "IN 0x2e2" };
    for (const TLogLine &line : log)
        requests << line.Request;
    for (int reg = 0; reg <= 12; ++reg)
        expected << QStringLiteral("OUT 0x2e1 0x%1").arg(reg, 2, 16, QChar('0'))
                 << QStringLiteral("OUT 0x2e2 0x%1").arg(written[reg], 2, 16, QChar('0'));
    for (int reg = 1; reg <= 8; ++reg)
        expected << QStringLiteral("OUT 0x2e1 0x%1").arg(reg, 2, 16, QChar('0')) << "IN 0x2e2";
    QCOMPARE(requests, expected);
    // Data writes keep to a deadline 10 ms on from the start for each.
    QList<qint64> times;
    for (int reg = 0; reg <= 12; ++reg)
        times << log[4 + 2 * reg].Ms;
    for (int reg = 1; reg <= 12; ++reg)
        QVERIFY2(times[reg] - times[0] >= 10 * reg - 1, qPrintable(QString::number(reg)));
    QVERIFY2(times[12] - times[0] < 400, qPrintable(QString::number(times[12] - times[0])));
}

void tst_Cli::prompt_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");
    QTest::newRow("yes") << QByteArray("y\n") << 0;
    QTest::newRow("YES") << QByteArray("YES\n") << 0;
    QTest::newRow("no") << QByteArray("n\n") << 4;
    QTest::newRow("just Enter") << QByteArray("\n") << 4;
    QTest::newRow("end of input") << QByteArray("\x04") << 4;
}

void tst_Cli::prompt()
{
    // Writing without the user's yes at a terminal, or a refusal that still touches the card.
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    int master = -1, slave = -1;
    QVERIFY(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
    QVERIFY(::write(master, answer.constData(), size_t(answer.size())) == answer.size());
    const TRun run = Run({ "write", "--base", "300", "--ports", Ports, "--irq", "3" }, {}, slave);
    ::close(slave);
    ::close(master);
    QCOMPARE(run.Status, status);
    QVERIFY(run.Out.startsWith("Control base address: 300\nPort  I/O address\nA     100\n"));
    QCOMPARE(run.Err, "The setup program will now write the port resources. If they conflict with another device in "
                      "your system, neither may function once the DF jumper is removed. Are you sure you want to use "
                      "these resources?\nWrite these resources to the card? [y/N] "
                          + (status ? QStringLiteral("zx-setup-cli: cancelled; nothing was written\n") : QString()));
    QCOMPARE(QFile::exists(m_dir->filePath("log")), status == 0);
}

void tst_Cli::kernelLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("ttys");           // index:port:irq of each ttyS line the kernel has
    QTest::addColumn<QStringList>("kernel");     // what the kernel has at each port's address
    QTest::addColumn<QString>("firstLine");      // the setserial line of port A
    QTest::addColumn<int>("nrUarts");            // the kernel parameter to set, 0: none
    QTest::addColumn<QString>("moved");          // the note on a line that serves another UART now
    const QString standard = QStringLiteral("0:3F8:4 1:2F8:3 2:3E8:4 3:2E8:3");
    const QStringList unknown(8, QStringLiteral("not known to the kernel"));
    QStringList known;
    QString fourMore = standard;
    for (int port = 0; port < 8; ++port) {
        known << QStringLiteral("ttyS%1 (irq 10)").arg(4 + port);
        fourMore += QStringLiteral(" %1:%2:10").arg(4 + port).arg(0x100 + 8 * port, 0, 16);
    }
    const QStringList given{ "linux", "--ports", Ports, "--irq", "10" };
    QTest::newRow("four standard lines only") << given << standard << unknown
                                              << "/dev/ttyS4 port 0x100 irq 10 uart 16550A" << 12 << "";
    QTest::newRow("all known") << given << fourMore << known << "/dev/ttyS4 port 0x100 irq 10 uart 16550A" << 0
                               << "";
    QStringList oneKnown = unknown;
    oneKnown[2] = "ttyS7 (irq 5)";
    QTest::newRow("one known, from the card, 32 lines")
        << QStringList{ "linux", "--base", "300", "--irq", "5", "--uart", "16750" }
        << standard + " 4:0:0 5:0:0 6:0:0 7:110:5 8:0:0 9:0:0 10:0:0 11:0:0 31:0:0" << oneKnown
        << "/dev/ttyS4 port 0x100 irq 5 uart 16750" << 0
        << "ttyS7 has a UART at 110 now; the line for port D moves it to 118.";
    QTest::newRow("first tty 30") << given + QStringList{ "--first-tty", "30" } << standard + " 4:0:0 31:0:0"
                                  << unknown << "/dev/ttyS30 port 0x100 irq 10 uart 16550A" << 38 << "";
}

void tst_Cli::kernelLines()
{
    // Serial lines for the wrong ttys or addresses, a port the kernel has missed, or too few lines unexplained.
    QFETCH(QStringList, args);
    QFETCH(QString, ttys);
    QFETCH(QStringList, kernel);
    QFETCH(QString, firstLine);
    QFETCH(int, nrUarts);
    QFETCH(QString, moved);
    SetRegisters({ 0, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0, 0, 0, 0 });
    const QString sysfs = m_dir->filePath("tty");
    for (const QString &tty : ttys.split(' ')) {
        const QStringList fields = tty.split(':');
        const QString dir = sysfs + "/ttyS" + fields[0];
        QVERIFY(QDir().mkpath(dir));
        QFile port(dir + "/port"), irq(dir + "/irq");
        QVERIFY(port.open(QIODevice::WriteOnly) && irq.open(QIODevice::WriteOnly));
        port.write("0x" + fields[1].toLatin1() + "\n");
        irq.write(fields[2].toLatin1() + "\n");
    }
    QVERIFY(QDir().mkpath(sysfs + "/tty0"));   // not a serial line
    args << "--sysfs" << sysfs;
    const int first = args.contains("--first-tty") ? args[args.indexOf("--first-tty") + 1].toInt() : 4;

    const TRun text = Run(args);
    QCOMPARE(text.Status, 0);
    QCOMPARE(text.Err, QString());
    QStringList lines = text.Out.split('\n');
    const int table = lines.indexOf("Port  Address  Line    The kernel now");
    QVERIFY(table >= 0);
    for (int port = 0; port < 8; ++port)
        QCOMPARE(lines[table + 1 + port].simplified(),
                 QStringLiteral("%1 %2 ttyS%3 %4")
                     .arg(QChar('A' + port), QString::number(0x100 + 8 * port, 16).toUpper())
                     .arg(first + port)
                     .arg(kernel[port]));
    const int setserial = lines.indexOf(firstLine);
    QVERIFY2(setserial > table, qPrintable(text.Out));
    QCOMPARE(lines[setserial + 7].section(' ', 0, 2), QStringLiteral("/dev/ttyS%1 port 0x138").arg(first + 7));
    QCOMPARE(text.Out.contains(QStringLiteral("8250.nr_uarts=%1 ").arg(nrUarts)), nrUarts != 0);
    QCOMPARE(text.Out.contains("nr_uarts"), nrUarts != 0);
    QCOMPARE(text.Out.count(" has a UART at "), int(!moved.isEmpty()));
    QVERIFY(lines.contains(moved));

    const TRun json = Run(args + QStringList{ "--json" });
    QCOMPARE(json.Status, 0);
    const QJsonObject result = Json(json.Out);
    QCOMPARE(result["nr_uarts"].toInt(), nrUarts);
    QCOMPARE(result["kernel_lines"].toInt(), ttys.count(' ') + 1);
    const QJsonArray ports = result["ports"].toArray();
    QCOMPARE(ports.size(), 8);
    QCOMPARE(ports[0]["line"].toString(), firstLine);
    for (int port = 0; port < 8; ++port) {
        const QString name = kernel[port].section(' ', 0, 0);
        QCOMPARE(ports[port]["kernel_tty"].toString(), name.startsWith("ttyS") ? name : QString());
    }
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
