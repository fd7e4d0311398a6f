#include "TResourceConflicts.h"

#include "HexAddress.h"
#include "TKernelView.h"
#include "TSerialPlan.h"

#include <QMap>
#include <QRegularExpression>

namespace {

constexpr quint32 UartSpan = 8; // a 16550's registers
constexpr int StandardLines = 4; // ttyS0 to ttyS3: COM1 to COM4, probed at every start

struct TStandardRange
{
    quint32 First, Last;
    const char *Holder;
};

// Devices every PC has at fixed addresses, whether or not the kernel
// reports them.
const TStandardRange StandardRanges[] = {
    {0x1F0, 0x1F7, "the first IDE controller's standard ports"},
    {0x3F6, 0x3F6, "the first IDE controller's standard ports"},
    {0x170, 0x177, "the second IDE controller's standard ports"},
    {0x376, 0x376, "the second IDE controller's standard ports"},
    {0x3F0, 0x3F7, "the floppy controller's standard ports"},
    {0x378, 0x37F, "a printer port's standard ports"},
    {0x278, 0x27F, "a printer port's standard ports"},
    {0x3B0, 0x3DF, "VGA's standard ports"},
};

bool Overlaps(quint32 first, quint32 last, quint32 address)
{
    return first <= address + UartSpan - 1 && last >= address;
}

QString RangeText(quint32 first, quint32 last)
{
    return first == last ? PortAddressText(first) : PortAddressText(first) + QLatin1Char('-') + PortAddressText(last);
}

// "A", "A and B", "A, B and C".
QString Listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

// A UART the kernel drives, outside the plan: it is named as its ttyS
// line, and whatever else reports the same device says nothing new.
bool IsOtherTty(const TKernelTtys::TTty &tty, const TSerialPlan &plan)
{
    return tty.HasUart() && tty.Port != 0 && !plan.HasLine(tty.Index);
}

bool IsTtyRange(const TSystemResources::TRange &range, const TKernelTtys &ttys)
{
    for (const TKernelTtys::TTty &tty : ttys.Ttys())
        if (tty.HasUart() && tty.Port == range.First && range.Last < tty.Port + UartSpan)
            return true;
    return false;
}

} // namespace

TResourceConflicts TResourceConflicts::Check(const TSerialPlan &plan, const TKernelView &kernel)
{
    TResourceConflicts conflicts;
    const TKernelTtys &ttys = kernel.Ttys();
    const TSystemResources &resources = kernel.Resources();

    QMap<quint32, QList<QChar>> ports;
    for (const TSerialPlan::TLine &line : plan.Lines)
        ports[line.Address] << line.Port;
    for (auto it = ports.cbegin(); it != ports.cend(); ++it)
        if (it.value().size() > 1)
            conflicts.m_clashes.append({it.key(), it.value()});

    for (const TSerialPlan::TLine &line : plan.Lines) {
        const QString port = QStringLiteral("port %1 at %2").arg(line.Port).arg(PortAddressText(line.Address));
        for (const TKernelTtys::TTty &tty : ttys.Ttys()) {
            if (plan.HasLine(tty.Index) || tty.Port == 0 || !Overlaps(tty.Port, tty.Port + UartSpan - 1, line.Address))
                continue;
            if (tty.HasUart())
                conflicts.m_warnings << port + QStringLiteral(" is where the kernel has ")
                        + TKernelTtys::Name(tty.Index);
            else if (tty.Index < StandardLines)
                // The kernel probes its standard lines at every start: once the
                // DF jumper is out, that line takes the card's UART there.
                conflicts.m_warnings << port
                        + QStringLiteral(" is where the kernel looks for %1 at start-up (nothing answers there now)")
                              .arg(TKernelTtys::Name(tty.Index));
            else
                conflicts.m_warnings << port
                        + QStringLiteral(" is where %1 points now (nothing answers there)")
                              .arg(TKernelTtys::Name(tty.Index));
        }
        QStringList holders;
        const auto hold = [&holders](const QString &holder, quint32 first, quint32 last) {
            const QString text = QStringLiteral("%1 (%2)").arg(holder, RangeText(first, last));
            if (!holders.contains(text))
                holders << text;
        };
        for (const TStandardRange &range : StandardRanges)
            if (Overlaps(range.First, range.Last, line.Address))
                hold(QLatin1String(range.Holder), range.First, range.Last);
        for (const TSystemResources::TRange &range : resources.Ranges())
            if (Overlaps(range.First, range.Last, line.Address) && !IsTtyRange(range, ttys))
                hold(range.Holder, range.First, range.Last);
        const int base = plan.Request.ControlBase;
        if (base >= 0
            && (Overlaps(quint32(base) + 1, quint32(base) + 1, line.Address)
                || Overlaps(quint32(base) + 2, quint32(base) + 2, line.Address)))
            hold(QStringLiteral("the card's own control registers"), quint32(base) + 1, quint32(base) + 2);
        if (!holders.isEmpty())
            conflicts.m_warnings << port + QStringLiteral(" overlaps ") + Listed(holders);
    }

    const int irq = plan.Request.KernelIrq();
    QStringList users;
    bool ttyOnly = true;
    for (const TKernelTtys::TTty &tty : ttys.Ttys())
        if (IsOtherTty(tty, plan) && tty.Irq == irq)
            users << TKernelTtys::Name(tty.Index);
    static const QRegularExpression ttyName(QStringLiteral("^ttyS(\\d+)$"));
    for (const TSystemResources::TIrqUser &user : resources.IrqUsers()) {
        if (user.Irq != irq || users.contains(user.Holder))
            continue;
        const QRegularExpressionMatch match = ttyName.match(user.Holder);
        if (match.hasMatch() && plan.HasLine(match.captured(1).toInt()))
            continue;
        // A PnP device at a ttyS line's address is that line.
        bool isTty = false;
        for (const TSystemResources::TRange &range : resources.Ranges())
            isTty = isTty || (range.Holder == user.Holder && IsTtyRange(range, ttys));
        if (isTty)
            continue;
        users << user.Holder;
        ttyOnly = ttyOnly && match.hasMatch();
    }
    if (!users.isEmpty()) {
        const QString irqText
            = plan.Request.Irq == 2 ? QStringLiteral("IRQ 2 (the kernel's IRQ 9)") : QStringLiteral("IRQ %1").arg(irq);
        const bool oneTty = users.size() == 1 && ttyOnly;
        conflicts.m_warnings << (oneTty ? QStringLiteral("%1 is %2's").arg(irqText, users.first())
                                        : QStringLiteral("%1 is used by %2").arg(irqText, Listed(users)))
                + QStringLiteral(": an ISA IRQ line cannot serve two devices; choose another IRQ or disable that %1 in "
                                 "the BIOS")
                      .arg(oneTty ? QStringLiteral("port") : QStringLiteral("device"));
    }
    return conflicts;
}

QString TResourceConflicts::RefusalText() const
{
    QStringList parts;
    for (const TClash &clash : m_clashes) {
        QStringList letters;
        for (const QChar port : clash.Ports)
            letters << QString(port);
        parts << QStringLiteral("ports %1 are %2 set to %3")
                     .arg(Listed(letters), letters.size() == 2 ? QStringLiteral("both") : QStringLiteral("all"),
                         PortAddressText(clash.Address));
    }
    QString text = parts.join(QStringLiteral(", and ")) + QStringLiteral(": each port needs an address of its own.");
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString TResourceConflicts::WarningsText() const
{
    if (m_warnings.isEmpty())
        return QStringLiteral("No conflict found with the devices this computer shows. ") + UnseenText();
    QString text = QStringLiteral("Possible conflicts:\n");
    for (const QString &warning : m_warnings)
        text += QStringLiteral("- ") + warning + QLatin1Char('\n');
    return text + UnseenText();
}

QString TResourceConflicts::UnseenText()
{
    return QStringLiteral("Cards in the stack without a driver are not visible to this check.");
}
