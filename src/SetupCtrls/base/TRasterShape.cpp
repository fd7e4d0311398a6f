#include "TRasterShape.h"

#include <algorithm>

bool TRasterShape::Contains(int x, int y) const
{
    if (x < m_x1 || x >= m_x2 || y < m_y1 || y >= m_y2)
        return false;
    const qint64 w = std::min(m_cw, m_x2 - m_x1), h = std::min(m_ch, m_y2 - m_y1);
    if (w <= 0 || h <= 0)
        return true;
    // Doubled coordinates keep the pixel centres and the corner centres whole.
    const qint64 px = 2 * x + 1, py = 2 * y + 1;
    const qint64 left = 2 * m_x1 + w, right = 2 * m_x2 - w;
    const qint64 top = 2 * m_y1 + h, bottom = 2 * m_y2 - h;
    qint64 dx = 0, dy = 0;
    if (px < left)
        dx = px - left;
    else if (px > right)
        dx = px - right;
    else
        return true;
    if (py < top)
        dy = py - top;
    else if (py > bottom)
        dy = py - bottom;
    else
        return true;
    return dx * dx * h * h + dy * dy * w * w <= w * w * h * h;
}

void TRasterShape::Draw(QImage &image, QRgb pen, QRgb brush, int penWidth) const
{
    const int x1 = std::max(m_x1, 0), y1 = std::max(m_y1, 0);
    const int x2 = std::min(m_x2, image.width()), y2 = std::min(m_y2, image.height());
    const int t = penWidth;
    for (int y = y1; y < y2; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = x1; x < x2; ++x) {
            if (!Contains(x, y))
                continue;
            // The shape is convex: a pixel lies deeper than the rim when the
            // pixels penWidth away along both axes are inside too.
            const bool rim
                = t > 0 && (!Contains(x - t, y) || !Contains(x + t, y) || !Contains(x, y - t) || !Contains(x, y + t));
            line[x] = rim ? pen : brush;
        }
    }
}
