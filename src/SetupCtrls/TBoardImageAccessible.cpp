#include "TBoardImageAccessible.h"

#include "TBoardImage.h"

TBoardImageAccessible::TBoardImageAccessible(TBoardImage *image) : QAccessibleWidget(image, QAccessible::Graphic) {}

QString TBoardImageAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QStringLiteral("Board photograph");
    return QAccessibleWidget::text(t);
}
