#include "SimulatedCard.h"

#include <QFile>
#include <chrono>
#include <utility>

SimulatedCard::SimulatedCard(quint16 base)
    : Base(base)
{
    Clock = [] {
        using namespace std::chrono;
        return quint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    m_previous = SetPortBackend(this);
}

SimulatedCard::~SimulatedCard()
{
    SetPortBackend(m_previous);
}

std::uint16_t SimulatedCard::In(std::uint16_t port)
{
    Reads.append(port);
    if (DriverMissing)
        return PortDriverMissing;
    if (port == 0x61)
        return Port61;
    if (port != quint16(Base + 2))
        return 0xFF; // nothing else answers on the bus
    return ReadValue.value_or(m_index < Registers.size() ? Registers[m_index] : 0xFF);
}

bool SimulatedCard::Acquire()
{
    ++Acquires;
    return !DriverMissing;
}

void SimulatedCard::Out(std::uint16_t port, std::uint8_t value)
{
    Log.append({port, value, Clock ? Clock() : 0});
    if (DriverMissing)
        return;
    if (port == quint16(Base + 1))
        m_index = value;
    else if (port == quint16(Base + 2) && KeepsWrites && m_index < Registers.size())
        Registers[m_index] = value;
}

QList<QPair<int, int>> SimulatedCard::RegisterWrites() const
{
    QList<QPair<int, int>> pairs;
    int index = -1;
    for (const Write &w : Log) {
        if (w.port == quint16(Base + 1))
            index = w.value;
        else if (w.port == quint16(Base + 2))
            pairs.append({std::exchange(index, -1), w.value});
    }
    return pairs;
}

QList<quint64> SimulatedCard::DataWriteTimes() const
{
    QList<quint64> times;
    for (const Write &w : Log)
        if (w.port == quint16(Base + 2))
            times.append(w.timeMs);
    return times;
}

QByteArray StandInPortBytes(int size, int fill)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + fill) & 0xFF);
    return bytes;
}

bool WriteStandIn(const QString &path, const QByteArray &bytes, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

QByteArray ReadStandIn(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
