// Drawing, size exchange, property access and clicks of the two-pin jumper.
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TestMain.h"

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

class ClickLog : public QObject
{
    Q_OBJECT
public:
    QStringList entries;
public slots:
    void clicked()
    {
        auto *j = qobject_cast<TTwoJumper *>(sender());
        entries << (j ? QStringLiteral("closed=%1").arg(j->Closed()) : QStringLiteral("no sender"));
    }
};

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

namespace {

QColor colourOf(QChar code)
{
    switch (code.unicode()) {
    case 'F': return ColorToQColor(clBtnFace);
    case 'K': return Qt::black;
    case 'G': return ColorToQColor(clGray);
    case 'Y': return ColorToQColor(clYellow);
    case 'M': return ColorToQColor(clMaroon);
    case 'B': return ColorToQColor(clBlue);
    }
    return {};
}

// Bounding boxes of the pin colour in the first and second half along the pins' line.
QPair<QRect, QRect> pinBoxes(const QImage &image, bool wide)
{
    const QRgb pin = ColorToQColor(clYellow).rgb();
    QRect first, second;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == pin)
                ((wide ? x < image.width() / 2 : y < image.height() / 2) ? first : second) |= QRect(x, y, 1, 1);
    return {first, second};
}

std::unique_ptr<QWidget> makeParent(const QString &kind)
{
    std::unique_ptr<QWidget> parent;
    if (kind == "panel")
        parent = std::make_unique<TRadioPanel>();
    else if (kind == "derived")
        parent = std::make_unique<TDerivedPanel>();
    else
        parent = std::make_unique<QWidget>();
    if (auto *panel = qobject_cast<TRadioPanel *>(parent.get()))
        panel->setColor(clBlue);
    parent->resize(120, 120);
    return parent;
}

// Records the image a paint blits, without drawing anything.
class BlitRecorder : public QPaintDevice
{
public:
    explicit BlitRecorder(const QSize &size) : m_size(size) {}
    qint64 imageKey = 0;
    int calls = 0;
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    struct Engine : QPaintEngine
    {
        BlitRecorder *owner;
        explicit Engine(BlitRecorder *o) : owner(o) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        Type type() const override { return User; }
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { ++owner->calls; }
        void drawImage(const QRectF &, const QImage &image, const QRectF &, Qt::ImageConversionFlags) override
        {
            ++owner->calls;
            owner->imageKey = image.cacheKey();
        }
    };
    QSize m_size;
    mutable Engine m_engine{const_cast<BlitRecorder *>(this)};
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
    void backgroundFollowsPanelColour();
    void sizeExchange_data();
    void sizeExchange();
    void repaintOnlyOnChange_data();
    void repaintOnlyOnChange();
    void drawnPictureFollowsChanges_data();
    void drawnPictureFollowsChanges();
    void clicks_data();
    void clicks();
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

    const QRect upPin1(8, 6, 6, 6), upPin2(20, 6, 6, 6);
    QTest::newRow("34x18 up open") << QSize(34, 18) << int(otUp) << false << int(bsSingle) << "plain"
        << "0,0:F 1,1:F 1,2:F 1,3:K 2,2:K 3,3:G 17,0:F 17,1:K 17,2:G 0,9:F 1,9:K 32,9:K 33,9:F 17,16:K 17,17:F "
           "32,2:F 31,2:K 1,15:F 2,15:K 11,9:Y 23,9:Y 8,9:Y 7,9:G 17,9:G 26,9:G 11,5:G 11,6:Y 8,6:G"
        << upPin1 << upPin2;
    QTest::newRow("34x18 up closed") << QSize(34, 18) << int(otUp) << true << int(bsSingle) << "plain"
        << "0,0:K 33,0:K 0,17:K 33,17:K 17,0:K 0,9:K 1,1:M 32,16:M 17,9:M 7,9:M 11,9:Y 23,9:Y" << upPin1 << upPin2;
    QTest::newRow("34x18 up open no border") << QSize(34, 18) << int(otUp) << false << int(bsNone) << "plain"
        << "1,2:F 1,3:G 2,2:G 17,1:G 1,9:G 0,9:F 17,17:F" << upPin1 << upPin2;
    QTest::newRow("34x18 up closed no border") << QSize(34, 18) << int(otUp) << true << int(bsNone) << "plain"
        << "0,0:M 33,17:M 17,0:M 1,1:M 11,9:Y" << upPin1 << upPin2;
    QTest::newRow("on a radio panel") << QSize(34, 18) << int(otUp) << false << int(bsSingle) << "panel"
        << "0,0:B 1,2:B 33,9:B 1,9:K 17,9:G" << upPin1 << upPin2;
    QTest::newRow("on a derived panel") << QSize(34, 18) << int(otUp) << false << int(bsSingle) << "derived"
        << "0,0:F 1,2:F 33,9:F" << upPin1 << upPin2;
    QTest::newRow("16x32 left open") << QSize(16, 32) << int(otLeft) << false << int(bsSingle) << "plain"
        << "0,15:F 1,15:K 2,15:G 14,15:K 15,15:F 2,30:F 3,30:K 2,29:K 3,28:G 8,31:F 8,30:K 8,0:F 8,1:K "
           "8,21:Y 8,24:Y 8,25:G 8,9:Y 8,7:Y 8,6:G 4,21:G 5,21:Y"
        << QRect(5, 7, 6, 6) << QRect(5, 19, 6, 6);
    QTest::newRow("16x32 left closed") << QSize(16, 32) << int(otLeft) << true << int(bsSingle) << "plain"
        << "0,0:K 15,31:K 1,1:M 14,30:M 8,15:M 8,21:Y 8,9:Y" << QRect(5, 7, 6, 6) << QRect(5, 19, 6, 6);
    QTest::newRow("18x34 left open") << QSize(18, 34) << int(otLeft) << false << int(bsSingle) << "plain"
        << "9,33:F 9,32:K 9,22:Y 9,25:Y 9,26:G 9,10:Y 9,8:Y 9,7:G 0,16:F 1,16:K 17,16:F 16,16:K"
        << QRect(6, 8, 6, 6) << QRect(6, 20, 6, 6);
    QTest::newRow("18x34 left closed no border") << QSize(18, 34) << int(otLeft) << true << int(bsNone) << "plain"
        << "0,0:M 17,33:M 9,22:Y" << QRect(6, 8, 6, 6) << QRect(6, 20, 6, 6);
    // An odd height makes the upright picture lopsided, so each turn is told apart.
    QTest::newRow("34x19 up") << QSize(34, 19) << int(otUp) << false << int(bsSingle) << "plain"
        << "22,6:Y 22,12:G" << QRect(8, 6, 6, 6) << QRect(20, 6, 6, 6);
    QTest::newRow("34x19 down") << QSize(34, 19) << int(otDown) << false << int(bsSingle) << "plain"
        << "22,6:G 22,12:Y" << QRect(8, 7, 6, 6) << QRect(20, 7, 6, 6);
    QTest::newRow("19x34 left") << QSize(19, 34) << int(otLeft) << false << int(bsSingle) << "plain"
        << "6,22:Y 12,22:G 6,11:Y 12,11:G" << QRect(6, 8, 6, 6) << QRect(6, 20, 6, 6);
    QTest::newRow("19x34 right") << QSize(19, 34) << int(otRight) << false << int(bsSingle) << "plain"
        << "12,11:Y 6,11:G 12,22:Y 6,22:G" << QRect(7, 8, 6, 6) << QRect(7, 20, 6, 6);
    // Fh / 4 = 2.5 must round to 2, not 3.
    QTest::newRow("40x10 half radius") << QSize(40, 10) << int(otUp) << false << int(bsSingle) << "plain"
        << "9,5:G 10,5:Y 13,5:Y 14,5:G" << QRect(10, 3, 4, 4) << QRect(26, 3, 4, 4);
    QTest::newRow("12x18 smallest pins") << QSize(12, 18) << int(otUp) << false << int(bsSingle) << "plain"
        << "" << QRect(3, 8, 2, 2) << QRect(7, 8, 2, 2);
    QTest::newRow("8x18 up no pins") << QSize(8, 18) << int(otUp) << false << int(bsSingle) << "plain"
        << "4,9:G" << QRect() << QRect();
    QTest::newRow("18x8 left no pins") << QSize(18, 8) << int(otLeft) << true << int(bsSingle) << "plain"
        << "9,4:M" << QRect() << QRect();
    QTest::newRow("1x1 no pins") << QSize(1, 1) << int(otDown) << true << int(bsSingle) << "plain"
        << "0,0:K" << QRect() << QRect();
    QTest::newRow("3x2 open no pins") << QSize(3, 2) << int(otRight) << false << int(bsSingle) << "plain"
        << "0,0:F" << QRect() << QRect();
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

    auto owner = makeParent(parent);
    auto *j = new TTwoJumper(owner.get());
    j->resize(size);
    j->setOrientation(TOrientationType(orientation));
    j->setClosed(closed);
    j->setBorderStyle(TBorderStyle(border));
    const QImage image = j->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), size);
    for (const QString &probe : probes.split(' ', Qt::SkipEmptyParts)) {
        const QStringList xy = probe.section(':', 0, 0).split(',');
        const QPoint at(xy[0].toInt(), xy[1].toInt());
        if (image.pixelColor(at) != colourOf(probe.back()))
            QFAIL(qPrintable(QStringLiteral("%1 is %2").arg(probe, image.pixelColor(at).name())));
    }
    const auto pins = pinBoxes(image, orientation == otUp || orientation == otDown);
    QCOMPARE(pins.first, pin1);
    QCOMPARE(pins.second, pin2);

    // A display-only copy is drawn exactly alike.
    j->setEnabled(false);
    QCOMPARE(j->grab().toImage().convertToFormat(QImage::Format_RGB32), image);
}

void tst_TwoJumper::backgroundFollowsPanelColour()
{
    // Guards against a stale picture when the panel behind the jumper changes colour.
    TRadioPanel panel;
    auto *j = new TTwoJumper(&panel);
    QCOMPARE(j->grab().toImage().pixelColor(0, 0), ColorToQColor(clBtnFace));
    panel.setColor(clRed);
    QCOMPARE(j->grab().toImage().pixelColor(0, 0), ColorToQColor(clRed));
}

void tst_TwoJumper::sizeExchange_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>("loaded");
    QTest::addColumn<QList<int>>("later");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("shown, turned left") << QSize(34, 18) << QList<int>{} << QList<int>{otLeft} << QSize(18, 34);
    QTest::newRow("up to down keeps size") << QSize(34, 18) << QList<int>{} << QList<int>{otDown} << QSize(34, 18);
    QTest::newRow("loaded left, to right") << QSize(16, 32) << QList<int>{otLeft} << QList<int>{otRight} << QSize(16, 32);
    QTest::newRow("loaded left, to up") << QSize(16, 32) << QList<int>{otLeft} << QList<int>{otUp} << QSize(32, 16);
    QTest::newRow("left, right: one crossing") << QSize(34, 18) << QList<int>{} << QList<int>{otLeft, otRight} << QSize(18, 34);
    QTest::newRow("left and back cancels") << QSize(34, 18) << QList<int>{} << QList<int>{otLeft, otUp} << QSize(34, 18);
    QTest::newRow("loaded left, up and back") << QSize(16, 32) << QList<int>{otLeft} << QList<int>{otUp, otLeft} << QSize(16, 32);
    QTest::newRow("three crossings") << QSize(34, 18) << QList<int>{} << QList<int>{otLeft, otDown, otRight} << QSize(18, 34);
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

void tst_TwoJumper::repaintOnlyOnChange_data()
{
    QTest::addColumn<QByteArray>("property"); // empty: a click
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("Closed same") << QByteArray("Closed") << QVariant(true) << false;
    QTest::newRow("Closed other") << QByteArray("Closed") << QVariant(false) << true;
    QTest::newRow("BaseColor same") << QByteArray("BaseColor") << QVariant::fromValue(clGray) << false;
    QTest::newRow("BaseColor other") << QByteArray("BaseColor") << QVariant::fromValue(clRed) << true;
    QTest::newRow("PinColor same") << QByteArray("PinColor") << QVariant::fromValue(clYellow) << false;
    QTest::newRow("PinColor other") << QByteArray("PinColor") << QVariant::fromValue(clRed) << true;
    QTest::newRow("JumperColor same") << QByteArray("JumperColor") << QVariant::fromValue(clMaroon) << false;
    QTest::newRow("JumperColor other") << QByteArray("JumperColor") << QVariant::fromValue(clRed) << true;
    QTest::newRow("BorderStyle same") << QByteArray("BorderStyle") << QVariant::fromValue(bsSingle) << false;
    QTest::newRow("BorderStyle other") << QByteArray("BorderStyle") << QVariant::fromValue(bsNone) << true;
    QTest::newRow("Orientation same") << QByteArray("Orientation") << QVariant::fromValue(otUp) << false;
    QTest::newRow("Orientation other") << QByteArray("Orientation") << QVariant::fromValue(otDown) << true;
    // The radio rule closes it again: same state, still a repaint.
    QTest::newRow("click on the closed radio jumper") << QByteArray() << QVariant() << true;
}

void tst_TwoJumper::repaintOnlyOnChange()
{
    // Guards against needless repaints on equal values, a missing one after a click,
    // and properties the layout sets by name failing to write or read.
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(bool, repaints);

    TRadioPanel panel;
    panel.setRadioEnabled(true);
    auto *j = new TTwoJumper(&panel);
    QCOMPARE(j->size(), QSize(34, 18));
    j->setClosed(true);
    auto *sentinel = new QWidget(&panel);
    sentinel->setGeometry(100, 50, 10, 10);
    PaintCounter jumperPaints, sentinelPaints;
    j->installEventFilter(&jumperPaints);
    sentinel->installEventFilter(&sentinelPaints);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTRY_VERIFY(jumperPaints.paints > 0 && sentinelPaints.paints > 0);
    jumperPaints.paints = sentinelPaints.paints = 0;

    if (property.isEmpty())
        QTest::mouseClick(j, Qt::LeftButton);
    else
        QVERIFY(j->setProperty(property, value));
    QCOMPARE(j->property(property.isEmpty() ? "Closed" : property.constData()),
             property.isEmpty() ? QVariant(true) : value);
    // Updates are flushed together: once the sentinel is repainted, so is a dirty jumper.
    sentinel->update();
    QTRY_VERIFY(sentinelPaints.paints > 0);
    QCOMPARE(jumperPaints.paints > 0, repaints);
}

void tst_TwoJumper::drawnPictureFollowsChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("Closed") << "Closed";
    QTest::newRow("BaseColor") << "BaseColor";
    QTest::newRow("PinColor") << "PinColor";
    QTest::newRow("JumperColor") << "JumperColor";
    QTest::newRow("BorderStyle") << "BorderStyle";
    QTest::newRow("Orientation, same size") << "Orientation";
    QTest::newRow("resized") << "resize";
    QTest::newRow("panel colour") << "panel";
    QTest::newRow("button face of the palette") << "palette";
}

void tst_TwoJumper::drawnPictureFollowsChanges()
{
    // Guards against a paint redrawing the picture every time instead of
    // blitting it, and against the kept picture going stale after a change.
    QFETCH(QString, change);
    TRadioPanel panel;
    QWidget plain;
    QWidget *parent = change == QLatin1String("palette") ? &plain : static_cast<QWidget *>(&panel);
    const QPalette before = QApplication::palette();
    const auto apply = [&](TTwoJumper *j) {
        if (change == QLatin1String("Closed")) j->setClosed(true);
        if (change == QLatin1String("BaseColor")) j->setBaseColor(clBlue);
        if (change == QLatin1String("PinColor")) j->setPinColor(clBlue);
        if (change == QLatin1String("JumperColor")) j->setJumperColor(clBlue);
        if (change == QLatin1String("BorderStyle")) j->setBorderStyle(bsNone);
        if (change == QLatin1String("Orientation")) j->setOrientation(otDown);
        if (change == QLatin1String("resize")) j->resize(40, 20);
    };
    auto *j = new TTwoJumper(parent);
    const qint64 first = blittedImage(j);
    QVERIFY(first > 0);
    QCOMPARE(blittedImage(j), first);   // nothing changed: the same picture again

    apply(j);
    if (change == QLatin1String("panel"))
        panel.setColor(clRed);
    QPalette palette = before;
    palette.setColor(QPalette::Button, QColor(4, 5, 6));
    if (change == QLatin1String("palette"))
        QApplication::setPalette(palette);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    QVERIFY(blittedImage(j) != first);

    auto *fresh = new TTwoJumper(parent);
    apply(fresh);
    QCOMPARE(j->grab().toImage(), fresh->grab().toImage());
}

void tst_TwoJumper::clicks_data()
{
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("clicks"); // Closed as OnClick sees it, per click
    const QStringList click{"press", "release"};
    QTest::newRow("opens") << false << true << click << QStringList{"closed=1"};
    QTest::newRow("closes") << true << true << click << QStringList{"closed=0"};
    QTest::newRow("two clicks") << false << true << (click + click) << QStringList{"closed=1", "closed=0"};
    QTest::newRow("released outside") << false << true << QStringList{"press", "release outside"} << QStringList{};
    QTest::newRow("double-click") << false << true << (click + QStringList{"press", "dclick", "release"})
                                  << QStringList{"closed=1"};
    QTest::newRow("double-click, no second press") << true << true << (click + QStringList{"dclick", "release"})
                                                   << QStringList{"closed=0"};
    QTest::newRow("right button") << false << true << QStringList{"right press", "right release"} << QStringList{};
    QTest::newRow("release only") << false << true << QStringList{"release"} << QStringList{};
    QTest::newRow("disabled") << false << false << click << QStringList{};
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
    ClickLog log;
    connect(j, &TTwoJumper::OnClick, &log, &ClickLog::clicked);
    QSignalSpy spy(j, &TTwoJumper::OnClick);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString &step : steps) {
        if (step == "press")
            QTest::mousePress(j, Qt::LeftButton);
        else if (step == "release")
            QTest::mouseRelease(j, Qt::LeftButton);
        else if (step == "release outside")
            QTest::mouseRelease(j, Qt::LeftButton, {}, QPoint(40, 9));
        else if (step == "dclick")
            QTest::mouseDClick(j, Qt::LeftButton);
        else if (step == "right press")
            QTest::mousePress(j, Qt::RightButton);
        else if (step == "right release")
            QTest::mouseRelease(j, Qt::RightButton);
    }
    QCOMPARE(log.entries, clicks);
    QCOMPARE(spy.count(), clicks.size());
    QCOMPARE(j->Closed(), clicks.size() % 2 ? !closed : closed);
}

ZX_TEST_MAIN(tst_TwoJumper)
#include "tst_twojumper.moc"
