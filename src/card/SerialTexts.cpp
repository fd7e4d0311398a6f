#include "SerialTexts.h"

#include "HexAddress.h"
#include "TResourceConflicts.h"
#include "TSerialPlan.h"

namespace {

QString KernelNow(const TSerialPlan &plan, const TSerialPlan::TLine &line)
{
    if (!plan.KernelKnown)
        return QStringLiteral("unknown (/sys/class/tty cannot be read)");
    if (!line.Exists && line.Tty >= TSerialPlan::KernelLineLimit)
        return QStringLiteral("beyond the kernel's %1 lines").arg(TSerialPlan::KernelLineLimit);
    if (!line.Exists)
        return plan.BeyondLimit ? QStringLiteral("missing")
                                : QStringLiteral("missing (needs 8250.nr_uarts=%1)").arg(plan.NrUarts);
    const TKernelTtys::TTty &now = line.Now;
    if (now.Free())
        return QStringLiteral("free");
    const QString where = now.Port ? PortAddressText(now.Port)
                                   : QStringLiteral("memory address 0x%1").arg(HexText(quint32(now.IomemBase)));
    const QString state = now.HasUart()
        ? QStringLiteral("%1 at %2, irq %3").arg(TKernelTtys::TypeName(now.Type), where).arg(now.Irq)
        : QStringLiteral("nothing answers at %1, irq %2").arg(where).arg(now.Irq);
    return now.Console ? QStringLiteral("the console: ") + state : state;
}

QString Paragraphs(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.isEmpty())
            kept << (part.endsWith(QLatin1Char('\n')) ? part : part + QLatin1Char('\n'));
    return kept.join(QLatin1Char('\n'));
}

QString ClockText(const TSerialPlan &plan)
{
    return plan.Request.Clock == TOptionJumpers::ckX8
        ? QStringLiteral("baud_base 921600 is for the card's X8 baud clock (the X4 CLK jumper fitted); with X1 it "
                         "is 115200.")
        : QStringLiteral("baud_base 115200 is for the card's X1 baud clock; with the X8 clock (the X4 CLK jumper "
                         "fitted) it is 921600 (--clock x8).");
}

} // namespace

QString MissingLinesText(const TSerialPlan &plan)
{
    if (!plan.NrUarts)
        return {};
    if (plan.BeyondLimit)
        return QStringLiteral("The kernel's serial driver has at most %1 lines (ttyS0 to ttyS%2), and these ports "
                              "would need lines up to ttyS%3: choose a lower first line (--first-tty) so that the "
                              "eight ports find free lines below ttyS%1.")
            .arg(TSerialPlan::KernelLineLimit)
            .arg(TSerialPlan::KernelLineLimit - 1)
            .arg(plan.NrUarts - 1);
    int firstMissing = -1, lastMissing = -1;
    for (const TSerialPlan::TLine &line : plan.Lines)
        if (!line.Exists) {
            firstMissing = firstMissing < 0 ? line.Tty : qMin(firstMissing, line.Tty);
            lastMissing = qMax(lastMissing, line.Tty);
        }
    const QString has = plan.KernelLines == 0 ? QStringLiteral("no ttyS lines")
        : plan.KernelLines == 1               ? QStringLiteral("one ttyS line")
                                              : QStringLiteral("%1 ttyS lines").arg(plan.KernelLines);
    const QString needed = firstMissing == lastMissing
        ? TKernelTtys::Name(firstMissing)
        : TKernelTtys::Name(firstMissing) + QStringLiteral(" to ") + TKernelTtys::Name(lastMissing);
    return QStringLiteral("First the kernel needs more serial lines: it has %1, and these ports need %2. "
                          "Add the kernel parameter 8250.nr_uarts=%3 to the kernel command line (on Debian: add it "
                          "to GRUB_CMDLINE_LINUX in /etc/default/grub, then run update-grub as root); restart, then "
                          "run this again.")
        .arg(has, needed)
        .arg(plan.NrUarts);
}

QString LockdownText(const TSerialPlan &plan)
{
    if (plan.Lockdown.isEmpty())
        return {};
    return QStringLiteral("The kernel is locked down (mode \"%1\", which Secure Boot turns on): it refuses to move "
                          "a serial line to another port or IRQ, so every setserial command (and --apply) fails with "
                          "\"Operation not permitted\". Turn Secure Boot off in the firmware setup, or start a kernel "
                          "without lockdown.")
        .arg(plan.Lockdown);
}

QString PlanTableText(const TSerialPlan &plan)
{
    QString text = QStringLiteral("Port  Address  Line    The kernel now\n");
    for (const TSerialPlan::TLine &line : plan.Lines)
        text += QStringLiteral("%1     %2      %3 %4\n")
                    .arg(line.Port)
                    .arg(PortAddressText(line.Address), TKernelTtys::Name(line.Tty).leftJustified(7),
                        KernelNow(plan, line));
    return text + PlanNotesText(plan);
}

QString PlanNotesText(const TSerialPlan &plan)
{
    QString text;
    for (const TSerialPlan::TPassedLine &passed : plan.Passed)
        text += QStringLiteral("%1 is left as it is: it %2; --force takes it.\n")
                    .arg(TKernelTtys::Name(passed.Tty), passed.State);
    for (const TSerialPlan::TPassedLine &taken : plan.Taken)
        text
            += QStringLiteral("%1 is taken although it %2 (--force).\n").arg(TKernelTtys::Name(taken.Tty), taken.State);
    for (const TSerialPlan::TPassedLine &reused : plan.Reused)
        text += QStringLiteral("%1 %2: it is given a port of the card.\n")
                    .arg(TKernelTtys::Name(reused.Tty), reused.State);
    return text;
}

QString CommandsText(const TSerialPlan &plan)
{
    QString text = QStringLiteral("As root, tell the kernel where the ports are:\n");
    for (const TSerialPlan::TLine &line : plan.Lines)
        text += line.Command() + QLatin1Char('\n');
    if (plan.Request.Irq == 2)
        text += QStringLiteral("IRQ 2 is given as irq 9: on a PC the ISA bus's IRQ 2 line reaches the processor "
                               "through the second interrupt controller as IRQ 9, and the kernel knows it by that "
                               "number.\n");
    return text + ClockText(plan) + QLatin1Char('\n');
}

QString CheckText(const TSerialPlan &plan)
{
    return QStringLiteral("Check:\nsetserial -g %1\nEach port shows its UART type with the address and IRQ above; "
                          "\"UART: unknown\" means that nothing answers at that address.\n")
        .arg(plan.Devices());
}

QString KeepText(const TSerialPlan &plan)
{
    return QStringLiteral("These settings last until the next restart; to keep them, install the setserial package "
                          "and put the lines that this prints into /etc/serial.conf, which its etc-setserial service "
                          "applies at every boot:\n%1\n")
        .arg(plan.ToolCommand(QStringLiteral("--serial-conf")));
}

QString SerialStepText(const TSerialPlan &plan, const TResourceConflicts &conflicts)
{
    return Paragraphs({MissingLinesText(plan), LockdownText(plan), PlanTableText(plan), conflicts.WarningsText(),
        CommandsText(plan), CheckText(plan), KeepText(plan)});
}

QString SerialConfText(const TSerialPlan &plan)
{
    QString text = QStringLiteral("# ZX-SER8 / ZX-BAL8 serial card, ports A to H; made by: %1\n")
                       .arg(plan.ToolCommand(QStringLiteral("--serial-conf")));
    for (const TSerialPlan::TLine &line : plan.Lines)
        text += line.Arguments + QLatin1Char('\n');
    return text;
}

QString SerialConfInstallText(const TSerialPlan &plan)
{
    return QStringLiteral("To apply these lines at every boot: install the setserial package (apt install setserial) "
                          "and put them into /etc/serial.conf in place of any earlier lines for the same ttyS lines, "
                          "for example with\n  %1 | sudo tee /etc/serial.conf\n(tee -a keeps what the file holds "
                          "already); its etc-setserial service applies them at every boot.\n")
        .arg(plan.ToolCommand(QStringLiteral("--serial-conf")));
}

QString SilentUartCausesText()
{
    return QStringLiteral("Where nothing answers, the likely causes are: the DF jumper still fitted; the addresses "
                          "not yet written to the card; or the card's address jumpers set to another control base "
                          "address than the one the addresses were written to.");
}

QString LinuxStepSentence()
{
    return QStringLiteral("On Linux, the kernel's serial driver must now be told where the ports are (see the "
                          "details).");
}

QString LinuxStepDetails(const TSerialPlan &plan)
{
    QString lines;
    for (const TSerialPlan::TLine &line : plan.Lines)
        lines += QStringLiteral("Port %1 at %2: %3\n")
                     .arg(line.Port)
                     .arg(PortAddressText(line.Address), TKernelTtys::Name(line.Tty));
    return Paragraphs({QStringLiteral("On Linux, once the DF jumper is out and the computer has restarted, the "
                                      "kernel's serial driver must be told where the ports are:"),
        MissingLinesText(plan), LockdownText(plan), lines, CommandsText(plan), CheckText(plan), KeepText(plan),
        QStringLiteral("This prints the same, against the kernel's serial lines as they are then:\n%1")
            .arg(plan.ToolCommand())});
}
