#pragma once

#include <QImage>

// The jumper drawing's exact rasteriser: a box x1 <= x < x2, y1 <= y < y2
// whose corners are rounded by ellipses cw wide and ch high (a plain
// rectangle without corners, an ellipse when they span the whole box). A
// pixel belongs to the shape when its centre does.
class TRasterShape
{
public:
    TRasterShape(int x1, int y1, int x2, int y2, int cw = 0, int ch = 0)
        : m_x1(x1)
        , m_y1(y1)
        , m_x2(x2)
        , m_y2(y2)
        , m_cw(cw)
        , m_ch(ch)
    { }

    bool Contains(int x, int y) const;
    // Fills the shape with brush; a rim penWidth pixels deep inside its edge
    // takes pen (no rim when penWidth is 0).
    void Draw(QImage &image, QRgb pen, QRgb brush, int penWidth) const;

private:
    int m_x1, m_y1, m_x2, m_y2;
    int m_cw, m_ch;
};
