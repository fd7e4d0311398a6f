#include "TSerialRequest.h"

quint32 TSerialRequest::BaudBase() const
{
    return Clock == TOptionJumpers::ckX8 ? 921600 : 115200;
}

int TSerialRequest::KernelIrq() const
{
    return Irq == 2 ? 9 : int(Irq);
}

QString TSerialRequest::ClockOption() const
{
    return Clock == TOptionJumpers::ckX8 ? QStringLiteral("x8") : QStringLiteral("x1");
}
