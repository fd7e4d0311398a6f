// The option panel: creation state, radio rule over its jumpers, anchors, painting, focus entry.
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <memory>

// Behaves like a jumper but is of another class: the radio rule must pass it by.
class TDerivedJumper : public TTwoJumper
{
    Q_OBJECT
public:
    using TTwoJumper::TTwoJumper;
};

class TDerivedRadioPanel : public TRadioPanel
{
    Q_OBJECT
public:
    using TRadioPanel::TRadioPanel;
};

class tst_RadioPanel : public QObject
{
    Q_OBJECT
private slots:
    void creationState();
    void radioRule_data();
    void radioRule();
    void finalAnchors_data();
    void finalAnchors();
    void focusEntry_data();
    void focusEntry();
};

void tst_RadioPanel::creationState()
{
    // Guards against a new panel shown in the main window, wrong size or text height, or drawn name, caption or bevel.
    QWidget window;
    auto *panel = new TRadioPanel(&window);
    panel->setObjectName(QStringLiteral("ModePanel"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!panel->isVisible());
    QCOMPARE(panel->size(), QSize(194, 100));
    QCOMPARE(panel->MemoHeight(), 58);
    QCOMPARE(panel->Color(), clBtnFace);
    QCOMPARE(panel->FinalAnchors(), TAnchors(akLeft | akTop));
    QCOMPARE(GetAnchors(panel), TAnchors(akLeft | akTop));
    QVERIFY(!panel->FinalAnchorsApplied);
    QVERIFY(!panel->RadioEnabled());
    QVERIFY(panel->Lines().isEmpty());
    QCOMPARE(panel->focusPolicy(), Qt::NoFocus);
    for (TColor color : {clBtnFace, clBlue}) {
        panel->setColor(color);
        QImage plain(panel->size(), QImage::Format_RGB32);
        plain.fill(ColorToQColor(color));
        QCOMPARE(panel->grab().toImage().convertToFormat(QImage::Format_RGB32), plain);
    }
}

void tst_RadioPanel::radioRule_data()
{
    QTest::addColumn<QString>("panelClass");
    QTest::addColumn<bool>("radio");
    QTest::addColumn<QString>("before"); // Closed of J0 J1 J2, '1' closed
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("events");
    const auto row = [](const char *name, bool radio, const char *before, int clicked, const char *after,
                         const QStringList &events, const char *panelClass = "TRadioPanel") {
        QTest::newRow(name) << QString(panelClass) << radio << QString(before) << clicked << QString(after) << events;
    };
    row("open one while another closed", true, "100", 1, "010", {"change J1", "click J1"});
    row("the closed one stays closed", true, "100", 0, "100", {"change J0", "click J0"});
    row("none closed: no change event", true, "000", 2, "001", {"click J2"});
    row("two closed, click the third", true, "110", 2, "001", {"change J2", "click J2"});
    row("radio off: closes alone", false, "100", 1, "110", {"click J1"});
    row("radio off: opens alone", false, "100", 0, "000", {"click J0"});
    row("derived panel has no rule", true, "100", 1, "110", {"click J1"}, "TDerivedRadioPanel");
}

void tst_RadioPanel::radioRule()
{
    // Guards against the radio rule touching the wrong controls or misreporting changes.
    QFETCH(QString, panelClass);
    QFETCH(bool, radio);
    QFETCH(QString, before);
    QFETCH(int, clicked);
    QFETCH(QString, after);
    QFETCH(QStringList, events);

    TRadioPanel *panel = panelClass == "TRadioPanel" ? new TRadioPanel : new TDerivedRadioPanel;
    std::unique_ptr<TRadioPanel> owner(panel);
    panel->setRadioEnabled(radio);
    QList<TTwoJumper *> jumpers;
    QStringList log;
    connect(
        panel, &TRadioPanel::OnRadioChange, panel, [&](QObject *sender) { log << "change " + sender->objectName(); });
    for (int i = 0; i < before.size(); ++i) {
        // Labels between the jumpers are passed by.
        new QLabel(QStringLiteral("Label"), panel);
        auto *j = new TTwoJumper(panel);
        j->setObjectName(QStringLiteral("J%1").arg(i));
        j->move(10 + 40 * i, 10);
        j->setClosed(before[i] == '1');
        connect(j, &TTwoJumper::OnClick, j, [&log, j] { log << "click " + j->objectName(); });
        jumpers << j;
    }
    // Neither a jumper of another class nor one on a nested container takes part.
    auto *derived = new TDerivedJumper(panel);
    derived->setClosed(true);
    auto *nested = new QWidget(panel);
    auto *inner = new TTwoJumper(nested);
    inner->setClosed(true);

    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QTest::mouseClick(jumpers[clicked], Qt::LeftButton);

    QString states;
    for (const TTwoJumper *j : std::as_const(jumpers))
        states += j->Closed() ? '1' : '0';
    QCOMPARE(states, after);
    QCOMPARE(log, events);
    QVERIFY(derived->Closed());
    QVERIFY(inner->Closed());
}

void tst_RadioPanel::finalAnchors_data()
{
    QTest::addColumn<bool>("applied");
    QTest::addColumn<TAnchors>("anchors");
    QTest::addColumn<QRect>("expected"); // panel at (10, 20), window 300 x 200 grown to 360 x 240
    QTest::newRow("before the popup: stays") << false << TAnchors(akRight | akBottom) << QRect(10, 20, 194, 100);
    QTest::newRow("in the popup: follows") << true << TAnchors(akRight | akBottom) << QRect(70, 60, 194, 100);
}

void tst_RadioPanel::finalAnchors()
{
    // Guards against anchors taking effect in the main window, or not at once in the popup.
    QFETCH(bool, applied);
    QFETCH(TAnchors, anchors);
    QFETCH(QRect, expected);
    QWidget window;
    window.resize(300, 200);
    auto *panel = new TRadioPanel(&window);
    panel->move(10, 20);
    panel->show();
    panel->FinalAnchorsApplied = applied;
    panel->setFinalAnchors(anchors);
    QCOMPARE(panel->FinalAnchors(), anchors); // kept for the popup even where not yet applied
    QCOMPARE(GetAnchors(panel), applied ? anchors : TAnchors(akLeft | akTop));
    window.show();
    window.resize(360, 240);
    QTRY_COMPARE(panel->geometry(), expected);
}

void tst_RadioPanel::focusEntry_data()
{
    QTest::addColumn<QStringList>("path"); // focus moves along it; the first step only sets the start;
                                           // "click x" clicks x, which must leave the focus where it is
    QTest::addColumn<int>("entries");
    QTest::newRow("outside into a control") << QStringList {"outside", "edit1"} << 1;
    QTest::newRow("outside into the panel") << QStringList {"outside", "panel"} << 1;
    QTest::newRow("between two controls") << QStringList {"edit1", "edit2"} << 0;
    QTest::newRow("panel to its control") << QStringList {"panel", "nested"} << 0;
    QTest::newRow("out and in again") << QStringList {"edit1", "outside", "nested", "edit2", "outside", "panel"} << 2;
    QTest::newRow("clicks on a jumper, a label, the background")
        << QStringList {"edit1", "click jumper", "click label", "click panel"} << 0;
    QTest::newRow("clicks in the panel while the focus is outside")
        << QStringList {"outside", "click jumper", "click label", "click panel"} << 0;
}

void tst_RadioPanel::focusEntry()
{
    // Guards against OnEnter missed or repeated as the focus moves, or a click on the panel's drawing taking the keys.
    QFETCH(QStringList, path);
    QFETCH(int, entries);
    QWidget window;
    const auto add = [](QWidget *w, const char *name, QPoint at) {
        w->setObjectName(name);
        w->move(at);
        return w;
    };
    add(new QLineEdit(&window), "outside", {0, 0});
    auto *panel = new TRadioPanel(&window);
    add(panel, "panel", {0, 40})->show();
    add(new QLineEdit(panel), "edit1", {0, 0});
    add(new QLineEdit(panel), "edit2", {0, 30});
    QWidget *group = add(new QWidget(panel), "group", {0, 60});
    group->resize(100, 30);
    add(new QLineEdit(group), "nested", {0, 0});
    add(new TTwoJumper(panel), "jumper", {150, 10});
    add(new QLabel(QStringLiteral("A9"), panel), "label", {150, 40})->resize(40, 20);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy spy(panel, &TRadioPanel::OnEnter);
    for (int i = 0; i < path.size(); ++i) {
        const bool click = path[i].startsWith("click ");
        auto *target = window.findChild<QWidget *>(path[i].mid(click ? 6 : 0));
        QVERIFY(target);
        if (click) {
            QWidget *before = QApplication::focusWidget();
            QTest::mouseClick(target, Qt::LeftButton, {}, target == panel ? QPoint(150, 80) : target->rect().center());
            QCOMPARE(QApplication::focusWidget(), before);
            continue;
        }
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        if (i == 0)
            spy.clear();
    }
    QCOMPARE(spy.count(), entries);
}

ZX_TEST_MAIN(tst_RadioPanel)
#include "tst_radiopanel.moc"
