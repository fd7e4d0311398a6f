#pragma once

#include <QRect>

class QImage;
class QPainter;
class QPointF;

// The device pixels that cover a logical size at a device pixel ratio: a
// fractional edge counts as a whole pixel, so nothing at the edge is left
// unpainted. At ratio 1 the size itself.
QSize DeviceSize(const QSize &logical, qreal ratio);

// The device pixels that a control covers whose top left corner lies at the
// device position `at`, fractional at a fractional ratio: from the pixel
// holding that corner to the one holding the far edge.
QRect DeviceBounds(const QPointF &at, const QSize &size, qreal ratio);

// Blits an image kept in device pixels so that its first pixel is the device
// pixel holding the logical point `at`: pixel for pixel, never resampled, so
// a ring's copy of the photograph meets the photograph without a seam.
void DrawOnDeviceGrid(QPainter &painter, const QPointF &at, const QImage &image);
