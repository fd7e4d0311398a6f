#pragma once

#include "TPortResources.h"

#include <QStringList>
#include <cstdint>
#include <functional>

// The card's control registers at one control base address, reached through
// the port I/O interface: index port base + 1, data port base + 2.
class TControlRegisters
{
public:
    // Runs while a paced write waits, before each reading of the clock: the
    // window handles its messages there. Without one the wait just sleeps.
    using TWait = std::function<void()>;

    explicit TControlRegisters(quint16 base = 0, TWait wait = {});

    quint16 Base() const { return m_base; }
    void SetBase(quint16 base) { m_base = base; }

    // What the data port answered: PortDriverMissing without port access,
    // or when the index could not be written.
    std::uint16_t ReadRaw(quint8 index);
    quint8 Read(quint8 index) { return quint8(ReadRaw(index) & 0xFF); }
    // Registers 1 to 8: the I/O addresses of ports A to H as the card holds them.
    std::array<quint32, TPortResources::PortCount> PortAddresses();
    // True once a read has answered PortDriverMissing.
    bool AccessLost() const { return m_accessLost; }
    // Reads registers 1 to 8 before a write: true when every one reads FF,
    // which is what the bus answers where no card is.
    bool NothingAnswers();

    // The writes that follow keep to a deadline from now, 10 ms on for each,
    // so time lost in one wait shortens the next. Forgets earlier refusals.
    void StartPacing();
    // A register whose index or value was refused is recorded, and its value
    // is not written after a refused index: it would land in the register
    // indexed before.
    void Write(quint8 index, quint8 value);
    // Registers 0 to 12, paced from the start.
    void WriteAll(const TRegisterValues &values);
    // The letters of the ports whose register does not read back as written.
    QStringList LostPorts(const TRegisterValues &values);
    // The registers whose write was refused, in the order written.
    const QList<int> &RefusedWrites() const { return m_refused; }

private:
    quint16 m_base;
    TWait m_wait;
    quint64 m_deadline = 0;
    bool m_accessLost = false;
    QList<int> m_refused;
};
