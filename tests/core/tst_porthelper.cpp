// Port access without root: the helper's line protocol and port filter, and
// the program's fallback from the device to the helper to "no driver".
#include "PortHelperBackend.h"
#include "SimulatedCard.h"
#include "SystemCallRefusal.h"
#include <QtTest>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::uint16_t kNoDriver = 0xAA55;
constexpr int kDeviceSize = 0x10000;

// What the stand-in device holds at a port.
int Pattern(int offset)
{
    return (offset * 7 + 3) & 0xFF;
}

// The helper as a process of its own, talking over pipes like pkexec's child;
// with refusedCall, that system call fails in it; the descriptors in closed
// are closed when it starts.
class THelperRun : public QProcess
{
public:
    THelperRun(const QString &device, const QStringList &args = {}, const QString &pkexecUid = QString(),
        int refusedCall = 0, const QList<int> &closed = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZX_PORTHELPER_DEVICE", device);
        env.remove("PKEXEC_UID");
        if (!pkexecUid.isNull())
            env.insert("PKEXEC_UID", pkexecUid);
        setProcessEnvironment(env);
        setChildProcessModifier([refusedCall, closed] {
            if (refusedCall && !RefuseSystemCall(refusedCall, EPERM))
                _exit(125);
            for (const int fd : closed)
                ::close(fd);
        });
        start(QStringLiteral(ZX_PORTHELPER_BINARY), args);
    }
    ~THelperRun() override
    {
        closeWriteChannel();
        if (!waitForFinished(3000))
            kill();
    }
    QString Line()
    {
        while (!canReadLine())
            if (!waitForReadyRead(3000))
                return QStringLiteral("<no answer>");
        return QString::fromLatin1(readLine()).chopped(1);
    }
    QString Ask(const QByteArray &request)
    {
        write(request + '\n');
        return Line();
    }
};

} // namespace

class tst_PortHelper : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void helperAnswers_data();
    void helperAnswers();
    void helperRun_data();
    void helperRun();

    void backendAccess_data();
    void backendAccess();
    void backendStartsHelperOnlyForCardPorts();

private:
    TPortAccessConfig HelperConfig(const QString &pkexecBody, const QString &helper);
    int Starts() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_device;
    QStringList m_reports;
};

void tst_PortHelper::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_device = m_dir->filePath("port");
    QVERIFY(WriteStandIn(m_device, StandInPortBytes(kDeviceSize)));
    m_reports.clear();
    qputenv("ZX_PORTHELPER_DEVICE", QFile::encodeName(m_device));
}

void tst_PortHelper::cleanup()
{
    qunsetenv("ZX_PORTHELPER_DEVICE");
    m_dir.reset();
}

TPortAccessConfig tst_PortHelper::HelperConfig(const QString &pkexecBody, const QString &helper)
{
    TPortAccessConfig config;
    config.DevicePath.clear(); // as an ordinary user: the device does not open directly
    config.PkexecPath = m_dir->filePath("pkexec");
    WriteStandIn(config.PkexecPath,
        QStringLiteral("#!/bin/sh\necho started >> '%1'\n%2\n").arg(m_dir->filePath("starts"), pkexecBody).toUtf8(),
        true);
    config.HelperPath
        = helper == QLatin1String("real") ? QStringLiteral(ZX_PORTHELPER_BINARY) : m_dir->filePath("helper");
    if (helper != QLatin1String("real"))
        WriteStandIn(config.HelperPath, ("#!/bin/sh\n" + helper + "\n").toUtf8(), true);
    config.LockdownPath = m_dir->filePath("lockdown");
    config.StartTimeoutMs = 3000;
    config.ReplyTimeoutMs = 300;
    config.Report = [this](const QString &line) { m_reports << line; };
    config.KeptVariables << "ZX_PORTHELPER_DEVICE";
    return config;
}

int tst_PortHelper::Starts() const
{
    return ReadStandIn(m_dir->filePath("starts")).count('\n');
}

void tst_PortHelper::helperAnswers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("reply"); // an "ERR <kind>" reply is matched by its start
    QTest::addColumn<int>("offset"); // written byte's offset, -1: nothing written
    QTest::addColumn<int>("byte");

    const auto read = [](int port) { return QStringLiteral("OK 0x%1").arg(Pattern(port), 2, 16, QLatin1Char('0')); };
    QTest::newRow("driver probe") << QByteArray("IN 0x61") << read(0x61) << -1 << 0;
    QTest::newRow("index port of 300") << QByteArray("IN 0x301") << read(0x301) << -1 << 0;
    QTest::newRow("data port of 3E0") << QByteArray("IN 0x3E2") << read(0x3E2) << -1 << 0;
    QTest::newRow("index port of 100") << QByteArray("IN 0x101") << read(0x101) << -1 << 0;
    QTest::newRow("write index of 300") << QByteArray("OUT 0x301 0x05") << "OK" << 0x301 << 0x05;
    QTest::newRow("write data of 3E0") << QByteArray("OUT 0x3e2 0xFF") << "OK" << 0x3E2 << 0xFF;
    QTest::newRow("write zero to data of 100") << QByteArray("OUT 0x102 0x0") << "OK" << 0x102 << 0x00;
    QTest::newRow("tolerates CR LF") << QByteArray("OUT 0x122 0x7f\r") << "OK" << 0x122 << 0x7F;

    const auto bad = [](const QString &kind, std::initializer_list<std::pair<const char *, QByteArray>> rows) {
        for (const auto &[name, request] : rows)
            QTest::newRow(qPrintable(kind + QStringLiteral(": ") + name)) << request << "ERR " + kind << -1 << 0;
    };
    // The system board's ports are refused even where a base below 100 would put the card's.
    bad("refused",
        {{"port below the probe", "OUT 0x60 0x01"}, {"DMA, index port of 000", "IN 0x1"},
            {"DMA, data port of 000 written", "OUT 0x002 0x00"}, {"interrupt controller mask", "OUT 0x021 0xff"},
            {"probe port written", "OUT 0x061 0x03"}, {"data port of E0 read", "IN 0x0E2"},
            {"base address itself", "IN 0x300"}, {"third port above a base", "OUT 0x303 0x01"},
            {"above the settable bases", "IN 0x401"}, {"top of the port space", "IN 0xffff"}});
    bad("malformed",
        {{"empty line", ""}, {"no port", "IN"}, {"decimal port", "IN 769"}, {"bare prefix", "IN 0x"},
            {"port past 16 bits", "IN 0x10301"}, {"write without value", "OUT 0x301"},
            {"value past a byte", "OUT 0x301 0x105"}, {"not hexadecimal", "OUT 0x30g 0x05"},
            {"trailing word", "IN 0x301 now"}, {"lower-case verb", "out 0x301 0x05"}, {"unknown verb", "RESET 0x301"},
            {"over-long line", "OUT 0x301 0x05 " + QByteArray(4000, 'x')}});
}

void tst_PortHelper::helperAnswers()
{
    // A request reaching another port's offset, a port outside the card's
    // registers served, or a bad line writing something or stopping the helper.
    QFETCH(QByteArray, request);
    QFETCH(QString, reply);
    QFETCH(int, offset);
    QFETCH(int, byte);
    QByteArray expected = StandInPortBytes(kDeviceSize);
    if (offset >= 0)
        expected[offset] = char(byte);
    expected[0x302] = 0x44;
    THelperRun helper(m_device);
    QCOMPARE(helper.Line(), QStringLiteral("READY"));
    if (geteuid() == 0) {
        // Served by an account of its own (nobody where the package has not made it), never by root.
        const passwd *account = getpwnam("_zxsetup");
        account = account ? account : getpwnam("nobody");
        QVERIFY(account);
        const QString status
            = QString::fromLatin1(ReadStandIn(QStringLiteral("/proc/%1/status").arg(helper.processId())));
        const uint uid = account->pw_uid;
        QVERIFY2(status.contains(QStringLiteral("\nUid:\t%1\t%1\t%1\t%1\n").arg(uid)), qPrintable(status));
    }
    const QString got = helper.Ask(request);
    QVERIFY2(reply.startsWith("ERR") ? got.startsWith(reply) : got == reply, qPrintable(got));
    QCOMPARE(helper.Ask("OUT 0x302 0x44"), QStringLiteral("OK")); // still serving
    QVERIFY(ReadStandIn(m_device) == expected);
}

void tst_PortHelper::helperRun_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("deviceExists");
    QTest::addColumn<QString>("pkexecUid");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // all the helper answers to a write and a read
    QTest::addColumn<QString>("logged"); // the end of the one log line
    QTest::addColumn<int>("refusedCall"); // a system call that fails in the helper; 0: none
    QTest::addColumn<QList<int>>("closed"); // standard descriptors closed when it starts
    const QString own = QString::number(getuid());
    const QString served = QStringLiteral("READY\nOK\nOK 0x%1\n").arg(Pattern(0x302), 2, 16, QLatin1Char('0'));
    const QString wrote = QStringLiteral("uid %1: wrote 0x05 to port 0x301");
    const QList<int> none;
    QTest::newRow("started through pkexec")
        << QStringList() << true << "4242" << 0 << served << wrote.arg("4242") << 0 << none;
    QTest::newRow("started directly") << QStringList() << true << QString() << 0 << served << wrote.arg(own) << 0
                                      << none;
    QTest::newRow("unreadable caller id")
        << QStringList() << true << "42x" << 0 << served << wrote.arg(own) << 0 << none;
    // pkexec passes its caller's arguments through: none may redirect the helper.
    QTest::newRow("argument naming another file")
        << QStringList {"--device", "/etc/passwd"} << true << QString() << 64 << QString() << QString() << 0 << none;
    QTest::newRow("missing device") << QStringList() << false << QString() << 69
                                    << QStringLiteral("ERR open 2 %1\n").arg(strerror(ENOENT)) << QString() << 0
                                    << none;
    // Started with its standard descriptors closed (an init script's ">&-"), the device would take their place:
    // the replies would be written into the ports from 0, the port space read as requests.
    QTest::newRow("standard input closed") << QStringList() << true << QString() << 0 << "READY\n"
                                           << QString() << 0 << QList<int> {0};
    QTest::newRow("standard output closed")
        << QStringList() << true << QString() << 0 << QString() << wrote.arg(own) << 0 << QList<int> {1};
    QTest::newRow("standard error closed")
        << QStringList() << true << QString() << 0 << served << QString() << 0 << QList<int> {2};
    QTest::newRow("all three closed") << QStringList() << true << QString() << 0 << QString() << QString() << 0
                                      << QList<int> {0, 1, 2};
    // Started as root (by pkexec) it leaves root before serving, or does not serve at all.
    const QString noDrop = QStringLiteral("uid 4242: could not drop root privileges (%1): %2; not serving");
    for (const auto &[what, call] :
        {std::pair {"supplementary groups", SYS_setgroups}, {"group id", SYS_setgid}, {"user id", SYS_setuid}})
        QTest::newRow(qPrintable(QStringLiteral("%1 kept").arg(what)))
            << QStringList() << true << "4242" << 71 << QString() << noDrop.arg(what, strerror(EPERM)) << int(call)
            << none;
}

void tst_PortHelper::helperRun()
{
    // A helper that serves another file or fails to start without saying so,
    // a write not traceable to the user who asked for it, or a helper that
    // outlives its program and holds the device open as root.
    QFETCH(QStringList, args);
    QFETCH(bool, deviceExists);
    QFETCH(QString, pkexecUid);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, logged);
    QFETCH(int, refusedCall);
    QFETCH(QList<int>, closed);
    if (refusedCall && geteuid() != 0)
        QSKIP("the helper changes its ids only when it starts as root");
    THelperRun helper(deviceExists ? m_device : m_dir->filePath("absent"), args, pkexecUid, refusedCall, closed);
    helper.write("OUT 0x301 0x05\nIN 0x302\n");
    helper.closeWriteChannel();
    QVERIFY(helper.waitForFinished(3000));
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.exitCode(), exitCode);
    QCOMPARE(QString::fromLatin1(helper.readAllStandardOutput()), output);
    // Only a request reaches the device, and only the card's index port.
    QByteArray expected = StandInPortBytes(kDeviceSize);
    if (exitCode == 0 && !closed.contains(0))
        expected[0x301] = 0x05;
    if (!logged.isEmpty()) {
        const QStringList log = QString::fromLatin1(helper.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 1); // the write, not the read
        QVERIFY2(log.first().endsWith(logged), qPrintable(log.first()));
    }
    QVERIFY(ReadStandIn(m_device) == expected);
}

void tst_PortHelper::backendAccess_data()
{
    QTest::addColumn<bool>("device"); // the device opens (root); false: not tried (an ordinary user)
    QTest::addColumn<QString>("pkexec"); // script body
    QTest::addColumn<QString>("helper"); // "real" or a script body
    QTest::addColumn<QByteArray>("lockdown");
    QTest::addColumn<QList<int>>("reads"); // three reads of port 0x302
    QTest::addColumn<QString>("cause"); // empty: access works
    QTest::addColumn<int>("starts");
    QTest::addColumn<QStringList>("environment"); // set in the program's for the row
    QTest::addColumn<QStringList>("pkexecGot"); // then what pkexec got of those and PATH

    const QString run = QStringLiteral("exec \"$@\"");
    const int data = Pattern(0x302);
    const QList<int> all {data, data, data}, none {kNoDriver, kNoDriver, kNoDriver};
    const auto row = [](const char *name, bool device, const QString &pkexec, const QString &helper,
                         const QList<int> &reads, const QString &cause, int starts, const QByteArray &lockdown = {},
                         const QStringList &environment = {}, const QStringList &pkexecGot = {}) {
        QTest::newRow(name) << device << pkexec << helper << lockdown << reads << cause << starts << environment
                            << pkexecGot;
    };
    row("run as root: the device, no helper", true, run, "real", all, {}, 0);
    row("helper serves", false, run, "real", all, {}, 1);
    row("authorisation dismissed", false, "exit 126", "real", none, "Authorisation was dismissed. Try again", 1);
    // pkexec refuses a SHELL that /etc/shells does not list and locale values with "/", "%" or ".."; it gets a
    // clean environment instead, and its own line says why it refused all the same.
    const QString strictPkexec
        = QStringLiteral("env | grep -v '^PWD=' | sort > \"$(dirname \"$0\")/environment\"\n"
                         "if [ -n \"${SHELL+set}\" ] && ! grep -qx \"$SHELL\" /etc/shells; then\n"
                         "  echo 'The value for the SHELL variable was not found the /etc/shells file' >&2\n"
                         "  printf '\\nThis incident has been reported.\\n' >&2; exit 127\nfi\nexec \"$@\"");
    const QStringList odd {"SHELL=/home/user/.local/bin/zsh", "LANG=../../tmp/x", "LC_ALL=C.UTF-8",
        "LC_TIME=en_DK.UTF-8", "LC_NUMERIC=de_DE%", "LC_MONETARY=en_US/x", "TERM=xterm-256color", "HOME=/home/user",
        "DISPLAY=:0"};
    row("odd SHELL, LANG and LC_* of the caller", false, strictPkexec, "real", all, {}, 1, {}, odd,
        {"LC_ALL=C.UTF-8", "LC_TIME=en_DK.UTF-8", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"});
    row("refused, pkexec's line kept", false,
        "echo 'Error executing command as another user: Not authorized' >&2; "
        "printf '\\nThis incident has been reported.\\n' >&2; exit 127",
        "real", none, "administer this computer. pkexec said: Error executing command as another user: Not authorized",
        1);
    row("helper dies after one answer", false, run, "echo READY; read l; echo 'OK 0x12'", {0x12, kNoDriver, kNoDriver},
        "stopped unexpectedly (exit status 0). Restart", 1);
    row("helper hangs", false, run, "echo READY; exec sleep 5", none, "did not answer within 300 ms. Restart", 1);
    row("helper talks nonsense", false, run, "echo READY; read l; echo 'fine thanks'; exec sleep 5", none,
        "does not understand. Reinstall", 1);
    row("helper ends before ready", false, run, "exit 3", none,
        "did not start (exit status 3). The system log says why", 1);
    // The kernel's lockdown selection tells lockdown from a plain refusal.
    const QString notPermitted = QStringLiteral("echo 'ERR open 1 Operation not permitted'; exit 69");
    row("kernel lockdown, integrity", false, run, notPermitted, none, "locked down (mode \"integrity\")", 1,
        "none [integrity] confidentiality\n");
    row("kernel lockdown, confidentiality", false, run, notPermitted, none, "locked down (mode \"confidentiality\")", 1,
        "none integrity [confidentiality]\n");
    const QString adminRefused = QStringLiteral("refused even to the administrator (%1). A container");
    row("lockdown off, permission denied", false, run, "echo 'ERR open 13 Permission denied'; exit 69", none,
        adminRefused.arg(strerror(EACCES)), 1, "[none] integrity confidentiality\n");
    row("lockdown without a selection", false, run, notPermitted, none, adminRefused.arg(strerror(EPERM)), 1,
        "none integrity\n");
    row("lockdown unreadable", false, run, notPermitted, none, adminRefused.arg(strerror(EPERM)), 1);
}

void tst_PortHelper::backendAccess()
{
    // Root not using the device, a needless prompt, or a failure the program
    // does not see as a missing driver, that writes, or is not said exactly once.
    QFETCH(bool, device);
    QFETCH(QString, pkexec);
    QFETCH(QString, helper);
    QFETCH(QByteArray, lockdown);
    QFETCH(QList<int>, reads);
    QFETCH(QString, cause);
    QFETCH(int, starts);
    QFETCH(QStringList, environment);
    QFETCH(QStringList, pkexecGot);
    if (!lockdown.isEmpty())
        QVERIFY(WriteStandIn(m_dir->filePath("lockdown"), lockdown));
    // The program's environment for this row, put back afterwards.
    QList<QPair<QByteArray, QByteArray>> saved;
    const auto restored = qScopeGuard([&saved] {
        for (const auto &[name, value] : std::as_const(saved))
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    });
    QStringList names {"PATH"};
    for (const QString &pair : environment) {
        const QByteArray name = pair.section('=', 0, 0).toLatin1();
        saved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        qputenv(name, pair.section('=', 1).toLocal8Bit());
        names << QString::fromLatin1(name);
    }
    TPortAccessConfig config = HelperConfig(pkexec, helper);
    if (device)
        config.DevicePath = m_device;

    QByteArray expected = StandInPortBytes(kDeviceSize);
    {
        TPortHelperBackend backend(config);
        // The probe, before any card access: the device's byte, or anything but "no driver".
        QCOMPARE(int(backend.In(0x61)), device ? Pattern(0x61) : 0);
        QCOMPARE(Starts(), 0);
        for (int i = 0; i < reads.size(); ++i)
            QCOMPARE(int(backend.In(0x302)), reads.at(i));
        backend.Out(0x301, 0x09);
        if (cause.isEmpty()) {
            expected[0x301] = 0x09;
            QCOMPARE(m_reports, QStringList());
        } else {
            QCOMPARE(int(backend.In(0x61)), int(kNoDriver));
            QVERIFY2(backend.Cause().contains(cause) && !backend.Cause().contains('\n'), qPrintable(backend.Cause()));
            QCOMPARE(m_reports, QStringList {"Settings: port access unavailable: " + backend.Cause()});
        }
        QCOMPARE(Starts(), starts);
    }
    QVERIFY(ReadStandIn(m_device) == expected);
    if (!environment.isEmpty()) {
        QStringList got;
        for (const QString &pair : QString::fromLocal8Bit(ReadStandIn(m_dir->filePath("environment"))).split('\n'))
            if (names.contains(pair.section('=', 0, 0)))
                got << pair;
        QCOMPARE(got, pkexecGot);
    }
}

void tst_PortHelper::backendStartsHelperOnlyForCardPorts()
{
    // Start-up must never prompt: only the card's own ports, or asking for access, start the helper.
    TPortHelperBackend backend(HelperConfig(QStringLiteral("exec \"$@\""), QStringLiteral("real")));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(backend.In(0x61), std::uint16_t(0));
    QCOMPARE(int(backend.In(0x3F8)), int(kNoDriver));
    backend.Out(0x303, 0x01);
    backend.Out(0x021, 0xFF);
    backend.Out(0x061, 0x00);
    QCOMPARE(Starts(), 0);
    QCOMPARE(m_reports.size(), 1); // the refused ports, once
    QVERIFY(m_reports.first().contains("0x3f8"));

    QVERIFY(backend.Acquire());
    QCOMPARE(Starts(), 1);
    backend.Out(0x301, 0x03);
    QVERIFY(backend.Acquire());
    QCOMPARE(Starts(), 1);
    QCOMPARE(backend.In(0x302), std::uint16_t(Pattern(0x302)));
    backend.Out(0x3E2, 0x04);
    QCOMPARE(backend.In(0x61), std::uint16_t(Pattern(0x61))); // now the real probe port
    QCOMPARE(int(backend.In(0x300)), int(kNoDriver));
    QCOMPARE(Starts(), 1);
    QCOMPARE(m_reports.size(), 1);

    QByteArray expected = StandInPortBytes(kDeviceSize);
    expected[0x301] = 0x03;
    expected[0x3E2] = 0x04;
    QVERIFY(ReadStandIn(m_device) == expected);
}

QTEST_GUILESS_MAIN(tst_PortHelper)
#include "tst_porthelper.moc"
