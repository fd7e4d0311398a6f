// Port access without root: the helper's line protocol and port filter, and
// the program's fallback from the device to the helper to "no driver".
#include "PortHelperBackend.h"
#include "TestMain.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

constexpr std::uint16_t kNoDriver = 0xAA55;
constexpr int kDeviceSize = 0x10000;

unsigned char Pattern(int offset)
{
    return static_cast<unsigned char>(offset * 7 + 3);
}

QByteArray PatternBytes()
{
    QByteArray bytes(kDeviceSize, '\0');
    for (int i = 0; i < kDeviceSize; ++i)
        bytes[i] = char(Pattern(i));
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

// The helper as a process of its own, talking over pipes like pkexec's child.
class THelperRun
{
public:
    THelperRun(const QString &device, const QStringList &args = {}, const QString &pkexecUid = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZX_PORTHELPER_DEVICE", device);
        env.remove("PKEXEC_UID");
        if (!pkexecUid.isNull())
            env.insert("PKEXEC_UID", pkexecUid);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(ZX_PORTHELPER_BINARY), args);
    }
    ~THelperRun()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    QString Line()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(3000))
                return QStringLiteral("<no answer>");
        return QString::fromLatin1(m_process.readLine()).chopped(1);
    }
    QString Ask(const QByteArray &request)
    {
        m_process.write(request + '\n');
        return Line();
    }
    QProcess &Process() { return m_process; }

private:
    QProcess m_process;
};

} // namespace

class tst_PortHelper : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void helperServesControlPorts_data();
    void helperServesControlPorts();
    void helperRefusesOtherPorts_data();
    void helperRefusesOtherPorts();
    void helperSurvivesMalformedRequests_data();
    void helperSurvivesMalformedRequests();
    void helperEndsAtEndOfInput();
    void helperStartFailures_data();
    void helperStartFailures();
    void helperLogsWritesWithCaller_data();
    void helperLogsWritesWithCaller();

    void backendUsesDeviceWhenItOpens();
    void backendFallsBack_data();
    void backendFallsBack();
    void backendStartsHelperOnlyForCardPorts();
    void backendRefusesBeforeHelperForMissingNode();
    void lockdownMode_data();
    void lockdownMode();

private:
    TPortAccessConfig HelperConfig(const QString &pkexecBody, const QString &helper);
    int Starts() const;

    QTemporaryDir *m_dir = nullptr;
    QString m_device;
    QStringList m_reports;
};

void tst_PortHelper::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_device = m_dir->filePath("port");
    WriteFile(m_device, PatternBytes());
    m_reports.clear();
    qputenv("ZX_PORTHELPER_DEVICE", QFile::encodeName(m_device));
}

void tst_PortHelper::cleanup()
{
    qunsetenv("ZX_PORTHELPER_DEVICE");
    delete m_dir;
    m_dir = nullptr;
}

TPortAccessConfig tst_PortHelper::HelperConfig(const QString &pkexecBody, const QString &helper)
{
    TPortAccessConfig config;
    config.DevicePath.clear(); // as an ordinary user: the device does not open directly
    config.PkexecPath = m_dir->filePath("pkexec");
    if (!pkexecBody.isEmpty())
        WriteFile(config.PkexecPath,
                  QStringLiteral("#!/bin/sh\necho started >> '%1'\n%2\n").arg(m_dir->filePath("starts"), pkexecBody).toUtf8(),
                  true);
    if (helper == QLatin1String("real")) {
        config.HelperPath = QStringLiteral(ZX_PORTHELPER_BINARY);
    } else {
        config.HelperPath = m_dir->filePath("helper");
        if (helper != QLatin1String("missing"))
            WriteFile(config.HelperPath, ("#!/bin/sh\n" + helper + "\n").toUtf8(), true);
    }
    config.LockdownPath = m_dir->filePath("lockdown");
    config.StartTimeoutMs = 3000;
    config.ReplyTimeoutMs = 300;
    config.Report = [this](const QString &line) { m_reports << line; };
    return config;
}

int tst_PortHelper::Starts() const
{
    return ReadAll(m_dir->filePath("starts")).count('\n');
}

void tst_PortHelper::helperServesControlPorts_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("offset"); // written byte's offset, -1 for reads
    QTest::addColumn<int>("byte");

    const auto read = [](int port) { return QStringLiteral("OK 0x%1").arg(Pattern(port), 2, 16, QLatin1Char('0')); };
    QTest::newRow("driver probe") << QByteArray("IN 0x61") << read(0x61) << -1 << 0;
    QTest::newRow("index port of 300") << QByteArray("IN 0x301") << read(0x301) << -1 << 0;
    QTest::newRow("data port of 3E0") << QByteArray("IN 0x3E2") << read(0x3E2) << -1 << 0;
    QTest::newRow("index port of 000") << QByteArray("IN 0x1") << read(0x001) << -1 << 0;
    QTest::newRow("write index of 300") << QByteArray("OUT 0x301 0x05") << "OK" << 0x301 << 0x05;
    QTest::newRow("write data of 3E0") << QByteArray("OUT 0x3e2 0xFF") << "OK" << 0x3E2 << 0xFF;
    QTest::newRow("write zero to data of 000") << QByteArray("OUT 0x002 0x0") << "OK" << 0x002 << 0x00;
    QTest::newRow("tolerates CR LF") << QByteArray("OUT 0x022 0x7f\r") << "OK" << 0x022 << 0x7F;
}

void tst_PortHelper::helperServesControlPorts()
{
    // A request must reach exactly its own port's offset, and nothing else.
    QFETCH(QByteArray, request);
    QFETCH(QString, reply);
    QFETCH(int, offset);
    QFETCH(int, byte);
    QByteArray expected = PatternBytes();
    if (offset >= 0)
        expected[offset] = char(byte);
    {
        THelperRun helper(m_device);
        QCOMPARE(helper.Line(), QStringLiteral("READY"));
        QCOMPARE(helper.Ask(request), reply);
    }
    QVERIFY(ReadAll(m_device) == expected);
}

void tst_PortHelper::helperRefusesOtherPorts_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("port below the probe") << QByteArray("OUT 0x60 0x01");
    QTest::newRow("base address itself") << QByteArray("IN 0x300");
    QTest::newRow("third port above a base") << QByteArray("OUT 0x303 0x01");
    QTest::newRow("above the settable bases") << QByteArray("IN 0x401");
    QTest::newRow("a COM port") << QByteArray("OUT 0x3f8 0x41");
    QTest::newRow("top of the port space") << QByteArray("IN 0xffff");
}

void tst_PortHelper::helperRefusesOtherPorts()
{
    // A port outside the card's registers must be refused, visibly, untouched.
    QFETCH(QByteArray, request);
    THelperRun helper(m_device);
    QCOMPARE(helper.Line(), QStringLiteral("READY"));
    QVERIFY2(helper.Ask(request).startsWith("ERR refused"), request);
    QCOMPARE(helper.Ask("IN 0x301"), QStringLiteral("OK 0x%1").arg(Pattern(0x301), 2, 16, QLatin1Char('0')));
    QVERIFY(ReadAll(m_device) == PatternBytes());
}

void tst_PortHelper::helperSurvivesMalformedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("empty line") << QByteArray("");
    QTest::newRow("no port") << QByteArray("IN");
    QTest::newRow("decimal port") << QByteArray("IN 769");
    QTest::newRow("bare prefix") << QByteArray("IN 0x");
    QTest::newRow("port past 16 bits") << QByteArray("IN 0x10301");
    QTest::newRow("write without value") << QByteArray("OUT 0x301");
    QTest::newRow("value past a byte") << QByteArray("OUT 0x301 0x105");
    QTest::newRow("not hexadecimal") << QByteArray("OUT 0x30g 0x05");
    QTest::newRow("trailing word") << QByteArray("IN 0x301 now");
    QTest::newRow("lower-case verb") << QByteArray("out 0x301 0x05");
    QTest::newRow("unknown verb") << QByteArray("RESET 0x301");
    QTest::newRow("over-long line") << QByteArray("OUT 0x301 0x05 ") + QByteArray(4000, 'x');
}

void tst_PortHelper::helperSurvivesMalformedRequests()
{
    // A bad line must be answered once, write nothing and not stop the helper.
    QFETCH(QByteArray, request);
    THelperRun helper(m_device);
    QCOMPARE(helper.Line(), QStringLiteral("READY"));
    QVERIFY(helper.Ask(request).startsWith("ERR malformed"));
    QCOMPARE(helper.Ask("OUT 0x302 0x44"), QStringLiteral("OK"));
    QByteArray expected = PatternBytes();
    expected[0x302] = 0x44;
    QVERIFY(ReadAll(m_device) == expected);
}

void tst_PortHelper::helperEndsAtEndOfInput()
{
    // A helper that outlives its program would hold the device open as root.
    THelperRun helper(m_device);
    QCOMPARE(helper.Line(), QStringLiteral("READY"));
    QCOMPARE(helper.Ask("OUT 0x301 0x01"), QStringLiteral("OK"));
    helper.Process().closeWriteChannel();
    QVERIFY(helper.Process().waitForFinished(3000));
    QCOMPARE(helper.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.Process().exitCode(), 0);
}

void tst_PortHelper::helperStartFailures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("deviceExists");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<int>("exitCode");
    // pkexec passes its caller's arguments through: none may redirect the helper.
    QTest::newRow("argument naming another file") << QStringList{"--device", "/etc/passwd"} << true << QString() << 64;
    QTest::newRow("missing device") << QStringList() << false << QStringLiteral("ERR open 2 ") << 69;
}

void tst_PortHelper::helperStartFailures()
{
    // A helper that cannot serve must say so and end, not serve another file.
    QFETCH(QStringList, args);
    QFETCH(bool, deviceExists);
    QFETCH(QString, firstLine);
    QFETCH(int, exitCode);
    THelperRun helper(deviceExists ? m_device : m_dir->filePath("absent"), args);
    helper.Process().write("OUT 0x301 0x05\n");
    QVERIFY(helper.Process().waitForFinished(3000));
    QCOMPARE(helper.Process().exitCode(), exitCode);
    const QString out = QString::fromLatin1(helper.Process().readAllStandardOutput());
    if (firstLine.isEmpty())
        QCOMPARE(out, QString());
    else
        QVERIFY2(out.startsWith(firstLine), qPrintable(out));
    QVERIFY(ReadAll(m_device) == PatternBytes());
}

void tst_PortHelper::helperLogsWritesWithCaller_data()
{
    QTest::addColumn<QString>("pkexecUid");
    QTest::addColumn<QString>("loggedUid");
    const QString own = QString::number(getuid());
    QTest::newRow("started through pkexec") << QStringLiteral("4242") << QStringLiteral("4242");
    QTest::newRow("started directly") << QString() << own;
    QTest::newRow("unreadable caller id") << QStringLiteral("42x") << own;
}

void tst_PortHelper::helperLogsWritesWithCaller()
{
    // Every write to the card must be traceable to the user who asked for it.
    QFETCH(QString, pkexecUid);
    QFETCH(QString, loggedUid);
    THelperRun helper(m_device, {}, pkexecUid);
    QCOMPARE(helper.Line(), QStringLiteral("READY"));
    QCOMPARE(helper.Ask("OUT 0x301 0x05"), QStringLiteral("OK"));
    QCOMPARE(helper.Ask("IN 0x302").left(3), QStringLiteral("OK "));
    helper.Process().closeWriteChannel();
    QVERIFY(helper.Process().waitForFinished(3000));
    const QStringList log = QString::fromLatin1(helper.Process().readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(log.size(), 1); // the write, not the read
    QVERIFY2(log.first().endsWith(QStringLiteral("uid %1: wrote 0x05 to port 0x301").arg(loggedUid)),
             qPrintable(log.first()));
}

void tst_PortHelper::backendUsesDeviceWhenItOpens()
{
    // Run as root, the program must use the device and never ask for a helper.
    TPortAccessConfig config = HelperConfig(QStringLiteral("exec \"$@\""), QStringLiteral("real"));
    config.DevicePath = m_device;
    TPortHelperBackend backend(config);
    QCOMPARE(backend.AccessState(), TPortHelperBackend::asDirect);
    QCOMPARE(backend.In(0x61), std::uint16_t(Pattern(0x61)));
    backend.Out(0x301, 0x07);
    QCOMPARE(backend.In(0x302), std::uint16_t(Pattern(0x302)));
    QCOMPARE(int(ReadAll(m_device).at(0x301)), 0x07);
    QCOMPARE(Starts(), 0);
    QCOMPARE(m_reports, QStringList());
}

void tst_PortHelper::backendFallsBack_data()
{
    QTest::addColumn<QString>("pkexec");   // script body; empty: not installed
    QTest::addColumn<QString>("helper");   // "real", "missing" or a script body
    QTest::addColumn<QByteArray>("lockdown");
    QTest::addColumn<int>("probe");        // port 0x61 before any card access
    QTest::addColumn<QList<int>>("reads"); // three reads of port 0x302
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("starts");

    const QString run = QStringLiteral("exec \"$@\"");
    const int data = Pattern(0x302);
    const QList<int> none{kNoDriver, kNoDriver, kNoDriver};
    QTest::newRow("helper serves") << run << "real" << QByteArray() << 0 << QList<int>{data, data, data}
                                   << QString() << 1;
    QTest::newRow("pkexec missing") << QString() << "real" << QByteArray() << int(kNoDriver) << none
                                    << "pkexec is not installed" << 0;
    QTest::newRow("helper not installed") << run << "missing" << QByteArray() << int(kNoDriver) << none
                                          << "is not installed; reinstall" << 0;
    QTest::newRow("authorisation dismissed") << "exit 126" << "real" << QByteArray() << 0 << none
                                             << "authorisation was dismissed" << 1;
    QTest::newRow("authorisation refused") << "exit 127" << "real" << QByteArray() << 0 << none
                                           << "authorisation was refused" << 1;
    QTest::newRow("helper dies after one answer") << run << "echo READY; read l; echo 'OK 0x12'" << QByteArray()
                                                  << 0 << QList<int>{0x12, kNoDriver, kNoDriver}
                                                  << "stopped unexpectedly" << 1;
    QTest::newRow("helper hangs") << run << "echo READY; exec sleep 5" << QByteArray() << 0 << none
                                  << "did not answer within 300 ms" << 1;
    QTest::newRow("helper talks nonsense") << run << "echo READY; read l; echo 'fine thanks'; exec sleep 5"
                                           << QByteArray() << 0 << none << "does not understand" << 1;
    QTest::newRow("helper ends before ready") << run << "exit 3" << QByteArray() << 0 << none
                                              << "did not start (exit status 3)" << 1;
    QTest::newRow("kernel lockdown") << run << "echo 'ERR open 1 Operation not permitted'; exit 69"
                                     << QByteArray("none [integrity] confidentiality\n") << 0 << none
                                     << "locked down (mode \"integrity\")" << 1;
    QTest::newRow("helper refused the device") << run << "echo 'ERR open 13 Permission denied'; exit 69"
                                               << QByteArray("[none] integrity confidentiality\n") << 0 << none
                                               << "refused to the port helper" << 1;
}

void tst_PortHelper::backendFallsBack()
{
    // Whatever fails, the program must see a missing driver, write nothing,
    // prompt at most once and say why exactly once.
    QFETCH(QString, pkexec);
    QFETCH(QString, helper);
    QFETCH(QByteArray, lockdown);
    QFETCH(int, probe);
    QFETCH(QList<int>, reads);
    QFETCH(QString, cause);
    QFETCH(int, starts);
    if (!lockdown.isEmpty())
        WriteFile(m_dir->filePath("lockdown"), lockdown);

    QByteArray expected = PatternBytes();
    {
        TPortHelperBackend backend(HelperConfig(pkexec, helper));
        QCOMPARE(int(backend.In(0x61)), probe);
        QCOMPARE(Starts(), 0);
        for (int i = 0; i < reads.size(); ++i)
            QCOMPARE(int(backend.In(0x302)), reads.at(i));
        backend.Out(0x301, 0x09);
        if (cause.isEmpty()) {
            expected[0x301] = 0x09;
            QCOMPARE(backend.AccessState(), TPortHelperBackend::asHelper);
            QCOMPARE(m_reports, QStringList());
        } else {
            QCOMPARE(backend.AccessState(), TPortHelperBackend::asUnavailable);
            QCOMPARE(int(backend.In(0x61)), int(kNoDriver));
            QVERIFY2(backend.Cause().contains(cause), qPrintable(backend.Cause()));
            QCOMPARE(m_reports.size(), 1);
            QVERIFY(m_reports.first().startsWith("Settings: port access unavailable: "));
            QVERIFY(!m_reports.first().contains('\n'));
        }
        QCOMPARE(Starts(), starts);
    }
    QVERIFY(ReadAll(m_device) == expected);
}

void tst_PortHelper::backendStartsHelperOnlyForCardPorts()
{
    // Start-up must never prompt: only the card's own ports start the helper.
    TPortHelperBackend backend(HelperConfig(QStringLiteral("exec \"$@\""), QStringLiteral("real")));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(backend.In(0x61), std::uint16_t(0));
    QCOMPARE(int(backend.In(0x3F8)), int(kNoDriver));
    backend.Out(0x303, 0x01);
    QCOMPARE(Starts(), 0);
    QCOMPARE(m_reports.size(), 1); // the refused ports, once
    QVERIFY(m_reports.first().contains("0x3f8"));

    backend.Out(0x301, 0x03);
    QCOMPARE(Starts(), 1);
    QCOMPARE(backend.In(0x302), std::uint16_t(Pattern(0x302)));
    backend.Out(0x3E2, 0x04);
    QCOMPARE(backend.In(0x61), std::uint16_t(Pattern(0x61))); // now the real probe port
    QCOMPARE(int(backend.In(0x300)), int(kNoDriver));
    QCOMPARE(backend.AccessState(), TPortHelperBackend::asHelper);
    QCOMPARE(Starts(), 1);
    QCOMPARE(m_reports.size(), 1);

    QByteArray expected = PatternBytes();
    expected[0x301] = 0x03;
    expected[0x3E2] = 0x04;
    QVERIFY(ReadAll(m_device) == expected);
}

void tst_PortHelper::backendRefusesBeforeHelperForMissingNode()
{
    // Without a device node the helper cannot help: no prompt, a clear reason.
    TPortAccessConfig config = HelperConfig(QStringLiteral("exec \"$@\""), QStringLiteral("real"));
    config.DevicePath = m_dir->filePath("no-such-node");
    TPortHelperBackend backend(config);
    QCOMPARE(backend.AccessState(), TPortHelperBackend::asUnavailable);
    QCOMPARE(int(backend.In(0x61)), int(kNoDriver));
    QCOMPARE(int(backend.In(0x301)), int(kNoDriver));
    QCOMPARE(Starts(), 0);
    QCOMPARE(m_reports.size(), 1);
    QVERIFY(m_reports.first().contains("no-such-node device node"));
}

void tst_PortHelper::lockdownMode_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: file missing
    QTest::addColumn<QString>("mode");
    QTest::newRow("integrity") << QByteArray("none [integrity] confidentiality\n") << "integrity";
    QTest::newRow("confidentiality") << QByteArray("none integrity [confidentiality]\n") << "confidentiality";
    QTest::newRow("off") << QByteArray("[none] integrity confidentiality\n") << "none";
    QTest::newRow("no selection") << QByteArray("none integrity\n") << QString();
    QTest::newRow("unreadable") << QByteArray() << QString();
}

void tst_PortHelper::lockdownMode()
{
    // A misread selection would blame lockdown for a plain permission problem.
    QFETCH(QByteArray, content);
    QFETCH(QString, mode);
    const QString path = m_dir->filePath("lockdown");
    if (!content.isEmpty())
        WriteFile(path, content);
    QCOMPARE(TPortHelperBackend::LockdownMode(path), mode);
}

ZX_TEST_MAIN(tst_PortHelper)
#include "tst_porthelper.moc"
