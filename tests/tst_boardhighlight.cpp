// The highlight ring: its pixels, the images caught from the photograph, the
// type table, the derived names, the panel link rules and the group walk.
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPicture.h"
#include "TRadioPanel.h"
#include "TestMain.h"

#include <QBuffer>
#include <QPainter>
#include <QtTest>

namespace {

const QRgb Background = qRgb(100, 50, 200);

QImage Flat(int w, int h, QRgb color = Background)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// Four flat quadrants, so a wrong offset of the caught pixels shows.
const QRgb TopLeft = qRgb(10, 20, 30), TopRight = qRgb(200, 40, 60), BottomLeft = qRgb(70, 180, 90),
           BottomRight = qRgb(120, 130, 240);

void LoadQuadrants(TBoardImage *board)
{
    QImage image(400, 400, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 200, 200, QColor(TopLeft));
    p.fillRect(200, 0, 200, 200, QColor(TopRight));
    p.fillRect(0, 200, 200, 200, QColor(BottomLeft));
    p.fillRect(200, 200, 200, 200, QColor(BottomRight));
    p.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    TPicture picture;
    QVERIFY(picture.LoadFromData(png));
    board->setAutoSize(false);
    board->setStretch(true);
    board->setCenterOnForm(false);
    board->setGeometry(0, 0, 400, 400);
    board->setPicture(&picture);
}

TBoardHighlight *Highlight(QWidget *parent, const QString &title, THighlightType type, const QString &name = {})
{
    auto *h = new TBoardHighlight(parent);
    h->setObjectName(name.isEmpty() ? title : name);
    h->setTitle(title);
    h->setHighlightType(type);
    return h;
}

QStringList ChildNames(const QWidget *parent)
{
    QStringList names;
    for (const QObject *o : parent->children())
        if (o->isWidgetType())
            names << o->objectName();
    return names;
}

} // namespace

class tst_BoardHighlight : public QObject
{
    Q_OBJECT
private slots:
    void ringPixels_data();
    void ringPixels();
    void narrowControlDrawsNoRing_data();
    void narrowControlDrawsNoRing();
    void typeTable_data();
    void typeTable();
    void derivedNames_data();
    void derivedNames();
    void imagesCatchWhatLiesBeneath();
    void panelLinkRules_data();
    void panelLinkRules();
    void popupActiveReachesEveryMemberOnce_data();
    void popupActiveReachesEveryMemberOnce();
};

void tst_BoardHighlight::ringPixels_data()
{
    // Background (100, 50, 200); 65 x 65 has A = B = 64, so column 60 lies at
    // normalised radius 0.875, 58 at 0.8125, 59 at 0.84375, 62 at 0.9375.
    QTest::addColumn<THighlightType>("type");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("look");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QRgb>("expected");

    const QRgb white = qRgb(255, 255, 255);
    QTest::newRow("yellow interior normal") << htSettings << QSize(65, 65) << "normal" << QPoint(32, 32) << qRgb(112, 66, 184);
    QTest::newRow("yellow interior lit") << htSettings << QSize(65, 65) << "lit" << QPoint(32, 32) << qRgb(119, 75, 176);
    QTest::newRow("yellow interior bright, weight not doubled") << htSettings << QSize(65, 65) << "bright" << QPoint(32, 32) << qRgb(125, 83, 168);
    QTest::newRow("yellow ring centre normal, halves to even") << htSettings << QSize(65, 65) << "normal" << QPoint(60, 32) << qRgb(178, 152, 100);
    QTest::newRow("yellow ring centre on the vertical axis") << htSettings << QSize(65, 65) << "normal" << QPoint(32, 60) << qRgb(178, 152, 100);
    QTest::newRow("yellow ring centre lit") << htSettings << QSize(65, 65) << "lit" << QPoint(60, 32) << qRgb(216, 204, 50);
    QTest::newRow("yellow ring centre bright is white") << htSettings << QSize(65, 65) << "bright" << QPoint(60, 32) << white;
    QTest::newRow("yellow bright full colour at 0.8125") << htSettings << QSize(65, 65) << "bright" << QPoint(58, 32) << qRgb(255, 255, 0);
    QTest::newRow("yellow bright full colour at 0.9375") << htSettings << QSize(65, 65) << "bright" << QPoint(62, 32) << qRgb(255, 255, 0);
    QTest::newRow("yellow bright white blend at 0.84375") << htSettings << QSize(65, 65) << "bright" << QPoint(59, 32) << qRgb(255, 255, 128);
    QTest::newRow("yellow normal at 0.8125") << htSettings << QSize(65, 65) << "normal" << QPoint(58, 32) << qRgb(139, 101, 150);
    QTest::newRow("corner untouched") << htSettings << QSize(65, 65) << "bright" << QPoint(0, 0) << Background;
    QTest::newRow("far corner untouched") << htSettings << QSize(65, 65) << "bright" << QPoint(64, 64) << Background;
    QTest::newRow("edge midpoint on the ellipse untouched") << htSettings << QSize(65, 65) << "bright" << QPoint(0, 32) << Background;

    QTest::newRow("blue interior normal") << htOptions << QSize(65, 65) << "normal" << QPoint(32, 32) << qRgb(96, 48, 202);
    QTest::newRow("blue ring centre normal") << htOptions << QSize(65, 65) << "normal" << QPoint(60, 32) << qRgb(75, 38, 214);
    QTest::newRow("blue ring centre lit") << htOptions << QSize(65, 65) << "lit" << QPoint(60, 32) << qRgb(50, 25, 228);
    QTest::newRow("blue ring centre bright is white") << htOptions << QSize(65, 65) << "bright" << QPoint(60, 32) << white;
    QTest::newRow("blue bright full colour at 0.8125") << htOptions << QSize(65, 65) << "bright" << QPoint(58, 32) << qRgb(0, 0, 255);
    QTest::newRow("blue bright white blend at 0.84375") << htOptions << QSize(65, 65) << "bright" << QPoint(59, 32) << qRgb(128, 128, 255);

    // The flat ellipse: A = 272 across, B = 32 down.
    QTest::newRow("flat interior") << htSettings << QSize(273, 33) << "normal" << QPoint(136, 16) << qRgb(112, 66, 184);
    QTest::newRow("flat ring centre below the middle") << htSettings << QSize(273, 33) << "bright" << QPoint(136, 30) << white;
    QTest::newRow("flat ring centre right of the middle") << htSettings << QSize(273, 33) << "bright" << QPoint(255, 16) << white;
    QTest::newRow("flat ring centre left of the middle") << htSettings << QSize(273, 33) << "bright" << QPoint(17, 16) << white;
    QTest::newRow("flat full colour at 0.8125 down") << htSettings << QSize(273, 33) << "bright" << QPoint(136, 29) << qRgb(255, 255, 0);
    QTest::newRow("flat full colour at 0.9375 down") << htSettings << QSize(273, 33) << "bright" << QPoint(136, 31) << qRgb(255, 255, 0);
    QTest::newRow("flat faint near the left end") << htSettings << QSize(273, 33) << "normal" << QPoint(1, 16) << qRgb(105, 56, 194);
    QTest::newRow("flat left end untouched") << htSettings << QSize(273, 33) << "bright" << QPoint(0, 16) << Background;
    QTest::newRow("flat top middle untouched") << htSettings << QSize(273, 33) << "bright" << QPoint(136, 0) << Background;
    QTest::newRow("flat corner untouched") << htSettings << QSize(273, 33) << "bright" << QPoint(272, 32) << Background;
}

void tst_BoardHighlight::ringPixels()
{
    // Guards against a wrong weight, radius, white core, scale or rounding of the ring.
    QFETCH(THighlightType, type);
    QFETCH(QSize, size);
    QFETCH(QString, look);
    QFETCH(QPoint, point);
    QFETCH(QRgb, expected);

    TBoardHighlight h;
    h.setHighlightType(type);
    const float opacity = look == QLatin1String("normal") ? h.NormalOpacity()
                          : look == QLatin1String("lit")  ? h.LitOpacity()
                                                          : h.BrightOpacity();
    QImage image = Flat(size.width(), size.height());
    TBoardHighlight::RenderRing(image, size.width() - 1, size.height() - 1, look == QLatin1String("bright"),
                                h.TypeColor(), opacity);
    const QRgb got = image.pixel(point);
    QCOMPARE(qRed(got), qRed(expected));
    QCOMPARE(qGreen(got), qGreen(expected));
    QCOMPARE(qBlue(got), qBlue(expected));
}

void tst_BoardHighlight::narrowControlDrawsNoRing_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("one pixel wide") << QSize(1, 40);
    QTest::newRow("one pixel high") << QSize(40, 1);
    QTest::newRow("single pixel") << QSize(1, 1);
    QTest::newRow("two by two has no inside") << QSize(2, 2);
}

void tst_BoardHighlight::narrowControlDrawsNoRing()
{
    // Guards against a division by zero turning a sliver into garbage or a crash.
    QFETCH(QSize, size);
    QWidget window;
    window.resize(200, 200);
    auto *board = new TBoardImage(&window);
    LoadQuadrants(board);
    auto *h = Highlight(board, QStringLiteral("Sliver"), htSettings);
    h->setGeometry(20, 20, size.width(), size.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(h->Prepared());
    const QImage plain = Flat(size.width(), size.height(), TopLeft);
    QCOMPARE(h->NormalImage().convertToFormat(QImage::Format_RGB32), plain);
    QCOMPARE(h->BrightImage().convertToFormat(QImage::Format_RGB32), plain);
    QCOMPARE(h->LitImage().convertToFormat(QImage::Format_RGB32), plain);

    QImage direct = Flat(size.width(), size.height());
    TBoardHighlight::RenderRing(direct, size.width() - 1, size.height() - 1, true, clYellow, 1.0f);
    QCOMPARE(direct, Flat(size.width(), size.height()));
}

void tst_BoardHighlight::typeTable_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<TColor>("color");
    QTest::addColumn<float>("normal");
    QTest::addColumn<float>("lit");
    QTest::addColumn<float>("bright");
    QTest::addColumn<QString>("menu");
    QTest::newRow("new highlight") << -1 << TColor(0x00FFFF) << 0.5f << 0.75f << 1.0f << "&Settings";
    QTest::newRow("options") << int(htOptions) << TColor(0xFF0000) << 0.25f << 0.5f << 1.0f << "&Options";
    QTest::newRow("settings after options") << int(htSettings) << TColor(0x00FFFF) << 0.5f << 0.75f << 1.0f << "&Settings";
    QTest::newRow("calibration") << int(htCalibration) << TColor(0x0000FF) << 0.5f << 0.75f << 1.0f << "&Calibration";
}

void tst_BoardHighlight::typeTable()
{
    // Guards against a wrong colour or opacity for a type, or a new highlight not starting yellow.
    QFETCH(int, type);
    QFETCH(TColor, color);
    QFETCH(float, normal);
    QFETCH(float, lit);
    QFETCH(float, bright);
    QFETCH(QString, menu);
    TBoardHighlight h;
    QCOMPARE(h.size(), QSize(65, 65));
    if (type >= 0) {
        h.setHighlightType(htOptions);
        h.setHighlightType(THighlightType(type));
    }
    QCOMPARE(h.TypeColor(), color);
    QCOMPARE(h.NormalOpacity(), normal);
    QCOMPARE(h.LitOpacity(), lit);
    QCOMPARE(h.BrightOpacity(), bright);
    QCOMPARE(TBoardHighlight::MenuCaptionOf(h.HighlightType()), menu);
    QVERIFY(h.CreatePopup());
}

void tst_BoardHighlight::derivedNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("baseName");
    QTest::newRow("spaces go") << "Control Base Address" << "Control Base Address" << "ControlBaseAddress";
    QTest::newRow("ampersand and slash go") << "Protocol/&Mode" << "Protocol/Mode" << "ProtocolMode";
    QTest::newRow("access key") << "Port &Disable" << "Port Disable" << "PortDisable";
    QTest::newRow("identifier kept") << "Load" << "Load" << "Load";
    QTest::newRow("underscore start kept") << "_x1" << "_x1" << "_x1";
    QTest::newRow("empty stays empty") << "" << "" << "";
    QTest::newRow("leading digits go") << "1st Port" << "1st Port" << "stPort";
    QTest::newRow("digits after a letter stay") << "COM 1-8" << "COM 1-8" << "COM18";
    QTest::newRow("only ASCII letters count") << QString::fromUtf8("Über") << QString::fromUtf8("Über") << "ber";
    QTest::newRow("leading underscore found after digits") << "9_a" << "9_a" << "_a";
    QTest::newRow("no letter at all gets a name") << "123" << "123" << "Item";
    QTest::newRow("ampersands only") << "&&" << "" << "Item";
}

void tst_BoardHighlight::derivedNames()
{
    // Guards against menu entries named by a bare number or captions keeping access-key marks.
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QFETCH(QString, baseName);
    TBoardHighlight h;
    h.setTitle(title);
    QCOMPARE(h.Title(), title);
    QCOMPARE(h.PopupCaption(), caption);
    QCOMPARE(h.ItemBaseName(), baseName);
}

void tst_BoardHighlight::imagesCatchWhatLiesBeneath()
{
    // Guards against rings built from the wrong pixels: offset, missing photograph,
    // an overlapping ring painted earlier left out, or rebuilt after a type change.
    QWidget window;
    window.resize(420, 420);
    auto *board = new TBoardImage(&window);
    LoadQuadrants(board);
    auto *first = Highlight(board, QStringLiteral("First"), htSettings);
    first->setGeometry(180, 180, 41, 41);
    auto *second = Highlight(board, QStringLiteral("Second"), htOptions);
    second->setGeometry(200, 180, 41, 41);
    QVERIFY(!first->Prepared());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(second->Prepared());
    QVERIFY(first->Prepared());

    const QImage normal = first->NormalImage();
    QCOMPARE(normal.size(), QSize(41, 41));
    QCOMPARE(normal.pixel(0, 0), TopLeft);
    QCOMPARE(normal.pixel(40, 0), TopRight);
    QCOMPARE(normal.pixel(0, 40), BottomLeft);
    QCOMPARE(normal.pixel(40, 40), BottomRight);
    QVERIFY(normal.pixel(20, 20) != BottomRight);

    // The later ring sits on the earlier one: its left edge shows the first ring's interior.
    QCOMPARE(second->NormalImage().pixel(0, 20), first->NormalImage().pixel(20, 20));
    QCOMPARE(second->NormalImage().pixel(40, 40), BottomRight);

    // Paint is the chosen image, nothing else.
    QCOMPARE(first->grab().toImage().convertToFormat(QImage::Format_RGB32), normal.convertToFormat(QImage::Format_RGB32));

    // The images are caught once: a new type repaints the old rings.
    first->setHighlightType(htOptions);
    first->repaint();
    QCOMPARE(first->NormalImage(), normal);
    QCOMPARE(first->TypeColor(), TColor(0xFF0000));
}

void tst_BoardHighlight::panelLinkRules_data()
{
    // B is linked to panel Q first; A then asks for the panel named.
    QTest::addColumn<QString>("bTitle");
    QTest::addColumn<int>("bType");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free panel") << "Other" << int(htSettings) << "P" << "P";
    QTest::newRow("panel of another group refused, old link kept") << "Other" << int(htSettings) << "Q" << "O";
    QTest::newRow("same title other type is another group") << "Same" << int(htOptions) << "Q" << "O";
    QTest::newRow("member of the same group may share") << "Same" << int(htSettings) << "Q" << "Q";
    QTest::newRow("none clears") << "Other" << int(htSettings) << "" << "";
}

void tst_BoardHighlight::panelLinkRules()
{
    // Guards against one panel being taken by two popups, or a refusal losing the old link.
    QFETCH(QString, bTitle);
    QFETCH(int, bType);
    QFETCH(QString, wanted);
    QFETCH(QString, expected);
    QWidget window;
    auto *board = new TBoardImage(&window);
    QMap<QString, TRadioPanel *> panels;
    for (const char *name : {"O", "P", "Q"}) {
        auto *panel = new TRadioPanel(&window);
        panel->setObjectName(QLatin1String(name));
        panels.insert(QLatin1String(name), panel);
    }
    auto *a = Highlight(board, QStringLiteral("Same"), htSettings, QStringLiteral("A"));
    auto *b = Highlight(board, bTitle, THighlightType(bType), QStringLiteral("B"));
    b->setRadioPanel(panels.value(QStringLiteral("Q")));
    a->setRadioPanel(panels.value(QStringLiteral("O")));
    QCOMPARE(a->RadioPanel(), panels.value(QStringLiteral("O")));

    a->setRadioPanel(panels.value(wanted, nullptr));
    QCOMPARE(a->RadioPanel(), panels.value(expected, nullptr));
    QCOMPARE(b->RadioPanel(), panels.value(QStringLiteral("Q")));
}

void tst_BoardHighlight::popupActiveReachesEveryMemberOnce_data()
{
    // Children of the picture in order; A, B and C share title and type, X is
    // a stranger, D has the title but another type.
    QTest::addColumn<QString>("caller");
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<QStringList>("orderAfter");
    QTest::newRow("group of three from the first") << "A" << QStringList{"A", "B", "C"} << QStringList{"X", "D", "A", "B", "C"};
    QTest::newRow("group of three from the middle") << "B" << QStringList{"A", "B", "C"} << QStringList{"X", "D", "B", "A", "C"};
    QTest::newRow("group of three from the last") << "C" << QStringList{"A", "B", "C"} << QStringList{"X", "D", "C", "A", "B"};
    QTest::newRow("group of one") << "D" << QStringList{"D"} << QStringList{"A", "X", "B", "C", "D"};
}

void tst_BoardHighlight::popupActiveReachesEveryMemberOnce()
{
    // Guards against the reordering walk skipping a member or reaching one twice.
    QFETCH(QString, caller);
    QFETCH(QStringList, active);
    QFETCH(QStringList, orderAfter);
    QWidget window;
    auto *board = new TBoardImage(&window);
    QMap<QString, TBoardHighlight *> h;
    h.insert("A", Highlight(board, QStringLiteral("Group"), htSettings, QStringLiteral("A")));
    h.insert("X", Highlight(board, QStringLiteral("Stranger"), htSettings, QStringLiteral("X")));
    h.insert("B", Highlight(board, QStringLiteral("Group"), htSettings, QStringLiteral("B")));
    h.insert("D", Highlight(board, QStringLiteral("Group"), htCalibration, QStringLiteral("D")));
    h.insert("C", Highlight(board, QStringLiteral("Group"), htSettings, QStringLiteral("C")));
    h.value(caller)->SetPopupActive(true, true);
    for (auto it = h.cbegin(); it != h.cend(); ++it)
        QCOMPARE(it.value()->PopupActive(), active.contains(it.key()));
    QCOMPARE(ChildNames(board), orderAfter);

    h.value(caller)->SetPopupActive(false, true);
    for (auto *member : std::as_const(h))
        QVERIFY(!member->PopupActive());
}

ZX_TEST_MAIN(tst_BoardHighlight)
#include "tst_boardhighlight.moc"
