#include "DevicePixels.h"

#include <QtMath>

QSize DeviceSize(const QSize &logical, qreal ratio)
{
    // The tolerance keeps 34 x 1.1 = 37.400000000000006 from turning into 38.
    const auto cover = [ratio](int length) { return qMax(0, qCeil(length * ratio - 1e-6)); };
    return QSize(cover(logical.width()), cover(logical.height()));
}
