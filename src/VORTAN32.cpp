#include "VORTAN32.h"

#include "PortHelperBackend.h"

#include <QFile>

#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TPortBackend::~TPortBackend() = default;

bool TPortBackend::Acquire()
{
    return In(0x61) != PortDriverMissing;
}

QString TPortBackend::Cause() const
{
    return {};
}

TDevicePortBackend::TDevicePortBackend(const QString &path)
    : m_path(path)
{
}

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
}

bool TDevicePortBackend::Open()
{
    if (m_fd >= 0)
        return true;
    const QByteArray name = QFile::encodeName(m_path);
    do {
        m_fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    return m_fd >= 0;
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
    if (!Open())
        return;
    const unsigned char byte = value;
    ssize_t put;
    do {
        put = ::pwrite(m_fd, &byte, 1, off_t(port));
    } while (put < 0 && errno == EINTR);
}

namespace {

TPortBackend *g_backend = nullptr;
constexpr const char *DefaultPortDevice = "/dev/port";

} // namespace

TDevicePortBackend &DevicePortBackend()
{
    static TDevicePortBackend device;
    return device;
}

static TPortBackend &currentBackend()
{
    if (g_backend)
        return *g_backend;
    // A device pointed elsewhere is a test's stand-in file: plain file access,
    // never the privileged helper.
    if (PortDevicePath() != QLatin1String(DefaultPortDevice))
        return DevicePortBackend();
    // The real device when it opens (root), else the pkexec-started helper.
    static const std::unique_ptr<TPortBackend> chain = CreateDefaultPortBackend(QLatin1String(DefaultPortDevice));
    return *chain;
}

std::uint16_t InPortB(std::uint16_t port)
{
    return currentBackend().In(port);
}

void OutPortB(std::uint16_t port, std::uint8_t value)
{
    currentBackend().Out(port, value);
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
