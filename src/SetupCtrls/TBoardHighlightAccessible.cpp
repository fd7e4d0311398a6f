#include "TBoardHighlightAccessible.h"

#include "TBoardHighlight.h"

TBoardHighlightAccessible::TBoardHighlightAccessible(TBoardHighlight *highlight)
    : QAccessibleWidget(highlight, QAccessible::Button)
{
}

TBoardHighlight *TBoardHighlightAccessible::highlight() const
{
    return static_cast<TBoardHighlight *>(widget());
}

QString TBoardHighlightAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!highlight()->accessibleName().isEmpty())
            return highlight()->accessibleName();
        return highlight()->PopupCaption();
    case QAccessible::Description:
        if (!highlight()->accessibleDescription().isEmpty())
            return highlight()->accessibleDescription();
        switch (highlight()->HighlightType()) {
        case htOptions: return QStringLiteral("information");
        case htSettings: return QStringLiteral("jumper settings");
        case htCalibration: return QStringLiteral("calibration");
        }
        return QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList TBoardHighlightAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void TBoardHighlightAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        highlight()->Click();
    else
        QAccessibleWidget::doAction(actionName);
}
