#pragma once

#include <QSize>

// The device pixels that cover a logical size at a device pixel ratio: a
// fractional edge counts as a whole pixel, so nothing at the edge is left
// unpainted. At ratio 1 the size itself.
QSize DeviceSize(const QSize &logical, qreal ratio);
