#pragma once

#include "TOptionJumpers.h"
#include "TPortResources.h"

#include <QString>
#include <array>

// What the kernel's serial driver is to be told about the card's eight ports.
struct TSerialRequest
{
    static constexpr int DefaultFirstTty = 4; // after the four standard COM ports

    std::array<quint32, TPortResources::PortCount> Addresses {};
    quint32 Irq = 0; // as the card's list offers it
    // X1 is the standard 1.8432 MHz crystal; X8 runs the UARTs eight times
    // faster, so the kernel must divide from a higher base.
    TOptionJumpers::TClock Clock = TOptionJumpers::ckX1;
    int FirstTty = DefaultFirstTty; // the first line the ports may take
    QString Uart; // a UART type to force; empty: the kernel probes each address
    bool Force = false; // take lines that hold a UART or the console
    int ControlBase = -1; // the card's control base when known, else -1

    // What the kernel must divide the baud rate from: 115200, or 921600 for X8.
    quint32 BaudBase() const;
    // The IRQ as the kernel numbers it: ISA's IRQ 2 line arrives as IRQ 9.
    int KernelIrq() const;
    // "x1" or "x8", as the tool's --clock takes it.
    QString ClockOption() const;
};
