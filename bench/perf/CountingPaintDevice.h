#pragma once

#include <QPaintDevice>
#include <QPaintEngine>

// A paint device that draws nothing and counts what a widget's paint asks of
// it: a widget that only blits its cached image makes exactly one image call.
class CountingPaintEngine : public QPaintEngine
{
public:
    CountingPaintEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    { }

    int images = 0; // drawImage and drawPixmap
    int others = 0; // every other drawing call

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    Type type() const override { return QPaintEngine::User; }

    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override { ++images; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { ++images; }
    void drawTiledPixmap(const QRectF &, const QPixmap &, const QPointF &) override { ++others; }
    void drawRects(const QRect *, int) override { ++others; }
    void drawRects(const QRectF *, int) override { ++others; }
    void drawLines(const QLine *, int) override { ++others; }
    void drawLines(const QLineF *, int) override { ++others; }
    void drawEllipse(const QRectF &) override { ++others; }
    void drawEllipse(const QRect &) override { ++others; }
    void drawPath(const QPainterPath &) override { ++others; }
    void drawPoints(const QPointF *, int) override { ++others; }
    void drawPoints(const QPoint *, int) override { ++others; }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { ++others; }
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override { ++others; }
    void drawTextItem(const QPointF &, const QTextItem &) override { ++others; }
};

class CountingPaintDevice : public QPaintDevice
{
public:
    explicit CountingPaintDevice(const QSize &size)
        : m_size(size)
    { }

    QPaintEngine *paintEngine() const override { return &m_engine; }
    CountingPaintEngine &engine() const { return m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return m_size.width() * 254 / 960;
        case PdmHeightMM:
            return m_size.height() * 254 / 960;
        case PdmNumColors:
            return 0;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_size;
    mutable CountingPaintEngine m_engine;
};
