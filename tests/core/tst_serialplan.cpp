// The serial step after a write, as the card core computes it from the
// kernel's files: the lines the ports take, the setserial commands, what the
// kernel lacks, and the conflicts found before anything is written; each
// row over a fake sysfs and /proc tree.
#include "FakeKernelTree.h"
#include "SerialTexts.h"
#include "TKernelView.h"
#include "TResourceConflicts.h"
#include "TSerialPlan.h"

#include <QtTest>

namespace {

const QString Standard
    = QStringLiteral("0:3F8:4:4:Y 1:2F8:3:0 2:3E8:4:0 3:2E8:3:0"); // a PC booted as Debian's kernel does
const QString Ports = QStringLiteral("100,108,110,118,120,128,130,138");

// ttyS<first> to ttyS<last> with no address and no UART, as 8250.nr_uarts makes them.
QString FreeLines(int first, int last)
{
    QString lines;
    for (int index = first; index <= last; ++index)
        lines += QStringLiteral(" %1:0:0:0").arg(index);
    return lines;
}

TSerialRequest Request(const QString &ports, int irq, int firstTty = 4)
{
    TSerialRequest request;
    const QStringList items = ports.split(QLatin1Char(','));
    for (int port = 0; port < TPortResources::PortCount; ++port)
        request.Addresses[port] = items.value(port).toUInt(nullptr, 16);
    request.Irq = quint32(irq);
    request.FirstTty = firstTty;
    return request;
}

QString Names(const QList<TSerialPlan::TPassedLine> &lines)
{
    QStringList names;
    for (const TSerialPlan::TPassedLine &line : lines)
        names << TKernelTtys::Name(line.Tty);
    return names.join(QLatin1Char(' '));
}

} // namespace

class tst_SerialPlan : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    FakeKernelTree m_tree;

private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_tree.Root = m_dir->path();
    }

    void plan_data();
    void plan();
    void conflicts_data();
    void conflicts();
};

void tst_SerialPlan::plan_data()
{
    QTest::addColumn<QString>("ttys"); // the kernel's lines; "none": no tty folder at all
    QTest::addColumn<QString>("options"); // the request: "clock x8", "first 0", "irq 2", "force", "uart 16550A"
    QTest::addColumn<QString>("lockdown"); // the file's content; empty: no file
    QTest::addColumn<QString>("lines"); // the ports' lines, A to H
    QTest::addColumn<int>("nrUarts");
    QTest::addColumn<QString>("passed"); // lines left as they are
    QTest::addColumn<QString>("command"); // port A's setserial command
    QTest::addColumn<QString>("said"); // in the text, in this order ("|" between)
    const auto row
        = [](const char *name, const QString &ttys, const QString &options, const QString &lockdown,
              const QString &lines, int nrUarts, const QString &passed, const QString &command, const QString &said) {
              QTest::newRow(name) << ttys << options << lockdown << lines << nrUarts << passed << command << said;
          };
    const QString ttyS4to11 = "ttyS4 ttyS5 ttyS6 ttyS7 ttyS8 ttyS9 ttyS10 ttyS11";
    const QString x1 = "setserial /dev/ttyS4 port 0x100 irq 5 baud_base 115200 autoconfig";
    const QString table = "Port  Address  Line    The kernel now";
    const QString withLines = Standard + FreeLines(4, 11);
    row("free lines, X1", withLines, "", "", ttyS4to11, 0, "", x1,
        table + "|A     100      ttyS4   free|No conflict found|As root|" + x1
            + "|setserial -g /dev/ttyS4 /dev/ttyS5 /dev/ttyS6 /dev/ttyS7 /dev/ttyS8 /dev/ttyS9 /dev/ttyS10 "
              "/dev/ttyS11|These settings last until the next restart");
    row("X8 clock", withLines, "clock x8", "", ttyS4to11, 0, "",
        "setserial /dev/ttyS4 port 0x100 irq 5 baud_base 921600 autoconfig",
        "baud_base 921600 is for the card's X8 baud clock|--irq 5 --clock x8 --serial-conf");
    row("UART type forced", withLines, "uart 16550A", "", ttyS4to11, 0, "",
        "setserial /dev/ttyS4 port 0x100 irq 5 baud_base 115200 uart 16550A", "--irq 5 --uart 16550A --serial-conf");
    row("IRQ 2 is 9 to the kernel", withLines, "irq 2", "", ttyS4to11, 0, "",
        "setserial /dev/ttyS4 port 0x100 irq 9 baud_base 115200 autoconfig",
        "IRQ 2 is given as irq 9: on a PC the ISA bus's IRQ 2 line|--irq 2 --serial-conf");
    // Debian's kernel has four lines unless told more: the parameter comes first.
    row("too few lines", Standard, "", "", ttyS4to11, 12, "", x1,
        "First the kernel needs more serial lines: it has 4 ttyS lines, and these ports "
        "need ttyS4 to ttyS11. Add the kernel parameter 8250.nr_uarts=12|"
        "GRUB_CMDLINE_LINUX in /etc/default/grub|restart, then run this again|"
            + table + "|A     100      ttyS4   missing (needs 8250.nr_uarts=12)");
    row("exactly the limit", Standard + FreeLines(4, 23), "first 24", "",
        "ttyS24 ttyS25 ttyS26 ttyS27 ttyS28 ttyS29 ttyS30 ttyS31", 32, "",
        "setserial /dev/ttyS24 port 0x100 irq 5 baud_base 115200 autoconfig", "8250.nr_uarts=32");
    row("beyond the limit of 32", Standard, "first 30", "", "ttyS30 ttyS31 ttyS32 ttyS33 ttyS34 ttyS35 ttyS36 ttyS37",
        38, "", "setserial /dev/ttyS30 port 0x100 irq 5 baud_base 115200 autoconfig",
        "The kernel's serial driver has at most 32 lines (ttyS0 to ttyS31), and these ports would need lines up "
        "to ttyS37|"
            + table);
    row("locked down", withLines, "", "none [integrity] confidentiality", ttyS4to11, 0, "", x1,
        "The kernel is locked down (mode \"integrity\", which Secure Boot turns on)|"
        "\"Operation not permitted\"|"
            + table);
    row("not locked down", withLines, "", "[none] integrity confidentiality", ttyS4to11, 0, "", x1, table);
    // The console is never proposed; the standard lines without a UART can be given ports.
    row("first tty 0", withLines, "first 0", "", "ttyS1 ttyS2 ttyS3 ttyS4 ttyS5 ttyS6 ttyS7 ttyS8", 0, "ttyS0",
        "setserial /dev/ttyS1 port 0x100 irq 5 baud_base 115200 autoconfig",
        "ttyS0 is left as it is: it is the console; --force takes it.|"
        "ttyS1 is set to 2F8 (irq 3), where nothing answers now: it is given a port");
    row("a UART at another address", Standard + FreeLines(4, 5) + " 6:2F8:3:4" + FreeLines(7, 12), "", "",
        "ttyS4 ttyS5 ttyS7 ttyS8 ttyS9 ttyS10 ttyS11 ttyS12", 0, "ttyS6", x1,
        "C     110      ttyS7   free|ttyS6 is left as it is: it has a 16550A at 2F8 (irq 3); --force takes it.");
    row("taken with --force", Standard + FreeLines(4, 5) + " 6:2F8:3:4" + FreeLines(7, 11), "force", "", ttyS4to11, 0,
        "", x1, "ttyS6 is taken although it has a 16550A at 2F8 (irq 3) (--force).");
    // Type 0 is no UART, whatever the port says.
    row("an address without a UART", Standard + FreeLines(4, 6) + " 7:2A0:5:0" + FreeLines(8, 11), "", "", ttyS4to11, 0,
        "", x1,
        "D     118      ttyS7   nothing answers at 2A0, irq 5|ttyS7 is set to 2A0 (irq 5), where nothing answers "
        "now: it is given a port of the card.");
    QString kept = Standard;
    for (int port = 0; port < 8; ++port)
        kept += QStringLiteral(" %1:%2:5:4").arg(4 + port).arg(0x100 + 8 * port, 0, 16);
    row("second run, the settings kept", kept, "", "", ttyS4to11, 0, "", x1,
        "A     100      ttyS4   16550A at 100, irq 5");
    row("a line keeps its port's address", Standard + " 4:108:5:4" + FreeLines(5, 11), "", "",
        "ttyS5 ttyS4 ttyS6 ttyS7 ttyS8 ttyS9 ttyS10 ttyS11", 0, "",
        "setserial /dev/ttyS5 port 0x100 irq 5 baud_base 115200 autoconfig",
        "B     108      ttyS4   16550A at 108, irq 5");
    row("no tty folder", "none", "", "", ttyS4to11, 0, "", x1,
        "A     100      ttyS4   unknown (/sys/class/tty cannot be read)");
}

void tst_SerialPlan::plan()
{
    // Commands the kernel refuses (no baud_base, lines it lacks advised after them, over its limit), ports on the
    // console or on another UART's line, an ignored clock or lockdown, or a second run moving the lines again.
    QFETCH(QString, ttys);
    QFETCH(QString, options);
    QFETCH(QString, lockdown);
    QFETCH(QString, lines);
    QFETCH(int, nrUarts);
    QFETCH(QString, passed);
    QFETCH(QString, command);
    QFETCH(QString, said);
    if (ttys != QLatin1String("none"))
        QVERIFY(m_tree.Ttys(ttys));
    if (!lockdown.isEmpty())
        QVERIFY(m_tree.Write("sys/kernel/security/lockdown", lockdown.toLatin1() + "\n"));
    const QStringList words = options.split(QLatin1Char(' '));
    TSerialRequest request = Request(Ports, words.contains("irq") ? 2 : 5,
        words.contains("first") ? words.value(words.indexOf("first") + 1).toInt() : 4);
    request.Clock = options.contains("x8") ? TOptionJumpers::ckX8 : TOptionJumpers::ckX1;
    request.Force = words.contains("force");
    request.Uart = words.contains("uart") ? words.value(words.indexOf("uart") + 1) : QString();
    TKernelView kernel;
    kernel.Load(m_tree.Root);
    const TSerialPlan plan = TSerialPlan::Make(request, kernel);

    QStringList ttyNames;
    for (const TSerialPlan::TLine &line : plan.Lines)
        ttyNames << TKernelTtys::Name(line.Tty);
    QCOMPARE(ttyNames.join(' '), lines);
    QCOMPARE(plan.NrUarts, nrUarts);
    QCOMPARE(plan.BeyondLimit, nrUarts > 32);
    QCOMPARE(Names(plan.Passed), passed);
    QCOMPARE(plan.Lines[0].Command(), command);
    const QString text = SerialStepText(plan, TResourceConflicts::Check(plan, kernel));
    int at = 0;
    for (const QString &part : said.split('|')) {
        const int found = text.indexOf(part, at);
        QVERIFY2(found >= 0, qPrintable(QStringLiteral("\"%1\" missing or out of order in:\n%2").arg(part, text)));
        at = found + int(part.size());
    }
    QCOMPARE(text.contains("8250.nr_uarts="), nrUarts > 0 && nrUarts <= 32); // beyond 32 it would not help
    QCOMPARE(text.contains("locked down"), lockdown.contains("[integrity]"));
    // /etc/serial.conf: a comment naming the card and the command, then each line's arguments.
    const QStringList conf = SerialConfText(plan).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(conf.size(), 9);
    QVERIFY(conf[0].startsWith("# ZX-SER8 / ZX-BAL8 serial card") && conf[0].endsWith(" --serial-conf"));
    QCOMPARE("setserial " + conf[1], command);
}

void tst_SerialPlan::conflicts_data()
{
    QTest::addColumn<QString>("ports");
    QTest::addColumn<int>("irq");
    QTest::addColumn<int>("base"); // the card's control base; -1: not known
    QTest::addColumn<QStringList>("files"); // "path=content", \n in the content
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QStringList>("warnings");
    const auto row = [](const char *name, const QString &ports, int irq, int base, const QStringList &files,
                         const QString &refusal, const QStringList &warnings) {
        QTest::newRow(name) << ports << irq << base << files << refusal << warnings;
    };
    const QString irqTail = ": an ISA IRQ line cannot serve two devices; choose another IRQ or disable that %1 in "
                            "the BIOS";
    const QString com1Irq = "IRQ 4 is ttyS0's" + irqTail.arg("port");
    const QStringList none;
    row("no conflict", Ports, 5, 0x300, none, "", none);
    row("two ports at one address", "100,108,110,118,100,128,130,138", 5, -1, none,
        "Ports A and E are both set to 100: each port needs an address of "
        "its own.",
        none);
    row("five ports at one address, two at another", "100,100,100,100,100,128,130,128", 5, -1, none,
        "Ports A, B, C, D and E are all set to 100, and ports F and H are both set to 128: each port needs an "
        "address of its own.",
        none);
    row("COM1's address and IRQ", "3F8,108,110,118,120,128,130,138", 4, -1,
        QStringList {"proc/interrupts=  CPU0\n  4:  35  XT-PIC  ttyS0\n"}, "",
        QStringList {"port A at 3F8 is where the kernel has ttyS0", com1Irq});
    // ACPI reports COM1 as a PnP device as well: it is the same UART, named once.
    row("COM1 as PnP device too", "3F8,108,110,118,120,128,130,138", 4, -1,
        QStringList {"sys/bus/pnp/devices/00:05/resources=state = active\nio 0x3f8-0x3ff\nirq 4\n",
            "sys/bus/pnp/devices/00:05/id=PNP0501\n", "proc/ioports=03f8-03ff : serial\n"},
        "", QStringList {"port A at 3F8 is where the kernel has ttyS0", com1Irq});
    row("a standard line the kernel probes at start-up", "100,108,110,118,120,128,3E8,138", 5, -1, none, "",
        QStringList {"port G at 3E8 is where the kernel looks for ttyS2 at start-up (nothing answers there now)"});
    row("IRQ 12 of the PS/2 controller", Ports, 12, -1,
        QStringList {"proc/interrupts=  CPU0 CPU1\n  1:  10  0  IO-APIC  1-edge  i8042\n 12:  3  0  IO-APIC  "
                     "12-edge  i8042\nNMI:  0  0  Non-maskable interrupts\n"},
        "", QStringList {"IRQ 12 is used by i8042" + irqTail.arg("device")});
    row("IRQ 2 is IRQ 9 to the kernel", Ports, 2, -1,
        QStringList {"proc/interrupts=  CPU0\n  2:  0  XT-PIC  cascade\n  9:  0  XT-PIC  acpi\n"}, "",
        QStringList {"IRQ 2 (the kernel's IRQ 9) is used by acpi" + irqTail.arg("device")});
    row("a PnP printer port", "378,108,110,118,120,128,130,138", 7, -1,
        QStringList {"sys/bus/pnp/devices/00:06/resources=state = active\nio 0x378-0x37f\nirq 7\ndma 3\n",
            "sys/bus/pnp/devices/00:06/id=PNP0400\n",
            "sys/bus/pnp/devices/00:07/resources=state = disabled\nio 0x108-0x10f\nirq 5\n"},
        "",
        QStringList {"port A at 378 overlaps a printer port's standard ports (378-37F) and PnP device 00:06 (PNP0400) "
                     "(378-37F)",
            "IRQ 7 is used by PnP device 00:06 (PNP0400)" + irqTail.arg("device")});
    // /proc/ioports shows the same PCI range once more under the device's address; only its innermost
    // entries are devices (port B lies in "reserved" but in none of its entries).
    row("a PCI I/O range", "1F0,108,110,118,120,128,130,138", 5, -1,
        QStringList {"sys/bus/pci/devices/0000:00:01.1/resource=0x00000000000001f0 0x00000000000001f7 "
                     "0x0000000000000110\n0x00000000febf0000 0x00000000febf0fff 0x0000000000040200\n",
            "proc/ioports=0000-0cf7 : PCI Bus 0000:00\n  01f0-01f7 : 0000:00:01.1\n  0100-013f : reserved\n"
            "    0100-0107 : nothing\n"},
        "",
        QStringList {"port A at 1F0 overlaps the first IDE controller's standard ports (1F0-1F7) and PCI device "
                     "0000:00:01.1 (1F0-1F7)"});
    row("/proc/ioports as root", Ports, 5, -1,
        QStringList {"proc/ioports=0000-0cf7 : PCI Bus 0000:00\n"
                     "  0120-012f : sb16\n  0cf8-0cff : PCI conf1\n"},
        "",
        QStringList {"port E at 120 overlaps sb16 (/proc/ioports) (120-12F)",
            "port F at 128 overlaps sb16 (/proc/ioports) (120-12F)"});
    row("/proc/ioports as a user", Ports, 5, -1,
        QStringList {"proc/ioports=0000-0000 : PCI Bus 0000:00\n  0000-0000 : sb16\n"}, "", none);
    row("floppy, IDE and VGA ranges", "3F0,370,3C8,3B0,120,128,130,138", 5, -1, none, "",
        QStringList {"port A at 3F0 overlaps the first IDE controller's standard ports (3F6) and the floppy "
                     "controller's standard ports (3F0-3F7)",
            "port B at 370 overlaps the second IDE controller's standard ports (376)",
            "port C at 3C8 overlaps VGA's standard ports (3B0-3DF)",
            "port D at 3B0 overlaps VGA's standard ports (3B0-3DF)"});
    row("the card's own control registers", "100,108,110,118,120,128,130,300", 5, 0x300, none, "",
        QStringList {"port H at 300 overlaps the card's own control registers (301-302)"});
    // A second run: the lines are the card's ports, their ranges and IRQ no conflict.
    QStringList ownLines {"proc/interrupts=  CPU0\n  5:  9  XT-PIC  ttyS4, ttyS5\n",
        "proc/ioports=0100-0107 : serial\n0108-010f : serial\n"};
    for (int port = 0; port < 8; ++port)
        ownLines << QStringLiteral("sys/class/tty/ttyS%1/port=0x%2\n").arg(4 + port).arg(0x100 + 8 * port, 0, 16)
                 << QStringLiteral("sys/class/tty/ttyS%1/irq=5\n").arg(4 + port)
                 << QStringLiteral("sys/class/tty/ttyS%1/type=4\n").arg(4 + port);
    row("the plan's own lines", Ports, 5, -1, ownLines, "", none);
    // Files that cannot be read add nothing.
    row("unreadable files", Ports, 5, -1,
        QStringList {"proc/interrupts/x=", "sys/bus/pnp/devices/00:01/resources/x=",
            "sys/bus/pci/devices/0000:00:02.0/resource/x="},
        "", none);
}

void tst_SerialPlan::conflicts()
{
    // Two ports written at one address, or a port or the IRQ landing on a device the computer shows (a UART, PnP,
    // PCI, /proc, the standard PC ranges, the card's own registers) without a warning; or the card's own lines and
    // the same device seen twice reported as conflicts.
    QFETCH(QString, ports);
    QFETCH(int, irq);
    QFETCH(int, base);
    QFETCH(QStringList, files);
    QFETCH(QString, refusal);
    QFETCH(QStringList, warnings);
    QVERIFY(m_tree.Ttys(Standard));
    for (const QString &file : files)
        QVERIFY(m_tree.Write(file.section('=', 0, 0), file.section('=', 1).toLatin1()));
    TSerialRequest request = Request(ports, irq);
    request.ControlBase = base;
    TKernelView kernel;
    kernel.Load(m_tree.Root);
    const TResourceConflicts conflicts = TResourceConflicts::Check(TSerialPlan::Make(request, kernel), kernel);
    QCOMPARE(conflicts.Refused(), !refusal.isEmpty());
    QCOMPARE(conflicts.Refused() ? conflicts.RefusalText() : QString(), refusal);
    QCOMPARE(conflicts.Warnings(), warnings);
    const QString unseen = "Cards in the stack without a driver are not visible to this check.";
    QVERIFY(conflicts.WarningsText().endsWith(unseen));
    QCOMPARE(conflicts.WarningsText().startsWith("No conflict found"), warnings.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SerialPlan)
#include "tst_serialplan.moc"
