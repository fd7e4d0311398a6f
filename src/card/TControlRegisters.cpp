#include "TControlRegisters.h"

#include "TPaceClock.h"
#include "VORTAN32.h"

TControlRegisters::TControlRegisters(quint16 base, TWait wait)
    : m_base(base)
    , m_wait(std::move(wait))
{ }

std::uint16_t TControlRegisters::ReadRaw(quint8 index)
{
    // Without the index the data port answers for another register.
    const std::uint16_t answer
        = OutPortB(quint16(m_base + 1), index) ? InPortB(quint16(m_base + 2)) : PortDriverMissing;
    if (answer == PortDriverMissing)
        m_accessLost = true;
    return answer;
}

std::array<quint32, TPortResources::PortCount> TControlRegisters::PortAddresses()
{
    std::array<quint32, TPortResources::PortCount> addresses {};
    for (int port = 0; port < TPortResources::PortCount; ++port)
        addresses[port] = quint32(Read(quint8(1 + port))) * 8;
    return addresses;
}

bool TControlRegisters::NothingAnswers()
{
    bool allFF = true;
    for (int reg = 1; reg <= TPortResources::PortCount; ++reg)
        allFF = ReadRaw(quint8(reg)) == 0xFF && allFF;
    return allFF && !m_accessLost;
}

void TControlRegisters::StartPacing()
{
    m_refused.clear();
    m_deadline = PaceClock().NowMs();
}

void TControlRegisters::Write(quint8 index, quint8 value)
{
    if (!OutPortB(quint16(m_base + 1), index) || !OutPortB(quint16(m_base + 2), value))
        m_refused << index;
    m_deadline += 10;
    TPaceClock &clock = PaceClock();
    for (;;) {
        if (m_wait)
            m_wait();
        if (clock.NowMs() > m_deadline)
            break;
        clock.Rest();
    }
}

void TControlRegisters::WriteAll(const TRegisterValues &values)
{
    StartPacing();
    for (int reg = 0; reg < int(values.size()); ++reg)
        Write(quint8(reg), values[reg]);
}

QStringList TControlRegisters::LostPorts(const TRegisterValues &values)
{
    QStringList lost;
    for (int port = 0; port < TPortResources::PortCount; ++port)
        if (Read(quint8(1 + port)) != values[1 + port])
            lost << QString(TPortResources::PortLetter(port));
    return lost;
}
