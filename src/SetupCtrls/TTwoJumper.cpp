#include "TTwoJumper.h"

#include "TRadioPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cstring>

namespace {

// num / den rounded to the nearest integer, halves to the even one (num, den > 0).
int roundHalfEven(int num, int den)
{
    const int q = num / den;
    const int twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && (q % 2) != 0))
        return q + 1;
    return q;
}

// A box x1 <= x < x2, y1 <= y < y2 whose corners are rounded by ellipses
// cw wide and ch high: a plain rectangle with no corners, an ellipse when the
// corners span the whole box. A pixel belongs to it when its centre does.
struct Shape
{
    int x1, y1, x2, y2;
    int cw = 0, ch = 0;

    bool contains(int x, int y) const
    {
        if (x < x1 || x >= x2 || y < y1 || y >= y2)
            return false;
        const qint64 w = std::min(cw, x2 - x1), h = std::min(ch, y2 - y1);
        if (w <= 0 || h <= 0)
            return true;
        // Doubled coordinates keep the pixel centres and the corner centres whole.
        const qint64 px = 2 * x + 1, py = 2 * y + 1;
        const qint64 left = 2 * x1 + w, right = 2 * x2 - w;
        const qint64 top = 2 * y1 + h, bottom = 2 * y2 - h;
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

    bool onOutline(int x, int y) const
    {
        return !contains(x - 1, y) || !contains(x + 1, y) || !contains(x, y - 1) || !contains(x, y + 1);
    }
};

// Fills the shape with brush; its one-pixel rim (inside the box) takes pen.
void drawShape(QImage &image, const Shape &s, QRgb pen, QRgb brush, bool outlined)
{
    const int x1 = std::max(s.x1, 0), y1 = std::max(s.y1, 0);
    const int x2 = std::min(s.x2, image.width()), y2 = std::min(s.y2, image.height());
    for (int y = y1; y < y2; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = x1; x < x2; ++x) {
            if (s.contains(x, y))
                line[x] = outlined && s.onOutline(x, y) ? pen : brush;
        }
    }
}

} // namespace

TTwoJumper::TTwoJumper(QWidget *parent)
    : QWidget(parent),
      m_work(34, 18, QImage::Format_RGB32),
      m_output(34, 18, QImage::Format_RGB32)
{
    resize(34, 18);
}

void TTwoJumper::setClosed(bool value)
{
    if (value == m_closed)
        return;
    m_closed = value;
    invalidate();
}

void TTwoJumper::setBaseColor(TColor value)
{
    if (value == m_baseColor)
        return;
    m_baseColor = value;
    invalidate();
}

void TTwoJumper::setPinColor(TColor value)
{
    if (value == m_pinColor)
        return;
    m_pinColor = value;
    invalidate();
}

void TTwoJumper::setJumperColor(TColor value)
{
    if (value == m_jumperColor)
        return;
    m_jumperColor = value;
    invalidate();
}

void TTwoJumper::setOrientation(TOrientationType value)
{
    if (value == m_orientation)
        return;
    // A second crossing before the next paint takes the first back, so the
    // size always follows the orientation finally set.
    if (isVertical(value) != isVertical(m_orientation))
        m_pendingExchange = !m_pendingExchange;
    m_orientation = value;
    invalidate();
}

void TTwoJumper::setBorderStyle(TBorderStyle value)
{
    if (value == m_borderStyle)
        return;
    m_borderStyle = value;
    invalidate();
}

void TTwoJumper::Click()
{
    // Bypasses the setter: the click always repaints.
    m_closed = !m_closed;
    invalidate();
    QPointer<TTwoJumper> self(this);
    QWidget *parent = parentWidget();
    if (parent && std::strcmp(parent->metaObject()->className(), "TRadioPanel") == 0) {
        auto *panel = qobject_cast<TRadioPanel *>(parent);
        if (panel && panel->RadioEnabled())
            panel->JumperClicked(this);
    }
    if (self)
        emit OnClick();
}

void TTwoJumper::invalidate()
{
    m_imageValid = false;
    update();
}

QColor TTwoJumper::backgroundColor() const
{
    const QWidget *parent = parentWidget();
    if (parent && std::strcmp(parent->metaObject()->className(), "TRadioPanel") == 0)
        if (auto *panel = qobject_cast<const TRadioPanel *>(parent))
            return ColorToQColor(panel->Color());
    return ColorToQColor(clBtnFace);
}

void TTwoJumper::renderImages()
{
    const bool vertical = isVertical(m_orientation);
    const int fw = std::max(0, vertical ? height() : width());
    const int fh = std::max(0, vertical ? width() : height());
    if (m_work.size() != QSize(fw, fh))
        m_work = QImage(fw, fh, QImage::Format_RGB32);
    const QSize outSize = vertical ? QSize(fh, fw) : QSize(fw, fh);
    if (m_output.size() != outSize)
        m_output = QImage(outSize, QImage::Format_RGB32);
    if (fw == 0 || fh == 0)
        return;

    m_work.fill(backgroundColor());

    const bool outlined = m_borderStyle == bsSingle;
    const QRgb black = qRgb(0, 0, 0);
    if (m_closed) {
        const QRgb fill = ColorToQColor(m_jumperColor).rgb();
        drawShape(m_work, Shape{0, 0, fw, fh}, outlined ? black : fill, fill, true);
    } else {
        const QRgb fill = ColorToQColor(m_baseColor).rgb();
        drawShape(m_work, Shape{1, 1, fw - 1, fh - 1, fh / 2, fh / 2}, outlined ? black : fill, fill, true);
    }

    const int p = roundHalfEven(2 * fw, 7);   // fw / 3.5
    const int cx = p + 1;
    const int cy = fh / 2;
    const int r = std::min(p / 3, roundHalfEven(fh, 4));
    if (r > 0) {
        const QRgb pin = ColorToQColor(m_pinColor).rgb();
        drawShape(m_work, Shape{cx - r, cy - r, cx + r, cy + r, 2 * r, 2 * r}, pin, pin, false);
        drawShape(m_work, Shape{fw - cx - r, cy - r, fw - cx + r, cy + r, 2 * r, 2 * r}, pin, pin, false);
    }

    for (int y = 0; y < fh; ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(m_work.constScanLine(y));
        for (int x = 0; x < fw; ++x) {
            switch (m_orientation) {
            case otUp: m_output.setPixel(x, y, src[x]); break;
            case otDown: m_output.setPixel(fw - 1 - x, fh - 1 - y, src[x]); break;
            case otLeft: m_output.setPixel(y, fw - 1 - x, src[x]); break;
            case otRight: m_output.setPixel(fh - 1 - y, x, src[x]); break;
            }
        }
    }
}

void TTwoJumper::paintEvent(QPaintEvent *)
{
    const QRgb background = backgroundColor().rgb();
    if (!m_imageValid || m_output.size() != size() || background != m_drawnBackground) {
        renderImages();
        m_imageValid = true;
        m_drawnBackground = background;
    }
    if (m_pendingExchange) {
        m_pendingExchange = false;
        // Loading sets the orientation before the first paint, with the size
        // already fitting it; only a later change turns the long side.
        if (m_paintedOnce)
            resize(height(), width());
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_output, 0, 0, width(), height());
    m_paintedOnce = true;
}

void TTwoJumper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void TTwoJumper::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        Click();
}

void TTwoJumper::mouseDoubleClickEvent(QMouseEvent *)
{
    // The second press of a double-click arrived just before this: it is no
    // click of its own.
    m_pressed = false;
}

void TTwoJumper::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_pressed = false;
    // A system colour (0x80...) among the jumper's colours follows the palette.
    if (event->type() == QEvent::PaletteChange)
        invalidate();
    QWidget::changeEvent(event);
}
