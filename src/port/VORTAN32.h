#pragma once

#include <QString>
#include <cstdint>

// Byte access to I/O ports. InPortB answers 0xAA55 when port access is not
// available (the "driver not loaded" case) and OutPortB then writes nothing.
// OutPortB answers whether the byte reached its port as far as the backend
// can tell: false without access, or when the write was refused.
std::uint16_t InPortB(std::uint16_t port);
bool OutPortB(std::uint16_t port, std::uint8_t value);

// The value InPortB gives when no port access is possible.
constexpr std::uint16_t PortDriverMissing = 0xAA55;

// Where the bytes go. The program installs its own way to the ports; with
// none installed the /dev/port backend serves. Tests install a simulated
// card or point the device backend at a temporary file.
class TPortBackend
{
public:
    virtual ~TPortBackend();
    virtual std::uint16_t In(std::uint16_t port) = 0;
    virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
    // Whether the last Out reached its port; a backend that cannot tell
    // answers true.
    virtual bool OutReached() const;
    // Makes the card's ports really reachable before the first register
    // access; a backend that must ask for authorisation asks here. The
    // default answers whether the driver probe port reads.
    virtual bool Acquire();
    // Why the ports cannot be reached, in a sentence or two for the user;
    // empty while they can, or when the backend cannot tell.
    virtual QString Cause() const;
};

// The installed backend's Acquire and Cause.
bool AcquirePortAccess();
QString PortAccessCause();

// Where the kernel tells its lockdown selection.
constexpr const char *DefaultLockdownPath = "/sys/kernel/security/lockdown";
// The selected lockdown mode ("none", "integrity", "confidentiality");
// empty when the file cannot be read.
QString PortLockdownMode(const QString &path = QLatin1String(DefaultLockdownPath));
// Why the port device would not open (the open's errno), for the user. A
// refusal means something else when it met the administrator (a container,
// a security module, lockdown) than when it met an ordinary user.
QString PortDeviceCause(const QString &device, int error, bool administrator,
    const QString &lockdownPath = QLatin1String(DefaultLockdownPath));

// Port access through a device file whose byte offsets are the port numbers.
// The file is opened on first use and kept open; when it cannot be opened
// (missing, no privilege, kernel lockdown) every access fails quietly and In
// answers PortDriverMissing, Cause says why, and the next access tries again.
// A file that would open as standard input, output or error is refused.
class TDevicePortBackend : public TPortBackend
{
public:
    explicit TDevicePortBackend(const QString &path = QStringLiteral("/dev/port"));
    ~TDevicePortBackend() override;
    TDevicePortBackend(const TDevicePortBackend &) = delete;
    TDevicePortBackend &operator=(const TDevicePortBackend &) = delete;

    std::uint16_t In(std::uint16_t port) override;
    void Out(std::uint16_t port, std::uint8_t value) override;
    bool OutReached() const override { return m_outReached; }
    bool Acquire() override;
    QString Cause() const override;

    QString Path() const { return m_path; }
    // The errno of the last failed open; 0 while the file is open.
    int OpenError() const { return m_openError; }
    // Closes the file the backend had open; the next access opens the new one.
    void SetPath(const QString &path);
    void Close();

private:
    bool Open();

    QString m_path;
    int m_fd = -1;
    int m_openError = 0;
    bool m_outReached = true;
};

// Installs a backend (not owned); nullptr restores the device backend.
// Returns the backend installed before (nullptr for the device backend).
TPortBackend *SetPortBackend(TPortBackend *backend);

// The device backend used when no other is installed.
TDevicePortBackend &DevicePortBackend();

// The device backend's file, "/dev/port" unless a test points it elsewhere.
// Changing it closes the file the backend had open.
void SetPortDevicePath(const QString &path);
QString PortDevicePath();
