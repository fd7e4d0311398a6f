// The picture holder: the board photograph as shipped, the JPEG decoder's
// output, and what damaged input does.
#include "DrawingChecks.h"
#include "TDecodeAhead.h"
#include "TPicture.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray boardPhoto()
{
    return FileBytes(QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg"));
}

// Four flat quadrants, each a whole number of colour-subsampled blocks, so
// the encoder reproduces them almost exactly.
QImage quadrants(QImage::Format format)
{
    QImage image(64, 64, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 50, 210), qRgb(240, 240, 240)};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, colours[(y / 32) * 2 + x / 32]);
    return image.convertToFormat(format);
}

// A copy of the photo whose frame header claims another size.
QByteArray withFrameSize(int width, int height)
{
    QByteArray jpeg = boardPhoto();
    // The progressive frame header's payload, after its two-byte length field.
    const qsizetype sof = jpeg.indexOf("\xFF\xC2", 2) + 4;
    if (sof < 4)
        return QByteArray();
    jpeg[sof + 1] = char(height >> 8);
    jpeg[sof + 2] = char(height & 0xFF);
    jpeg[sof + 3] = char(width >> 8);
    jpeg[sof + 4] = char(width & 0xFF);
    return jpeg;
}

} // namespace

class tst_Picture : public QObject
{
    Q_OBJECT
private slots:
    void boardPhotograph_data();
    void boardPhotograph();
    void decodedPixels_data();
    void decodedPixels();
    void damagedInputLeavesEmptyPicture_data();
    void damagedInputLeavesEmptyPicture();
    void changeNotifications_data();
    void changeNotifications();
};

void tst_Picture::boardPhotograph_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("drawnAt"); // valid: decoded ahead, for drawing at these device pixels
    QTest::addColumn<QString>("sizeFrom"); // when the decoder learns that size
    const QByteArray resource = FileBytes(QStringLiteral(":/board.jpg"));
    QTest::newRow("committed file") << boardPhoto() << QSize() << "";
    QTest::newRow("compiled-in resource") << resource << QSize() << "";
    QTest::newRow("decoded ahead for 400 x 400 (1x)") << resource << QSize(400, 400) << "before loading";
    QTest::newRow("decoded ahead for 800 x 800 (2x)") << resource << QSize(800, 800) << "before loading";
    QTest::newRow("decoded ahead for its own size") << resource << QSize(600, 605) << "before loading";
    QTest::newRow("decoded ahead, the size from the first drawing") << resource << QSize(400, 400) << "drawing";
    QTest::newRow("decoded ahead, asked for at its own size first") << resource << QSize(400, 400) << "own size";
}

void tst_Picture::boardPhotograph()
{
    // Guards against shipping a photo of the wrong size or kind, or one the decoder refuses;
    // decoded ahead, against other pixels than a decode of the picture's own would give.
    QFETCH(QByteArray, data);
    QFETCH(QSize, drawnAt);
    QFETCH(QString, sizeFrom);
    QVERIFY(!data.isEmpty());
    QString error;
    bool progressive = false;
    int components = 0;
    const QImage image = TPicture::DecodeJpeg(data, &error, &progressive, &components);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY(error.isEmpty());
    QVERIFY(progressive);
    QCOMPARE(components, 3);
    QCOMPARE(image.size(), QSize(600, 605));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(TPicture::JpegSize(data), QSize(600, 605));
    // Mostly solder-mask green in the middle of the board.
    const QRgb middle = image.pixel(60, 300);
    QVERIFY(qGreen(middle) > qRed(middle) + 30 && qGreen(middle) > qBlue(middle) + 20);

    if (!drawnAt.isValid()) {
        TPicture picture;
        QVERIFY(picture.LoadFromData(data));
        QCOMPARE(picture.Image(), image);
        return;
    }

    const QString file = QStringLiteral(":/board.jpg");
    const TDecodeAhead ahead(file);
    if (sizeFrom == "before loading")
        TDecodeAhead::DrawnAt(file, drawnAt);
    TPicture picture;
    QVERIFY(picture.LoadFromFile(file));
    // Its own size at once, whenever the pixels come.
    QCOMPARE(QSize(picture.Width(), picture.Height()), QSize(600, 605));
    if (sizeFrom == "own size")
        QCOMPARE(picture.Image(), image);
    // What the board picture draws: scaled once, smoothly, from the whole picture.
    const QImage shown = picture.ImageFor(drawnAt);
    const QImage smooth = image.scaled(drawnAt, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(shown.size() == drawnAt ? shown : shown.scaled(drawnAt, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        smooth);
    QCOMPARE(picture.Image(), image);
}

void tst_Picture::decodedPixels_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<int>("components"); // 0: not a JPEG
    const QImage colour = quadrants(QImage::Format_RGB32), grey = quadrants(QImage::Format_Grayscale8);
    QImage translucent(64, 64, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 128));
    QTest::newRow("baseline colour JPEG") << Encoded(colour, "JPG", 95) << colour << QImage::Format_RGB32 << 3;
    QTest::newRow("greyscale JPEG") << Encoded(grey, "JPG", 95) << grey << QImage::Format_RGB32 << 1;
    QTest::newRow("opaque PNG") << Encoded(colour) << colour << QImage::Format_RGB32 << 0;
    QTest::newRow("translucent PNG") << Encoded(translucent) << translucent << QImage::Format_ARGB32_Premultiplied << 0;
    QTest::newRow("BMP") << Encoded(colour, "BMP") << colour << QImage::Format_RGB32 << 0;
}

void tst_Picture::decodedPixels()
{
    // Guards against swapped red and blue, a wrong stride, garbled greyscale, lost translucency, formats unfit to blit.
    QFETCH(QByteArray, data);
    QFETCH(QImage, source);
    QFETCH(QImage::Format, format);
    QFETCH(int, components);
    TPicture picture;
    QVERIFY(picture.LoadFromData(data));
    QVERIFY(picture.LastError().isEmpty());
    const QImage image = picture.Image();
    if (components) {
        bool progressive = true;
        int gotComponents = 0;
        QCOMPARE(TPicture::DecodeJpeg(data, nullptr, &progressive, &gotComponents), image);
        QVERIFY(!progressive);
        QCOMPARE(gotComponents, components);
    }
    QCOMPARE(image.size(), QSize(64, 64));
    QCOMPARE(image.format(), format);
    const QImage expected = source.convertToFormat(format);
    for (const QPoint &p : {QPoint(16, 16), QPoint(48, 16), QPoint(16, 48), QPoint(48, 48), QPoint(63, 63)}) {
        QVERIFY2(SameColour(image.pixel(p), expected.pixel(p), 12),
            qPrintable(QStringLiteral("at %1,%2: %3").arg(p.x()).arg(p.y()).arg(image.pixel(p), 8, 16)));
        QCOMPARE(qAlpha(image.pixel(p)), qAlpha(expected.pixel(p)));
    }
}

void tst_Picture::damagedInputLeavesEmptyPicture_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ahead"); // from a file a TDecodeAhead decodes
    const QByteArray photo = boardPhoto();
    QRandomGenerator rng(4711);
    QByteArray noise(4096, Qt::Uninitialized);
    for (char &c : noise)
        c = char(rng.bounded(256));

    QTest::newRow("no bytes") << QByteArray() << false;
    QTest::newRow("random bytes") << noise << false;
    QTest::newRow("JPEG marker, then random bytes") << QByteArray("\xFF\xD8\xFF", 3) + noise << false;
    QTest::newRow("cut after the start marker") << photo.left(2) << false;
    QTest::newRow("cut in the headers") << photo.left(300) << false;
    QTest::newRow("cut in the first scan") << photo.left(photo.size() / 5) << false;
    QTest::newRow("cut halfway") << photo.left(photo.size() / 2) << false;
    QTest::newRow("cut before the end marker") << photo.left(photo.size() - 2) << false;
    QTest::newRow("zero width in the frame header") << withFrameSize(0, 605) << false;
    QTest::newRow("absurd size in the frame header") << withFrameSize(65000, 65000) << false;
    QTest::newRow("plain text") << QByteArray("not a picture at all\n") << false;
    QTest::newRow("decoded ahead, cut halfway") << photo.left(photo.size() / 2) << true;
    QTest::newRow("decoded ahead, cut before the end marker") << photo.left(photo.size() - 2) << true;
    QTest::newRow("decoded ahead, cut in the headers") << photo.left(300) << true;
    QTest::newRow("decoded ahead, absurd size in the frame header") << withFrameSize(65000, 65000) << true;
    QTest::newRow("decoded ahead, random bytes") << noise << true;
    QTest::newRow("decoded ahead, empty file") << QByteArray() << true;
}

void tst_Picture::damagedInputLeavesEmptyPicture()
{
    // Guards against a damaged file crashing or aborting the program, leaving a half-grey photo, or failing silently,
    // also when the damage shows only once a decoder ahead has read the header.
    QFETCH(QByteArray, data);
    QFETCH(bool, ahead);
    TPicture picture;
    QVERIFY(picture.LoadFromData(boardPhoto()));
    QSignalSpy changes(&picture, &TPicture::OnChange);

    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    if (!ahead) {
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("^TPicture: cannot load the picture: .+")));
        QVERIFY(!picture.LoadFromData(data));
        QCOMPARE(changes.count(), 1);
    } else {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(data);
        file.close();
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                QStringLiteral("^TPicture: cannot load %1: .+").arg(QRegularExpression::escape(file.fileName()))));
        const TDecodeAhead decoder(file.fileName());
        TDecodeAhead::DrawnAt(file.fileName(), QSize(400, 400));
        // Refused at once when the header tells, else at the first drawing.
        const bool loaded = picture.LoadFromFile(file.fileName());
        QCOMPARE(picture.Empty(), !loaded);
        QVERIFY(picture.ImageFor(QSize(400, 400)).isNull());
        QCOMPARE(changes.count(), loaded ? 2 : 1);
    }
    QVERIFY(picture.Empty());
    QCOMPARE(picture.Width(), 0);
    QVERIFY(!picture.LastError().isEmpty());

    QString error;
    QVERIFY(TPicture::DecodeJpeg(data, &error).isNull());
    QVERIFY(!error.isEmpty());
}

void tst_Picture::changeNotifications_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("emptyAfter");
    QTest::newRow("load") << "load" << 1 << false;
    QTest::newRow("assign a loaded picture") << "assign" << 1 << false;
    QTest::newRow("assign nothing") << "assign null" << 1 << true;
    QTest::newRow("clear") << "clear" << 1 << true;
    QTest::newRow("transparency changed") << "transparent" << 1 << false;
    QTest::newRow("transparency unchanged") << "opaque" << 0 << false;
    QTest::newRow("missing file") << "missing file" << 1 << true;
}

void tst_Picture::changeNotifications()
{
    // Guards against the board picture missing a change (stale size or cached image) or repainting for nothing.
    QFETCH(QString, action);
    QFETCH(int, changes);
    QFETCH(bool, emptyAfter);
    TPicture source;
    QVERIFY(source.LoadFromData(Encoded(quadrants(QImage::Format_RGB32), "PNG")));
    TPicture picture;
    QVERIFY(picture.LoadFromData(boardPhoto()));
    QSignalSpy spy(&picture, &TPicture::OnChange);

    if (action == "load") {
        QVERIFY(picture.LoadFromData(Encoded(quadrants(QImage::Format_RGB32), "PNG")));
    } else if (action.startsWith("assign")) {
        picture.Assign(action == "assign" ? &source : nullptr);
        QCOMPARE(picture.Image(), action == "assign" ? source.Image() : QImage());
    } else if (action == "clear") {
        picture.Clear();
    } else if (action == "transparent" || action == "opaque") {
        picture.setTransparent(action == "transparent");
    } else if (action == "missing file") {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TPicture: cannot load .*nowhere")));
        QVERIFY(!picture.LoadFromFile(QStringLiteral("/nowhere/board.jpg")));
    }
    QCOMPARE(spy.count(), changes);
    QCOMPARE(picture.Empty(), emptyAfter);
}

ZX_TEST_MAIN(tst_Picture)
#include "tst_picture.moc"
