#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The ports the privileged helper serves, shared by the helper and the
// program so that neither starts the helper for a port it would refuse.
// The card decodes its control registers at one of 32 base addresses
// (0x000, 0x020, ... 0x3E0): index port base + 1, data port base + 2. Only
// the bases from 0x100 up are served. Port 0x61 is read as the start-up
// driver probe and never written.

constexpr std::uint16_t kProbePort = 0x61;

// The device the helper opens, and the program too when it may.
constexpr const char *kPortDevicePath = "/dev/port";

// The system board's I/O range (DMA, interrupt controllers, timer, keyboard
// controller, port 0x61): a control base below its end would put the card's
// index and data ports among the computer's own, so none is served there.
constexpr unsigned kSystemBoardEnd = 0x100;

constexpr bool InSystemBoardRange(unsigned settableBase)
{
    return settableBase < kSystemBoardEnd;
}

constexpr bool IsControlPort(std::uint16_t port)
{
    const unsigned offset = port & 0x1Fu;
    return port < 0x400 && (offset == 1 || offset == 2) && !InSystemBoardRange(port & 0x3E0u);
}

constexpr bool IsReadablePort(std::uint16_t port)
{
    return port == kProbePort || IsControlPort(port);
}

constexpr bool IsWritablePort(std::uint16_t port)
{
    return IsControlPort(port);
}

// The line protocol, one request and one reply per line:
//   helper start:  "READY"  or  "ERR open <errno> <text>" and exit
//   "IN 0x301"            -> "OK 0xff"
//   "OUT 0x301 0x05"      -> "OK"
//   anything else         -> "ERR <reason>"
constexpr const char *kReadyLine = "READY";
constexpr unsigned kMaxLineLength = 64;

// A port or byte as the requests and replies spell it.
inline std::string ProtocolHex(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*x", digits, value);
    return buffer;
}
