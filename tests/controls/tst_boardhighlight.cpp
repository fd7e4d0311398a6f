// The highlight ring: its pixels, the images caught from the photograph, the
// derived names, the panel link rules and the reordering group walk.
#include "DensityScreens.h"
#include "DevicePixels.h"
#include "MainWindowFixture.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TDecodeAhead.h"
#include "TPicture.h"
#include "TRadioPanel.h"
#include "TestMain.h"

#include <QAccessible>
#include <QtTest>

#include <optional>

namespace {

const QRgb Bg = qRgb(100, 50, 200);

TBoardHighlight *Add(QWidget *board, const QString &name, const QString &title, THighlightType type)
{
    auto *h = new TBoardHighlight(board);
    h->setObjectName(name);
    h->setTitle(title);
    h->setHighlightType(type);
    return h;
}

} // namespace

class tst_BoardHighlight : public QObject
{
    Q_OBJECT
private slots:
    void ringPixels_data();
    void ringPixels();
    void derivedNames_data();
    void derivedNames();
    void imagesCatchWhatLiesBeneath_data();
    void imagesCatchWhatLiesBeneath();
    void panelLinkRules_data();
    void panelLinkRules();
    void popupActiveReachesEveryMemberOnce_data();
    void popupActiveReachesEveryMemberOnce();
    void accessible_data();
    void accessible();
};

void tst_BoardHighlight::ringPixels_data()
{
    // Over (100, 50, 200). In 65 x 65 (A = B = 64) column 60 lies at normalised
    // radius 0.875, 58 at 0.8125, 59 at 0.84375; in 273 x 33 row 30 of column
    // 136 and column 255 of row 16 lie at 0.875.
    QTest::addColumn<THighlightType>("type");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("look");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QRgb>("expected");
    const QSize sq(65, 65), flat(273, 33);
    const QRgb white = qRgb(255, 255, 255);
    QTest::newRow("yellow interior") << htSettings << sq << "normal" << QPoint(32, 32) << qRgb(112, 66, 184);
    QTest::newRow("yellow interior lit") << htSettings << sq << "lit" << QPoint(32, 32) << qRgb(119, 75, 176);
    QTest::newRow("bright interior weight not doubled")
        << htSettings << sq << "bright" << QPoint(32, 32) << qRgb(125, 83, 168);
    QTest::newRow("ring centre, halves to even")
        << htSettings << sq << "normal" << QPoint(60, 32) << qRgb(178, 152, 100);
    QTest::newRow("ring centre, vertical axis")
        << htSettings << sq << "normal" << QPoint(32, 60) << qRgb(178, 152, 100);
    QTest::newRow("ring centre lit") << htSettings << sq << "lit" << QPoint(60, 32) << qRgb(216, 204, 50);
    QTest::newRow("bright core is white") << htSettings << sq << "bright" << QPoint(60, 32) << white;
    QTest::newRow("bright full colour at 0.8125")
        << htSettings << sq << "bright" << QPoint(58, 32) << qRgb(255, 255, 0);
    QTest::newRow("bright white blend at 0.84375")
        << htSettings << sq << "bright" << QPoint(59, 32) << qRgb(255, 255, 128);
    QTest::newRow("corner untouched") << htSettings << sq << "bright" << QPoint(0, 0) << Bg;
    QTest::newRow("edge midpoint untouched") << htSettings << sq << "bright" << QPoint(0, 32) << Bg;
    QTest::newRow("blue interior") << htOptions << sq << "normal" << QPoint(32, 32) << qRgb(96, 48, 202);
    QTest::newRow("blue ring centre") << htOptions << sq << "normal" << QPoint(60, 32) << qRgb(75, 38, 214);
    QTest::newRow("blue ring centre lit") << htOptions << sq << "lit" << QPoint(60, 32) << qRgb(50, 25, 228);
    QTest::newRow("blue bright white blend") << htOptions << sq << "bright" << QPoint(59, 32) << qRgb(128, 128, 255);
    QTest::newRow("flat interior") << htSettings << flat << "normal" << QPoint(136, 16) << qRgb(112, 66, 184);
    QTest::newRow("flat core below the middle") << htSettings << flat << "bright" << QPoint(136, 30) << white;
    QTest::newRow("flat core right of the middle") << htSettings << flat << "bright" << QPoint(255, 16) << white;
    QTest::newRow("flat full colour at 0.9375 down")
        << htSettings << flat << "bright" << QPoint(136, 31) << qRgb(255, 255, 0);
    QTest::newRow("flat faint near the left end")
        << htSettings << flat << "normal" << QPoint(1, 16) << qRgb(105, 56, 194);
    QTest::newRow("flat left end untouched") << htSettings << flat << "bright" << QPoint(0, 16) << Bg;
    QTest::newRow("one pixel wide: no ring") << htSettings << QSize(1, 40) << "bright" << QPoint(0, 20) << Bg;
    QTest::newRow("one pixel high: no ring") << htSettings << QSize(40, 1) << "bright" << QPoint(20, 0) << Bg;
}

void tst_BoardHighlight::ringPixels()
{
    // Guards against a wrong weight, radius, white core, scale, rounding, or a division by zero.
    QFETCH(THighlightType, type);
    QFETCH(QSize, size);
    QFETCH(QString, look);
    QFETCH(QPoint, point);
    QFETCH(QRgb, expected);
    TBoardHighlight h;
    h.setHighlightType(type);
    const float opacity = look == "normal" ? h.NormalOpacity() : look == "lit" ? h.LitOpacity() : h.BrightOpacity();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Bg);
    TBoardHighlight::RenderRing(image, size.width() - 1, size.height() - 1, look == "bright", h.TypeColor(), opacity);
    QCOMPARE(QColor(image.pixel(point)), QColor(expected));
}

void tst_BoardHighlight::derivedNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("baseName");
    QTest::newRow("spaces go") << "Control Base Address"
                               << "Control Base Address"
                               << "ControlBaseAddress";
    QTest::newRow("ampersand and slash go") << "Protocol/&Mode"
                                            << "Protocol/Mode"
                                            << "ProtocolMode";
    QTest::newRow("identifier kept") << "_x1"
                                     << "_x1"
                                     << "_x1";
    QTest::newRow("empty stays empty") << ""
                                       << ""
                                       << "";
    QTest::newRow("leading digits go, later ones stay") << "1st COM 1-8"
                                                        << "1st COM 1-8"
                                                        << "stCOM18";
    QTest::newRow("only ASCII letters count") << QString::fromUtf8("Über") << QString::fromUtf8("Über") << "ber";
    QTest::newRow("no letter at all gets a name") << "123"
                                                  << "123"
                                                  << "Item";
}

void tst_BoardHighlight::derivedNames()
{
    // Guards against menu entries named by a bare number or captions keeping access-key marks.
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QFETCH(QString, baseName);
    TBoardHighlight h;
    h.setTitle(title);
    QCOMPARE(h.PopupCaption(), caption);
    QCOMPARE(h.ItemBaseName(), baseName);
}

void tst_BoardHighlight::panelLinkRules_data()
{
    // B links to panel Q first, A to O; then A asks for the panel named.
    QTest::addColumn<QString>("bTitle");
    QTest::addColumn<int>("bType");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free panel") << "Other" << int(htSettings) << "P"
                                << "P";
    QTest::newRow("another group's panel refused, old link kept") << "Other" << int(htSettings) << "Q"
                                                                  << "O";
    QTest::newRow("same title, other type is another group") << "Same" << int(htOptions) << "Q"
                                                             << "O";
    QTest::newRow("a member of the same group may share") << "Same" << int(htSettings) << "Q"
                                                          << "Q";
    QTest::newRow("none clears") << "Other" << int(htSettings) << ""
                                 << "";
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
    for (const char *name : {"O", "P", "Q"})
        panels.insert(QLatin1String(name), new TRadioPanel(&window));
    TBoardHighlight *a = Add(board, "A", "Same", htSettings);
    TBoardHighlight *b = Add(board, "B", bTitle, THighlightType(bType));
    b->setRadioPanel(panels.value("Q"));
    a->setRadioPanel(panels.value("O"));
    a->setRadioPanel(panels.value(wanted));
    QCOMPARE(a->RadioPanel(), panels.value(expected));
    QCOMPARE(b->RadioPanel(), panels.value("Q"));
}

void tst_BoardHighlight::popupActiveReachesEveryMemberOnce_data()
{
    // Children A, X, B, D, C: group A, B, C; stranger X; D has the title but another type. The order
    // afterwards shows each member was brought to the front exactly once.
    QTest::addColumn<QString>("caller");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("orderAfter");
    QTest::newRow("group of three from the first") << "A"
                                                   << "ABC"
                                                   << "XDABC";
    QTest::newRow("group of three from the middle") << "B"
                                                    << "ABC"
                                                    << "XDBAC";
    QTest::newRow("group of three from the last") << "C"
                                                  << "ABC"
                                                  << "XDCAB";
    QTest::newRow("group of one") << "D"
                                  << "D"
                                  << "AXBCD";
}

void tst_BoardHighlight::popupActiveReachesEveryMemberOnce()
{
    // Guards against the reordering walk skipping a member or reaching one twice.
    QFETCH(QString, caller);
    QFETCH(QString, active);
    QFETCH(QString, orderAfter);
    QWidget window;
    auto *board = new TBoardImage(&window);
    for (const char *name : {"A", "X", "B", "D", "C"})
        Add(board, name, *name == 'X' ? "Stranger" : "Group", *name == 'D' ? htCalibration : htSettings);
    board->findChild<TBoardHighlight *>(caller)->SetPopupActive(true, true);
    QString order;
    for (const QObject *o : board->children())
        if (const auto *h = qobject_cast<const TBoardHighlight *>(o)) {
            order += h->objectName();
            QCOMPARE(h->PopupActive(), active.contains(h->objectName()));
        }
    QCOMPARE(order, orderAfter);
}

void tst_BoardHighlight::imagesCatchWhatLiesBeneath_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<bool>("ahead"); // the photograph decoded ahead for the board's device size
    QTest::newRow("at 1") << 1.0 << QRect(180, 180, 41, 41) << false;
    QTest::newRow("at 2") << 2.0 << QRect(21, 64, 89, 33) << false;
    QTest::newRow("at 1.5, on half pixels") << 1.5 << QRect(21, 65, 89, 33) << false;
    QTest::newRow("at 1.25, on quarter pixels") << 1.25 << QRect(309, 271, 33, 54) << false;
    QTest::newRow("at 1, photograph decoded ahead") << 1.0 << QRect(53, 344, 268, 55) << true;
    QTest::newRow("at 2, photograph decoded ahead") << 2.0 << QRect(150, 112, 96, 94) << true;
}

void tst_BoardHighlight::imagesCatchWhatLiesBeneath()
{
    // Guards against rings caught at 1x and blown up, offset, without an earlier ring, seamed, rebuilt on a change,
    // or catching other pixels than the photograph decoded ahead shows.
    QFETCH(qreal, ratio);
    QFETCH(QRect, place);
    QFETCH(bool, ahead);
    const QString photoFile = QStringLiteral(ZX_SOURCE_DIR "/resources/board.jpg");
    std::optional<TDecodeAhead> decoder;
    if (ahead) {
        decoder.emplace(photoFile);
        TDecodeAhead::DrawnAt(photoFile, DeviceSize(QSize(400, 400), ratio));
    }
    QWidget window;
    window.resize(420, 420);
    if (!PlaceOnDensityScreen(&window, ratio))
        QSKIP("needs the offscreen platform's screens of other densities");
    auto *board = new TBoardImage(&window);
    board->setAutoSize(false);
    board->setStretch(true);
    board->setCenterOnForm(false);
    board->setGeometry(7, 3, 400, 400);
    QVERIFY(board->Picture()->LoadFromFile(photoFile));
    // An earlier ring lies under the one looked at, which must catch it too.
    Add(board, "Earlier", "Earlier", htOptions)->setGeometry(place.translated(place.width() / 2, place.height() / 2));
    TBoardHighlight *ring = Add(board, "Ring", "Ring", htSettings);
    ring->setGeometry(place);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(ring->Prepared());
    QCOMPARE(ring->devicePixelRatioF(), ratio);

    // The window as drawn at this ratio, without the ring and with it.
    ring->hide();
    const QImage photo = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ring->show();
    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The device pixels the ring reaches into; at a fractional ratio the
    // outermost ones are shared with the photograph around it.
    const QPointF corner = QPointF(ring->mapTo(&window, QPoint(0, 0))) * ratio;
    const QRect reach(QPoint(qFloor(corner.x()), qFloor(corner.y())),
        QPoint(qCeil(corner.x() + place.width() * ratio) - 1, qCeil(corner.y() + place.height() * ratio) - 1));
    const QRect core = ratio == qFloor(ratio) ? reach : reach.adjusted(1, 1, -1, -1);
    QImage tinted = photo.copy(reach);
    TBoardHighlight::RenderRing(
        tinted, reach.width() - 1, reach.height() - 1, false, ring->TypeColor(), ring->NormalOpacity());
    int ringPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QPoint p(x, y);
            const bool inside = reach.contains(p);
            const QRgb want = inside ? tinted.pixel(p - reach.topLeft()) : photo.pixel(p);
            if (shot.pixel(p) != want && (core.contains(p) || shot.pixel(p) != photo.pixel(p)))
                QFAIL(qPrintable(QStringLiteral("device pixel %1, %2 is %3, not %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(QColor(shot.pixel(p)).name(), QColor(want).name())));
            ringPixels += inside && want != photo.pixel(p);
        }
    // Most of the reach is tinted: the ring was really drawn there.
    QVERIFY(ringPixels > reach.width() * reach.height() / 2);

    // The looks not shown yet come from the same pixels, in the colour of the first paint.
    QImage lit = photo.copy(reach), bright = photo.copy(reach);
    TBoardHighlight::RenderRing(
        lit, reach.width() - 1, reach.height() - 1, false, ring->TypeColor(), ring->LitOpacity());
    TBoardHighlight::RenderRing(
        bright, reach.width() - 1, reach.height() - 1, true, ring->TypeColor(), ring->BrightOpacity());
    const QImage normal = ring->NormalImage();
    ring->setHighlightType(htOptions);
    ring->repaint();
    QCOMPARE(ring->NormalImage(), normal);
    if (core == reach) {
        QCOMPARE(ring->LitImage(), lit);
        QCOMPARE(ring->BrightImage(), bright);
    }
}

void tst_BoardHighlight::accessible_data()
{
    // The board picture of the main window and its rings, as a screen reader finds them.
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::newRow("yellow ring, no access-key mark") << "ModeHighlight" << QAccessible::Button << "Protocol/Mode"
                                                     << "jumper settings";
    QTest::newRow("blue ring") << "COMHighlight" << QAccessible::Button << "Serial Connector"
                               << "information";
    QTest::newRow("red ring") << "calibration" << QAccessible::Button << "Calibrate"
                              << "calibration";
    QTest::newRow("the picture holding them") << "BoardImage1" << QAccessible::Graphic << "Board photograph"
                                              << "";
}

void tst_BoardHighlight::accessible()
{
    // Guards against anonymous rings, rings that hide their purpose or cannot be pressed, and a photograph skipped.
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, description);
    MainWindowFixture f;
    auto *board = f.get<TBoardImage>("BoardImage1");
    if (control == "calibration")
        Add(board, control, name, htCalibration);
    QWidget *w = f.get(control);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(iface && iface->isValid());
    QCOMPARE(iface->role(), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->text(QAccessible::Description), description);
    if (role == QAccessible::Button) {
        QVERIFY(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QCOMPARE(iface->parent(), QAccessible::queryAccessibleInterface(board));
    } else {
        QCOMPARE(iface->childCount(), board->findChildren<TBoardHighlight *>().size());
    }
}

ZX_TEST_MAIN(tst_BoardHighlight)
#include "tst_boardhighlight.moc"
