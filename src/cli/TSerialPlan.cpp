#include "TSerialPlan.h"

#include "HexAddress.h"
#include "TKernelTtys.h"

#include <QJsonArray>

TSerialPlan TSerialPlan::Make(const std::array<quint32, TPortResources::PortCount> &addresses, quint32 irq,
    int firstTty, const QString &uart, const TKernelTtys &kernel, bool kernelKnown, const QString &classDir)
{
    TSerialPlan plan;
    plan.Irq = irq;
    plan.Uart = uart;
    plan.FirstTty = firstTty;
    plan.KernelKnown = kernelKnown;
    plan.ClassDir = classDir;
    plan.KernelLines = int(kernel.Ttys().size());
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        TLine line;
        line.Port = TPortResources::PortLetter(port);
        line.Address = addresses[port];
        line.Tty = TtyName(firstTty + port);
        line.Command = QStringLiteral("/dev/%1 port 0x%2 irq %3 uart %4")
                           .arg(line.Tty, PortAddressText(line.Address))
                           .arg(irq)
                           .arg(uart);
        if (const TKernelTtys::TTty *now = kernel.At(line.Address)) {
            line.KernelTty = TtyName(now->Index);
            line.KernelIrq = now->Irq;
        }
        for (const TKernelTtys::TTty &other : kernel.Ttys())
            if (other.Index == firstTty + port && other.Port != 0 && other.Port != line.Address)
                plan.Moves << QStringLiteral("%1 has a UART at %2 now; the line for port %3 moves it to %4.")
                                  .arg(line.Tty, PortAddressText(other.Port), QString(line.Port),
                                      PortAddressText(line.Address));
        plan.Lines << line;
    }

    bool enough = true;
    for (int index = firstTty; index < firstTty + TPortResources::PortCount; ++index)
        enough = enough && kernel.Has(index);
    if (kernelKnown && !enough) {
        plan.NrUarts = firstTty + TPortResources::PortCount;
        const int count = plan.KernelLines;
        plan.LinesAdvice = QStringLiteral("The kernel has %1 serial line(s)%2; %3 to %4 need %5. Add the kernel "
                                          "parameter 8250.nr_uarts=%5 to the kernel command line (on Debian: "
                                          "GRUB_CMDLINE_LINUX in /etc/default/grub, then update-grub) and restart.")
                               .arg(count)
                               .arg(count == 0      ? QString()
                                       : count == 1 ? QStringLiteral(", ") + TtyName(kernel.Ttys().first().Index)
                                                    : QStringLiteral(", %1 to %2")
                                                          .arg(TtyName(kernel.Ttys().first().Index),
                                                              TtyName(kernel.Ttys().last().Index)))
                               .arg(TtyName(firstTty), TtyName(plan.NrUarts - 1))
                               .arg(plan.NrUarts);
    }
    return plan;
}

QString TSerialPlan::Text() const
{
    QString table = QStringLiteral("Port  Address  Line    The kernel now\n");
    QString commands;
    for (const TLine &line : Lines) {
        table += QStringLiteral("%1     %2      %3 %4\n")
                     .arg(line.Port)
                     .arg(PortAddressText(line.Address), line.Tty.leftJustified(7),
                         !KernelKnown ? QStringLiteral("unknown (%1 cannot be read)").arg(ClassDir)
                             : !line.KernelTty.isEmpty()
                             ? QStringLiteral("%1 (irq %2)").arg(line.KernelTty).arg(line.KernelIrq)
                             : QStringLiteral("not known to the kernel"));
        commands += line.Command + QLatin1Char('\n');
    }
    QString text
        = table + QStringLiteral("\nLines for setserial (as root, run setserial with each line):\n") + commands;
    if (!Moves.isEmpty() || !LinesAdvice.isEmpty()) {
        text += QLatin1Char('\n');
        for (const QString &move : Moves)
            text += move + QLatin1Char('\n');
        if (!LinesAdvice.isEmpty())
            text += LinesAdvice + QLatin1Char('\n');
    }
    return text;
}

QJsonObject TSerialPlan::Json() const
{
    QJsonArray ports;
    for (const TLine &line : Lines)
        ports.append(QJsonObject {{QStringLiteral("port"), QString(line.Port)},
            {QStringLiteral("address"), PortAddressText(line.Address)}, {QStringLiteral("tty"), line.Tty},
            {QStringLiteral("line"), line.Command},
            {QStringLiteral("kernel_tty"), line.KernelTty.isEmpty() ? QJsonValue() : QJsonValue(line.KernelTty)},
            {QStringLiteral("kernel_irq"), line.KernelTty.isEmpty() ? QJsonValue() : QJsonValue(line.KernelIrq)}});
    return QJsonObject {{QStringLiteral("irq"), int(Irq)}, {QStringLiteral("uart"), Uart},
        {QStringLiteral("first_tty"), FirstTty}, {QStringLiteral("ports"), ports},
        {QStringLiteral("kernel_known"), KernelKnown},
        {QStringLiteral("kernel_lines"), KernelKnown ? QJsonValue(KernelLines) : QJsonValue()},
        {QStringLiteral("nr_uarts"), NrUarts ? QJsonValue(NrUarts) : QJsonValue()}};
}

QString TSerialPlan::TtyName(int index)
{
    return QStringLiteral("ttyS%1").arg(index);
}
