// Drawing, size exchange, property access and clicks of the two-pin jumper.
#include "DensityScreens.h"
#include "DrawingChecks.h"
#include "MainWindowFixture.h"
#include "TAccessibleFactory.h"
#include "TRadioPanel.h"
#include "TRasterShape.h"
#include "TTwoJumper.h"
#include "TestMain.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QtTest>
#include <memory>

// Same class interface, other class name: must count as "not a TRadioPanel".
class TDerivedPanel : public TRadioPanel
{
    Q_OBJECT
public:
    using TRadioPanel::TRadioPanel;
};

namespace {

const QStringList OptionPanels {"ClockPanel", "BasePanel", "ModePanel", "LoadPanel", "DFPanel"};

// The probes' colour codes: button face, black, gray, yellow, maroon, blue.
QColor colourOf(QChar code)
{
    const TColor colours[] = {clBtnFace, clBlack, clGray, clYellow, clMaroon, clBlue};
    return ColorToQColor(colours[QStringLiteral("FKGYMB").indexOf(code)]);
}

// An image whose painting only counts the blits and keeps the last image blitted.
class BlitRecorder : public QImage, public QPaintEngine
{
public:
    explicit BlitRecorder(const QSize &size)
        : QImage(size, QImage::Format_RGB32)
    { }
    QPaintEngine *paintEngine() const override { return const_cast<BlitRecorder *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    Type type() const override { return User; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { ++calls; }
    void drawImage(const QRectF &, const QImage &image, const QRectF &, Qt::ImageConversionFlags) override
    {
        ++calls;
        imageKey = image.cacheKey();
    }
    qint64 imageKey = 0;
    int calls = 0;
};

qint64 blittedImage(TTwoJumper *j)
{
    BlitRecorder recorder(j->size());
    j->render(&recorder, QPoint(), QRegion(), QWidget::RenderFlags());
    return recorder.calls == 1 ? recorder.imageKey : -1;
}

} // namespace

class tst_TwoJumper : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void drawing_data();
    void drawing();
    void sizeExchange_data();
    void sizeExchange();
    void changes_data();
    void changes();
    void clicks_data();
    void clicks();
    void deviceResolution_data();
    void deviceResolution();
    void accessible_data();
    void accessible();
    void announcements_data();
    void announcements();
};

void tst_TwoJumper::initTestCase()
{
    // A button face no drawing colour matches, so background pixels are unmistakable.
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    QApplication::setPalette(palette);
}

void tst_TwoJumper::drawing_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("border");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("probes"); // "x,y:C" with C a colour code of colourOf()
    QTest::addColumn<QRect>("pin1");
    QTest::addColumn<QRect>("pin2");

    const auto row = [](const char *name, QSize size, TOrientationType turn, bool closed, const char *probes,
                         QRect pin1 = {}, QRect pin2 = {}, TBorderStyle border = bsSingle, const char *host = "plain") {
        QTest::newRow(name) << size << int(turn) << closed << int(border) << QString(host) << QString(probes) << pin1
                            << pin2;
    };
    const QRect up1(8, 6, 6, 6), up2(20, 6, 6, 6), left1(5, 7, 6, 6), left2(5, 19, 6, 6), wide1(6, 8, 6, 6),
        wide2(6, 20, 6, 6);
    row("34x18 up open", {34, 18}, otUp, false,
        "0,0:F 1,1:F 1,2:F 1,3:K 2,2:K 3,3:G 17,0:F 17,1:K 17,2:G 0,9:F 1,9:K 32,9:K 33,9:F 17,16:K 17,17:F "
        "32,2:F 31,2:K 1,15:F 2,15:K 11,9:Y 23,9:Y 8,9:Y 7,9:G 17,9:G 26,9:G 11,5:G 11,6:Y 8,6:G",
        up1, up2);
    row("34x18 up closed", {34, 18}, otUp, true,
        "0,0:K 33,0:K 0,17:K 33,17:K 17,0:K 0,9:K 1,1:M 32,16:M 17,9:M 7,9:M 11,9:Y 23,9:Y", up1, up2);
    row("34x18 up open no border", {34, 18}, otUp, false, "1,2:F 1,3:G 2,2:G 17,1:G 1,9:G 0,9:F 17,17:F", up1, up2,
        bsNone);
    row("on a radio panel", {34, 18}, otUp, false, "0,0:B 1,2:B 33,9:B 1,9:K 17,9:G", up1, up2, bsSingle, "panel");
    row("on a derived panel", {34, 18}, otUp, false, "0,0:F 1,2:F 33,9:F", up1, up2, bsSingle, "derived");
    row("16x32 left open", {16, 32}, otLeft, false,
        "0,15:F 1,15:K 2,15:G 14,15:K 15,15:F 2,30:F 3,30:K 2,29:K 3,28:G 8,31:F 8,30:K 8,0:F 8,1:K "
        "8,21:Y 8,24:Y 8,25:G 8,9:Y 8,7:Y 8,6:G 4,21:G 5,21:Y",
        left1, left2);
    row("16x32 left closed", {16, 32}, otLeft, true, "0,0:K 15,31:K 1,1:M 14,30:M 8,15:M 8,21:Y 8,9:Y", left1, left2);
    row("18x34 left open", {18, 34}, otLeft, false,
        "9,33:F 9,32:K 9,22:Y 9,25:Y 9,26:G 9,10:Y 9,8:Y 9,7:G 0,16:F 1,16:K 17,16:F 16,16:K", wide1, wide2);
    row("18x34 left closed no border", {18, 34}, otLeft, true, "0,0:M 17,33:M 0,16:M 1,1:M 9,22:Y", wide1, wide2,
        bsNone);
    // An odd height makes the upright picture lopsided, so each turn is told apart.
    row("34x19 up", {34, 19}, otUp, false, "22,6:Y 22,12:G", up1, up2);
    row("34x19 down", {34, 19}, otDown, false, "22,6:G 22,12:Y", up1.translated(0, 1), up2.translated(0, 1));
    row("19x34 left", {19, 34}, otLeft, false, "6,22:Y 12,22:G 6,11:Y 12,11:G", wide1, wide2);
    row("19x34 right", {19, 34}, otRight, false, "12,11:Y 6,11:G 12,22:Y 6,22:G", wide1.translated(1, 0),
        wide2.translated(1, 0));
    // Fh / 4 = 2.5 must round to 2, not 3.
    row("40x10 half radius", {40, 10}, otUp, false, "9,5:G 10,5:Y 13,5:Y 14,5:G", {10, 3, 4, 4}, {26, 3, 4, 4});
    row("12x18 smallest pins", {12, 18}, otUp, false, "", {3, 8, 2, 2}, {7, 8, 2, 2});
    row("8x18 up no pins", {8, 18}, otUp, false, "4,9:G");
    row("18x8 left no pins", {18, 8}, otLeft, true, "9,4:M");
    row("1x1 no pins", {1, 1}, otDown, true, "0,0:K");
    row("3x2 open no pins", {3, 2}, otRight, false, "0,0:F");
}

void tst_TwoJumper::drawing()
{
    // Guards against any pixel of the jumper picture drifting from the board's look.
    QFETCH(QSize, size);
    QFETCH(int, orientation);
    QFETCH(bool, closed);
    QFETCH(int, border);
    QFETCH(QString, parent);
    QFETCH(QString, probes);
    QFETCH(QRect, pin1);
    QFETCH(QRect, pin2);

    std::unique_ptr<QWidget> owner(parent == "panel" ? new TRadioPanel
            : parent == "derived"                    ? new TDerivedPanel
                                                     : new QWidget);
    if (auto *panel = qobject_cast<TRadioPanel *>(owner.get()))
        panel->setColor(clBlue); // a derived panel's colour must not count
    auto *j = new TTwoJumper(owner.get());
    j->resize(size);
    j->setOrientation(TOrientationType(orientation));
    j->setClosed(closed);
    j->setBorderStyle(TBorderStyle(border));
    const QImage image = j->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const QString &probe : probes.split(' ', Qt::SkipEmptyParts)) {
        const QStringList xy = probe.section(':', 0, 0).split(',');
        const QPoint at(xy[0].toInt(), xy[1].toInt());
        if (image.pixelColor(at) != colourOf(probe.back()))
            QFAIL(qPrintable(QStringLiteral("%1 is %2").arg(probe, image.pixelColor(at).name())));
    }
    // Bounding boxes of the pin colour in the first and second half along the pins' line.
    const bool wide = orientation == otUp || orientation == otDown;
    QRect first, second;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == ColorToQColor(clYellow).rgb())
                ((wide ? x < image.width() / 2 : y < image.height() / 2) ? first : second) |= QRect(x, y, 1, 1);
    QCOMPARE(first, pin1);
    QCOMPARE(second, pin2);

    // A display-only copy is drawn exactly alike.
    j->setEnabled(false);
    QCOMPARE(j->grab().toImage().convertToFormat(QImage::Format_RGB32), image);
}

void tst_TwoJumper::sizeExchange_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>("loaded");
    QTest::addColumn<QList<int>>("later");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("shown, turned left") << QSize(34, 18) << QList<int> {} << QList<int> {otLeft} << QSize(18, 34);
    QTest::newRow("up to down keeps size") << QSize(34, 18) << QList<int> {} << QList<int> {otDown} << QSize(34, 18);
    QTest::newRow("loaded left, to right")
        << QSize(16, 32) << QList<int> {otLeft} << QList<int> {otRight} << QSize(16, 32);
    QTest::newRow("loaded left, to up") << QSize(16, 32) << QList<int> {otLeft} << QList<int> {otUp} << QSize(32, 16);
    QTest::newRow("left, right: one crossing")
        << QSize(34, 18) << QList<int> {} << QList<int> {otLeft, otRight} << QSize(18, 34);
    QTest::newRow("left and back cancels")
        << QSize(34, 18) << QList<int> {} << QList<int> {otLeft, otUp} << QSize(34, 18);
    QTest::newRow("loaded left, up and back")
        << QSize(16, 32) << QList<int> {otLeft} << QList<int> {otUp, otLeft} << QSize(16, 32);
    QTest::newRow("three crossings") << QSize(34, 18) << QList<int> {} << QList<int> {otLeft, otDown, otRight}
                                     << QSize(18, 34);
}

void tst_TwoJumper::sizeExchange()
{
    // Guards against a turned jumper keeping the wrong long side, or a loaded one losing its size.
    QFETCH(QSize, size);
    QFETCH(QList<int>, loaded);
    QFETCH(QList<int>, later);
    QFETCH(QSize, expected);

    QWidget window;
    window.resize(100, 100);
    auto *j = new TTwoJumper(&window);
    j->setGeometry(QRect(QPoint(10, 10), size));
    for (int o : loaded)
        j->setOrientation(TOrientationType(o));
    PaintCounter counter;
    j->installEventFilter(&counter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(counter.paints > 0);
    QCOMPARE(j->size(), size);

    const int before = counter.paints;
    for (int o : later)
        j->setOrientation(TOrientationType(o));
    QTRY_VERIFY(counter.paints > before);
    QTRY_COMPARE(j->size(), expected);

    // At its new size it draws what a jumper laid out that way draws.
    TTwoJumper fresh;
    fresh.resize(expected);
    fresh.setOrientation(j->Orientation());
    QCOMPARE(j->grab().toImage().convertToFormat(QImage::Format_RGB32),
        fresh.grab().toImage().convertToFormat(QImage::Format_RGB32));
}

void tst_TwoJumper::changes_data()
{
    QTest::addColumn<QByteArray>("change"); // a property, or "click", "resize", "panel colour", "palette"
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("redrawn");
    const auto property = [](const char *name, const QVariant &same, const QVariant &other) {
        QTest::addRow("%s same", name) << QByteArray(name) << same << false;
        QTest::addRow("%s other", name) << QByteArray(name) << other << true;
    };
    property("Closed", true, false);
    property("BaseColor", QVariant::fromValue(clGray), QVariant::fromValue(clRed));
    property("PinColor", QVariant::fromValue(clYellow), QVariant::fromValue(clRed));
    property("JumperColor", QVariant::fromValue(clMaroon), QVariant::fromValue(clRed));
    property("BorderStyle", QVariant::fromValue(bsSingle), QVariant::fromValue(bsNone));
    property("Orientation", QVariant::fromValue(otUp), QVariant::fromValue(otDown));
    // The radio rule closes it again: same state, still redrawn.
    QTest::newRow("click on the closed radio jumper") << QByteArray("click") << QVariant() << true;
    QTest::newRow("resized") << QByteArray("resize") << QVariant() << true;
    QTest::newRow("panel colour") << QByteArray("panel colour") << QVariant() << true;
    QTest::newRow("button face of the palette") << QByteArray("palette") << QVariant() << true;
    QTest::newRow("palette behind a cap in a system colour") << QByteArray("system colour") << QVariant() << true;
}

void tst_TwoJumper::changes()
{
    // Guards against needless or lost repaints, redrawing instead of blitting, stale pictures, broken named properties.
    QFETCH(QByteArray, change);
    QFETCH(QVariant, value);
    QFETCH(bool, redrawn);

    TRadioPanel panel;
    panel.setRadioEnabled(true);
    const bool systemCap = change == "system colour";
    if (systemCap)
        panel.setColor(clBlue); // only the cap follows the palette
    const auto closedJumper = [&] {
        auto *j = new TTwoJumper(&panel);
        j->setClosed(true);
        if (systemCap)
            j->setJumperColor(clWindow);
        return j;
    };
    TTwoJumper *j = closedJumper();
    QCOMPARE(j->size(), QSize(34, 18));
    auto *sentinel = new QWidget(&panel);
    sentinel->setGeometry(100, 50, 10, 10);
    PaintCounter jumperPaints, sentinelPaints;
    j->installEventFilter(&jumperPaints);
    sentinel->installEventFilter(&sentinelPaints);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTRY_VERIFY(jumperPaints.paints > 0 && sentinelPaints.paints > 0);
    const qint64 kept = blittedImage(j);
    QVERIFY(kept > 0);
    QCOMPARE(blittedImage(j), kept); // nothing changed: the same picture again
    jumperPaints.paints = sentinelPaints.paints = 0;

    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    QPalette changed = before;
    changed.setColor(QPalette::Button, QColor(4, 5, 6));
    changed.setColor(QPalette::Base, QColor(7, 8, 9));
    const auto apply = [&](TTwoJumper *target) {
        if (change == "resize")
            target->resize(40, 20);
        else if (change == "panel colour")
            panel.setColor(clRed);
        else if (change == "palette" || systemCap)
            QApplication::setPalette(changed);
        else if (change != "click")
            QVERIFY(target->setProperty(change, value));
    };
    if (change == "click")
        QTest::mouseClick(j, Qt::LeftButton);
    apply(j);
    QCOMPARE(j->property(value.isValid() ? change.constData() : "Closed"), value.isValid() ? value : QVariant(true));
    // Updates are flushed together: once the sentinel is repainted, so is a dirty jumper.
    sentinel->update();
    QTRY_VERIFY(sentinelPaints.paints > 0);
    QCOMPARE(jumperPaints.paints > 0, redrawn);
    QCOMPARE(blittedImage(j) != kept, redrawn);

    TTwoJumper *fresh = closedJumper();
    apply(fresh);
    QCOMPARE(j->grab().toImage(), fresh->grab().toImage());
}

void tst_TwoJumper::clicks_data()
{
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("clicks"); // Closed as OnClick sees it, per click
    const QStringList click {"press", "release"};
    QTest::newRow("opens") << false << true << click << QStringList {"closed=1"};
    QTest::newRow("closes") << true << true << click << QStringList {"closed=0"};
    QTest::newRow("two clicks") << false << true << (click + click) << QStringList {"closed=1", "closed=0"};
    QTest::newRow("released outside") << false << true << QStringList {"press", "release outside"} << QStringList {};
    QTest::newRow("double-click") << false << true << (click + QStringList {"press", "dclick", "release"})
                                  << QStringList {"closed=1"};
    QTest::newRow("double-click, no second press")
        << true << true << (click + QStringList {"dclick", "release"}) << QStringList {"closed=0"};
    QTest::newRow("right button") << false << true << QStringList {"right press", "right release"} << QStringList {};
    QTest::newRow("release only") << false << true << QStringList {"release"} << QStringList {};
    QTest::newRow("disabled") << false << false << click << QStringList {};
}

void tst_TwoJumper::clicks()
{
    // Guards against lost, doubled or early clicks, and OnClick seeing the old state.
    QFETCH(bool, closed);
    QFETCH(bool, enabled);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, clicks);

    QWidget window;
    auto *j = new TTwoJumper(&window);
    j->setClosed(closed);
    j->setEnabled(enabled);
    QStringList log;
    connect(j, &TTwoJumper::OnClick, &window, [&] { log << QStringLiteral("closed=%1").arg(j->Closed()); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString &step : steps) {
        const Qt::MouseButton button = step.startsWith("right") ? Qt::RightButton : Qt::LeftButton;
        if (step.endsWith("press"))
            QTest::mousePress(j, button);
        else if (step == "dclick")
            QTest::mouseDClick(j, button);
        else
            QTest::mouseRelease(j, button, {}, step.endsWith("outside") ? QPoint(40, 9) : QPoint());
    }
    QCOMPARE(log, clicks);
    QCOMPARE(j->Closed(), clicks.size() % 2 ? !closed : closed);
}

void tst_TwoJumper::deviceResolution_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("closed");
    // The upright picture's shapes in device pixels, "kind:x1,y1,x2,y2,cw,ch" with kind b(ase), c(ap) or p(in), and
    // the turn that stands it as shown. Empty: three such jumpers side by side, to be covered without a gap.
    QTest::addColumn<QString>("shapes");
    QTest::addColumn<int>("turn");
    // The worked geometry of the 34 x 18 and 16 x 32 jumpers, every number doubled.
    const QString pins34 = " p:16,12,28,24,12,12 p:40,12,52,24,12,12";
    QTest::newRow("34x18 open at 2") << 2.0 << QSize(34, 18) << int(otUp) << false << "b:2,2,66,34,18,18" + pins34 << 0;
    QTest::newRow("34x18 closed at 2") << 2.0 << QSize(34, 18) << int(otUp) << true << "c:0,0,68,36,0,0" + pins34 << 0;
    QTest::newRow("16x32 left open at 2") << 2.0 << QSize(16, 32) << int(otLeft) << false
                                          << "b:2,2,62,30,16,16 p:14,10,26,22,12,12 p:38,10,50,22,12,12" << -90;
    QTest::newRow("side by side at 1.5, closed") << 1.5 << QSize(17, 33) << int(otLeft) << true << QString() << 0;
    QTest::newRow("side by side at 1.25, open") << 1.25 << QSize(18, 34) << int(otLeft) << false << QString() << 0;
}

void tst_TwoJumper::deviceResolution()
{
    // Jumpers on a dense screen drawn at 1x and blown up, from geometry worked out afresh, or with a seam.
    QFETCH(qreal, ratio);
    QFETCH(QSize, size);
    QFETCH(int, orientation);
    QFETCH(bool, closed);
    QFETCH(QString, shapes);
    QFETCH(int, turn);

    // The window's own colour shows only where no jumper painted.
    QWidget panel;
    QPalette red = panel.palette();
    red.setColor(QPalette::Window, Qt::red);
    panel.setPalette(red);
    panel.setAutoFillBackground(true);
    panel.resize(120, 60);
    if (!PlaceOnDensityScreen(&panel, ratio))
        QSKIP("needs the offscreen platform's screens of other densities");
    QList<TTwoJumper *> jumpers;
    for (int i = 0; i < (shapes.isEmpty() ? 3 : 1); ++i) {
        auto *j = new TTwoJumper(&panel);
        // Odd places: at a fractional ratio the edges fall between device pixels.
        j->setGeometry(QRect(QPoint(11 + i * size.width(), 7), size));
        j->setOrientation(TOrientationType(orientation));
        j->setClosed(closed);
        jumpers << j;
    }
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(jumpers.first()->devicePixelRatioF(), ratio);

    if (shapes.isEmpty()) {
        const QImage shot = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int y = qRound((7 + size.height() / 2) * ratio);
        for (int x = qCeil(11 * ratio); x < qFloor((11 + 3 * size.width()) * ratio); ++x)
            if (shot.pixel(x, y) == qRgb(255, 0, 0))
                QFAIL(qPrintable(QStringLiteral("unpainted at device pixel %1, %2").arg(x).arg(y)));
        return;
    }

    const bool vertical = orientation == otLeft || orientation == otRight;
    QImage upright((vertical ? size.transposed() : size) * ratio, QImage::Format_RGB32);
    upright.fill(ColorToQColor(clBtnFace));
    for (const QString &shape : shapes.split(' ')) {
        QList<int> n;
        for (const QString &v : shape.mid(2).split(','))
            n << v.toInt();
        const bool pin = shape[0] == 'p';
        const QRgb fill = ColorToQColor(pin ? clYellow : shape[0] == 'c' ? clMaroon : clGray).rgb();
        TRasterShape(n[0], n[1], n[2], n[3], n[4], n[5])
            .Draw(upright, pin ? fill : qRgb(0, 0, 0), fill, pin ? 0 : qRound(ratio));
    }
    QImage expected = upright.transformed(QTransform().rotate(turn));
    expected.setDevicePixelRatio(ratio);
    const QImage shot = jumpers.first()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot, expected);
}

void tst_TwoJumper::accessible_data()
{
    // Jumpers of the main window in each kind of place, as a screen reader finds them.
    QTest::addColumn<QString>("jumper");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("enabled");
    const auto row = [](const char *jumper, const char *name, bool closed, bool enabled) {
        QTest::addRow("%s", jumper) << jumper << name << closed << enabled;
    };
    row("ClockJumper", "X4 CLK", false, true); // its label stands to its right
    row("DFJumperB", "DF", false, false);
    row("BaseJumper7A", "A7", true, true); // the correction line beside it is farther
    row("RS422JumperA", "x422", false, true); // standing jumpers: the label below
    row("RLDJumperB", "xRLD", false, false);
    row("TLDJumperB", "xTLD", false, false);
    row("RS422JumperB", "x422", false, false); // the same labels in another order
    row("RS485JumperB", "RS485", true, false); // its row label before the "x" below it
}

void tst_TwoJumper::accessible()
{
    // Guards against a jumper screen readers cannot name, tell from a check box, read or operate (or can, if a mirror).
    QFETCH(QString, jumper);
    QFETCH(QString, name);
    QFETCH(bool, closed);
    QFETCH(bool, enabled);
    MainWindowFixture f(OptionPanels);
    auto *j = f.get<TTwoJumper>(jumper);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(j);
    QVERIFY(iface && iface->isValid());
    QCOMPARE(iface->role(), QAccessible::CheckBox);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("jumper"));
    QVERIFY(iface->state().checkable);
    QCOMPARE(bool(iface->state().checked), closed);
    QCOMPARE(bool(iface->state().disabled), !enabled);
    const QStringList actions = iface->actionInterface()->actionNames();
    QCOMPARE(actions.contains(QAccessibleActionInterface::toggleAction()), enabled);
    QCOMPARE(actions.contains(QAccessibleActionInterface::pressAction()), enabled);

    // Without labels it goes by its component name.
    for (QLabel *label : j->parentWidget()->findChildren<QLabel *>())
        label->hide();
    QCOMPARE(iface->text(QAccessible::Name), jumper);
}

void tst_TwoJumper::announcements_data()
{
    // What is done, and the jumpers announced as opened (0) or closed (1), in order.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("announced");
    const auto row = [](const char *name, const char *steps, const char *announced) {
        QTest::newRow(name) << QString(steps).split(", ") << QString(announced).split(' ', Qt::SkipEmptyParts);
    };
    row("A9 clicked: it, then its mirror", "click BaseJumper9A", "BaseJumper9A:1 BaseJumper9B:1");
    row("A9 pressed by a screen reader: the same", "press BaseJumper9A", "BaseJumper9A:1 BaseJumper9B:1");
    row("base address typed: jumpers follow each digit", "type 1, type 0, type 0",
        "BaseJumper8A:1 BaseJumper9A:1 BaseJumper8B:1 BaseJumper9B:1 BaseJumper8A:0 BaseJumper8B:0");
    row("RS-422 chosen by its jumper: both pairs and their mirrors", "press RS422JumperA",
        "RS422JumperA:1 RS485JumperA:0 RS485JumperB:0 RS422JumperB:1");
    row("set from code", "set BaseJumper8A", "BaseJumper8A:1");
    row("set from code to its state: nothing", "set BaseJumper7A", "");
    row("mirror pressed: nothing", "press BaseJumper9B", "");
    row("closed radio jumper clicked, opened and closed again: nothing", "radio, click RS485JumperA", "");
}

void tst_TwoJumper::announcements()
{
    // Guards against a change by user or handler left unannounced, a non-change announced, or a stale state read then.
    QFETCH(QStringList, steps);
    QFETCH(QStringList, announced);
    MainWindowFixture f(OptionPanels);
    QStringList heard;
    const auto before = TAccessibleFactory::SetObserver([&](QAccessibleEvent *event) {
        if (event->type() != QAccessible::StateChanged
            || !static_cast<QAccessibleStateChangeEvent *>(event)->changedStates().checked)
            return;
        QAccessibleInterface *iface = event->accessibleInterface();
        heard << QStringLiteral("%1:%2").arg(event->object()->objectName()).arg(iface->state().checked ? 1 : 0);
    });
    const auto restore = qScopeGuard([&] { TAccessibleFactory::SetObserver(before); });
    auto *edit = f.get<QLineEdit>("BaseEdit");
    edit->clear();
    for (const QString &step : steps) {
        const QString target = step.section(' ', 1);
        if (step.startsWith("click"))
            f.click(f.get<TTwoJumper>(target));
        else if (step.startsWith("press"))
            QAccessible::queryAccessibleInterface(f.get<TTwoJumper>(target))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        else if (step.startsWith("type"))
            QTest::keyClicks(edit, target);
        else if (step.startsWith("set"))
            f.get<TTwoJumper>(target)->setClosed(true);
        else if (step == "radio")
            f.get<TRadioPanel>("ModePanel")->setRadioEnabled(true);
    }
    QCOMPARE(heard, announced);
}

ZX_TEST_MAIN(tst_TwoJumper)
#include "tst_twojumper.moc"
