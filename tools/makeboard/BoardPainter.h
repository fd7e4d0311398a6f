#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRandomGenerator>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;

// Draws a photograph-like top view of the eight-port card. Everything is laid
// out in the 600 x 605 frame of the finished photo; the board is drawn at
// twice that size and scaled down, then lit and grained like a camera shot.
// The layout puts each jumper block and connector under the ring that the
// main window places over it once the photo is stretched to 400 x 400.
class BoardPainter
{
public:
    static constexpr int PhotoWidth = 600;
    static constexpr int PhotoHeight = 605;

    BoardPainter();
    QImage Render();

private:
    // One drawing pass over the board, in photo coordinates.
    void drawSubstrate(QPainter &p);
    void drawTraces(QPainter &p);
    void drawSilkscreen(QPainter &p);
    void drawParts(QPainter &p);
    QImage shadowLayer(int scale);

    // Parts.
    void header(QPainter &p, QPointF firstPin, int cols, int rows, double pitchX, double pitchY);
    void shunt(QPainter &p, QPointF a, QPointF b);
    void busConnector(QPainter &p, QPointF firstPin, int cols, double pitch);
    void boxHeader(QPainter &p, QPointF centre, int cols, double pitch);
    void quadFlat(QPainter &p, QPointF centre, double body, int leadsPerSide, const QStringList &marking);
    void plcc(QPainter &p, QPointF centre, double body, int leadsPerSide, const QStringList &marking);
    void soic(QPainter &p, QPointF centre, double length, double width, int leadsPerSide, bool horizontal,
        const QString &marking);
    void sot23(QPainter &p, QPointF centre);
    void mountingHole(QPainter &p, QPointF centre);
    void chipCap(QPainter &p, QPointF centre, bool horizontal, bool resistor);
    void electrolytic(QPainter &p, QPointF centre, double radius);
    void oscillator(QPainter &p, QPointF centre);
    void silkText(QPainter &p, QPointF at, const QString &text, int pixelSize, Qt::Alignment align, bool bold = true);
    void silkBox(QPainter &p, const QRectF &r);

    // Copper run with 45-degree corners: vertical first, then diagonal, then
    // vertical again ("v") or the same turned on its side ("h").
    void route(QPainterPath &path, QPointF a, QPointF b, double bendAt, bool vertical);
    // Polyline with its corners cut at 45 degrees.
    void chamfered(QPainterPath &path, const QVector<QPointF> &points);

    void addFootprint(const QRectF &r, double radius = 1.0);
    void addFootprint(const QPainterPath &path);

    double noise(double lo, double hi);
    void finish(QImage &photo);

    QRandomGenerator m_rng;
    QVector<QPainterPath> m_footprints;
    QVector<QPointF> m_vias;
    QFont m_silkFont;
};
