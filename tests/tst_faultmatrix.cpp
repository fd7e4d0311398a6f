// The program under faults it cannot prevent: no port device, an open that is
// refused, the card-driver library missing or incomplete, a handler that
// throws, a damaged photograph. In every case: no crash, an honest message,
// nothing written that the user did not confirm.
//
// Rows covered exactly elsewhere, and not repeated here:
//   absent card (every read 0xFF), card not keeping what is written:
//     tst_portresources verification ("absent card reads FF", "card ignoring writes")
//   no port driver when the resources are written: tst_portresources verification ("no port driver")
//   conversion error of Configure Port Resources, program goes on:
//     tst_portresources invalidBaseRaisesError
//   supporter's timer refused ("Not enough timers available"): tst_supporter timerRefused
//   the binding itself against the stand-in libraries: tst_lltrelox binding,
//     tst_supporter libraryOpenedOnlyForCardList
//
// Faults that must not leak into the test process run in a child: the test
// binary started again with "--fault <case> <directory>".
#include "RunLoop.h"
#include "MessageRecorder.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPicture.h"
#include "TPopupForm.h"
#include "SimulatedCard.h"
#include "TSetupSupporter.h"
#include "TTwoJumper.h"
#include "TUpDown.h"
#include "TestMain.h"
#include "PortHelperBackend.h"
#include "VORTAN32.h"
#include "template.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QResource>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <memory>
#include <sys/prctl.h>
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

const QString DriverText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

// The bytes of the stand-in port device; a refused open must leave them alone.
QByteArray deviceBytes()
{
    QByteArray bytes(0x400, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// ---- the child side ----

// From here on the kernel refuses every read-write open with `error`, as it
// refuses /dev/port without the privilege or under lockdown. Root passes file
// permissions, so the refusal is made where the kernel makes it.
bool refuseReadWriteOpens(int error)
{
#if defined(__x86_64__)
    constexpr unsigned arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_RDWR, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (unsigned(error) & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The user's way through the program: start, wait for the help window, then
// the port-resource procedure, every box answered OK. Reports what was shown.
void runProgram(MessageRecorder &boxes, bool listCards)
{
    TMainForm form;
    if (listCards)   // as a program that names its installed cards would
        form.SetSup()->OnGetCardString = [](QObject *, qint32 card) { return QStringLiteral("card %1").arg(card); };
    form.showMaximized();
    const bool help = RunLoopUntil([&] { return form.SetSup()->HelpForm() && form.SetSup()->HelpForm()->isVisible(); });
    say(QStringLiteral("help\t%1").arg(help));
    say(QStringLiteral("header\t%1").arg(form.SetSup()->HeaderLabel() ? form.SetSup()->HeaderLabel()->text() : QString()));

    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("COMBaseHighlight"));
    ring->MouseEnter(false);
    ring->Click();
    RunLoopUntil([&] { return ring->Popup() && ring->Popup()->isVisible(); });
    click(ring->Popup()->findChild<QPushButton *>(QStringLiteral("Button1")));
    for (TUpDown *upDown : ring->Popup()->findChildren<TUpDown *>()) {
        upDown->setPosition(0x200);
        upDown->setPosition(0x208);
    }
    ring->Popup()->findChild<QComboBox *>(QStringLiteral("IRQComboA"))->setCurrentIndex(2);
    click(ring->Popup()->findChild<QPushButton *>(QStringLiteral("Button2")));

    for (const TMessageRequest &box : std::as_const(boxes.requests))
        say(QStringLiteral("box\t%1\t%2").arg(box.Caption, box.Text));
    QFile maps(QStringLiteral("/proc/self/maps"));
    say(QStringLiteral("library mapped\t%1").arg(maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libtrelox")));
}

int runFaultChild(int argc, char **argv)
{
    TApplication app(argc, argv);
    const QString fault = QString::fromLocal8Bit(argv[2]);
    const QString dir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    MessageRecorder boxes(TMsgResult::Ok);

    TPortAccessConfig config;
    config.HelperPath = dir + QStringLiteral("/no-helper");
    config.PkexecPath = dir + QStringLiteral("/no-pkexec");
    config.LockdownPath = dir + QStringLiteral("/no-lockdown");
    config.StartTimeoutMs = 2000;
    std::unique_ptr<TPortHelperBackend> helper;

    const int refusal = fault.endsWith(QLatin1String("EACCES")) ? EACCES : fault.endsWith(QLatin1String("EPERM")) ? EPERM : 0;
    if (refusal && !refuseReadWriteOpens(refusal)) {
        say(QStringLiteral("skip\tthe kernel offers no seccomp filter here"));
        return 0;
    }
    if (fault == QLatin1String("device missing")) {
        SetPortDevicePath(dir + QStringLiteral("/no-port"));
    } else if (fault.startsWith(QLatin1String("device refused"))) {
        SetPortDevicePath(dir + QStringLiteral("/port"));
    } else if (fault == QLatin1String("helper chain, device missing")) {
        config.DevicePath = dir + QStringLiteral("/no-port");
        helper = std::make_unique<TPortHelperBackend>(config);
    } else if (fault.startsWith(QLatin1String("helper chain, refused"))) {
        config.DevicePath = dir + QStringLiteral("/port");
        helper = std::make_unique<TPortHelperBackend>(config);
    } else if (!fault.startsWith(QLatin1String("library"))) {
        say(QStringLiteral("unknown fault ") + fault);
        return 2;
    }
    if (helper)
        SetPortBackend(helper.get());
    // The library cases have a card that works, so only the library is at fault.
    std::unique_ptr<SimulatedCard> card;
    if (fault.startsWith(QLatin1String("library")))
        card = std::make_unique<SimulatedCard>();
    runProgram(boxes, fault.endsWith(QLatin1String("card list")));
    return 0;
}

// ---- the test side ----

struct ChildRun
{
    bool finished = false;
    int exitCode = -1;
    QStringList lines;
    QStringList causes;   // the port backend's lines on standard error

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
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fault"), fault, dir});
    ChildRun run;
    run.finished = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : QString::fromUtf8(child.readAllStandardError()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Settings: ")))
            run.causes << line;
    if (!run.finished)
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
            return;   // no photograph at all
        QFile photo(dir + QStringLiteral("/photo.jpg"));
        photo.open(QIODevice::WriteOnly);
        photo.write(*bytes);
        photo.close();
        QFile qrc(dir + QStringLiteral("/photo.qrc"));
        qrc.open(QIODevice::WriteOnly);
        qrc.write("<RCC><qresource prefix=\"/\"><file alias=\"board.jpg\">photo.jpg</file></qresource></RCC>\n");
        qrc.close();
        m_rcc = dir + QStringLiteral("/photo.rcc");
        const QString rcc = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc");
        QProcess::execute(rcc, {QStringLiteral("--binary"), QStringLiteral("-o"), m_rcc, qrc.fileName()});
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
    void initTestCase();
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

void tst_FaultMatrix::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_FaultMatrix::portAccess_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");   // the one line on standard error, empty: none
    const QString dev = m_dir.path();
    const QString refused = geteuid() == 0
        ? QStringLiteral("Settings: port access unavailable: permission to open %1/port was refused (%2); check "
                         "that no container or security module withholds I/O port access")
        // Refused to an ordinary user, the helper would ask; here it is not installed.
        : QStringLiteral("Settings: port access unavailable: pkexec is not installed (%3/no-pkexec not found); "
                         "install the pkexec package (sudo apt install pkexec)");
    QTest::newRow("/dev/port missing") << "device missing" << QString();
    QTest::newRow("/dev/port missing, helper chain") << "helper chain, device missing"
        << QStringLiteral("Settings: port access unavailable: there is no %1/no-port device node on this system "
                          "(the kernel offers no I/O port access here; in a container, pass %1/no-port through)")
               .arg(dev);
    QTest::newRow("open refused, EACCES") << "device refused EACCES" << QString();
    QTest::newRow("open refused, EPERM") << "device refused EPERM" << QString();
    QTest::newRow("open refused, EACCES, helper chain") << "helper chain, refused EACCES"
        << refused.arg(dev, QString::fromLocal8Bit(strerror(EACCES)), dev);
    QTest::newRow("open refused, EPERM, helper chain") << "helper chain, refused EPERM"
        << refused.arg(dev, QString::fromLocal8Bit(strerror(EPERM)), dev);
}

void tst_FaultMatrix::portAccess()
{
    // Guards against a program without port access crashing, hiding why, or
    // reporting writes that went nowhere as a success.
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    QFile device(m_dir.filePath(QStringLiteral("port")));
    QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Truncate));
    device.write(deviceBytes());
    device.close();

    const ChildRun run = runChild(fault, m_dir.path());
    if (!run.value(QStringLiteral("skip")).isEmpty())
        QSKIP(qPrintable(run.value(QStringLiteral("skip"))));
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.lines.join(QLatin1Char('\n'))));
    QCOMPARE(run.value(QStringLiteral("help")), QStringLiteral("1"));
    // Warned at start-up; the procedure stops before its confirmation.
    const QStringList boxes = run.values(QStringLiteral("box"));
    QCOMPARE(boxes, (QStringList{QStringLiteral("Warning\t") + DriverText, QStringLiteral("Access Warning\t") +
                                     QStringLiteral("The setup program will now try to access the card. Only continue if "
                                                    "the base address has been set correctly(Settings | Base Address) "
                                                    "and the card is installed."),
                                 QStringLiteral("Warning\t") + DriverText}));
    QCOMPARE(run.causes, cause.isEmpty() ? QStringList() : QStringList{cause});
    QVERIFY(device.open(QIODevice::ReadOnly));
    QCOMPARE(device.readAll(), deviceBytes());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("no-port"))));
}

void tst_FaultMatrix::driverLibrary_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("libraryDir");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("mapped");
    const QString none = m_dir.path();
    const QString partial = QStringLiteral(ZX_TRELOX_PARTIAL_DIR);
    QTest::newRow("library missing, as the program ships") << "library" << none
        << "ZX-SER8 Series Settings Program" << false;
    QTest::newRow("library missing, installed cards asked") << "library card list" << none
        << "No ZX-SER8 Series Card Found" << false;
    QTest::newRow("library without an entry point, as the program ships") << "library" << partial
        << "ZX-SER8 Series Settings Program" << false;
    QTest::newRow("library without an entry point, installed cards asked") << "library card list" << partial
        << "ZX-SER8 Series Settings Program" << true;
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
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.lines.join(QLatin1Char('\n'))));
    QCOMPARE(run.value(QStringLiteral("help")), QStringLiteral("1"));
    QCOMPARE(run.value(QStringLiteral("header")), header);
    QCOMPARE(run.value(QStringLiteral("library mapped")), QString::number(mapped));
    // The port-resource procedure is unaffected: it reaches its success box.
    QStringList captions;
    for (const QString &box : run.values(QStringLiteral("box")))
        captions << box.section(QLatin1Char('\t'), 0, 0);
    QCOMPARE(captions, (QStringList{"Access Warning", "Confirmation", "Success"}));
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
    NoPortDriver ports;
    MessageRecorder boxes;
    TMainForm form;
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("ModeHighlight"));
    ring->MouseEnter(false);
    ring->Click();
    QTRY_VERIFY(ring->Popup() && ring->Popup()->isVisible());
    auto *mode = ring->Popup()->findChild<QComboBox *>(QStringLiteral("ModeCombo"));
    auto *rs422 = ring->Popup()->findChild<TTwoJumper *>(QStringLiteral("RS422JumperA"));
    QVERIFY(mode && rs422);
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
    // The program's own handler ran, and the window goes on as before.
    QCOMPARE(mode->currentIndex(), 1);
    QVERIFY(rs422->Closed());
    QTest::keyClick(mode, Qt::Key_Up);
    QCOMPARE(mode->currentIndex(), 0);
    QVERIFY(!rs422->Closed());
    QCOMPARE(boxes.count(), before + 1);
    QVERIFY(form.isVisible());
}

void tst_FaultMatrix::damagedPhotograph_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("present");
    QFile file(QStringLiteral(":/board.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray photo = file.readAll();
    QByteArray flipped = photo;
    for (qsizetype i = photo.size() / 3; i < photo.size() / 3 + 64; ++i)
        flipped[i] = char(~flipped[i]);
    QTest::newRow("cut in half") << photo.left(photo.size() / 2) << true;
    QTest::newRow("bytes damaged in a scan") << flipped << true;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("not a picture") << QByteArray("<html>board</html>") << true;
    QTest::newRow("resource missing") << QByteArray() << false;
}

void tst_FaultMatrix::damagedPhotograph()
{
    // Guards against a damaged photograph crashing the program, leaving a
    // half-drawn board, or failing without saying so.
    QFETCH(QByteArray, bytes);
    QFETCH(bool, present);
    PhotographSwap swap(present ? &bytes : nullptr, m_dir.path());
    QVERIFY(swap.ready(present));

    NoPortDriver ports;
    MessageRecorder boxes;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TPicture: cannot load :/board.jpg: .+")));
    TMainForm form;
    auto *board = form.findChild<TBoardImage *>(QStringLiteral("BoardImage1"));
    QVERIFY(board->Picture()->Empty());
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QList<TBoardHighlight *> rings = form.findChildren<TBoardHighlight *>();
    QTRY_VERIFY(std::all_of(rings.cbegin(), rings.cend(), [](const TBoardHighlight *r) { return r->Prepared(); }));
    // Without a photograph the rings still lead to their popups.
    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("BaseHighlight"));
    QTest::mouseMove(ring, ring->rect().center());
    QTRY_VERIFY(ring->Popup() && ring->Popup()->isVisible());
    // The only message at start-up is the driver warning the machine deserves.
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Text, DriverText);
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
