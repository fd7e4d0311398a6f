#include "TTwoJumperAccessible.h"

#include "TTwoJumper.h"

#include <QLabel>
#include <climits>

TTwoJumperAccessible::TTwoJumperAccessible(TTwoJumper *jumper)
    : QAccessibleWidget(jumper, QAccessible::CheckBox)
{ }

TTwoJumper *TTwoJumperAccessible::jumper() const
{
    return static_cast<TTwoJumper *>(widget());
}

QLabel *TTwoJumperAccessible::LabelBeside(const TTwoJumper *jumper)
{
    const QWidget *panel = jumper->parentWidget();
    if (!panel)
        return nullptr;
    const QList<QLabel *> labels = panel->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels)
        if (label->buddy() == jumper)
            return label;

    // The panels put a jumper's name to its left or right on its row, or
    // under a standing jumper; the nearest such label names it, a row
    // neighbour before one below at equal distance.
    const QRect j = jumper->geometry();
    QLabel *best = nullptr;
    int bestGap = INT_MAX;
    bool bestOnRow = false;
    for (QLabel *label : labels) {
        if (label->isHidden() || label->text().trimmed().isEmpty())
            continue;
        const QRect l = label->geometry();
        const int rowOverlap = qMin(l.bottom(), j.bottom()) - qMax(l.top(), j.top()) + 1;
        const int columnOverlap = qMin(l.right(), j.right()) - qMax(l.left(), j.left()) + 1;
        int gap = 0;
        bool onRow = false;
        if (2 * rowOverlap >= qMin(l.height(), j.height())
            && (l.center().x() < j.left() || l.center().x() > j.right())) {
            onRow = true;
            gap = qMax(0, l.center().x() < j.left() ? j.left() - l.right() - 1 : l.left() - j.right() - 1);
        } else if (2 * columnOverlap >= j.width() && l.top() >= j.center().y()) {
            gap = qMax(0, l.top() - j.bottom() - 1);
        } else {
            continue;
        }
        if (gap < bestGap || (gap == bestGap && onRow && !bestOnRow)) {
            best = label;
            bestGap = gap;
            bestOnRow = onRow;
        }
    }
    return best;
}

QString TTwoJumperAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!jumper()->accessibleName().isEmpty())
            return jumper()->accessibleName();
        if (const QLabel *label = LabelBeside(jumper()))
            return label->text().trimmed();
        return jumper()->objectName();
    case QAccessible::Description:
        if (!jumper()->accessibleDescription().isEmpty())
            return jumper()->accessibleDescription();
        return QStringLiteral("jumper");
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State TTwoJumperAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = jumper()->Closed();
    return s;
}

QStringList TTwoJumperAccessible::actionNames() const
{
    // A display-only mirror takes no clicks, and no actions either.
    if (!jumper()->isEnabled())
        return QAccessibleWidget::actionNames();
    return QStringList {pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
}

void TTwoJumperAccessible::doAction(const QString &actionName)
{
    if ((actionName == pressAction() || actionName == toggleAction()) && jumper()->isEnabled())
        jumper()->Click();
    else
        QAccessibleWidget::doAction(actionName);
}
