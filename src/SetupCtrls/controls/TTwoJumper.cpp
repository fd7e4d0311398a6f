#include "TTwoJumper.h"

#include "DevicePixels.h"
#include "TAccessibleFactory.h"
#include "TRadioPanel.h"
#include "TRasterShape.h"

#include "ExactClass.h"
#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

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

// A device-size length or place for a length of the upright frame: scaled
// by device / logical, rounded, so the frame's far edge lands on the image's.
int scaled(int value, int logical, int device)
{
    return logical > 0 ? int((2 * qint64(value) * device + logical) / (2 * qint64(logical))) : 0;
}

} // namespace

TTwoJumper::TTwoJumper(QWidget *parent)
    : QWidget(parent)
    , m_work(34, 18, QImage::Format_RGB32)
    , m_output(34, 18, QImage::Format_RGB32)
{
    resize(34, 18);
    TAccessibleFactory::Install();
}

void TTwoJumper::setClosed(bool value)
{
    if (value == m_closed)
        return;
    m_closed = value;
    invalidate();
    AnnounceClosed();
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
    if (auto *panel = ExactCast<TRadioPanel>(parentWidget()); panel && panel->RadioEnabled())
        panel->JumperClicked(this);
    if (!self)
        return;
    AnnounceClosed();
    emit OnClick();
}

void TTwoJumper::AnnounceClosed()
{
    // A click on the closed jumper of a radio panel opens and closes it
    // again: nothing to tell.
    if (m_closed == m_announcedClosed)
        return;
    m_announcedClosed = m_closed;
    if (!TAccessibleFactory::Listening())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    TAccessibleFactory::Announce(&event);
}

void TTwoJumper::invalidate()
{
    m_imageValid = false;
    update();
}

QColor TTwoJumper::backgroundColor() const
{
    if (const auto *panel = ExactCast<TRadioPanel>(parentWidget()))
        return ColorToQColor(panel->Color());
    return ColorToQColor(clBtnFace);
}

void TTwoJumper::renderImages(qreal ratio)
{
    const bool vertical = isVertical(m_orientation);
    // The upright frame, logical and in device pixels; every place of the
    // drawing is scaled between the two, so at ratio 1 nothing moves.
    const int lw = std::max(0, vertical ? height() : width());
    const int lh = std::max(0, vertical ? width() : height());
    const QSize device = DeviceSize(QSize(lw, lh), ratio);
    const int fw = device.width();
    const int fh = device.height();
    if (m_work.size() != device)
        m_work = QImage(device, QImage::Format_RGB32);
    const QSize outSize = vertical ? QSize(fh, fw) : QSize(fw, fh);
    if (m_output.size() != outSize)
        m_output = QImage(outSize, QImage::Format_RGB32);
    m_output.setDevicePixelRatio(ratio);
    if (fw == 0 || fh == 0)
        return;
    const auto sx = [&](int x) { return scaled(x, lw, fw); };
    const auto sy = [&](int y) { return scaled(y, lh, fh); };

    m_work.fill(backgroundColor());

    // The one-pixel outline is as thick as a logical pixel.
    const int pen = std::max(1, qRound(ratio));
    const QRgb black = qRgb(0, 0, 0);
    const bool outlined = m_borderStyle == bsSingle;
    if (m_closed) {
        const QRgb fill = ColorToQColor(m_jumperColor).rgb();
        TRasterShape(0, 0, fw, fh).Draw(m_work, outlined ? black : fill, fill, pen);
    } else {
        const QRgb fill = ColorToQColor(m_baseColor).rgb();
        TRasterShape(sx(1), sy(1), sx(lw - 1), sy(lh - 1), sx(lh / 2), sy(lh / 2))
            .Draw(m_work, outlined ? black : fill, fill, pen);
    }

    const int p = roundHalfEven(2 * lw, 7); // Fw / 3.5
    const int cx = p + 1;
    const int cy = lh / 2;
    const int r = std::min(p / 3, roundHalfEven(lh, 4));
    if (r > 0) {
        const QRgb pin = ColorToQColor(m_pinColor).rgb();
        const auto drawPin = [&](int left, int right) {
            const int x1 = sx(left), x2 = sx(right), y1 = sy(cy - r), y2 = sy(cy + r);
            TRasterShape(x1, y1, x2, y2, x2 - x1, y2 - y1).Draw(m_work, pin, pin, 0);
        };
        drawPin(cx - r, cx + r);
        drawPin(lw - cx - r, lw - cx + r);
    }

    for (int y = 0; y < fh; ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(m_work.constScanLine(y));
        for (int x = 0; x < fw; ++x) {
            switch (m_orientation) {
            case otUp:
                m_output.setPixel(x, y, src[x]);
                break;
            case otDown:
                m_output.setPixel(fw - 1 - x, fh - 1 - y, src[x]);
                break;
            case otLeft:
                m_output.setPixel(y, fw - 1 - x, src[x]);
                break;
            case otRight:
                m_output.setPixel(fh - 1 - y, x, src[x]);
                break;
            }
        }
    }
}

void TTwoJumper::paintEvent(QPaintEvent *)
{
    const QRgb background = backgroundColor().rgb();
    const qreal ratio = devicePixelRatioF();
    if (!m_imageValid || m_output.size() != DeviceSize(size(), ratio) || m_output.devicePixelRatio() != ratio
        || background != m_drawnBackground) {
        renderImages(ratio);
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
    painter.drawImage(QPointF(0, 0), m_output, QRectF(QPointF(0, 0), DeviceSize(size(), ratio)));
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
