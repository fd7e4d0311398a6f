// The board picture: where it draws the photograph, where it places itself on its window,
// how it sizes itself, and the request that opens the first highlight's popup.
#include "DensityScreens.h"
#include "DevicePixels.h"
#include "DrawingChecks.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TColor.h"
#include "TDecodeAhead.h"
#include "TPicture.h"
#include "TPopupForm.h"
#include "TestMain.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QtTest>

#include <optional>

namespace {

// Every pixel tells where it came from, so an unscaled blit can be traced
// back to the picture position it shows.
void loadTraced(TBoardImage &image, int width, int height, bool alpha = false)
{
    QImage traced(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            traced.setPixel(x, y, qRgba(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8), alpha ? 128 : 255));
    TPicture picture;
    QVERIFY(picture.LoadFromData(Encoded(traced)));
    image.setPicture(&picture);
}

QPoint tracedPosition(QRgb pixel)
{
    return QPoint(qRed(pixel) | ((qBlue(pixel) >> 4) << 8), qGreen(pixel) | ((qBlue(pixel) & 0x0F) << 8));
}

// Counts the popup windows' show and hide events.
struct PopupWatcher : QObject
{
    int shows = 0, hides = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (qobject_cast<TPopupForm *>(watched)) {
            shows += event->type() == QEvent::Show;
            hides += event->type() == QEvent::Hide;
        }
        return false;
    }
};

} // namespace

class tst_BoardImage : public QObject
{
    Q_OBJECT
private slots:
    void creationDefaults();
    void drawingRectangle_data();
    void drawingRectangle();
    void opaqueOnlyWhenCovered_data();
    void opaqueOnlyWhenCovered();
    void centring_data();
    void centring();
    void noPixelOfAnOldPlace_data();
    void noPixelOfAnOldPlace();
    void autoSize_data();
    void autoSize();
    void equalValueDoesNotRepaint_data();
    void equalValueDoesNotRepaint();
    void showFirstHighlight_data();
    void showFirstHighlight();
};

void tst_BoardImage::creationDefaults()
{
    // Guards against defaults other than the window layouts assume, and a palette to realise on a true-colour display.
    TBoardImage image;
    QCOMPARE(image.size(), QSize(105, 105));
    QVERIFY(image.AutoSize());
    QVERIFY(image.CenterOnForm());
    QVERIFY(image.Scale());
    QVERIFY(!image.Stretch());
    QVERIFY(!image.Center());
    QVERIFY(!image.Transparent());
    // True-colour displays only: no palette to realise, even with the photograph.
    QVERIFY(image.Picture()->LoadFromFile(QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg")));
    QCOMPARE(image.GetPalette(), quintptr(0));
    QVERIFY(!image.DoPaletteChange());
    QVERIFY(!image.Picture()->HasPalette());
}

void tst_BoardImage::drawingRectangle_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("center");
    QTest::addColumn<QRect>("dest"); // in a 400 x 400 control
    QTest::addColumn<bool>("ahead"); // the board photograph, decoded ahead for the drawing
    const QSize photo(600, 605);
    QTest::newRow("stretch fills the control") << 1.0 << photo << true << false << QRect(0, 0, 400, 400) << false;
    QTest::newRow("stretch ignores center") << 1.0 << photo << true << true << QRect(0, 0, 400, 400) << false;
    QTest::newRow("centred shows the middle") << 1.0 << photo << false << true << QRect(-100, -102, 600, 605) << false;
    QTest::newRow("top left at its own size") << 1.0 << photo << false << false << QRect(0, 0, 600, 605) << false;
    QTest::newRow("small picture centred, panel colour around")
        << 1.0 << QSize(100, 50) << false << true << QRect(150, 175, 100, 50) << false;
    QTest::newRow("stretched at 2: 800 x 800") << 2.0 << photo << true << false << QRect(0, 0, 400, 400) << false;
    QTest::newRow("stretched at 1.25: 500 x 500") << 1.25 << photo << true << false << QRect(0, 0, 400, 400) << false;
    QTest::newRow("own size at 1.5: 900 x 908") << 1.5 << photo << false << false << QRect(0, 0, 600, 605) << false;
    QTest::newRow("photograph decoded ahead, stretched")
        << 1.0 << photo << true << false << QRect(0, 0, 400, 400) << true;
    QTest::newRow("photograph decoded ahead, stretched at 2")
        << 2.0 << photo << true << false << QRect(0, 0, 400, 400) << true;
}

void tst_BoardImage::drawingRectangle()
{
    // Guards against the photograph off its rectangle, leftovers around it, or scaled twice or roughly at high density.
    QFETCH(qreal, ratio);
    QFETCH(QSize, picture);
    QFETCH(bool, stretch);
    QFETCH(bool, center);
    QFETCH(QRect, dest);
    QFETCH(bool, ahead);
    const QString photoFile = QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg");
    std::optional<TDecodeAhead> decoder;
    TBoardImage image;
    image.setAutoSize(false);
    image.setCenterOnForm(false);
    image.resize(400, 400);
    if (ahead) {
        decoder.emplace(photoFile);
        TDecodeAhead::DrawnAt(photoFile, DeviceSize(dest.size(), ratio));
        QVERIFY(image.Picture()->LoadFromFile(photoFile));
        QCOMPARE(QSize(image.Picture()->Width(), image.Picture()->Height()), picture);
    } else {
        loadTraced(image, picture.width(), picture.height());
    }
    image.setStretch(stretch);
    image.setCenter(center);
    QCOMPARE(image.size(), QSize(400, 400));
    QCOMPARE(image.DestRect(), dest);

    const QImage photo = image.Picture()->Image();
    if (ratio != 1) {
        if (!PlaceOnDensityScreen(&image, ratio))
            QSKIP("needs the offscreen platform's screens of other densities");
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        // Scaled once, smoothly, to the device pixels of the rectangle, not to its logical size.
        QImage expected = photo.scaled(dest.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .copy(QRect(QPoint(0, 0), image.size() * ratio));
        expected.setDevicePixelRatio(ratio);
        QCOMPARE(image.grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
        return;
    }
    const QImage shot = image.grab().toImage();
    if (ahead) {
        // Decoded beside the GUI or in it: the same pixels on screen.
        TBoardImage here;
        here.setAutoSize(false);
        here.setCenterOnForm(false);
        here.resize(400, 400);
        QVERIFY(here.Picture()->LoadFromFile(photoFile));
        here.setStretch(stretch);
        QCOMPARE(shot, here.grab().toImage());
    }
    for (const QPoint p : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 399), QPoint(399, 399), QPoint(200, 200)}) {
        if (stretch) // corner to corner
            QVERIFY(SameColour(shot.pixel(p), photo.pixel(p.x() * 599 / 399, p.y() * 604 / 399), 4));
        else if (dest.contains(p))
            QCOMPARE(tracedPosition(shot.pixel(p)), p - dest.topLeft());
        else
            QCOMPARE(QColor(shot.pixel(p)), ColorToQColor(clBtnFace));
    }
}

void tst_BoardImage::opaqueOnlyWhenCovered_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QSize>("resizeTo");
    QTest::addColumn<bool>("opaque");
    const QSize same(400, 400);
    QTest::newRow("small picture stretched") << QSize(100, 50) << false << true << false << same << true;
    QTest::newRow("large picture at its own size") << QSize(600, 605) << false << false << false << same << true;
    QTest::newRow("small picture at its own size") << QSize(100, 50) << false << false << false << same << false;
    QTest::newRow("transparent") << QSize(600, 605) << false << true << true << same << false;
    QTest::newRow("translucent pixels") << QSize(600, 605) << true << true << false << same << false;
    QTest::newRow("no picture") << QSize() << false << true << false << same << false;
    QTest::newRow("control grown past the picture")
        << QSize(600, 605) << false << false << false << QSize(700, 700) << false;
}

void tst_BoardImage::opaqueOnlyWhenCovered()
{
    // Guards against claiming to cover pixels never painted (garbage on screen), or repainting what lies beneath.
    QFETCH(QSize, pictureSize);
    QFETCH(bool, alpha);
    QFETCH(bool, stretch);
    QFETCH(bool, transparent);
    QFETCH(QSize, resizeTo);
    QFETCH(bool, opaque);
    TBoardImage image;
    image.setAutoSize(false);
    image.resize(400, 400);
    image.setStretch(stretch);
    image.setTransparent(transparent);
    if (pictureSize.isValid())
        loadTraced(image, pictureSize.width(), pictureSize.height(), alpha);
    image.resize(resizeTo);
    image.show(); // a hidden widget gets its resize event when shown
    QVERIFY(QTest::qWaitForWindowExposed(&image));
    QCOMPARE(image.testAttribute(Qt::WA_OpaquePaintEvent), opaque);
    QCOMPARE(image.Picture()->Transparent(), transparent && pictureSize.isValid());
}

void tst_BoardImage::centring_data()
{
    QTest::addColumn<QString>("host"); // "child": a parent of parentSize in a window; else the window itself
    QTest::addColumn<bool>("centerOnForm");
    QTest::addColumn<QSize>("parentSize");
    QTest::addColumn<QSize>("resizeTo");
    QTest::addColumn<QPoint>("position"); // on a window: centred on its outer size
    // Designed at (195, 133), 400 x 400.
    QTest::newRow("810 x 634") << "child" << true << QSize(810, 634) << QSize() << QPoint(205, 117);
    QTest::newRow("follows a later resize")
        << "child" << true << QSize(810, 634) << QSize(1000, 800) << QPoint(300, 200);
    QTest::newRow("odd sizes round toward zero") << "child" << true << QSize(811, 635) << QSize() << QPoint(205, 117);
    QTest::newRow("parent smaller than the picture")
        << "child" << true << QSize(301, 200) << QSize() << QPoint(-49, -100);
    QTest::newRow("CenterOnForm False") << "child" << false << QSize(810, 634) << QSize() << QPoint(195, 133);
    QTest::newRow("central widget of a main window with a menu bar")
        << "main window" << true << QSize() << QSize() << QPoint();
    QTest::newRow("directly on a window") << "window" << true << QSize() << QSize() << QPoint();
}

void tst_BoardImage::centring()
{
    // Guards against drifting off centre, centring on the client area, or losing the design position popups go by.
    QFETCH(QString, host);
    QFETCH(bool, centerOnForm);
    QFETCH(QSize, parentSize);
    QFETCH(QSize, resizeTo);
    QFETCH(QPoint, position);
    QMainWindow main;
    QWidget plain;
    QWidget *window = host == QLatin1String("main window") ? static_cast<QWidget *>(&main) : &plain;
    QWidget *parent = &plain;
    if (host == QLatin1String("main window")) {
        main.menuBar()->addMenu(QStringLiteral("&File"));
        main.setCentralWidget(parent = new QWidget);
    } else if (host == QLatin1String("child")) {
        plain.resize(1100, 900);
        parent = new QWidget(&plain);
        parent->resize(parentSize);
    }
    auto *image = new TBoardImage(parent);
    image->setAutoSize(false);
    image->setGeometry(195, 133, 400, 400);
    image->setCenterOnForm(centerOnForm);
    loadTraced(*image, 600, 605);
    image->setStretch(true);

    host == QLatin1String("child") ? window->show() : window->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (host != QLatin1String("child")) {
        QTRY_VERIFY(window->frameGeometry().size() != parent->size());
        parentSize = window->frameGeometry().size();
        position = QPoint((parentSize.width() - 400) / 2, (parentSize.height() - 400) / 2);
    }
    QCOMPARE(image->ParentOuterSize(), parentSize);
    if (resizeTo.isValid()) {
        QTRY_COMPARE(image->pos(), QPoint(205, 117));
        parent->resize(resizeTo);
        image->update();
    }
    QTRY_COMPARE(image->pos(), position);
    QCOMPARE(QPoint(image->DesignLeft, image->DesignTop), QPoint(195, 133));
    QCOMPARE(image->size(), QSize(400, 400));
}

void tst_BoardImage::noPixelOfAnOldPlace_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("window resized") << "resize";
    QTest::newRow("maximised") << "maximise";
    QTest::newRow("restored") << "restore";
}

void tst_BoardImage::noPixelOfAnOldPlace()
{
    // Guards against a strip of the photograph left on screen where the picture was before it centred itself again.
    QFETCH(QString, change);
    QMainWindow main;
    main.menuBar()->addMenu(QStringLiteral("&File"));
    auto *client = new QWidget;
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    client->setAutoFillBackground(true);
    main.setCentralWidget(client);
    auto *image = new TBoardImage(client);
    image->setAutoSize(false);
    image->setGeometry(195, 133, 400, 400);
    QImage red(600, 605, QImage::Format_RGB32);
    red.fill(Qt::red);
    TPicture picture;
    QVERIFY(picture.LoadFromData(Encoded(red)));
    image->setPicture(&picture);
    image->setStretch(true);
    main.resize(810, 634);
    change == QLatin1String("restore") ? main.showMaximized() : main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const auto centred = [&] {
        const QSize outer = image->ParentOuterSize();
        return image->pos() == QPoint((outer.width() - 400) / 2, (outer.height() - 400) / 2);
    };
    QTRY_VERIFY(centred());
    QTRY_VERIFY(main.isMaximized() == (change == QLatin1String("restore")));
    const QSize before = client->size();
    if (change == QLatin1String("resize"))
        main.resize(main.width() + 150, main.height() + 90);
    else
        change == QLatin1String("maximise") ? main.showMaximized() : main.showNormal();
    QTRY_VERIFY(client->size() != before);
    QTRY_VERIFY(centred());
    // On screen: the photograph where the picture is, the client's white everywhere else.
    const auto clean = [&] {
        const QPoint at = client->mapTo(&main, QPoint(0, 0));
        const QImage shot = main.screen()
                                ->grabWindow(main.winId(), at.x(), at.y(), client->width(), client->height())
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        const QRect photo = image->geometry();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (!SameColour(shot.pixel(x, y), photo.contains(x, y) ? qRgb(255, 0, 0) : qRgb(255, 255, 255), 8))
                    return false;
        return true;
    };
    QTRY_VERIFY(clean());
}

void tst_BoardImage::autoSize_data()
{
    QTest::addColumn<bool>("autoSize");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<QString>("load");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("aspect");
    const QSize none(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const double photo = 605.0 / 600.0;
    QTest::newRow("AutoSize True takes the picture's size") << true << none << "photo" << QSize(600, 605) << photo;
    QTest::newRow("size limits still hold") << true << QSize(400, 400) << "photo" << QSize(400, 400) << photo;
    QTest::newRow("AutoSize False keeps the size") << false << none << "photo" << QSize(105, 105) << photo;
    QTest::newRow("damaged picture keeps the size") << true << none << "damaged" << QSize(105, 105) << 1.0;
    QTest::newRow("turning AutoSize on sizes to the picture")
        << false << none << "photo, then AutoSize" << QSize(600, 605) << photo;
}

void tst_BoardImage::autoSize()
{
    // Guards against ignoring AutoSize or the size limits, and against an unusable picture collapsing the control.
    QFETCH(bool, autoSize);
    QFETCH(QSize, maximum);
    QFETCH(QString, load);
    QFETCH(QSize, size);
    QFETCH(double, aspect);
    QWidget parent;
    auto *image = new TBoardImage(&parent);
    image->move(10, 20);
    image->setMaximumSize(maximum);
    image->setAutoSize(autoSize);
    if (load == QLatin1String("damaged")) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TPicture: cannot load")));
        QVERIFY(!image->Picture()->LoadFromData(QByteArray("\xFF\xD8\xFF\xE0", 4)));
    } else {
        QVERIFY(image->Picture()->LoadFromFile(QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg")));
    }
    if (load == QLatin1String("photo, then AutoSize"))
        image->setAutoSize(true);
    QCOMPARE(image->size(), size);
    QCOMPARE(image->pos(), QPoint(10, 20));
    QCOMPARE(image->AspectRatio(), aspect);
}

void tst_BoardImage::equalValueDoesNotRepaint_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<bool>("current");
    QTest::newRow("Stretch") << QByteArray("Stretch") << false;
    QTest::newRow("Center") << QByteArray("Center") << false;
    QTest::newRow("Transparent") << QByteArray("Transparent") << false;
    QTest::newRow("Scale") << QByteArray("Scale") << true;
}

void tst_BoardImage::equalValueDoesNotRepaint()
{
    // Guards against repainting the photograph, and every ring on it, when nothing changed.
    QFETCH(QByteArray, property);
    QFETCH(bool, current);
    QWidget window;
    window.resize(500, 500);
    auto *image = new TBoardImage(&window);
    PaintCounter counter;
    image->installEventFilter(&counter);
    image->setCenterOnForm(false);
    image->setAutoSize(false);
    image->setGeometry(10, 10, 400, 400);
    loadTraced(*image, 600, 605);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(counter.paints > 0);
    QCoreApplication::processEvents();
    const int before = counter.paints;

    QCOMPARE(image->property(property.constData()).toBool(), current);
    QVERIFY(image->setProperty(property.constData(), current));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, before);

    QVERIFY(image->setProperty(property.constData(), !current));
    QTRY_COMPARE(counter.paints, before + 1);
}

void tst_BoardImage::showFirstHighlight_data()
{
    QTest::addColumn<QString>("first");
    QTest::newRow("with popup") << "popup";
    QTest::newRow("without popup") << "no popup";
    QTest::newRow("not assigned") << "unset";
    QTest::newRow("assigned, then destroyed") << "gone";
}

void tst_BoardImage::showFirstHighlight()
{
    // Guards against Start leaving the first popup shut or unpinned, or crashing or opening a stray one without First.
    QFETCH(QString, first);
    QWidget window;
    window.resize(600, 600);
    auto *image = new TBoardImage(&window);
    image->setAutoSize(false);
    image->setGeometry(100, 100, 400, 400);
    auto *base = new TBoardHighlight(image);
    base->setObjectName(QStringLiteral("BaseHighlight"));
    base->setTitle(QStringLiteral("Control Base Address"));
    base->setGeometry(309, 271, 33, 54);
    base->setCreatePopup(first != QLatin1String("no popup"));
    auto *other = new TBoardHighlight(image);
    other->setTitle(QStringLiteral("Load"));
    other->setGeometry(14, 208, 273, 33);
    if (first == QLatin1String("gone")) {
        auto *gone = new TBoardHighlight(image);
        image->setFirst(gone);
        delete gone;
        QVERIFY(!image->First());
    } else if (first != QLatin1String("unset")) {
        image->setFirst(base);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The pointer is nowhere near the popup.
    QCursor::setPos(window.mapToGlobal(QPoint(5, 5)));

    int clicks = 0;
    bool enteredAtClick = false;
    bool popupOpenAtClick = false;
    connect(base, &TBoardHighlight::OnClick, this, [&] {
        ++clicks;
        enteredAtClick = base->Entered();
        popupOpenAtClick = base->Popup() && base->Popup()->isVisible();
    });

    PopupWatcher watcher;
    qApp->installEventFilter(&watcher);
    QEvent request(TBoardImage::WM_SHOWFIRSTHIGHLIGHT);
    QVERIFY(QCoreApplication::sendEvent(image, &request));
    qApp->removeEventFilter(&watcher);

    // Entered, clicked, then left: the click had pinned the popup, so the leave kept it open.
    const bool runs = first == QLatin1String("popup") || first == QLatin1String("no popup");
    const bool opens = first == QLatin1String("popup");
    QCOMPARE(clicks, runs ? 1 : 0);
    QCOMPARE(enteredAtClick, runs);
    QCOMPARE(base->Entered(), runs);
    QVERIFY(!other->Entered());
    QCOMPARE(popupOpenAtClick, opens);
    QCOMPARE(bool(base->Popup()), opens);
    QCOMPARE(base->Pinned(), opens);
    QCOMPARE(watcher.shows, opens ? 1 : 0); // never closed on the way
    QCOMPARE(watcher.hides, 0);
}

ZX_TEST_MAIN(tst_BoardImage)
#include "tst_boardimage.moc"
