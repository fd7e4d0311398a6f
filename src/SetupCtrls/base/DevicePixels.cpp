#include "DevicePixels.h"

#include <QImage>
#include <QPainter>
#include <QtMath>

namespace {

// The tolerance keeps 34 x 1.1 = 37.400000000000006 from turning into 38.
int PixelHolding(qreal place)
{
    return qFloor(place + 1e-6);
}
int PixelsBefore(qreal edge)
{
    return qCeil(edge - 1e-6);
}

} // namespace

QSize DeviceSize(const QSize &logical, qreal ratio)
{
    const auto cover = [ratio](int length) { return qMax(0, PixelsBefore(length * ratio)); };
    return QSize(cover(logical.width()), cover(logical.height()));
}

QRect DeviceBounds(const QPointF &at, const QSize &size, qreal ratio)
{
    const QPoint first(PixelHolding(at.x()), PixelHolding(at.y()));
    const QPoint end(PixelsBefore(at.x() + size.width() * ratio), PixelsBefore(at.y() + size.height() * ratio));
    return QRect(first, end - QPoint(1, 1));
}

void DrawOnDeviceGrid(QPainter &painter, const QPointF &at, const QImage &image)
{
    const QPointF device = painter.deviceTransform().map(at);
    const QPointF grid(PixelHolding(device.x()), PixelHolding(device.y()));
    painter.drawImage(at + (grid - device) / image.devicePixelRatio(), image);
}
