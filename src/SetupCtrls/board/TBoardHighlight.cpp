// The ring and its pixels: the highlight's properties, its three images
// caught from the photograph beneath it, and its paint.
#include "TBoardHighlight.h"

#include "DevicePixels.h"
#include "TAccessibleFactory.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"

#include <QAction>
#include <QMenuBar>
#include <QPainter>

#include <cmath>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

struct TTypeLook
{
    TColor color;
    float normal, lit, bright;
    const char *menu;
};

const TTypeLook &LookOf(THighlightType type)
{
    static const TTypeLook looks[] = {
        {0xFF0000, 0.25f, 0.5f, 1.0f, "&Options"},
        {0x00FFFF, 0.5f, 0.75f, 1.0f, "&Settings"},
        {0x0000FF, 0.5f, 0.75f, 1.0f, "&Calibration"},
    };
    return looks[type <= htCalibration ? type : htSettings];
}

int Blend(int base, float color, float m)
{
    const float v = float(base) * (1.0f - m) + color * m;
    // Under the default rounding mode halves go to the even neighbour. The
    // SSE conversion rounds so in one instruction; nearbyint is a library
    // call, and the rings' first paint makes a hundred thousand of these.
#ifdef __SSE2__
    const int rounded = _mm_cvtss_si32(_mm_set_ss(v));
#else
    const int rounded = int(std::nearbyint(v));
#endif
    return qBound(0, rounded, 255);
}

} // namespace

TBoardHighlight::TBoardHighlight(QWidget *parent)
    : QWidget(parent)
{
    // Not declared opaque although paint covers the whole rectangle: Qt then
    // skips repainting an opaque child when its parent moves itself while
    // painting, as the picture does when it centres, and stale pixels show.
    resize(65, 65);
    setHighlightType(htSettings);
    TAccessibleFactory::Install();
}

TBoardHighlight::~TBoardHighlight()
{
    if (m_menuEntry)
        m_menuEntry->setData(QVariant());
    // Gone before the rest of this object, so its last deactivation finds no one.
    if (m_popup) {
        m_popup->Highlight = nullptr;
        delete m_popup;
    }
}

void TBoardHighlight::setHighlightType(THighlightType value)
{
    if (value == m_highlightType)
        return;
    m_highlightType = value;
    const TTypeLook &look = LookOf(value);
    m_typeColor = look.color;
    m_normalOpacity = look.normal;
    m_litOpacity = look.lit;
    m_brightOpacity = look.bright;
    update();
}

void TBoardHighlight::setTitle(const QString &value)
{
    if (value == m_title)
        return;
    m_title = value;
    m_popupCaption = StripAmpersands(value);
    m_itemBaseName = MakeItemBaseName(value);
}

TRadioPanel *TBoardHighlight::RadioPanel() const
{
    return m_radioPanel;
}

TPopupForm *TBoardHighlight::Popup() const
{
    return m_popup;
}

QMenuBar *TBoardHighlight::PictureMenu() const
{
    return m_pictureMenu;
}

const QImage &TBoardHighlight::BrightImage() const
{
    RenderOtherLooks();
    return m_brightImage;
}

const QImage &TBoardHighlight::LitImage() const
{
    RenderOtherLooks();
    return m_litImage;
}

const QImage &TBoardHighlight::CurrentImage() const
{
    if (m_popupActive && m_entered)
        return BrightImage();
    if (m_popupActive || m_entered)
        return LitImage();
    return m_normalImage;
}

QString TBoardHighlight::StripAmpersands(const QString &text)
{
    QString s = text;
    return s.remove(QLatin1Char('&'));
}

TColor TBoardHighlight::TypeColorOf(THighlightType type)
{
    return LookOf(type).color;
}

QString TBoardHighlight::MenuCaptionOf(THighlightType type)
{
    return QString::fromLatin1(LookOf(type).menu);
}

void TBoardHighlight::RenderRing(QImage &image, int A, int B, bool whiteCore, TColor color, float opacity)
{
    // Below two pixels the scale would divide by zero: no ring at all.
    if (A < 1 || B < 1 || image.isNull())
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const QColor c = ColorToQColor(color);
    const float cr = float(c.red()), cg = float(c.green()), cb = float(c.blue());
    const float sx = 2.0f / float(A);
    const float sy = 2.0f / float(B);
    const int lastRow = qMin(B, image.height() - 1);
    const int lastCol = qMin(A, image.width() - 1);
    for (int d = 0; d <= lastRow; ++d) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(d));
        const float y = float(d) * sy - 1.0f;
        for (int e = 0; e <= lastCol; ++e) {
            const float x = float(e) * sx - 1.0f;
            const float q = x * x + y * y;
            if (q >= 1.0f)
                continue;
            QRgb base = line[e];
            float w;
            if (q < 0.5929f) {
                w = 0.16f;
            } else {
                w = 1.0f - 8.0f * std::fabs(std::sqrt(q) - 0.875f);
                if (whiteCore) {
                    w = 2.0f * w;
                    if (w > 1.0f) {
                        base = qRgba(255, 255, 255, qAlpha(base));
                        w = 2.0f - w;
                    }
                }
            }
            const float m = w * opacity;
            line[e]
                = qRgba(Blend(qRed(base), cr, m), Blend(qGreen(base), cg, m), Blend(qBlue(base), cb, m), qAlpha(base));
        }
    }
}

void TBoardHighlight::paintEvent(QPaintEvent *)
{
    if (!m_prepared) {
        m_prepared = true;
        Prepare();
    } else if (m_normalImage.devicePixelRatio() != devicePixelRatioF()) {
        // Moved to a screen of another density: caught again at the new one.
        BuildImages();
    }
    QPainter painter(this);
    DrawOnDeviceGrid(painter, QPointF(0, 0), CurrentImage());
}

void TBoardHighlight::Prepare()
{
    BuildImages();
    QMetaObject::invokeMethod(
        this, [this] { RenderOtherLooks(); }, Qt::QueuedConnection);
    if (ParentIsBoardImage()) {
        m_pictureMenu = static_cast<TBoardImage *>(parentWidget())->Menu();
        RegisterMenuEntry();
    } else {
        m_pictureMenu = nullptr;
    }
}

void TBoardHighlight::BuildImages()
{
    // In device pixels: the ring is computed per pixel the screen shows.
    const QImage beneath = PixelsBeneath();
    m_normalImage = beneath;
    RenderRing(m_normalImage, beneath.width() - 1, beneath.height() - 1, false, m_typeColor, m_normalOpacity);
    m_brightImage = QImage();
    m_litImage = QImage();
    m_looksToRender = {beneath, m_typeColor, m_brightOpacity, m_litOpacity};
}

void TBoardHighlight::RenderOtherLooks() const
{
    const TLooksToRender looks = std::exchange(m_looksToRender, TLooksToRender());
    if (looks.beneath.isNull())
        return;
    const int A = looks.beneath.width() - 1;
    const int B = looks.beneath.height() - 1;
    m_brightImage = looks.beneath;
    RenderRing(m_brightImage, A, B, true, looks.color, looks.bright);
    m_litImage = looks.beneath;
    RenderRing(m_litImage, A, B, false, looks.color, looks.lit);
}

// What the screen shows under this control before it paints: the parent's own
// drawing, then whatever earlier (lower) siblings put there. Asking the parent
// to draw alone keeps this control's paint out of the recursion. In device
// pixels, on the window's own grid, so that it is exactly what the screen has.
QImage TBoardHighlight::PixelsBeneath() const
{
    const qreal ratio = devicePixelRatioF();
    const QPointF at = QPointF(mapTo(window(), QPoint(0, 0))) * ratio;
    const QRect bounds = DeviceBounds(at, size(), ratio);
    QImage image(bounds.size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Window));
    QWidget *parent = parentWidget();
    if (!parent || image.isNull())
        return image;
    QPainter painter(&image);
    painter.translate((at - QPointF(bounds.topLeft())) / ratio);
    const QRect mine = geometry();
    // A fractional edge reaches into the next logical pixel.
    const QRect around = mine.adjusted(-1, -1, 1, 1);
    parent->render(&painter, QPoint(-1, -1), QRegion(around), QWidget::DrawWindowBackground);
    const QObjectList siblings = parent->children();
    for (QObject *o : siblings) {
        if (o == this)
            break;
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow() || !w->isVisible())
            continue;
        const QRect overlap = w->geometry() & around;
        if (overlap.isEmpty())
            continue;
        if (auto *h = qobject_cast<TBoardHighlight *>(w)) {
            // A highlight that has not painted yet has left nothing on screen.
            if (h->m_prepared)
                DrawOnDeviceGrid(painter, h->pos() - pos(), h->CurrentImage());
        } else {
            w->render(
                &painter, overlap.topLeft() - pos(), QRegion(overlap.translated(-w->pos())), QWidget::DrawChildren);
        }
    }
    return image;
}
