#include "TSerialPlan.h"

#include "HexAddress.h"
#include "TKernelView.h"

#include <QMap>

#include <algorithm>

namespace {

// What the line is now, as words after "it".
QString State(const TKernelTtys::TTty &line)
{
    const QString where = line.Port ? PortAddressText(line.Port)
                                    : QStringLiteral("memory address 0x%1").arg(HexText(quint32(line.IomemBase)));
    if (line.Console)
        return QStringLiteral("is the console");
    if (line.HasUart())
        return QStringLiteral("has a %1 at %2 (irq %3)").arg(TKernelTtys::TypeName(line.Type), where).arg(line.Irq);
    return QStringLiteral("is set to %1 (irq %2), where nothing answers now").arg(where).arg(line.Irq);
}

} // namespace

QString TSerialPlan::TLine::Device() const
{
    return QStringLiteral("/dev/") + TKernelTtys::Name(Tty);
}

QString TSerialPlan::TLine::Command() const
{
    return QStringLiteral("setserial ") + Arguments;
}

TSerialPlan TSerialPlan::Make(const TSerialRequest &request, const TKernelView &kernel)
{
    TSerialPlan plan;
    plan.Request = request;
    plan.KernelKnown = kernel.TtysKnown();
    plan.KernelLines = int(kernel.Ttys().Ttys().size());
    plan.Lockdown = kernel.Lockdown();
    const TKernelTtys &ttys = kernel.Ttys();

    // A line that holds a port's address already keeps it: a second run
    // after a restart with the settings kept changes nothing. Never the
    // console, whose UART is the computer's own.
    std::array<int, TPortResources::PortCount> tty;
    tty.fill(-1);
    QMap<int, int> kept;
    for (int port = 0; port < TPortResources::PortCount; ++port)
        for (const TKernelTtys::TTty &line : ttys.At(request.Addresses[port]))
            if (line.Index >= request.FirstTty && !line.Console && !kept.contains(line.Index) && tty[port] < 0) {
                tty[port] = line.Index;
                kept.insert(line.Index, port);
            }
    int next = request.FirstTty;
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        if (tty[port] >= 0)
            continue;
        for (;; ++next) {
            if (kept.contains(next))
                continue;
            const TKernelTtys::TTty *line = ttys.Line(next);
            if (!line || line->Free())
                break;
            // A line left pointing where nothing answers (a run before the DF
            // jumper came out, an old /etc/serial.conf) serves nothing.
            if (!line->HasUart() && !line->Console) {
                plan.Reused.append({next, State(*line)});
                break;
            }
            if (request.Force) {
                plan.Taken.append({next, State(*line)});
                break;
            }
            plan.Passed.append({next, State(*line)});
        }
        tty[port] = next++;
    }

    bool missing = false;
    for (int port = 0; port < TPortResources::PortCount; ++port) {
        TLine line;
        line.Port = TPortResources::PortLetter(port);
        line.Address = request.Addresses[port];
        line.Tty = tty[port];
        if (const TKernelTtys::TTty *now = ttys.Line(line.Tty)) {
            line.Exists = true;
            line.Now = *now;
        }
        missing = missing || !line.Exists;
        line.Arguments = QStringLiteral("%1 port 0x%2 irq %3 baud_base %4 ")
                             .arg(line.Device(), PortAddressText(line.Address))
                             .arg(request.KernelIrq())
                             .arg(request.BaudBase())
            + (request.Uart.isEmpty() ? QStringLiteral("autoconfig") : QStringLiteral("uart ") + request.Uart);
        plan.Lines.append(line);
    }
    if (plan.KernelKnown && missing) {
        plan.NrUarts = *std::max_element(tty.begin(), tty.end()) + 1;
        plan.BeyondLimit = plan.NrUarts > KernelLineLimit;
    }
    return plan;
}

bool TSerialPlan::HasLine(int tty) const
{
    return std::any_of(Lines.begin(), Lines.end(), [tty](const TLine &line) { return line.Tty == tty; });
}

QString TSerialPlan::Devices() const
{
    QStringList devices;
    for (const TLine &line : Lines)
        devices << line.Device();
    return devices.join(QLatin1Char(' '));
}

QString TSerialPlan::ToolCommand(const QString &extra) const
{
    QStringList ports;
    for (const TLine &line : Lines)
        ports << PortAddressText(line.Address);
    QString command
        = QStringLiteral("zx-setup-cli linux --ports %1 --irq %2").arg(ports.join(QLatin1Char(','))).arg(Request.Irq);
    if (Request.Clock != TOptionJumpers::ckX1)
        command += QStringLiteral(" --clock ") + Request.ClockOption();
    if (Request.FirstTty != TSerialRequest::DefaultFirstTty)
        command += QStringLiteral(" --first-tty %1").arg(Request.FirstTty);
    if (!Request.Uart.isEmpty())
        command += QStringLiteral(" --uart ") + Request.Uart;
    if (Request.Force)
        command += QStringLiteral(" --force");
    return extra.isEmpty() ? command : command + QLatin1Char(' ') + extra;
}
