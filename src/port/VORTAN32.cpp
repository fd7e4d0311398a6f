#include "VORTAN32.h"

#include "PortPolicy.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TPortBackend::~TPortBackend() = default;

bool TPortBackend::Acquire()
{
    return In(kProbePort) != PortDriverMissing;
}

bool TPortBackend::OutReached() const
{
    return true;
}

QString TPortBackend::Cause() const
{
    return {};
}

QString PortLockdownMode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(file.readAll());
    const qsizetype open = text.indexOf(QLatin1Char('['));
    const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
    if (open < 0 || close < 0)
        return {};
    return text.mid(open + 1, close - open - 1).trimmed();
}

QString PortDeviceCause(const QString &device, int error, bool administrator, const QString &lockdownPath)
{
    const QString why = QString::fromLocal8Bit(std::strerror(error));
    if (error == EBADF)
        return QStringLiteral("%1 was not used: standard input, output or error is closed, and the device would "
                              "have taken its place.")
            .arg(device);
    if (error == ENOENT || error == ENXIO || error == ENODEV)
        return QStringLiteral("On this computer there is no %1 device node: the kernel offers no I/O port access "
                              "here (in a container, pass %1 through).")
            .arg(device);
    if (error != EACCES && error != EPERM)
        return QStringLiteral("%1 cannot be opened (%2).").arg(device, why);
    const QString mode = PortLockdownMode(lockdownPath);
    if (!mode.isEmpty() && mode != QLatin1String("none"))
        return QStringLiteral("The kernel is locked down (mode \"%1\"), which forbids %2. With Secure Boot on the "
                              "kernel locks itself down: turn Secure Boot off in the firmware setup to configure "
                              "the card.")
            .arg(mode, device);
    if (!administrator)
        return QStringLiteral("Permission to open %1 was refused (%2): only the administrator may access I/O ports.")
            .arg(device, why);
    return QStringLiteral("Permission to open %1 was refused even to the administrator (%2). A container without "
                          "the CAP_SYS_RAWIO capability, or a security module such as AppArmor or SELinux, "
                          "withholds I/O port access: allow it there.")
        .arg(device, why);
}

TDevicePortBackend::TDevicePortBackend(const QString &path)
    : m_path(path)
{ }

TDevicePortBackend::~TDevicePortBackend()
{
    Close();
}

void TDevicePortBackend::SetPath(const QString &path)
{
    if (path == m_path)
        return;
    Close();
    m_path = path;
}

void TDevicePortBackend::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_openError = 0;
}

bool TDevicePortBackend::Open()
{
    if (m_fd >= 0)
        return true;
    const QByteArray name = QFile::encodeName(m_path);
    do {
        m_fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    m_openError = m_fd >= 0 ? 0 : errno;
    if (m_fd >= 0 && m_fd <= STDERR_FILENO) {
        // Whatever the program prints would go into the ports.
        ::close(m_fd);
        m_fd = -1;
        m_openError = EBADF;
    }
    return m_fd >= 0;
}

bool TDevicePortBackend::Acquire()
{
    return Open();
}

QString TDevicePortBackend::Cause() const
{
    return m_openError ? PortDeviceCause(m_path, m_openError, geteuid() == 0) : QString();
}

std::uint16_t TDevicePortBackend::In(std::uint16_t port)
{
    if (!Open())
        return PortDriverMissing;
    unsigned char byte = 0;
    ssize_t got;
    do {
        got = ::pread(m_fd, &byte, 1, off_t(port));
    } while (got < 0 && errno == EINTR);
    // A short read (past the end of a plain file) is as good as no access.
    if (got != 1)
        return PortDriverMissing;
    return byte;
}

void TDevicePortBackend::Out(std::uint16_t port, std::uint8_t value)
{
    m_outReached = false;
    if (!Open())
        return;
    const unsigned char byte = value;
    ssize_t put;
    do {
        put = ::pwrite(m_fd, &byte, 1, off_t(port));
    } while (put < 0 && errno == EINTR);
    m_outReached = put == 1;
}

namespace {

TPortBackend *g_backend = nullptr;

} // namespace

TDevicePortBackend &DevicePortBackend()
{
    static TDevicePortBackend device;
    return device;
}

static TPortBackend &currentBackend()
{
    return g_backend ? *g_backend : DevicePortBackend();
}

std::uint16_t InPortB(std::uint16_t port)
{
    return currentBackend().In(port);
}

bool OutPortB(std::uint16_t port, std::uint8_t value)
{
    TPortBackend &backend = currentBackend();
    backend.Out(port, value);
    return backend.OutReached();
}

bool AcquirePortAccess()
{
    return currentBackend().Acquire();
}

QString PortAccessCause()
{
    return currentBackend().Cause();
}

TPortBackend *SetPortBackend(TPortBackend *backend)
{
    TPortBackend *previous = g_backend;
    g_backend = backend;
    return previous;
}

void SetPortDevicePath(const QString &path)
{
    DevicePortBackend().SetPath(path);
}

QString PortDevicePath()
{
    return DevicePortBackend().Path();
}
