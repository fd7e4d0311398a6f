#pragma once

#include <QString>
#include <cstdint>

// Byte access to I/O ports. InPortB answers 0xAA55 when port access is not
// available (the "driver not loaded" case) and OutPortB then writes nothing.
std::uint16_t InPortB(std::uint16_t port);
void OutPortB(std::uint16_t port, std::uint8_t value);

// Where the bytes go. The program uses the /dev/port backend; tests install
// a simulated card or point the device backend at a temporary file.
class TPortBackend
{
public:
    virtual ~TPortBackend();
    virtual std::uint16_t In(std::uint16_t port) = 0;
    virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
};

// Installs a backend (not owned); nullptr restores the device backend.
// Returns the backend installed before (nullptr for the device backend).
TPortBackend *SetPortBackend(TPortBackend *backend);

// The device backend's file, "/dev/port" unless a test points it elsewhere.
// Changing it closes the file the backend had open.
void SetPortDevicePath(const QString &path);
QString PortDevicePath();
