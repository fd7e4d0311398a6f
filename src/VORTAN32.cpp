#include "VORTAN32.h"

TPortBackend::~TPortBackend() = default;
namespace { TPortBackend *g_backend = nullptr; QString g_path = QStringLiteral("/dev/port"); }
std::uint16_t InPortB(std::uint16_t port) { return g_backend ? g_backend->In(port) : 0xAA55; }
void OutPortB(std::uint16_t port, std::uint8_t value) { if (g_backend) g_backend->Out(port, value); }
TPortBackend *SetPortBackend(TPortBackend *b) { TPortBackend *old = g_backend; g_backend = b; return old; }
void SetPortDevicePath(const QString &p) { g_path = p; }
QString PortDevicePath() { return g_path; }
