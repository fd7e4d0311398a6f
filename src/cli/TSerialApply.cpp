#include "TSerialApply.h"

#include "HexAddress.h"
#include "TKernelView.h"
#include "TSerialPlan.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// setserial's UART names as the kernel's PORT_* numbers.
int UartType(const QString &name)
{
    static const QList<QPair<QString, int>> types {{QStringLiteral("8250"), PORT_8250},
        {QStringLiteral("16450"), PORT_16450}, {QStringLiteral("16550"), PORT_16550},
        {QStringLiteral("16550A"), PORT_16550A}, {QStringLiteral("16650"), PORT_16650},
        {QStringLiteral("16650V2"), PORT_16650V2}, {QStringLiteral("16654"), PORT_16654},
        {QStringLiteral("16750"), PORT_16750}, {QStringLiteral("16850"), PORT_16850},
        {QStringLiteral("16950"), PORT_16C950}, {QStringLiteral("16954"), PORT_16C950}};
    for (const auto &type : types)
        if (type.first == name)
            return type.second;
    return PORT_UNKNOWN;
}

// What keeps a line from its address or IRQ, as far as the kernel shows it.
QString Holder(const TSerialPlan::TLine &line, const TSerialPlan &plan, const TKernelView &kernel)
{
    for (const TKernelTtys::TTty &tty : kernel.Ttys().At(line.Address))
        if (tty.Index != line.Tty && tty.HasUart())
            return QStringLiteral("the address %1 is held by %2")
                .arg(PortAddressText(line.Address), TKernelTtys::Name(tty.Index));
    // The card's own lines share their IRQ.
    QStringList own;
    for (const TSerialPlan::TLine &other : plan.Lines)
        own << TKernelTtys::Name(other.Tty);
    QStringList users;
    for (const TSystemResources::TIrqUser &user : kernel.Resources().IrqUsers())
        if (user.Irq == plan.Request.KernelIrq() && !own.contains(user.Holder) && !users.contains(user.Holder))
            users << user.Holder;
    if (!users.isEmpty())
        return QStringLiteral("IRQ %1 is held by %2")
            .arg(plan.Request.KernelIrq())
            .arg(users.join(QStringLiteral(", ")));
    return QStringLiteral("%1 is open in another program").arg(TKernelTtys::Name(line.Tty));
}

QString Refusal(int error, const TSerialPlan::TLine &line, const TSerialPlan &plan, const TKernelView &kernel)
{
    const QString refused = QStringLiteral("the kernel refused %1 (%2)")
                                .arg(TKernelTtys::Name(line.Tty), QString::fromLocal8Bit(std::strerror(error)));
    switch (error) {
    case EBUSY:
        return refused + QStringLiteral(": ") + Holder(line, plan, kernel);
    case EPERM:
        return refused
            + (plan.Lockdown.isEmpty()
                    ? QStringLiteral(": only root may move a serial line")
                    : QStringLiteral(": the kernel is locked down (mode \"%1\", which Secure Boot turns on)")
                          .arg(plan.Lockdown));
    case EINVAL:
        return refused
            + QStringLiteral(": it does not take port %1, irq %2, baud_base %3")
                  .arg(PortAddressText(line.Address))
                  .arg(plan.Request.KernelIrq())
                  .arg(plan.Request.BaudBase());
    case ENOTTY:
        return refused + QStringLiteral(": %1 is no serial line").arg(line.Device());
    default:
        return refused;
    }
}

} // namespace

QList<TSerialApply::TResult> TSerialApply::Apply(const TSerialPlan &plan, const TKernelView &kernel)
{
    QList<TResult> results;
    for (const TSerialPlan::TLine &line : plan.Lines) {
        TResult result;
        result.Tty = line.Tty;
        const QByteArray device = QFile::encodeName(kernel.Path(QStringLiteral("dev/") + TKernelTtys::Name(line.Tty)));
        // Non-blocking: an open must not wait for a carrier that never comes.
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        serial_struct serial {};
        bool ok = fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &serial) == 0;
        if (ok) {
            result.TypeBefore = serial.type;
            serial.port = line.Address;
            serial.port_high = 0;
            serial.irq = plan.Request.KernelIrq();
            serial.baud_base = int(plan.Request.BaudBase());
            if (!plan.Request.Uart.isEmpty())
                serial.type = UartType(plan.Request.Uart);
            ok = ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
        }
        // Probing last, once the kernel has the address: it finds the UART there, or nothing.
        if (ok && plan.Request.Uart.isEmpty())
            ok = ::ioctl(fd, TIOCSERCONFIG) == 0;
        if (ok)
            ok = ::ioctl(fd, TIOCGSERIAL, &serial) == 0;
        if (ok) {
            result.TypeAfter = serial.type;
        } else {
            result.Error = errno;
            result.Refusal = Refusal(result.Error, line, plan, kernel);
        }
        if (fd >= 0)
            ::close(fd);
        // A probe finds nothing where another line holds the address.
        if (ok && result.TypeAfter == PORT_UNKNOWN) {
            for (const TKernelTtys::TTty &tty : kernel.Ttys().At(line.Address))
                if (tty.Index != line.Tty && tty.HasUart()) {
                    result.Error = EBUSY;
                    result.Refusal = Refusal(EBUSY, line, plan, kernel);
                }
        }
        if (ok) {
            // Units waiting for the device (a getty, a logger) start now.
            QFile uevent(kernel.Path(QStringLiteral("sys/class/tty/%1/uevent").arg(TKernelTtys::Name(line.Tty))));
            if (uevent.open(QIODevice::WriteOnly))
                uevent.write("change\n");
        }
        results.append(result);
    }
    return results;
}
