#include "BoardPainter.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Supersample = 2;

// The card's outline and the places of the parts the rings point at, in the
// 600 x 605 photo frame (ring frame x 1.5, y x 1.5125).
const QRectF BoardRect(3.5, 3.0, 593.0, 599.0);
const QPointF HoleCentres[4] = {{24, 24}, {576, 24}, {24, 581}, {576, 581}};

constexpr double JumperPitch = 11.0;
constexpr double BusPitch = 9.5;
const QPointF J2FirstPin(53.0, 27.0);
const QPointF J1FirstPin(257.0, 27.0);

// Protocol block: two 2 x 8 headers, RS485 above x422.
const QPointF ModeCentre(98.25, 121.8);
constexpr double ModeColPitch = 10.0;
constexpr double ModeRowPitch = 10.0;
constexpr double ModeHeaderGap = 20.0; // centre of the upper header to centre of the lower one

const QPointF ClockCentre(176.25, 121.8);
const QPointF ControlCentre(297.0, 238.0);

// Termination row: one 2 x 2 block per port, TLD above RLD.
const QPointF LoadCentre(225.75, 339.6);
constexpr double LoadGroupPitch = 44.0;

// Base-address column A9..A5 and the DF jumper above it.
const QPointF BaseCentre(488.25, 450.7);
constexpr double BaseRowPitch = 11.5;
const QPointF DFCentre(488.25, 398.5);

const QPointF P2Centre(280.5, 562.0);
constexpr double P2Pitch = 8.6;
constexpr int P2Cols = 40;

const QPointF UartCentres[8]
    = {{62, 440}, {152, 440}, {242, 440}, {332, 440}, {432, 150}, {530, 150}, {432, 255}, {530, 255}};
constexpr double UartBody = 36.0;
constexpr double DriverY = 493.0;

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
        float(a.greenF() + (b.greenF() - a.greenF()) * t), float(a.blueF() + (b.blueF() - a.blueF()) * t),
        float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

const QColor MaskDark(16, 74, 40);
const QColor MaskLight(38, 120, 66);
const QColor TraceColor(70, 150, 86);
const QColor SilkColor(232, 236, 222);
const QColor TinLight(232, 232, 226);
const QColor TinDark(128, 130, 128);
const QColor GoldLight(250, 222, 140);
const QColor GoldDark(170, 124, 40);
const QColor Plastic(24, 24, 26);
const QColor Epoxy(30, 30, 33);

// Three box-blur passes on the alpha of a premultiplied black image.
void blurAlpha(QImage &image, int radius)
{
    const int w = image.width();
    const int h = image.height();
    QVector<int> line(std::max(w, h));
    QVector<int> out(std::max(w, h));
    auto pass = [&](int count, int length, auto get, auto set) {
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < length; ++k)
                line[k] = get(i, k);
            int sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += line[std::clamp(k, 0, length - 1)];
            for (int k = 0; k < length; ++k) {
                out[k] = sum / (2 * radius + 1);
                sum += line[std::clamp(k + radius + 1, 0, length - 1)];
                sum -= line[std::clamp(k - radius, 0, length - 1)];
            }
            for (int k = 0; k < length; ++k)
                set(i, k, out[k]);
        }
    };
    auto getH = [&](int y, int x) { return qAlpha(reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]); };
    auto setH = [&](int y, int x, int a) { reinterpret_cast<QRgb *>(image.scanLine(y))[x] = qRgba(0, 0, 0, a); };
    auto getV = [&](int x, int y) { return getH(y, x); };
    auto setV = [&](int x, int y, int a) { setH(y, x, a); };
    for (int n = 0; n < 3; ++n) {
        pass(h, w, getH, setH);
        pass(w, h, getV, setV);
    }
}

} // namespace

BoardPainter::BoardPainter()
    : m_rng(0x5E78)
{
    m_silkFont = QFont(QStringLiteral("DejaVu Sans Condensed"));
    m_silkFont.setStyleHint(QFont::SansSerif);
    m_silkFont.setHintingPreference(QFont::PreferNoHinting);
}

double BoardPainter::noise(double lo, double hi)
{
    return lo + (hi - lo) * m_rng.generateDouble();
}

QImage BoardPainter::Render()
{
    m_footprints.clear();
    m_vias.clear();
    const QSize big(PhotoWidth * Supersample, PhotoHeight * Supersample);

    QImage board(big, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&board);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(Supersample, Supersample);
        drawSubstrate(p);
        drawTraces(p);
        drawSilkscreen(p);
    }

    QImage parts(big, QImage::Format_ARGB32_Premultiplied);
    parts.fill(Qt::transparent);
    {
        QPainter p(&parts);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(Supersample, Supersample);
        drawParts(p);
    }

    const QImage shadow = shadowLayer(Supersample);
    {
        QPainter p(&board);
        // Light from the upper left: shadows fall down and to the right.
        p.setOpacity(0.6);
        p.drawImage(QPointF(2.2 * Supersample, 3.0 * Supersample), shadow);
        p.setOpacity(1.0);
        p.drawImage(0, 0, parts);
    }

    QImage photo = board.scaled(PhotoWidth, PhotoHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    finish(photo);
    return photo;
}

void BoardPainter::drawSubstrate(QPainter &p)
{
    // A light grey table, the board lying on it with a soft shadow.
    QLinearGradient table(0, 0, PhotoWidth, PhotoHeight);
    table.setColorAt(0, QColor(214, 214, 208));
    table.setColorAt(1, QColor(176, 176, 172));
    p.fillRect(QRectF(0, 0, PhotoWidth, PhotoHeight), table);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(BoardRect.translated(2.5, 3), 9, 9);

    QPainterPath outline;
    outline.addRoundedRect(BoardRect, 8, 8);
    for (const QPointF &c : HoleCentres)
        outline.addEllipse(c, 6.2, 6.2);
    outline.setFillRule(Qt::OddEvenFill);

    QLinearGradient mask(BoardRect.topLeft(), BoardRect.bottomRight());
    mask.setColorAt(0.0, MaskLight);
    mask.setColorAt(0.55, mix(MaskLight, MaskDark, 0.55));
    mask.setColorAt(1.0, MaskDark);
    p.setBrush(mask);
    p.drawPath(outline);

    p.save();
    p.setClipPath(outline);
    // The copper plane under the mask shows as broad, slightly lighter areas;
    // its clearances around the part fields are darker.
    p.setBrush(QColor(70, 160, 90, 26));
    p.drawRect(QRectF(8, 60, 585, 290));
    p.drawRect(QRectF(8, 380, 585, 140));
    p.setBrush(QColor(0, 30, 10, 30));
    for (const QPointF &c : UartCentres)
        p.drawRoundedRect(QRectF(c.x() - 30, c.y() - 30, 60, 60), 4, 4);
    p.drawRoundedRect(QRectF(ControlCentre.x() - 48, ControlCentre.y() - 48, 96, 96), 4, 4);

    // Glass-fibre weave and blotches of uneven mask thickness.
    for (int i = 0; i < 900; ++i) {
        const QPointF c(noise(0, PhotoWidth), noise(0, PhotoHeight));
        const double r = noise(4, 26);
        QRadialGradient g(c, r);
        const bool light = m_rng.bounded(2) == 0;
        g.setColorAt(0, light ? QColor(120, 200, 140, 9) : QColor(0, 20, 5, 11));
        g.setColorAt(1, Qt::transparent);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(140, 220, 160, 7), 0.6));
    for (double y = BoardRect.top(); y < BoardRect.bottom(); y += 2.1)
        p.drawLine(QPointF(BoardRect.left(), y), QPointF(BoardRect.right(), y + 1.0));
    p.setPen(QPen(QColor(0, 30, 10, 8), 0.6));
    for (double x = BoardRect.left(); x < BoardRect.right(); x += 2.3)
        p.drawLine(QPointF(x, BoardRect.top()), QPointF(x + 1.0, BoardRect.bottom()));

    // A thin bare edge where the router cut through the mask.
    p.setPen(QPen(QColor(150, 170, 120, 120), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(BoardRect.adjusted(0.6, 0.6, -0.6, -0.6), 8, 8);
    p.restore();
}

void BoardPainter::route(QPainterPath &path, QPointF a, QPointF b, double bendAt, bool vertical)
{
    path.moveTo(a);
    if (vertical) {
        const double dx = std::abs(b.x() - a.x());
        const double dir = b.y() >= a.y() ? 1.0 : -1.0;
        double bend = bendAt;
        if (dir * (b.y() - (bend + dir * dx)) < 0)
            bend = b.y() - dir * dx;
        path.lineTo(a.x(), bend);
        path.lineTo(b.x(), bend + dir * dx);
        path.lineTo(b);
    } else {
        const double dy = std::abs(b.y() - a.y());
        const double dir = b.x() >= a.x() ? 1.0 : -1.0;
        double bend = bendAt;
        if (dir * (b.x() - (bend + dir * dy)) < 0)
            bend = b.x() - dir * dy;
        path.lineTo(bend, a.y());
        path.lineTo(bend + dir * dy, b.y());
        path.lineTo(b);
    }
    m_vias.append(b);
}

void BoardPainter::chamfered(QPainterPath &path, const QVector<QPointF> &points)
{
    if (points.isEmpty())
        return;
    path.moveTo(points.first());
    for (int i = 1; i + 1 < points.size(); ++i) {
        const QPointF in = points[i] - points[i - 1];
        const QPointF out = points[i + 1] - points[i];
        const double lin = std::hypot(in.x(), in.y());
        const double lout = std::hypot(out.x(), out.y());
        const double cut = std::min({4.0, lin / 2, lout / 2});
        if (lin <= 0 || lout <= 0) {
            path.lineTo(points[i]);
            continue;
        }
        path.lineTo(points[i] - in * (cut / lin));
        path.lineTo(points[i] + out * (cut / lout));
    }
    path.lineTo(points.last());
}

void BoardPainter::drawTraces(QPainter &p)
{
    QPainterPath signal;
    QPainterPath wide;

    // Bus to the control chip: a fan from the J1 pins into its top row.
    const double ctlTop = ControlCentre.y() - 42;
    for (int i = 0; i < 14; ++i) {
        const QPointF from(J1FirstPin.x() + (2 + i) * BusPitch, J1FirstPin.y() + BusPitch + 8);
        const QPointF to(ControlCentre.x() - 28 + i * 4.3, ctlTop);
        route(signal, from, to, 70 + i * 3.2, true);
    }
    // Address lines from J2 along under the protocol block, into the chip's left side.
    for (int i = 0; i < 9; ++i) {
        const QPointF from(J2FirstPin.x() + (9 + i) * BusPitch, J2FirstPin.y() + BusPitch + 8);
        const QPointF to(ControlCentre.x() - 42, ControlCentre.y() - 26 + i * 6);
        route(signal, from, QPointF(205 + i * 2.5, 160 + i * 4.5), 62 + i * 2.4, true);
        signal.moveTo(205 + i * 2.5, 160 + i * 4.5);
        route(signal, QPointF(205 + i * 2.5, 160 + i * 4.5), to, 205 + i * 2.5, false);
    }
    // Chip to the right-hand UARTs.
    for (int i = 0; i < 8; ++i) {
        const QPointF from(ControlCentre.x() + 42, ControlCentre.y() - 26 + i * 6.5);
        const QPointF to(
            UartCentres[4 + (i % 2) * 2].x() - UartBody / 2 - 5, UartCentres[4 + (i % 2) * 2].y() - 12 + i * 3);
        route(signal, from, to, 360 + i * 2, false);
    }
    // Chip down to the UART row, passing between the termination blocks.
    for (int i = 0; i < 10; ++i) {
        const QPointF from(ControlCentre.x() - 25 + i * 5.5, ControlCentre.y() + 42);
        const QPointF to(UartCentres[i % 4].x() - 10 + (i / 4) * 6, UartCentres[0].y() - UartBody / 2 - 5);
        route(signal, from, to, 292 + i * 2.5, true);
    }
    // UARTs to their line drivers, drivers to the serial connector.
    for (int u = 0; u < 8; ++u) {
        const double dx = 52 + u * 46;
        for (int k = 0; k < 3; ++k) {
            const QPointF from(UartCentres[u % 4].x() - 8 + k * 8 + (u / 4) * 3, UartCentres[0].y() + UartBody / 2 + 5);
            const QPointF to(dx - 10 + k * 10 + (u / 4) * 4, DriverY - 12);
            if (u < 4)
                route(signal, from, to, 468 + k * 2, true);
        }
        for (int k = 0; k < 5; ++k) {
            const QPointF from(dx - 12 + k * 6, DriverY + 12);
            const int pin = std::clamp(u * 5 + k, 0, P2Cols - 1);
            const QPointF to(P2Centre.x() + (pin - (P2Cols - 1) / 2.0) * P2Pitch, P2Centre.y() - 16);
            route(signal, from, to, 512 + k * 1.8, true);
        }
    }
    // Right-hand UARTs down the right edge to the drivers.
    for (int k = 0; k < 6; ++k) {
        const QPointF from(584 - k * 3.2, 200);
        const QPointF to(300 + k * 14.5, DriverY - 12);
        signal.moveTo(UartCentres[5].x() + UartBody / 2 + 5, 140 + k * 4);
        signal.lineTo(from.x(), 140 + k * 4 + (from.x() - UartCentres[5].x() - UartBody / 2 - 5));
        route(signal, QPointF(from.x(), 140 + k * 4 + (from.x() - UartCentres[5].x() - UartBody / 2 - 5)),
            QPointF(from.x(), 510 - k * 3), 300, true);
        signal.moveTo(from.x(), 510 - k * 3);
        signal.lineTo(to.x() + 120 - k * 10, 510 - k * 3);
    }
    // Protocol and termination jumpers to the drivers, down the left edge.
    for (int k = 0; k < 5; ++k) {
        const QPointF from(ModeCentre.x() - 38 + k * 10, ModeCentre.y() + ModeHeaderGap / 2 + 12);
        route(signal, from, QPointF(12 + k * 3, 230), 150 + k * 3, true);
        signal.moveTo(12 + k * 3, 230);
        signal.lineTo(12 + k * 3, 470 - k * 3);
        signal.lineTo(30 + k * 3, 488 - k * 3);
    }
    for (int g = 0; g < 8; ++g) {
        const QPointF from(LoadCentre.x() + (g - 3.5) * LoadGroupPitch - 5.5, LoadCentre.y() + 12);
        const QPointF to(52 + g * 46 + 14, DriverY - 12);
        route(signal, from, to, 372 + (g % 3) * 3, true);
    }
    // Base-address and DF jumpers: out to the right, up, and back under the
    // termination row into the control chip. Lower rows run outside, so the
    // runs nest without crossing.
    for (int r = 0; r < 6; ++r) {
        const double y = r == 0 ? DFCentre.y() : BaseCentre.y() + (r - 3) * BaseRowPitch;
        const double right = BaseCentre.x() + JumperPitch / 2 + 14 + r * 3.5;
        const double level = 376 - r * 4;
        const double left = 426 - r * 9;
        const QPointF end(ControlCentre.x() + 33 - r * 5, ControlCentre.y() + 42);
        chamfered(signal,
            {QPointF(BaseCentre.x() + JumperPitch / 2, y), QPointF(right, y), QPointF(right, level),
                QPointF(left, level), QPointF(left - (level - end.y()), end.y())});
        m_vias.append(QPointF(left - (level - end.y()), end.y()));
    }
    // Clock jumper to the oscillator path.
    route(signal, QPointF(ClockCentre.x(), ClockCentre.y() + 14),
        QPointF(ControlCentre.x() - 42, ControlCentre.y() + 30), 170, true);

    // Power: a few wide runs from the bus ground/supply pins.
    route(wide, QPointF(J1FirstPin.x() + 31 * BusPitch, 46), QPointF(560, 330), 80, true);
    route(wide, QPointF(J2FirstPin.x(), 46), QPointF(8 + 2, 200), 60, true);
    wide.moveTo(560, 330);
    wide.lineTo(560, 372);
    wide.lineTo(530, 372);

    p.save();
    QPainterPath clip;
    clip.addRoundedRect(BoardRect.adjusted(4, 4, -4, -4), 6, 6);
    p.setClipPath(clip);
    p.setBrush(Qt::NoBrush);
    // The mask rounds over each run: a dark fringe, then the lighter copper.
    p.setPen(QPen(QColor(0, 30, 10, 70), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(signal);
    p.setPen(QPen(TraceColor, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(signal);
    p.setPen(QPen(QColor(0, 30, 10, 70), 6.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wide);
    p.setPen(QPen(TraceColor, 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wide);
    p.setPen(QPen(QColor(150, 210, 160, 60), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wide.translated(-1.0, -1.0));

    // Stitching vias in the free areas of the plane.
    for (int i = 0; i < 70; ++i) {
        const QPointF v(noise(20, 580), noise(70, 520));
        bool clear = true;
        for (const QPointF &c : UartCentres)
            clear = clear && std::abs(v.x() - c.x()) > 34 && std::abs(v.y() - c.y()) > 34;
        if (clear)
            m_vias.append(v);
    }

    // Vias: a tented ring with the drilled hole showing as a dark dot.
    for (const QPointF &v : std::as_const(m_vias)) {
        if (m_rng.bounded(2) != 0)
            continue;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 168, 100));
        p.drawEllipse(v, 2.4, 2.4);
        p.setBrush(QColor(10, 40, 20));
        p.drawEllipse(v, 1.0, 1.0);
    }
    p.restore();
}

void BoardPainter::silkText(QPainter &p, QPointF at, const QString &text, int pixelSize, Qt::Alignment align, bool bold)
{
    QFont f = m_silkFont;
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p.setFont(f);
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(text);
    double x = at.x();
    if (align & Qt::AlignHCenter)
        x -= w / 2;
    else if (align & Qt::AlignRight)
        x -= w;
    double y = at.y();
    if (align & Qt::AlignVCenter)
        y += (fm.ascent() - fm.descent()) / 2;
    else if (align & Qt::AlignTop)
        y += fm.ascent();
    // Screen-printed ink spreads a little.
    p.setPen(QColor(SilkColor.red(), SilkColor.green(), SilkColor.blue(), 60));
    p.drawText(QPointF(x + 0.35, y + 0.3), text);
    p.setPen(SilkColor);
    p.drawText(QPointF(x, y), text);
}

void BoardPainter::silkBox(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(SilkColor, 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void BoardPainter::drawSilkscreen(QPainter &p)
{
    // Model name and revision.
    silkText(p, QPointF(26, 214), QStringLiteral("ZX-SER8"), 26, Qt::AlignLeft);
    silkText(p, QPointF(28, 232), QStringLiteral("8-PORT SERIAL  REV C"), 9, Qt::AlignLeft, false);
    silkText(p, QPointF(28, 244), QStringLiteral("S/N ________"), 8, Qt::AlignLeft, false);

    // Bus connectors.
    silkText(p, QPointF(J2FirstPin.x() - 2, 60), QStringLiteral("J2"), 10, Qt::AlignLeft);
    silkText(p, QPointF(J1FirstPin.x() - 2, 60), QStringLiteral("J1"), 10, Qt::AlignLeft);
    silkText(p, QPointF(J2FirstPin.x() + 19 * BusPitch, 60), QStringLiteral("C0"), 7, Qt::AlignRight, false);
    silkText(p, QPointF(J1FirstPin.x() + 31 * BusPitch, 60), QStringLiteral("A1"), 7, Qt::AlignRight, false);

    // Protocol block.
    const double modeLeft = ModeCentre.x() - 3.5 * ModeColPitch;
    silkText(p, QPointF(modeLeft - 6, 96), QStringLiteral("RS485"), 9, Qt::AlignLeft);
    silkText(p, QPointF(modeLeft - 6, 157), QStringLiteral("x422"), 9, Qt::AlignLeft);
    for (int c = 0; c < 8; ++c)
        silkText(p, QPointF(modeLeft + c * ModeColPitch, ModeCentre.y() + 3.2), QString(QChar('A' + c)), 6,
            Qt::AlignHCenter, false);
    silkBox(p,
        QRectF(modeLeft - 7, ModeCentre.y() - ModeHeaderGap / 2 - ModeRowPitch / 2 - 7, 7 * ModeColPitch + 14,
            ModeHeaderGap + ModeRowPitch + 14));

    // Clock jumper.
    silkText(p, QPointF(ClockCentre.x(), 94), QStringLiteral("X4 CLK"), 8, Qt::AlignHCenter);
    silkBox(p, QRectF(ClockCentre.x() - 7, ClockCentre.y() - JumperPitch / 2 - 7, 14, JumperPitch + 14));
    silkText(p, QPointF(ClockCentre.x() + 9, ClockCentre.y() + 16), QStringLiteral("1"), 6, Qt::AlignLeft, false);

    // Control chip.
    silkText(p, QPointF(ControlCentre.x() + 46, ControlCentre.y() - 46), QStringLiteral("U9"), 9, Qt::AlignLeft);

    // Termination row.
    silkText(p, QPointF(56, LoadCentre.y() - 5.5), QStringLiteral("xTLD"), 8, Qt::AlignRight | Qt::AlignVCenter);
    silkText(p, QPointF(56, LoadCentre.y() + 5.5), QStringLiteral("xRLD"), 8, Qt::AlignRight | Qt::AlignVCenter);
    for (int g = 0; g < 8; ++g) {
        const double gx = LoadCentre.x() + (g - 3.5) * LoadGroupPitch;
        silkText(p, QPointF(gx, LoadCentre.y() - 13), QString(QChar('A' + g)), 8, Qt::AlignHCenter);
        silkBox(p, QRectF(gx - 11, LoadCentre.y() - 11, 22, 22));
    }

    // Base address column and DF.
    const double labelX = BaseCentre.x() - 13;
    silkText(p, QPointF(labelX, DFCentre.y()), QStringLiteral("DF"), 8, Qt::AlignRight | Qt::AlignVCenter);
    silkBox(p, QRectF(BaseCentre.x() - 11, DFCentre.y() - 6.5, 22, 13));
    static const char *const Bits[5] = {"A9", "A8", "A7", "A6", "A5"};
    for (int r = 0; r < 5; ++r)
        silkText(p, QPointF(labelX, BaseCentre.y() + (r - 2) * BaseRowPitch), QString::fromLatin1(Bits[r]), 8,
            Qt::AlignRight | Qt::AlignVCenter);
    silkBox(p, QRectF(BaseCentre.x() - 11, BaseCentre.y() - 2.5 * BaseRowPitch - 1, 22, 5 * BaseRowPitch + 2));
    silkText(p, QPointF(BaseCentre.x() + 14, BaseCentre.y() - 2 * BaseRowPitch), QStringLiteral("IN=0"), 6,
        Qt::AlignLeft | Qt::AlignVCenter, false);

    // UARTs, drivers, connector.
    for (int u = 0; u < 8; ++u) {
        const QPointF c = UartCentres[u];
        silkText(p, QPointF(c.x() - UartBody / 2 - 4, c.y() - UartBody / 2 - 7), QStringLiteral("U%1").arg(u + 1), 8,
            Qt::AlignLeft);
        p.setPen(Qt::NoPen);
        p.setBrush(SilkColor);
        p.drawEllipse(QPointF(c.x() - UartBody / 2 - 5, c.y() - UartBody / 2 - 2), 1.4, 1.4);
        // Corner brackets of the outline, clear of the leads.
        p.setPen(QPen(SilkColor, 0.9));
        p.setBrush(Qt::NoBrush);
        const double e = UartBody / 2 + 8;
        for (int sx : {-1, 1})
            for (int sy : {-1, 1})
                p.drawPolyline(QPolygonF({QPointF(c.x() + sx * e, c.y() + sy * (e - 5)),
                    QPointF(c.x() + sx * e, c.y() + sy * e), QPointF(c.x() + sx * (e - 5), c.y() + sy * e)}));
    }
    silkBox(p, QRectF(ControlCentre.x() - 41, ControlCentre.y() - 41, 82, 82));
    for (int d = 0; d < 8; ++d)
        silkText(p, QPointF(52 + d * 46, DriverY - 15), QStringLiteral("U%1").arg(10 + d), 6, Qt::AlignHCenter, false);
    silkText(p, QPointF(P2Centre.x() - 173, P2Centre.y() - 24), QStringLiteral("P2"), 11, Qt::AlignLeft);
    silkText(p, QPointF(P2Centre.x() - 184, P2Centre.y() + 4), QStringLiteral("1"), 7, Qt::AlignRight, false);
    silkText(p, QPointF(P2Centre.x() + 184, P2Centre.y() + 4), QStringLiteral("80"), 7, Qt::AlignLeft, false);
    silkText(p, QPointF(P2Centre.x(), P2Centre.y() + 30), QStringLiteral("PORTS A - H"), 7, Qt::AlignHCenter, false);
    silkText(p, QPointF(548, 312), QStringLiteral("Y1"), 8, Qt::AlignHCenter);
}

void BoardPainter::addFootprint(const QRectF &r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    m_footprints.append(path);
}

void BoardPainter::addFootprint(const QPainterPath &path)
{
    m_footprints.append(path);
}

QImage BoardPainter::shadowLayer(int scale)
{
    QImage shadow(PhotoWidth * scale, PhotoHeight * scale, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (const QPainterPath &f : std::as_const(m_footprints))
            p.drawPath(f);
    }
    blurAlpha(shadow, 2 * scale);
    return shadow;
}

void BoardPainter::header(QPainter &p, QPointF firstPin, int cols, int rows, double pitchX, double pitchY)
{
    const QRectF base(
        firstPin.x() - pitchX / 2 + 0.4, firstPin.y() - pitchY / 2 + 0.4, cols * pitchX - 0.8, rows * pitchY - 0.8);
    addFootprint(base, 0.8);
    QLinearGradient g(base.topLeft(), base.bottomLeft());
    g.setColorAt(0, QColor(48, 48, 50));
    g.setColorAt(1, Plastic);
    p.setPen(QPen(QColor(8, 8, 8), 0.5));
    p.setBrush(g);
    p.drawRoundedRect(base, 0.8, 0.8);
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            const QPointF pc(firstPin.x() + c * pitchX, firstPin.y() + r * pitchY);
            // The raised collar of each pin, then the square post seen end-on.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 40, 42));
            p.drawRect(QRectF(pc.x() - pitchX * 0.38, pc.y() - pitchY * 0.38, pitchX * 0.76, pitchY * 0.76));
            const double s = 2.8;
            QLinearGradient pin(pc - QPointF(s / 2, s / 2), pc + QPointF(s / 2, s / 2));
            pin.setColorAt(0, GoldLight);
            pin.setColorAt(1, GoldDark);
            p.setBrush(pin);
            p.drawRect(QRectF(pc.x() - s / 2, pc.y() - s / 2, s, s));
            p.setBrush(QColor(255, 250, 220, 200));
            p.drawRect(QRectF(pc.x() - s / 2, pc.y() - s / 2, s * 0.45, s * 0.45));
        }
    }
}

void BoardPainter::shunt(QPainter &p, QPointF a, QPointF b)
{
    const bool vertical = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    const double len = std::hypot(b.x() - a.x(), b.y() - a.y()) + 8.6;
    const double wid = 7.4;
    const QPointF c = (a + b) / 2;
    const QRectF r = vertical ? QRectF(c.x() - wid / 2, c.y() - len / 2, wid, len)
                              : QRectF(c.x() - len / 2, c.y() - wid / 2, len, wid);
    addFootprint(r.translated(0.8, 0.8), 1.4);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(70, 70, 74));
    g.setColorAt(0.35, QColor(30, 30, 33));
    g.setColorAt(1, QColor(12, 12, 14));
    p.setPen(QPen(QColor(5, 5, 5), 0.5));
    p.setBrush(g);
    p.drawRoundedRect(r, 1.4, 1.4);
    // Grip ridges across the top of the cap.
    p.setPen(QPen(QColor(90, 90, 95, 120), 0.5));
    for (int i = 1; i < 4; ++i) {
        if (vertical)
            p.drawLine(QPointF(r.left() + 1.4, r.top() + i * r.height() / 4),
                QPointF(r.right() - 1.4, r.top() + i * r.height() / 4));
        else
            p.drawLine(QPointF(r.left() + i * r.width() / 4, r.top() + 1.4),
                QPointF(r.left() + i * r.width() / 4, r.bottom() - 1.4));
    }
    p.setPen(QPen(QColor(150, 150, 155, 110), 0.6));
    p.drawLine(r.topLeft() + QPointF(1.2, 0.6), r.topRight() + QPointF(-1.2, 0.6));
}

void BoardPainter::busConnector(QPainter &p, QPointF firstPin, int cols, double pitch)
{
    const QRectF body(firstPin.x() - pitch / 2 - 2.5, firstPin.y() - pitch / 2 - 3.5, cols * pitch + 5, 2 * pitch + 7);
    addFootprint(body, 1.2);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(52, 52, 54));
    g.setColorAt(0.5, QColor(30, 30, 32));
    g.setColorAt(1, QColor(18, 18, 20));
    p.setPen(QPen(QColor(6, 6, 6), 0.6));
    p.setBrush(g);
    p.drawRoundedRect(body, 1.2, 1.2);
    // Stack-through: a socket opening per pin with the gold post of the tail inside.
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < 2; ++r) {
            const QPointF pc(firstPin.x() + c * pitch, firstPin.y() + r * pitch);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(6, 6, 7));
            p.drawRect(QRectF(pc.x() - 3.1, pc.y() - 3.1, 6.2, 6.2));
            p.setBrush(QColor(60, 60, 62));
            p.drawRect(QRectF(pc.x() - 3.1, pc.y() + 2.4, 6.2, 0.7));
            QLinearGradient pin(pc - QPointF(1.3, 1.3), pc + QPointF(1.3, 1.3));
            pin.setColorAt(0, GoldLight);
            pin.setColorAt(1, GoldDark);
            p.setBrush(pin);
            p.drawRect(QRectF(pc.x() - 1.3, pc.y() - 1.3, 2.6, 2.6));
        }
    }
    // Pin-1 mark moulded into the housing.
    p.setBrush(QColor(90, 90, 92));
    p.drawPolygon(QPolygonF({QPointF(body.left() + 1, body.bottom() - 1), QPointF(body.left() + 4.5, body.bottom() - 1),
        QPointF(body.left() + 1, body.bottom() - 4.5)}));
}

void BoardPainter::boxHeader(QPainter &p, QPointF centre, int cols, double pitch)
{
    const double span = (cols - 1) * pitch;
    const QRectF body(centre.x() - span / 2 - 10, centre.y() - 16, span + 20, 32);
    addFootprint(body, 1.0);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(64, 64, 66));
    g.setColorAt(0.15, QColor(36, 36, 38));
    g.setColorAt(1, QColor(16, 16, 18));
    p.setPen(QPen(QColor(4, 4, 4), 0.6));
    p.setBrush(g);
    p.drawRoundedRect(body, 1.0, 1.0);
    // The shroud's well, with the polarising key in the lower wall.
    const QRectF well = body.adjusted(4.0, 4.5, -4.0, -4.5);
    p.setPen(Qt::NoPen);
    QLinearGradient wg(well.topLeft(), well.bottomLeft());
    wg.setColorAt(0, QColor(4, 4, 5));
    wg.setColorAt(1, QColor(22, 22, 24));
    p.setBrush(wg);
    p.drawRect(well);
    p.setBrush(QColor(14, 14, 16));
    p.drawRect(QRectF(centre.x() - 10, body.bottom() - 4.5, 20, 4.5));
    p.setBrush(QColor(70, 70, 72, 160));
    p.drawRect(QRectF(body.left() + 1, body.top() + 0.6, body.width() - 2, 0.8));
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < 2; ++r) {
            const QPointF pc(centre.x() - span / 2 + c * pitch, centre.y() + (r - 0.5) * pitch);
            QLinearGradient pin(pc - QPointF(1.3, 1.3), pc + QPointF(1.3, 1.3));
            pin.setColorAt(0, GoldLight);
            pin.setColorAt(1, GoldDark);
            p.setBrush(pin);
            p.drawRect(QRectF(pc.x() - 1.3, pc.y() - 1.3, 2.6, 2.6));
        }
    }
    // Pin-1 triangle on the shroud.
    p.setBrush(QColor(120, 120, 122));
    p.drawPolygon(QPolygonF({QPointF(body.left() + 1.5, body.top() + 1.5), QPointF(body.left() + 5, body.top() + 1.5),
        QPointF(body.left() + 1.5, body.top() + 5)}));
}

void BoardPainter::quadFlat(QPainter &p, QPointF centre, double body, int leadsPerSide, const QStringList &marking)
{
    const double half = body / 2;
    const double lead = 5.0;
    const double pitch = (body - 6) / leadsPerSide;
    // Gull-wing leads with their solder fillets.
    for (int side = 0; side < 4; ++side) {
        for (int i = 0; i < leadsPerSide; ++i) {
            const double t = -half + 3 + (i + 0.5) * pitch;
            QRectF r;
            switch (side) {
            case 0:
                r = QRectF(centre.x() + t - 0.6, centre.y() - half - lead, 1.2, lead);
                break;
            case 1:
                r = QRectF(centre.x() + half, centre.y() + t - 0.6, lead, 1.2);
                break;
            case 2:
                r = QRectF(centre.x() + t - 0.6, centre.y() + half, 1.2, lead);
                break;
            default:
                r = QRectF(centre.x() - half - lead, centre.y() + t - 0.6, lead, 1.2);
                break;
            }
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(190, 190, 186, 150));
            p.drawRect(r.adjusted(-0.5, -0.5, 0.5, 0.5));
            p.setBrush(side == 0 || side == 3 ? TinLight : TinDark);
            p.drawRect(r);
        }
    }
    const QRectF r(centre.x() - half, centre.y() - half, body, body);
    addFootprint(r, 1.0);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(56, 56, 60));
    g.setColorAt(0.4, Epoxy);
    g.setColorAt(1, QColor(16, 16, 18));
    p.setPen(QPen(QColor(8, 8, 8), 0.5));
    p.setBrush(g);
    p.drawRoundedRect(r, 1.0, 1.0);
    p.setPen(Qt::NoPen);
    QRadialGradient dimple(QPointF(r.left() + 5, r.top() + 5), 2.2);
    dimple.setColorAt(0, QColor(14, 14, 16));
    dimple.setColorAt(1, QColor(44, 44, 48));
    p.setBrush(dimple);
    p.drawEllipse(QPointF(r.left() + 5, r.top() + 5), 2.2, 2.2);
    QFont f = m_silkFont;
    f.setBold(false);
    f.setPixelSize(5);
    p.setFont(f);
    p.setPen(QColor(170, 170, 164, 210));
    for (int i = 0; i < marking.size(); ++i)
        p.drawText(QRectF(r.left(), centre.y() - 8 + i * 7, body, 7), Qt::AlignCenter, marking.at(i));
}

void BoardPainter::plcc(QPainter &p, QPointF centre, double body, int leadsPerSide, const QStringList &marking)
{
    const double half = body / 2;
    const double pitch = 5.5;
    const double span = (leadsPerSide - 1) * pitch;
    for (int side = 0; side < 4; ++side) {
        for (int i = 0; i < leadsPerSide; ++i) {
            const double t = -span / 2 + i * pitch;
            QRectF r;
            switch (side) {
            case 0:
                r = QRectF(centre.x() + t - 1.1, centre.y() - half - 2.2, 2.2, 3.0);
                break;
            case 1:
                r = QRectF(centre.x() + half - 0.8, centre.y() + t - 1.1, 3.0, 2.2);
                break;
            case 2:
                r = QRectF(centre.x() + t - 1.1, centre.y() + half - 0.8, 2.2, 3.0);
                break;
            default:
                r = QRectF(centre.x() - half - 2.2, centre.y() + t - 1.1, 3.0, 2.2);
                break;
            }
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 200, 194, 140));
            p.drawRect(r.adjusted(-0.6, -0.6, 0.6, 0.6));
            QLinearGradient lg(r.topLeft(), r.bottomRight());
            lg.setColorAt(0, TinLight);
            lg.setColorAt(1, TinDark);
            p.setBrush(lg);
            p.drawRect(r);
        }
    }
    // Body with the chamfered pin-1 corner, and its slightly smaller top face.
    const QRectF r(centre.x() - half, centre.y() - half, body, body);
    QPolygonF outline({QPointF(r.left() + 5, r.top()), r.topRight(), r.bottomRight(), r.bottomLeft(),
        QPointF(r.left(), r.top() + 5)});
    QPainterPath fp;
    fp.addPolygon(outline);
    fp.closeSubpath();
    addFootprint(fp);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(70, 70, 74));
    g.setColorAt(0.5, QColor(34, 34, 37));
    g.setColorAt(1, QColor(14, 14, 16));
    p.setPen(QPen(QColor(6, 6, 6), 0.5));
    p.setBrush(g);
    p.drawPolygon(outline);
    const QRectF top = r.adjusted(3, 3, -3, -3);
    QLinearGradient tg(top.topLeft(), top.bottomRight());
    tg.setColorAt(0, QColor(48, 48, 52));
    tg.setColorAt(1, QColor(22, 22, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(tg);
    p.drawRect(top);
    QRadialGradient dimple(QPointF(centre.x(), r.top() + 9), 3.0);
    dimple.setColorAt(0, QColor(12, 12, 14));
    dimple.setColorAt(1, QColor(46, 46, 50));
    p.setBrush(dimple);
    p.drawEllipse(QPointF(centre.x(), r.top() + 9), 3.0, 3.0);
    QFont f = m_silkFont;
    f.setBold(false);
    f.setPixelSize(7);
    p.setFont(f);
    p.setPen(QColor(176, 176, 170, 215));
    for (int i = 0; i < marking.size(); ++i)
        p.drawText(QRectF(r.left(), centre.y() - 12 + i * 9, body, 9), Qt::AlignCenter, marking.at(i));
}

void BoardPainter::soic(
    QPainter &p, QPointF centre, double length, double width, int leadsPerSide, bool horizontal, const QString &marking)
{
    const double pitch = (length - 3) / leadsPerSide;
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < leadsPerSide; ++i) {
            const double t = -length / 2 + 1.5 + (i + 0.5) * pitch;
            QRectF r = horizontal
                ? QRectF(centre.x() + t - 0.6, side ? centre.y() + width / 2 : centre.y() - width / 2 - 3.5, 1.2, 3.5)
                : QRectF(side ? centre.x() + width / 2 : centre.x() - width / 2 - 3.5, centre.y() + t - 0.6, 3.5, 1.2);
            p.setPen(Qt::NoPen);
            p.setBrush(side ? TinDark : TinLight);
            p.drawRect(r);
        }
    }
    const QRectF r = horizontal ? QRectF(centre.x() - length / 2, centre.y() - width / 2, length, width)
                                : QRectF(centre.x() - width / 2, centre.y() - length / 2, width, length);
    addFootprint(r, 0.8);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(58, 58, 62));
    g.setColorAt(1, QColor(18, 18, 20));
    p.setPen(QPen(QColor(6, 6, 6), 0.4));
    p.setBrush(g);
    p.drawRoundedRect(r, 0.8, 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 12, 14));
    p.drawEllipse(QPointF(r.left() + 2.6, r.bottom() - 2.6), 1.1, 1.1);
    QFont f = m_silkFont;
    f.setBold(false);
    f.setPixelSize(4);
    p.setFont(f);
    p.setPen(QColor(165, 165, 160, 200));
    p.drawText(r, Qt::AlignCenter, marking);
}

void BoardPainter::mountingHole(QPainter &p, QPointF centre)
{
    // Mask kept clear around the plated ring.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 150, 90, 120));
    p.drawEllipse(centre, 13.5, 13.5);
    QRadialGradient ring(centre - QPointF(3, 3), 14);
    ring.setColorAt(0, TinLight);
    ring.setColorAt(0.7, QColor(190, 190, 184));
    ring.setColorAt(1, TinDark);
    QPainterPath annulus;
    annulus.addEllipse(centre, 11.0, 11.0);
    annulus.addEllipse(centre, 6.2, 6.2);
    annulus.setFillRule(Qt::OddEvenFill);
    p.setBrush(ring);
    p.drawPath(annulus);
    // Looking through the hole: the barrel wall, then the table beneath.
    QRadialGradient hole(centre + QPointF(1.2, 1.2), 6.2);
    hole.setColorAt(0, QColor(150, 150, 146));
    hole.setColorAt(0.75, QColor(120, 120, 118));
    hole.setColorAt(1, QColor(60, 60, 60));
    p.setBrush(hole);
    p.drawEllipse(centre, 6.2, 6.2);
}

void BoardPainter::chipCap(QPainter &p, QPointF centre, bool horizontal, bool resistor)
{
    const double len = 7.5;
    const double wid = 4.4;
    const QRectF r = horizontal ? QRectF(centre.x() - len / 2, centre.y() - wid / 2, len, wid)
                                : QRectF(centre.x() - wid / 2, centre.y() - len / 2, wid, len);
    addFootprint(r, 0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(resistor ? QColor(20, 20, 22) : QColor(186, 152, 104));
    p.drawRect(r);
    p.setBrush(TinLight);
    if (horizontal) {
        p.drawRect(QRectF(r.left(), r.top(), 1.7, r.height()));
        p.drawRect(QRectF(r.right() - 1.7, r.top(), 1.7, r.height()));
    } else {
        p.drawRect(QRectF(r.left(), r.top(), r.width(), 1.7));
        p.drawRect(QRectF(r.left(), r.bottom() - 1.7, r.width(), 1.7));
    }
}

void BoardPainter::sot23(QPainter &p, QPointF centre)
{
    p.setPen(Qt::NoPen);
    p.setBrush(TinLight);
    p.drawRect(QRectF(centre.x() - 3.2, centre.y() + 2, 1.3, 2.4));
    p.drawRect(QRectF(centre.x() + 1.9, centre.y() + 2, 1.3, 2.4));
    p.drawRect(QRectF(centre.x() - 0.65, centre.y() - 4.4, 1.3, 2.4));
    const QRectF body(centre.x() - 4.2, centre.y() - 2.2, 8.4, 4.4);
    addFootprint(body, 0.4);
    QLinearGradient g(body.topLeft(), body.bottomRight());
    g.setColorAt(0, QColor(60, 60, 64));
    g.setColorAt(1, QColor(20, 20, 22));
    p.setBrush(g);
    p.drawRect(body);
}

void BoardPainter::electrolytic(QPainter &p, QPointF centre, double radius)
{
    const QRectF base(centre.x() - radius - 1.5, centre.y() - radius - 1.5, 2 * radius + 3, 2 * radius + 3);
    QPainterPath fp;
    fp.addEllipse(centre, radius + 2, radius + 2);
    addFootprint(fp);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(26, 26, 28));
    p.drawRect(base);
    QRadialGradient can(centre - QPointF(radius * 0.4, radius * 0.4), radius * 1.6);
    can.setColorAt(0, QColor(246, 246, 244));
    can.setColorAt(0.6, QColor(196, 198, 200));
    can.setColorAt(1, QColor(120, 122, 126));
    p.setBrush(can);
    p.drawEllipse(centre, radius, radius);
    // The polarity band printed on the can's top.
    p.save();
    QPainterPath clip;
    clip.addEllipse(centre, radius, radius);
    p.setClipPath(clip);
    p.setBrush(QColor(20, 20, 24, 220));
    p.drawRect(QRectF(centre.x() - radius, centre.y() + radius * 0.45, 2 * radius, radius));
    p.restore();
    p.setPen(QPen(QColor(110, 112, 116), 0.7));
    p.drawLine(centre - QPointF(radius * 0.45, 0), centre + QPointF(radius * 0.45, 0));
    p.drawLine(centre - QPointF(0, radius * 0.45), centre + QPointF(0, radius * 0.45));
}

void BoardPainter::oscillator(QPainter &p, QPointF centre)
{
    const QRectF r(centre.x() - 14, centre.y() - 9, 28, 18);
    addFootprint(r, 2.5);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(236, 236, 232));
    g.setColorAt(0.5, QColor(184, 186, 186));
    g.setColorAt(1, QColor(126, 128, 130));
    p.setPen(QPen(QColor(90, 90, 92), 0.5));
    p.setBrush(g);
    p.drawRoundedRect(r, 2.5, 2.5);
    QFont f = m_silkFont;
    f.setBold(false);
    f.setPixelSize(5);
    p.setFont(f);
    p.setPen(QColor(60, 60, 64, 200));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("14.7456"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 64));
    p.drawEllipse(QPointF(r.left() + 3, r.bottom() - 3), 0.9, 0.9);
}

void BoardPainter::drawParts(QPainter &p)
{
    for (const QPointF &c : HoleCentres)
        mountingHole(p, c);

    // PC/104 bus, stack-through: J2 (2 x 20) and J1 (2 x 32) along the top edge.
    busConnector(p, J2FirstPin, 20, BusPitch);
    busConnector(p, J1FirstPin, 32, BusPitch);

    // Protocol jumpers: RS485 fitted on every port, x422 open.
    const QPointF modeFirst(ModeCentre.x() - 3.5 * ModeColPitch, ModeCentre.y() - ModeHeaderGap / 2 - ModeRowPitch / 2);
    header(p, modeFirst, 8, 2, ModeColPitch, ModeRowPitch);
    const QPointF modeSecond(modeFirst.x(), modeFirst.y() + ModeHeaderGap);
    header(p, modeSecond, 8, 2, ModeColPitch, ModeRowPitch);
    for (int c = 0; c < 8; ++c)
        shunt(p, modeFirst + QPointF(c * ModeColPitch, 0), modeFirst + QPointF(c * ModeColPitch, ModeRowPitch));

    // Baud clock jumper (open: X1).
    header(p, ClockCentre - QPointF(0, JumperPitch / 2), 1, 2, JumperPitch, JumperPitch);

    // Control chip with the port registers.
    plcc(p, ControlCentre, 72, 11, {QStringLiteral("ZX8C01"), QStringLiteral("CTRL/REG"), QStringLiteral("0741 B")});
    for (int i = 0; i < 4; ++i) {
        chipCap(p, QPointF(ControlCentre.x() - 46, ControlCentre.y() - 30 + i * 20), false, false);
        chipCap(p, QPointF(ControlCentre.x() + 49, ControlCentre.y() + 22 + i * 8), true, i % 2 == 1);
    }

    // Termination: per port a TLD jumper above an RLD jumper.
    for (int g = 0; g < 8; ++g) {
        const QPointF first(
            LoadCentre.x() + (g - 3.5) * LoadGroupPitch - JumperPitch / 2, LoadCentre.y() - JumperPitch / 2);
        header(p, first, 2, 2, JumperPitch, JumperPitch);
    }
    // Termination resistors between the blocks.
    for (int g = 0; g < 8; ++g) {
        const double gx = LoadCentre.x() + (g - 3.5) * LoadGroupPitch;
        chipCap(p, QPointF(gx + 17, LoadCentre.y() - 5), false, true);
        if (g < 7)
            chipCap(p, QPointF(gx + 24, LoadCentre.y() + 5), false, true);
    }
    // One spare shunt parked on a single pin, as they usually are.
    shunt(p, QPointF(LoadCentre.x() + 3.5 * LoadGroupPitch + JumperPitch / 2, LoadCentre.y() - JumperPitch / 2),
        QPointF(LoadCentre.x() + 3.5 * LoadGroupPitch + JumperPitch / 2 + 6, LoadCentre.y() - JumperPitch / 2));

    // DF (open) and the base-address column; A9 and A7 fitted.
    header(p, DFCentre - QPointF(JumperPitch / 2, 0), 2, 1, JumperPitch, JumperPitch);
    header(p, QPointF(BaseCentre.x() - JumperPitch / 2, BaseCentre.y() - 2 * BaseRowPitch), 2, 5, JumperPitch,
        BaseRowPitch);
    for (int r : {0, 2}) {
        const double y = BaseCentre.y() + (r - 2) * BaseRowPitch;
        shunt(p, QPointF(BaseCentre.x() - JumperPitch / 2, y), QPointF(BaseCentre.x() + JumperPitch / 2, y));
    }

    // Eight UARTs with their decoupling.
    for (int u = 0; u < 8; ++u) {
        const QPointF c = UartCentres[u];
        quadFlat(
            p, c, UartBody, 12, {QStringLiteral("ZXU550"), QStringLiteral("%1").arg(734 + u * 3, 4, 10, QChar('0'))});
        chipCap(p, QPointF(c.x() + UartBody / 2 + 10, c.y() - 8), false, false);
        chipCap(p, QPointF(c.x() - UartBody / 2 - 10, c.y() + 8), false, u % 3 == 0);
    }

    // Line drivers, one per port.
    for (int d = 0; d < 8; ++d) {
        soic(p, QPointF(52 + d * 46, DriverY), 30, 11, 8, true, QStringLiteral("ZX485"));
        chipCap(p, QPointF(52 + d * 46 + 19, DriverY - 13), true, false);
    }

    // Protection diodes in front of the connector.
    for (int d = 0; d < 8; ++d)
        sot23(p, QPointF(52 + d * 46 + 4, DriverY + 22));

    // Serial connector for the eight ports.
    boxHeader(p, P2Centre, P2Cols, P2Pitch);

    // Clock source and bulk capacitors.
    oscillator(p, QPointF(548, 330));
    electrolytic(p, QPointF(190, 285), 12);
    electrolytic(p, QPointF(560, 480), 11);
    electrolytic(p, QPointF(400, 86), 10);
    for (int i = 0; i < 6; ++i)
        chipCap(p, QPointF(430 + i * 9, 88), false, i % 2 == 0);
    for (int i = 0; i < 5; ++i)
        chipCap(p, QPointF(540, 392 + i * 9), true, true);
    for (int i = 0; i < 4; ++i)
        chipCap(p, QPointF(212 + i * 9, 160), false, i % 2 == 0);
}

void BoardPainter::finish(QImage &photo)
{
    const int w = photo.width();
    const int h = photo.height();
    // A lens is never as sharp as a supersampled drawing: blend in a little
    // of a 3 x 3 blur.
    const QImage sharp = photo.copy();
    for (int y = 1; y + 1 < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 1; x + 1 < w; ++x) {
            int r = 0, g = 0, b = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                const auto *src = reinterpret_cast<const QRgb *>(sharp.constScanLine(y + dy));
                for (int dx = -1; dx <= 1; ++dx) {
                    r += qRed(src[x + dx]);
                    g += qGreen(src[x + dx]);
                    b += qBlue(src[x + dx]);
                }
            }
            const QRgb c = line[x];
            line[x] = qRgb(
                (qRed(c) * 6 + r * 4 / 9) / 10, (qGreen(c) * 6 + g * 4 / 9) / 10, (qBlue(c) * 6 + b * 4 / 9) / 10);
        }
    }
    const double cx = w * 0.42;
    const double cy = h * 0.38;
    const double maxR = std::hypot(w, h) * 0.62;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < w; ++x) {
            // Lamp from the upper left, darker corners, a faint sheen across
            // the glossy mask, sensor grain.
            const double d = std::hypot(x - cx, y - cy) / maxR;
            double gain = 1.07 - 0.22 * d * d;
            const double band = (x + y * 0.8 - 250.0) / 120.0;
            const double sheen = 14.0 * std::exp(-band * band);
            const double grain = (m_rng.generateDouble() + m_rng.generateDouble() - 1.0) * 7.0;
            const double tint = (m_rng.generateDouble() - 0.5) * 3.0;
            const QRgb px = line[x];
            auto channel = [&](int v, double extra) {
                return std::clamp(int(std::lround(v * gain + sheen + grain + extra)), 0, 255);
            };
            line[x] = qRgb(channel(qRed(px), tint + 1.5), channel(qGreen(px), 0.0), channel(qBlue(px), -tint - 1.5));
        }
    }
}
