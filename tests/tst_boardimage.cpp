// The board picture: where it draws the photograph, where it places itself
// on its window, how it sizes itself, and the request that opens the first
// highlight's popup.
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TColor.h"
#include "TPicture.h"
#include "TPopupForm.h"
#include "TestMain.h"

#include <QBuffer>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Every pixel tells where it came from, so an unscaled blit can be traced
// back to the picture position it shows.
QImage tracedImage(int width, int height, bool alpha = false)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8), alpha ? 128 : 255));
    return image;
}

QPoint tracedPosition(QRgb pixel)
{
    return QPoint(qRed(pixel) | ((qBlue(pixel) >> 4) << 8), qGreen(pixel) | ((qBlue(pixel) & 0x0F) << 8));
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void loadTraced(TBoardImage &image, int width, int height, bool alpha = false)
{
    TPicture picture;
    QVERIFY(picture.LoadFromData(png(tracedImage(width, height, alpha))));
    image.setPicture(&picture);
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

class PaintCounter : public TBoardImage
{
public:
    using TBoardImage::TBoardImage;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TBoardImage::paintEvent(event);
    }
};

// Counts the popup windows' show and hide events.
class PopupWatcher : public QObject
{
public:
    int shows = 0;
    int hides = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (qstrcmp(watched->metaObject()->className(), "TPopupForm") == 0) {
            if (event->type() == QEvent::Show)
                ++shows;
            else if (event->type() == QEvent::Hide)
                ++hides;
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
    void uncoveredAreaShowsPanelColour();
    void centring_data();
    void centring();
    void centresOnWholeWindow_data();
    void centresOnWholeWindow();
    void autoSize_data();
    void autoSize();
    void equalValueDoesNotRepaint_data();
    void equalValueDoesNotRepaint();
    void showFirstHighlight_data();
    void showFirstHighlight();
    void showFirstHighlightWithoutFirst();
    void noPalette();
};

void tst_BoardImage::creationDefaults()
{
    // Guards against a control that starts out sized, placed or centred
    // differently from what window layouts are written against.
    TBoardImage image;
    QCOMPARE(image.size(), QSize(105, 105));
    QVERIFY(image.AutoSize());
    QVERIFY(image.CenterOnForm());
    QVERIFY(image.Scale());
    QVERIFY(!image.Stretch());
    QVERIFY(!image.Center());
    QVERIFY(!image.Transparent());
    QCOMPARE(image.AspectRatio(), 1.0);
    QVERIFY(image.Picture()->Empty());
    QVERIFY(!image.First());
    QVERIFY(!image.Menu());
    QCOMPARE(image.metaObject()->className(), "TBoardImage");
}

void tst_BoardImage::drawingRectangle_data()
{
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("center");
    QTest::addColumn<QRect>("dest");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QPoint>("shows"); // picture position seen at probe, for unscaled drawing
    // A 600 x 605 picture in a 400 x 400 control.
    QTest::newRow("stretch fills the control") << true << false << QRect(0, 0, 400, 400) << QPoint() << QPoint();
    QTest::newRow("stretch ignores center") << true << true << QRect(0, 0, 400, 400) << QPoint() << QPoint();
    QTest::newRow("centred shows the middle, top left")
        << false << true << QRect(-100, -102, 600, 605) << QPoint(0, 0) << QPoint(100, 102);
    QTest::newRow("centred shows the middle, bottom right")
        << false << true << QRect(-100, -102, 600, 605) << QPoint(399, 399) << QPoint(499, 501);
    QTest::newRow("top left at its own size")
        << false << false << QRect(0, 0, 600, 605) << QPoint(399, 399) << QPoint(399, 399);
}

void tst_BoardImage::drawingRectangle()
{
    // Guards against the photograph landing anywhere but the rectangle the
    // highlight rings were placed against.
    QFETCH(bool, stretch);
    QFETCH(bool, center);
    QFETCH(QRect, dest);
    QFETCH(QPoint, probe);
    QFETCH(QPoint, shows);
    TBoardImage image;
    image.setAutoSize(false);
    image.setCenterOnForm(false);
    image.resize(400, 400);
    loadTraced(image, 600, 605);
    image.setStretch(stretch);
    image.setCenter(center);
    QCOMPARE(image.size(), QSize(400, 400));
    QCOMPARE(image.DestRect(), dest);

    const QImage shot = image.grab().toImage();
    QCOMPARE(shot.size(), QSize(400, 400));
    if (stretch) {
        const QImage picture = image.Picture()->Image();
        QVERIFY(near(shot.pixel(0, 0), picture.pixel(0, 0), 4));
        QVERIFY(near(shot.pixel(399, 0), picture.pixel(599, 0), 4));
        QVERIFY(near(shot.pixel(0, 399), picture.pixel(0, 604), 4));
        QVERIFY(near(shot.pixel(399, 399), picture.pixel(599, 604), 4));
        QVERIFY(near(shot.pixel(200, 200), picture.pixel(300, 302), 4));
    } else {
        QCOMPARE(tracedPosition(shot.pixel(probe)), shows);
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
    QTest::newRow("control grown past the picture") << QSize(600, 605) << false << false << false << QSize(700, 700)
                                                    << false;
}

void tst_BoardImage::opaqueOnlyWhenCovered()
{
    // Guards against the control claiming to cover pixels it never paints,
    // which leaves garbage on screen, or repainting what lies beneath for
    // nothing.
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

void tst_BoardImage::uncoveredAreaShowsPanelColour()
{
    // Guards against leftover pixels where a small picture leaves the
    // control uncovered.
    TBoardImage image;
    image.setAutoSize(false);
    image.setCenterOnForm(false);
    image.resize(400, 400);
    loadTraced(image, 100, 50);
    image.setCenter(true);
    const QImage shot = image.grab().toImage();
    QCOMPARE(tracedPosition(shot.pixel(150, 175)), QPoint(0, 0));
    QCOMPARE(QColor(shot.pixel(10, 10)), ColorToQColor(clBtnFace));
    QCOMPARE(QColor(shot.pixel(390, 390)), ColorToQColor(clBtnFace));
}

void tst_BoardImage::centring_data()
{
    QTest::addColumn<bool>("centerOnForm");
    QTest::addColumn<QSize>("parentSize");
    QTest::addColumn<QSize>("resizeTo");
    QTest::addColumn<QPoint>("position");
    // Designed at (195, 133), 400 x 400.
    QTest::newRow("810 x 634") << true << QSize(810, 634) << QSize() << QPoint(205, 117);
    QTest::newRow("follows a later resize") << true << QSize(810, 634) << QSize(1000, 800) << QPoint(300, 200);
    QTest::newRow("odd sizes round toward zero") << true << QSize(811, 635) << QSize() << QPoint(205, 117);
    QTest::newRow("parent smaller than the picture") << true << QSize(301, 200) << QSize() << QPoint(-49, -100);
    QTest::newRow("CenterOnForm False") << false << QSize(810, 634) << QSize() << QPoint(195, 133);
}

void tst_BoardImage::centring()
{
    // Guards against the picture drifting off centre, and against losing the
    // designed position that the highlights' popups are placed from.
    QFETCH(bool, centerOnForm);
    QFETCH(QSize, parentSize);
    QFETCH(QSize, resizeTo);
    QFETCH(QPoint, position);
    QWidget window;
    window.resize(1100, 900);
    auto *parent = new QWidget(&window);
    parent->resize(parentSize);
    auto *image = new TBoardImage(parent);
    image->setAutoSize(false);
    image->setGeometry(195, 133, 400, 400);
    image->setCenterOnForm(centerOnForm);
    loadTraced(*image, 600, 605);
    image->setStretch(true);
    QCOMPARE(image->ParentOuterSize(), parentSize);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (resizeTo.isValid()) {
        QTRY_COMPARE(image->pos(), QPoint(205, 117));
        parent->resize(resizeTo);
        image->update();
    }
    QTRY_COMPARE(image->pos(), position);
    QCOMPARE(image->DesignLeft, 195);
    QCOMPARE(image->DesignTop, 133);
    QCOMPARE(image->size(), QSize(400, 400));
}

void tst_BoardImage::centresOnWholeWindow_data()
{
    QTest::addColumn<bool>("mainWindow");
    QTest::newRow("central widget of a main window with a menu bar") << true;
    QTest::newRow("directly on a window") << false;
}

void tst_BoardImage::centresOnWholeWindow()
{
    // Guards against centring on the client area instead of the whole
    // window with its frame and menu bar, which the design frame assumes.
    QFETCH(bool, mainWindow);
    QMainWindow main;
    QWidget plain;
    QWidget *window = mainWindow ? static_cast<QWidget *>(&main) : &plain;
    QWidget *client = &plain;
    if (mainWindow) {
        auto *menu = new QMenuBar(&main);
        menu->addMenu(QStringLiteral("&File"));
        main.setMenuBar(menu);
        client = new QWidget(&main);
        main.setCentralWidget(client);
    }
    auto *image = new TBoardImage(client);
    image->setAutoSize(false);
    image->setGeometry(195, 133, 400, 400);
    loadTraced(*image, 600, 605);
    image->setStretch(true);
    window->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QTRY_VERIFY(window->frameGeometry().size() != client->size());
    const QSize outer = window->frameGeometry().size();
    QCOMPARE(image->ParentOuterSize(), outer);
    QTRY_COMPARE(image->pos(), QPoint((outer.width() - 400) / 2, (outer.height() - 400) / 2));
    QCOMPARE(image->DesignLeft, 195);
    QCOMPARE(image->DesignTop, 133);
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
    QTest::newRow("turning AutoSize on sizes to the picture") << false << none << "photo, then AutoSize"
                                                              << QSize(600, 605) << photo;
}

void tst_BoardImage::autoSize()
{
    // Guards against the control ignoring its AutoSize setting or its size
    // limits, and against an unusable picture collapsing it.
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
    // Guards against repainting the photograph, and every ring on it, when
    // nothing changed.
    QFETCH(QByteArray, property);
    QFETCH(bool, current);
    QWidget window;
    window.resize(500, 500);
    auto *image = new PaintCounter(&window);
    image->setCenterOnForm(false);
    image->setAutoSize(false);
    image->setGeometry(10, 10, 400, 400);
    loadTraced(*image, 600, 605);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(image->paints > 0);
    QCoreApplication::processEvents();
    const int before = image->paints;

    QCOMPARE(image->property(property.constData()).toBool(), current);
    QVERIFY(image->setProperty(property.constData(), current));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(image->paints, before);

    QVERIFY(image->setProperty(property.constData(), !current));
    QTRY_COMPARE(image->paints, before + 1);
}

void tst_BoardImage::showFirstHighlight_data()
{
    QTest::addColumn<bool>("createPopup");
    QTest::newRow("with popup") << true;
    QTest::newRow("without popup") << false;
}

void tst_BoardImage::showFirstHighlight()
{
    // Guards against the help window's Start button leaving the first popup
    // closed, or opening it without pinning it so that it vanishes at once.
    QFETCH(bool, createPopup);
    QWidget window;
    window.resize(600, 600);
    auto *image = new TBoardImage(&window);
    image->setAutoSize(false);
    image->setGeometry(100, 100, 400, 400);
    auto *first = new TBoardHighlight(image);
    first->setObjectName(QStringLiteral("BaseHighlight"));
    first->setTitle(QStringLiteral("Control Base Address"));
    first->setGeometry(309, 271, 33, 54);
    first->setCreatePopup(createPopup);
    auto *other = new TBoardHighlight(image);
    other->setTitle(QStringLiteral("Load"));
    other->setGeometry(14, 208, 273, 33);
    image->setFirst(first);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The pointer is nowhere near the popup.
    QCursor::setPos(window.mapToGlobal(QPoint(5, 5)));

    PopupWatcher watcher;
    qApp->installEventFilter(&watcher);
    int clicks = 0;
    bool enteredAtClick = false;
    bool popupOpenAtClick = false;
    connect(first, &TBoardHighlight::OnClick, this, [&] {
        ++clicks;
        enteredAtClick = first->Entered();
        popupOpenAtClick = first->Popup() && first->Popup()->isVisible();
    });

    QEvent request(TBoardImage::WM_SHOWFIRSTHIGHLIGHT);
    QVERIFY(QCoreApplication::sendEvent(image, &request));
    qApp->removeEventFilter(&watcher);

    // Entered, then clicked, then left: the leave came last, after the
    // click had pinned the popup, so it never closed.
    QCOMPARE(clicks, 1);
    QVERIFY(enteredAtClick);
    QVERIFY(first->Entered());
    QVERIFY(!other->Entered());
    QCOMPARE(popupOpenAtClick, createPopup);
    QCOMPARE(bool(first->Popup()), createPopup);
    QCOMPARE(first->Pinned(), createPopup);
    if (createPopup)
        QVERIFY(first->Popup()->isVisible());
    QCOMPARE(watcher.shows, createPopup ? 1 : 0);
    QCOMPARE(watcher.hides, 0);
}

void tst_BoardImage::showFirstHighlightWithoutFirst()
{
    // Guards against a crash, or a stray popup, when no First highlight is set.
    QWidget window;
    window.resize(300, 300);
    auto *image = new TBoardImage(&window);
    auto *highlight = new TBoardHighlight(image);
    QCursor::setPos(QPoint(790, 790)); // off the highlight
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(highlight, &TBoardHighlight::OnClick);
    QEvent request(TBoardImage::WM_SHOWFIRSTHIGHLIGHT);
    QVERIFY(QCoreApplication::sendEvent(image, &request));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!highlight->Entered());
    QVERIFY(!highlight->Popup());

    // A First that has gone away counts as unset.
    auto *gone = new TBoardHighlight(image);
    image->setFirst(gone);
    delete gone;
    QVERIFY(!image->First());
    QVERIFY(QCoreApplication::sendEvent(image, &request));
}

void tst_BoardImage::noPalette()
{
    // Guards against asking a true-colour display to realise a palette.
    TBoardImage image;
    QVERIFY(image.Picture()->LoadFromFile(QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg")));
    QCOMPARE(image.GetPalette(), quintptr(0));
    QVERIFY(!image.DoPaletteChange());
    QVERIFY(!image.Picture()->HasPalette());
}

ZX_TEST_MAIN(tst_BoardImage)
#include "tst_boardimage.moc"
