#include "TControlRegisters.h"

#include "TPaceClock.h"
#include "VORTAN32.h"

TControlRegisters::TControlRegisters(quint16 base, TWait wait)
    : m_base(base)
    , m_wait(std::move(wait))
{ }

std::uint16_t TControlRegisters::ReadRaw(quint8 index)
{
    OutPortB(quint16(m_base + 1), index);
    const std::uint16_t answer = InPortB(quint16(m_base + 2));
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

void TControlRegisters::StartPacing()
{
    m_deadline = PaceClock().NowMs();
}

void TControlRegisters::Write(quint8 index, quint8 value)
{
    OutPortB(quint16(m_base + 1), index);
    OutPortB(quint16(m_base + 2), value);
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
