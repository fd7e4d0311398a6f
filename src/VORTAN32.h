#pragma once

#include <QString>
#include <cstdint>

// Byte access to I/O ports. InPortB answers 0xAA55 when port access is not
// available (the "driver not loaded" case) and OutPortB then writes nothing.
std::uint16_t InPortB(std::uint16_t port);
void OutPortB(std::uint16_t port, std::uint8_t value);

// The value InPortB gives when no port access is possible.
constexpr std::uint16_t PortDriverMissing = 0xAA55;

// Where the bytes go. The program uses the /dev/port backend; tests install
// a simulated card or point the device backend at a temporary file.
class TPortBackend
{
public:
    virtual ~TPortBackend();
    virtual std::uint16_t In(std::uint16_t port) = 0;
    virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
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

// Port access through a device file whose byte offsets are the port numbers.
// The file is opened on first use and kept open; when it cannot be opened
// (missing, no privilege, kernel lockdown) every access fails quietly and In
// answers PortDriverMissing, so the next access tries again.
class TDevicePortBackend : public TPortBackend
{
public:
    explicit TDevicePortBackend(const QString &path = QStringLiteral("/dev/port"));
    ~TDevicePortBackend() override;
    TDevicePortBackend(const TDevicePortBackend &) = delete;
    TDevicePortBackend &operator=(const TDevicePortBackend &) = delete;

    std::uint16_t In(std::uint16_t port) override;
    void Out(std::uint16_t port, std::uint8_t value) override;

    QString Path() const { return m_path; }
    // Closes the file the backend had open; the next access opens the new one.
    void SetPath(const QString &path);
    void Close();

private:
    bool Open();

    QString m_path;
    int m_fd = -1;
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
