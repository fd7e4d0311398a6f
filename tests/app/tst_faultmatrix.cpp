// The program under faults it cannot prevent: no port device, an open that is
// refused, authorisation slow, dismissed or refused, the port helper missing,
// dying or silent, the card-driver library missing or incomplete, a handler
// that throws, a damaged photograph. In every case: no crash, an honest
// message that names the cause, nothing written that the user did not confirm.
//
// Covered exactly elsewhere, not repeated here: an absent card, a card not
// keeping its writes, no driver at the writes, a control base among the system
// board's ports, an invalid base (tst_portresources); the helper's port filter
// and a helper that cannot leave root (tst_porthelper); a refused timer and the
// library binding (tst_supporter, tst_lltrelox).
//
// Faults that must not leak into the test process run in a child: the test
// binary started again with "--fault <case> <directory>".
#include "AuthorisationWait.h"
#include "CardTexts.h"
#include "MainWindowFixture.h"
#include "PortHelperBackend.h"
#include "RunLoop.h"
#include "SystemCallRefusal.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TDecodeAhead.h"
#include "TPicture.h"
#include "TPopupForm.h"
#include "TSetupSupporter.h"
#include "TTwoJumper.h"
#include "TUpDown.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QResource>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/syscall.h>
#include <unistd.h>

// The photograph compiled into the program (outside any namespace: the
// resource functions are global).
static void dropCompiledPhotograph()
{
    Q_CLEANUP_RESOURCE(board_photo);
}
static void restoreCompiledPhotograph()
{
    Q_INIT_RESOURCE(board_photo);
}

namespace {

// ---- the child side ----

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Whether the stand-in pkexec that wrote its process id into `dir` is gone
// for good: stopped and reaped, not a zombie.
QString pkexecGone(const QString &dir)
{
    const pid_t pid = pid_t(ReadStandIn(dir + QStringLiteral("/pkexec.pid")).trimmed().toInt());
    if (pid <= 0)
        return QStringLiteral("never started");
    return QString::number(kill(pid, 0) != 0 && errno == ESRCH);
}

// The user's way through the program: start, wait for the help window, then
// the port-resource procedure, every box answered OK; the authorisation box
// runs to its end, or in the "slow" and "cancel" cases is shown for real (and
// cancelled after 300 ms). Reports what was shown, and around the authorisation
// box how long it stood, how often a 10 ms timer fired meanwhile and what became
// of pkexec.
void runProgram(MessageRecorder &boxes, const QString &fault, const QString &dir)
{
    const bool cancel = fault.contains(QLatin1String("cancel"));
    TMainForm form;
    form.SetSystemRoot(dir); // no sysfs or /proc there: the serial step is the same on every machine
    if (fault.endsWith(QLatin1String("card list"))) // as a program that names its installed cards would
        form.SetSup()->OnGetCardString = [](QObject *, qint32 card) { return QStringLiteral("card %1").arg(card); };
    form.showMaximized();
    const bool help = RunLoopUntil([&] { return form.SetSup()->HelpForm() && form.SetSup()->HelpForm()->isVisible(); });
    say(QStringLiteral("help\t%1").arg(help));
    say(QStringLiteral("header\t%1")
            .arg(form.SetSup()->HeaderLabel() ? form.SetSup()->HeaderLabel()->text() : QString()));

    QElapsedTimer clock;
    clock.start();
    qint64 waitStart = -1, cancelAt = -1;
    int ticks = 0;
    bool boxSeen = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    const auto waitEnded = [&] {
        ticker.stop();
        say(QStringLiteral("wait\t%1\t%2\t%3").arg(clock.elapsed() - waitStart).arg(ticks).arg(boxSeen));
    };
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        const QWidget *modal = QApplication::activeModalWidget();
        const bool up = modal && modal->isVisible() && modal->windowTitle() == QLatin1String("Authorisation");
        if (boxSeen && !up)
            waitEnded();
        boxSeen |= up;
    });
    boxes.realWaitBoxes = cancel || fault.contains(QLatin1String("slow"));
    boxes.whileOpen = [&](const TMessageRequest &request) {
        if (ticker.isActive()) // a box that closed between two ticks
            waitEnded();
        if (cancelAt >= 0) {
            say(QStringLiteral("cancel to next box\t%1").arg(clock.elapsed() - cancelAt));
            cancelAt = -1;
        }
        if (!request.Until)
            return;
        waitStart = clock.elapsed();
        ticker.start(10);
        if (cancel)
            QTimer::singleShot(300, &form, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    cancelAt = clock.elapsed();
                    QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
                }
            });
    };

    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("COMBaseHighlight"));
    ring->MouseEnter(false);
    ring->Click();
    RunLoopUntil([&] { return ring->Popup() && ring->Popup()->isVisible(); });
    auto *button1 = ring->Popup()->findChild<QPushButton *>(QStringLiteral("Button1"));
    MainWindowFixture::click(button1);
    if (fault.contains(QLatin1String("asked again")) && button1->isVisible()) // the user tries once more
        MainWindowFixture::click(button1);
    if (ticker.isActive()) // back from the handler: its wait is over
        waitEnded();
    auto *button2 = ring->Popup()->findChild<QPushButton *>(QStringLiteral("Button2"));
    say(QStringLiteral("grid\t%1").arg(button2->isVisible()));
    if (button2->isVisible()) {
        // Eight addresses of their own: two ports at one are refused.
        int port = 0;
        for (TUpDown *upDown : ring->Popup()->findChildren<TUpDown *>()) {
            upDown->setPosition(0x200 + 8 * port);
            upDown->setPosition(0x208 + 8 * port++);
        }
        ring->Popup()->findChild<QComboBox *>(QStringLiteral("IRQComboA"))->setCurrentIndex(2);
        MainWindowFixture::click(button2);
    }

    for (const TMessageRequest &box : std::as_const(boxes.requests))
        say(QStringLiteral("box\t%1\t%2\t%3")
                .arg(box.Caption, box.Text, QString(box.InformativeText).replace('\n', ' ')));
    say(QStringLiteral("pkexec gone\t%1").arg(pkexecGone(dir)));
    QFile maps(QStringLiteral("/proc/self/maps"));
    say(QStringLiteral("library mapped\t%1")
            .arg(maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libtrelox")));
}

int runFaultChild(int argc, char **argv)
{
    TApplication app(argc, argv);
    const QString fault = QString::fromLocal8Bit(argv[2]);
    const QString dir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    MessageRecorder boxes(TMsgResult::Ok);

    // The stand-ins the test laid out in `dir`; what is not there is not installed.
    TPortAccessConfig config;
    config.HelperPath = dir + QStringLiteral("/helper");
    config.PkexecPath = dir + QStringLiteral("/pkexec");
    config.LockdownPath = dir + QStringLiteral("/lockdown");
    config.StartTimeoutMs = fault.contains(QLatin1String("limit")) ? 1000 : 10000;
    config.ReplyTimeoutMs = 300;
    config.StartWait = WaitForAuthorisation;
    config.KeptVariables << QStringLiteral("ZX_PORTHELPER_DEVICE");
    std::unique_ptr<TPortHelperBackend> helper;

    // The kernel refuses read-write opens as it refuses /dev/port without the
    // privilege or under lockdown: root passes file permissions.
    const int refusal = fault.contains(QLatin1String("EACCES")) ? EACCES
        : fault.contains(QLatin1String("EPERM"))                ? EPERM
                                                                : 0;
    if (refusal && !RefuseSystemCall(__NR_openat, refusal, 2, O_RDWR)) {
        say(QStringLiteral("skip\tthe kernel offers no seccomp filter here"));
        return 0;
    }
    const QString device = dir + QLatin1String(fault.contains(QLatin1String("device missing")) ? "/no-port" : "/port");
    if (fault.startsWith(QLatin1String("device"))) {
        SetPortDevicePath(device);
    } else if (fault.startsWith(QLatin1String("helper"))) {
        // "helper, ...": an ordinary user, whose only way to the ports is the helper.
        config.DevicePath = fault.startsWith(QLatin1String("helper chain")) ? device : QString();
        helper = std::make_unique<TPortHelperBackend>(config);
        SetPortBackend(helper.get());
    } else if (!fault.startsWith(QLatin1String("library"))) {
        say(QStringLiteral("unknown fault ") + fault);
        return 2;
    }
    // The library cases have a card that works, so only the library is at fault.
    std::unique_ptr<SimulatedCard> card(fault.startsWith(QLatin1String("library")) ? new SimulatedCard : nullptr);
    runProgram(boxes, fault, dir);
    return 0;
}

// ---- the test side ----

struct ChildRun
{
    bool ok = false; // ran to its end with status 0
    QStringList lines;
    QStringList causes; // the port backend's lines on standard error

    QStringList values(const QString &key) const
    {
        QStringList found;
        for (const QString &line : lines)
            if (line.startsWith(key + QLatin1Char('\t')))
                found << line.mid(key.size() + 1);
        return found;
    }
    QString value(const QString &key) const { return values(key).value(0); }
};

ChildRun runChild(const QString &fault, const QString &dir, const QString &libraryDir = QString())
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryDir.isEmpty() ? dir : libraryDir);
    env.insert(QStringLiteral("ZX_TRELOX_CARDS"), QStringLiteral("2"));
    env.insert(QStringLiteral("ZX_PORTHELPER_DEVICE"), dir + QStringLiteral("/port"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fault"), fault, dir});
    ChildRun run;
    const bool finished = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit;
    run.ok = finished && child.exitCode() == 0;
    run.lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : QString::fromUtf8(child.readAllStandardError()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Settings: port access unavailable: ")))
            run.causes << line;
    if (!finished)
        child.kill();
    return run;
}

// The board photograph replaced by other bytes while it lives.
class PhotographSwap
{
public:
    PhotographSwap(const QByteArray *bytes, const QString &dir)
    {
        dropCompiledPhotograph();
        if (!bytes)
            return; // no photograph at all
        const QString qrc = dir + QStringLiteral("/photo.qrc");
        WriteStandIn(dir + QStringLiteral("/photo.jpg"), *bytes);
        WriteStandIn(
            qrc, "<RCC><qresource prefix=\"/\"><file alias=\"board.jpg\">photo.jpg</file></qresource></RCC>\n");
        m_rcc = dir + QStringLiteral("/photo.rcc");
        const QString rcc = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc");
        QProcess::execute(rcc, {QStringLiteral("--binary"), QStringLiteral("-o"), m_rcc, qrc});
        m_registered = QResource::registerResource(m_rcc);
    }
    ~PhotographSwap()
    {
        if (m_registered)
            QResource::unregisterResource(m_rcc);
        restoreCompiledPhotograph();
    }
    bool ready(bool wanted) const { return m_registered == wanted; }

private:
    QString m_rcc;
    bool m_registered = false;
};

} // namespace

class tst_FaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void portAccess_data();
    void portAccess();
    void driverLibrary_data();
    void driverLibrary();
    void handlerThrows_data();
    void handlerThrows();
    void damagedPhotograph_data();
    void damagedPhotograph();

private:
    QTemporaryDir m_dir;
};

void tst_FaultMatrix::portAccess_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("pkexec"); // the stand-in's script; empty: not installed
    QTest::addColumn<QString>("helper"); // "real", a script, or empty: not installed
    QTest::addColumn<QByteArray>("lockdown");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("cause"); // under every driver warning, and on standard error
    QTest::addColumn<bool>("grid"); // the port grid opened
    QTest::addColumn<QStringList>("told"); // one more box in full: caption, text and informative text

    const QString dev = m_dir.path();
    const QStringList warned {"Warning", "Access Warning", "Warning"};
    const QStringList asked {"Access Warning", "Authorisation", "Warning"};
    const QString noNode = QStringLiteral("On this computer there is no %1 device node: the kernel offers no I/O port "
                                          "access here (in a container, pass %1 through).");
    const QString refused = geteuid() == 0
        ? QStringLiteral("Permission to open %1/port was refused even to the administrator (%2). A container without "
                         "the CAP_SYS_RAWIO capability, or a security module such as AppArmor or SELinux, withholds "
                         "I/O port access: allow it there.")
        : QStringLiteral("Permission to open %1/port was refused (%2): only the administrator may access I/O ports.");
    const QString noPkexec = QStringLiteral("pkexec is not installed (%1/pkexec not found), so the program cannot ask "
                                            "for permission to access the card. Install it: sudo apt install pkexec")
                                 .arg(dev);
    const QString restart = QStringLiteral(
        " Restart the program; if it happens again, the system log says why: journalctl -t zx-setup-porthelper");
    const QString killed = "The port helper stopped unexpectedly (killed by signal 9)." + restart;
    const QString run = QStringLiteral("exec \"$@\"");
    // Answers the first n requests (reading the grid takes sixteen), then goes.
    const auto serve = [](int n) {
        return QStringLiteral("echo READY; i=0; while [ $i -lt %1 ]; do read l; case \"$l\" in "
                              "IN*) echo 'OK 0x30';; *) echo OK;; esac; i=$((i+1)); done; ")
            .arg(n);
    };
    const auto row = [](const char *name, const char *fault, const QString &pkexec, const QString &helper,
                         const QStringList &captions, const QString &cause, bool grid = false,
                         const QByteArray &lockdown = {}, const QStringList &told = {}) {
        QTest::newRow(name) << QString::fromLatin1(fault) << pkexec << helper << lockdown << captions << cause << grid
                            << told;
    };

    row("/dev/port missing", "device missing", {}, {}, warned, noNode.arg(dev + "/no-port"));
    row("/dev/port missing, helper chain", "helper chain, device missing", run, "real", warned,
        noNode.arg(dev + "/no-port"));
    row("open refused, EACCES", "device refused EACCES", {}, {}, warned, refused.arg(dev, strerror(EACCES)));
    row("open refused, EPERM", "device refused EPERM", {}, {}, warned, refused.arg(dev, strerror(EPERM)));
    // Refused to an ordinary user, the helper would ask; here it is not installed.
    const auto chainRefused = [&](int error) { return geteuid() == 0 ? refused.arg(dev, strerror(error)) : noPkexec; };
    row("open refused, EACCES, helper chain", "helper chain, refused EACCES", {}, {}, warned, chainRefused(EACCES));
    row("open refused, EPERM, helper chain", "helper chain, refused EPERM", {}, {}, warned, chainRefused(EPERM));
    row("kernel lockdown", "helper chain, refused EPERM", run, "real", warned,
        QStringLiteral(
            "The kernel is locked down (mode \"integrity\"), which forbids %1/port. With Secure Boot on "
            "the kernel locks itself down: turn Secure Boot off in the firmware setup to configure the card.")
            .arg(dev),
        false, "none [integrity] confidentiality\n");
    row("pkexec not installed", "helper, pkexec missing", {}, "real", warned, noPkexec);
    row("helper not installed", "helper, helper missing", run, {}, warned,
        QStringLiteral("The port helper %1/helper is not installed. Reinstall the program: sudo apt install "
                       "--reinstall zx-setup")
            .arg(dev));
    const QString dismissed = QStringLiteral("Authorisation was dismissed. Try again and enter the administrator "
                                             "password when asked, to access the card.");
    row("authorisation dismissed", "helper, dismissed", "exit 126", "real", asked, dismissed);
    // Asking again is the user's next request, not a restart of the program.
    row("authorisation dismissed, asked again", "helper, dismissed, asked again",
        QStringLiteral("[ -e '%1/asked' ] && exec \"$@\"; : > '%1/asked'; exit 126").arg(dev), "real",
        asked.mid(0, 2)
            + QStringList {"Warning", "Access Warning", "Authorisation", "Confirmation", "Verification Failed"},
        dismissed, true);
    row("authorisation cancelled in the wait box", "helper, cancelled", "exec sleep 30", "real", asked, dismissed);
    row("authorisation refused or no agent", "helper, refused", "exit 127", "real", asked,
        "Authorisation was refused, or no authentication agent is running to ask for the password. Run the program "
        "in a desktop session as a user who may administer this computer.");
    row("authorisation beyond the limit", "helper, limit 1 s", "exec sleep 30", "real", asked,
        "Authorisation was not given within 1 s. Try again and answer the password dialog sooner.");
    row("helper died since the grid was read", "helper, died", run, serve(16) + "kill -9 $$", asked, killed, true);
    row("helper died while the grid was read", "helper, died", run, serve(7) + "kill -9 $$", asked, killed);
    row("helper died during the writes", "helper, died", run, serve(16 + 1 + 16 + 10) + "kill -9 $$",
        {"Access Warning", "Authorisation", "Confirmation", "Warning"}, killed, true);
    row("helper stopped answering", "helper, silent", run, serve(16) + "exec sleep 30", asked,
        "The port helper did not answer within 300 ms." + restart, true);
    // A file is no card: the writes arrive, the check after them fails.
    row("authorisation taking 2 s", "helper, slow", "sleep 2; exec \"$@\"", "real",
        {"Access Warning", "Authorisation", "Confirmation", "Verification Failed"}, QString(), true);
    // Nothing answers where every register reads FF: the writes might reach another device.
    const QStringList written {"Access Warning", "Authorisation", "Confirmation"};
    row("no card at the base", "helper, no card", run,
        "echo READY; while read l; do case \"$l\" in IN*) echo 'OK 0xff';; *) echo OK;; esac; done",
        written + QStringList {"Verification Failed"}, QString(), true, {},
        {"Confirmation", ConfirmationText(),
            "No card answered at 300: every register read FF. Writing there may change another device.  No conflict "
            "found with the devices this computer shows. Cards in the stack without a driver are not visible to this "
            "check."});
    // A card that keeps what it gets, behind a helper that refuses the IRQ registers: the read-back of
    // registers 1 to 8 passes, the refusal must not.
    row("IRQ writes refused", "helper, refusing", run,
        "echo READY; i=0; while read verb port value; do case \"$verb $port\" in\n"
        "'OUT 0x301') case $value in 0x09|0x0a|0x0b|0x0c) echo 'ERR refused: not served';; "
        "*) i=$((value)); echo OK;; esac;;\n"
        "'OUT 0x302') eval \"r$i=$value\"; echo OK;;\n"
        "'IN 0x302') eval \"echo OK \\${r$i:-0x30}\";;\n"
        "*) echo 'OK 0x20';; esac; done",
        written + QStringList {"Writes Refused"}, QString(), true, {},
        {"Writes Refused",
            "The writes to control register(s) 9, 10, 11, 12 were refused, so the card may not hold the new "
            "resources. Check the control base address and that the card is installed, then try again.",
            QString()});
}

void tst_FaultMatrix::portAccess()
{
    // No port access crashing, freezing while it asks, hiding why, inventing the grid, or faking a success.
    QFETCH(QString, fault);
    QFETCH(QString, pkexec);
    QFETCH(QString, helper);
    QFETCH(QByteArray, lockdown);
    QFETCH(QStringList, captions);
    QFETCH(QString, cause);
    QFETCH(bool, grid);
    QFETCH(QStringList, told);
    const auto path = [&](const char *name) { return m_dir.filePath(QLatin1String(name)); };
    QVERIFY(WriteStandIn(path("port"), StandInPortBytes()));
    for (const char *name : {"pkexec", "pkexec.pid", "helper", "lockdown", "asked"})
        QFile::remove(path(name));
    const QString pkexecScript = QStringLiteral("#!/bin/sh\necho $$ > '%1'\n%2\n").arg(path("pkexec.pid"), pkexec);
    QVERIFY(pkexec.isEmpty() || WriteStandIn(path("pkexec"), pkexecScript.toUtf8(), true));
    if (helper == QLatin1String("real"))
        QVERIFY(QFile::link(QStringLiteral(ZX_PORTHELPER_BINARY), path("helper")));
    else if (!helper.isEmpty())
        QVERIFY(WriteStandIn(path("helper"), ("#!/bin/sh\n" + helper + "\n").toUtf8(), true));
    QVERIFY(lockdown.isEmpty() || WriteStandIn(path("lockdown"), lockdown));

    const ChildRun run = runChild(fault, m_dir.path());
    if (!run.value(QStringLiteral("skip")).isEmpty())
        QSKIP(qPrintable(run.value(QStringLiteral("skip"))));
    QVERIFY2(run.ok, qPrintable(run.lines.join(QLatin1Char('\n'))));
    QCOMPARE(run.value(QStringLiteral("help")), QStringLiteral("1"));
    QStringList shown;
    for (const QString &box : run.values(QStringLiteral("box"))) {
        const QStringList parts = box.split(QLatin1Char('\t'));
        shown << parts.value(0);
        // Every driver warning says why this computer gives no port access.
        if (parts.value(0) == QLatin1String("Warning"))
            QCOMPARE(parts.mid(1), (QStringList {DriverMissingText, cause}));
        else if (parts.value(0) == QLatin1String("Authorisation"))
            QCOMPARE(parts.value(1),
                QStringLiteral("Waiting for permission to access the card. Enter the "
                               "administrator password when asked."));
        else if (!told.isEmpty() && parts.value(0) == told.first())
            QCOMPARE(parts, told);
        else if (parts.value(0) == QLatin1String("Confirmation"))
            QVERIFY(!parts.value(2).startsWith(QLatin1String("No card answered"))); // a card answered
    }
    QCOMPARE(shown, captions);
    QCOMPARE(run.value(QStringLiteral("grid")), QString::number(grid));
    // The helper's backend says it once on standard error too; the device's says nothing there.
    const bool reported = !fault.startsWith(QLatin1String("device")) && !cause.isEmpty();
    QCOMPARE(run.causes,
        reported ? QStringList {QStringLiteral("Settings: port access unavailable: ") + cause} : QStringList());

    if (captions.contains(QLatin1String("Authorisation"))) {
        // The window went on while it waited, and pkexec did not outlive the wait.
        const QStringList wait = run.value(QStringLiteral("wait")).split(QLatin1Char('\t'));
        const int ms = wait.value(0).toInt(), ticks = wait.value(1).toInt();
        QVERIFY2(ticks * 10 + 20 >= ms * 3 / 4, qPrintable(run.value(QStringLiteral("wait"))));
        // A helper that serves runs on; every other start is stopped and reaped.
        const bool lastStartFailed = !cause.isEmpty() && !fault.contains(QLatin1String("asked again"));
        QCOMPARE(run.value(QStringLiteral("pkexec gone")), QString::number(lastStartFailed));
        if (fault == QLatin1String("helper, slow")) {
            QVERIFY2(ms >= 2000 && ms < 2600 && ticks >= 150, qPrintable(run.value(QStringLiteral("wait"))));
            QCOMPARE(wait.value(2), QStringLiteral("1")); // the box was on screen
        }
        if (fault == QLatin1String("helper, cancelled")) {
            QCOMPARE(wait.value(2), QStringLiteral("1"));
            const int back = run.value(QStringLiteral("cancel to next box")).toInt();
            QVERIFY2(back >= 0 && back <= 100, qPrintable(QString::number(back)));
        }
    }
    // Only the card's index and data ports are ever written: after the writes
    // and the check the index port holds 8 and the data port the IRQ, 4.
    QByteArray expected = StandInPortBytes();
    if (captions.contains(QLatin1String("Confirmation")) && helper == QLatin1String("real")) {
        expected[0x301] = 0x08;
        expected[0x302] = 0x04;
    }
    QCOMPARE(ReadStandIn(path("port")), expected);
    QVERIFY(!QFile::exists(path("no-port")));
}

void tst_FaultMatrix::driverLibrary_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("libraryDir");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("mapped");
    const QString none = m_dir.path();
    const QString partial = QStringLiteral(ZX_TRELOX_PARTIAL_DIR);
    const QString title = QStringLiteral("ZX-SER8 Series Settings Program");
    QTest::newRow("library missing, as the program ships") << "library" << none << title << false;
    QTest::newRow("library missing, installed cards asked")
        << "library card list" << none << "No ZX-SER8 Series Card Found" << false;
    QTest::newRow("library without an entry point, as the program ships") << "library" << partial << title << false;
    QTest::newRow("library without an entry point, installed cards asked")
        << "library card list" << partial << title << true;
}

void tst_FaultMatrix::driverLibrary()
{
    // Guards against a missing or incomplete card-driver library stopping the
    // program, or the program loading a library it never needs.
    QFETCH(QString, fault);
    QFETCH(QString, libraryDir);
    QFETCH(QString, header);
    QFETCH(bool, mapped);
    const ChildRun run = runChild(fault, m_dir.path(), libraryDir);
    QVERIFY2(run.ok, qPrintable(run.lines.join(QLatin1Char('\n'))));
    QCOMPARE(run.value(QStringLiteral("help")), QStringLiteral("1"));
    QCOMPARE(run.value(QStringLiteral("header")), header);
    QCOMPARE(run.value(QStringLiteral("library mapped")), QString::number(mapped));
    // The port-resource procedure is unaffected: it reaches its success box.
    QStringList captions;
    for (const QString &box : run.values(QStringLiteral("box")))
        captions << box.section(QLatin1Char('\t'), 0, 0);
    QCOMPARE(captions, (QStringList {"Access Warning", "Confirmation", "Success"}));
}

void tst_FaultMatrix::handlerThrows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("conversion error") << 0 << "\"x\" is not a valid hexadecimal value.";
    QTest::newRow("runtime error") << 1 << "the handler failed";
    QTest::newRow("not a standard exception") << 2 << "An unexpected error occurred.";
}

void tst_FaultMatrix::handlerThrows()
{
    // Guards against an exception from a handler ending the program, being
    // swallowed without a word, or leaving the window unable to go on.
    QFETCH(int, kind);
    QFETCH(QString, text);
    MainWindowFixture w({"ModePanel"});
    MessageRecorder &boxes = w.boxes;
    auto *mode = w.get<QComboBox>("ModeCombo");
    auto *rs422 = w.get<TTwoJumper>("RS422JumperA");
    const int before = boxes.count();

    // A second handler on the list, after the program's own.
    QMetaObject::Connection thrower = connect(mode, &QComboBox::activated, this, [kind] {
        if (kind == 0)
            throw EConvertError("\"x\" is not a valid hexadecimal value.");
        if (kind == 1)
            throw std::runtime_error("the handler failed");
        throw 42;
    });
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    disconnect(thrower);
    QCOMPARE(boxes.count(), before + 1);
    QCOMPARE(boxes.last().Caption, TApplication::Title());
    QCOMPARE(boxes.last().Text, text);
    QCOMPARE(boxes.last().Icon, TMsgIcon::Error);
    QCOMPARE(boxes.last().Buttons, TMsgButtons::Ok);
    // The program's own handler ran, and the window goes on as before.
    QCOMPARE(mode->currentIndex(), 1);
    QVERIFY(rs422->Closed());
    QTest::keyClick(mode, Qt::Key_Up);
    QCOMPARE(mode->currentIndex(), 0);
    QVERIFY(!rs422->Closed());
    QCOMPARE(boxes.count(), before + 1);
}

void tst_FaultMatrix::damagedPhotograph_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no photograph at all
    QTest::addColumn<bool>("ahead"); // decoded beside the GUI, as the program starts it
    QFile file(QStringLiteral(":/board.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray photo = file.readAll();
    QByteArray flipped = photo;
    for (qsizetype i = photo.size() / 3; i < photo.size() / 3 + 64; ++i)
        flipped[i] = char(~flipped[i]);
    // Other damage the decoder meets is tst_picture's; the program handles every failed decode alike.
    QTest::newRow("bytes damaged in a scan") << flipped << false;
    QTest::newRow("resource missing") << QByteArray() << false;
    QTest::newRow("bytes damaged in a scan, decoded ahead") << flipped << true;
    QTest::newRow("resource missing, decoded ahead") << QByteArray() << true;
}

void tst_FaultMatrix::damagedPhotograph()
{
    // Guards against a damaged photograph crashing the program, leaving a
    // half-drawn board, or failing without saying so.
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ahead);
    PhotographSwap swap(bytes.isNull() ? nullptr : &bytes, m_dir.path());
    QVERIFY(swap.ready(!bytes.isNull()));
    std::optional<TDecodeAhead> decoder;
    if (ahead)
        decoder.emplace(TMainForm::PhotoFile());

    SimulatedCard ports;
    ports.DriverMissing = true;
    MessageRecorder boxes;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TPicture: cannot load :/board.jpg: .+")));
    TMainForm form;
    auto *board = form.findChild<TBoardImage *>(QStringLiteral("BoardImage1"));
    // Decoded ahead, damage past the header shows at the first paint.
    if (!ahead)
        QVERIFY(board->Picture()->Empty());
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QList<TBoardHighlight *> rings = form.findChildren<TBoardHighlight *>();
    QTRY_VERIFY(std::all_of(rings.cbegin(), rings.cend(), [](const TBoardHighlight *r) { return r->Prepared(); }));
    QVERIFY(board->Picture()->Empty());
    // Without a photograph the rings still lead to their popups.
    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("BaseHighlight"));
    QTest::mouseMove(ring, ring->rect().center());
    QTRY_VERIFY(ring->Popup() && ring->Popup()->isVisible());
    // The only message at start-up is the driver warning the machine deserves.
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Text, DriverMissingText);
}

// Like ZX_TEST_MAIN, with the way in for the child processes.
int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--fault") == 0)
        return runFaultChild(argc, argv);
    TApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_FaultMatrix tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_faultmatrix.moc"
