#pragma once

#include "VORTAN32.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <array>
#include <functional>
#include <optional>

// A card behind the port I/O interface, installed while it lives: index port
// at Base + 1, data port at Base + 2, control registers 0 to 12. Every
// OutPortB the program makes is logged with the time it was made.
class SimulatedCard : public TPortBackend
{
public:
    struct Write
    {
        quint16 port;
        quint8 value;
        quint64 timeMs;
    };

    explicit SimulatedCard(quint16 base = 0x300);
    ~SimulatedCard() override;
    SimulatedCard(const SimulatedCard &) = delete;
    SimulatedCard &operator=(const SimulatedCard &) = delete;

    std::uint16_t In(std::uint16_t port) override;
    void Out(std::uint16_t port, std::uint8_t value) override;
    bool OutReached() const override { return !DriverMissing; }
    // Counted, not logged as a read: where a real backend would ask for authorisation.
    bool Acquire() override;
    QString Cause() const override { return DriverMissing ? MissingCause : QString(); }

    quint16 Base;
    std::array<quint8, 13> Registers {};
    // Every read of the data port answers this (0xFF: no card on the bus).
    std::optional<quint8> ReadValue;
    // False: writes reach the card but its registers do not change.
    bool KeepsWrites = true;
    // True: every read answers 0xAA55 and writes go nowhere, as without the
    // port I/O driver. Writes are still logged: the log is what the program tried.
    bool DriverMissing = false;
    // What port 0x61 answers while the driver is present.
    quint16 Port61 = 0x20;
    // Why there is no access, while the driver is missing.
    QString MissingCause;
    int Acquires = 0;
    // Time stamps of the log; the steady clock unless a test drives its own.
    std::function<quint64()> Clock;

    QList<Write> Log;
    QList<quint16> Reads;

    // The log read as (register, value) pairs: an index write followed by a
    // data write. Writes to other ports are left out.
    QList<QPair<int, int>> RegisterWrites() const;
    // Times of the data-port writes.
    QList<quint64> DataWriteTimes() const;

private:
    quint8 m_index = 0;
    TPortBackend *m_previous = nullptr;
};

// What a stand-in port device file holds: (offset * 7 + fill) & 0xFF at each
// offset, the offsets being port numbers.
QByteArray StandInPortBytes(int size = 0x400, int fill = 3);
// Writes a stand-in file (a port device, a script); false when it cannot.
bool WriteStandIn(const QString &path, const QByteArray &bytes, bool executable = false);
QByteArray ReadStandIn(const QString &path);
