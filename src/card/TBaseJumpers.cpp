#include "TBaseJumpers.h"

#include "PortPolicy.h"

QString TBaseJumpers::CorrectionText() const
{
    return m_value != Settable() ? QStringLiteral("Actual: ") + HexText(Settable()) : QString();
}

bool TBaseJumpers::InSystemBoardRange() const
{
    return ::InSystemBoardRange(Settable());
}
