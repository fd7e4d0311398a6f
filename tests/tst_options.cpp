// Protocol, termination, baud clock and port disable: the lists and the
// jumper drawings kept in step, driven by the user's clicks and choices.
#include "MessageRecorder.h"
#include "SimulatedCard.h"
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TestMain.h"
#include "template.h"

#include <QComboBox>
#include <QtTest>

namespace {

const char *const Panels[] = { "ModePanel", "LoadPanel", "ClockPanel", "DFPanel", "BasePanel" };
const char *const Jumpers[] = { "RS485JumperA", "RS422JumperA", "TLDJumperA", "RLDJumperA", "ClockJumper", "DFJumperA" };
const QPair<const char *, const char *> Mirrors[] = { { "RS485JumperA", "RS485JumperB" },
                                                      { "RS422JumperA", "RS422JumperB" },
                                                      { "TLDJumperA", "TLDJumperB" },
                                                      { "RLDJumperA", "RLDJumperB" },
                                                      { "DFJumperA", "DFJumperB" } };
const QStringList RS485Items{ "No Termination", "Termination" };
const QStringList RS422Items{ "No Termination", "Terminate Transmit", "Terminate Receive", "Terminate Both" };

// The form with its option panels moved side by side into one window.
struct OptionsWindow
{
    OptionsWindow()
    {
        int x = 0;
        for (const char *name : Panels) {
            auto *panel = form.findChild<TRadioPanel *>(QString::fromLatin1(name));
            panel->setParent(&host);
            panel->move(x, 0);
            panel->show();
            x += panel->width() + 4;
        }
        host.resize(x, 180);
        host.show();
    }
    template <class T = QWidget>
    T *get(const QString &name) const
    {
        if (T *found = host.findChild<T *>(name))
            return found;
        return form.findChild<T *>(name);
    }
    TTwoJumper *jumper(const QString &name) const { return get<TTwoJumper>(name); }
    QComboBox *combo(const QString &name) const { return get<QComboBox>(name); }

    // Everything this area shows, to compare before and after.
    QVariantMap state() const
    {
        QVariantMap s;
        for (const char *name : { "ModeCombo", "LoadCombo", "ClockCombo", "DFCombo" })
            s[QString::fromLatin1(name)] = combo(QString::fromLatin1(name))->currentIndex();
        QStringList items;
        for (int i = 0; i < combo("LoadCombo")->count(); ++i)
            items << combo("LoadCombo")->itemText(i);
        s[QStringLiteral("LoadItems")] = items;
        for (const char *name : Jumpers)
            s[QString::fromLatin1(name)] = jumper(QString::fromLatin1(name))->Closed();
        for (const auto &m : Mirrors)
            s[QString::fromLatin1(m.second)] = jumper(QString::fromLatin1(m.second))->Closed();
        return s;
    }

    // "ModeCombo=1" is the user's choice of item 1; "TLDJumperA" a click on that jumper.
    void perform(const QString &step)
    {
        const QStringList choice = step.split(QLatin1Char('='));
        if (choice.size() == 2) {
            QComboBox *c = combo(choice[0]);
            const int index = choice[1].toInt();
            c->setCurrentIndex(index);
            emit c->activated(index);
        } else {
            TTwoJumper *j = jumper(step);
            QTest::mouseClick(j, Qt::LeftButton, {}, j->rect().center());
        }
    }

    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QWidget host;
};

} // namespace

class tst_Options : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void choices_data();
    void choices();
    void mirrorsIgnoreClicks();
};

void tst_Options::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QObject::connect")));
}

void tst_Options::choices_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("RS-422 chosen under RS-485 termination")
        << QStringList{ "LoadCombo=1", "ModeCombo=1" }
        << QVariantMap{ { "ModeCombo", 1 }, { "LoadCombo", 0 }, { "LoadItems", RS422Items }, { "RS485JumperA", false },
                        { "RS422JumperA", true }, { "TLDJumperA", false }, { "RLDJumperA", false } };
    QTest::newRow("RS-422, TLD then RLD clicked")
        << QStringList{ "ModeCombo=1", "TLDJumperA", "RLDJumperA" }
        << QVariantMap{ { "LoadCombo", 3 }, { "TLDJumperA", true }, { "RLDJumperA", true } };
    QTest::newRow("RS-422, TLD clicked again")
        << QStringList{ "ModeCombo=1", "TLDJumperA", "RLDJumperA", "TLDJumperA" }
        << QVariantMap{ { "LoadCombo", 2 }, { "TLDJumperA", false }, { "RLDJumperA", true } };
    QTest::newRow("RS-422 load choices")
        << QStringList{ "ModeCombo=1", "LoadCombo=2" }
        << QVariantMap{ { "LoadCombo", 2 }, { "TLDJumperA", false }, { "RLDJumperA", true } };
    QTest::newRow("RS-485, RLD click terminates on TLD")
        << QStringList{ "RLDJumperA" }
        << QVariantMap{ { "LoadCombo", 1 }, { "LoadItems", RS485Items }, { "TLDJumperA", true }, { "RLDJumperA", false } };
    QTest::newRow("RS-485, RLD clicked twice")
        << QStringList{ "RLDJumperA", "RLDJumperA" }
        << QVariantMap{ { "LoadCombo", 0 }, { "TLDJumperA", false }, { "RLDJumperA", false } };
    QTest::newRow("RS-485, TLD click")
        << QStringList{ "TLDJumperA" } << QVariantMap{ { "LoadCombo", 1 }, { "TLDJumperA", true } };
    QTest::newRow("RS-485, Termination chosen")
        << QStringList{ "LoadCombo=1" } << QVariantMap{ { "TLDJumperA", true }, { "RLDJumperA", false } };
    QTest::newRow("closed RS485 jumper clicked")
        << QStringList{ "LoadCombo=1", "RS485JumperA" }
        << QVariantMap{ { "ModeCombo", 1 }, { "LoadCombo", 0 }, { "LoadItems", RS422Items }, { "RS485JumperA", false },
                        { "RS422JumperA", true }, { "TLDJumperA", false } };
    QTest::newRow("closed RS422 jumper clicked")
        << QStringList{ "ModeCombo=1", "LoadCombo=3", "RS422JumperA" }
        << QVariantMap{ { "ModeCombo", 0 }, { "LoadCombo", 0 }, { "LoadItems", RS485Items }, { "RS485JumperA", true },
                        { "RS422JumperA", false }, { "TLDJumperA", false }, { "RLDJumperA", false } };
    QTest::newRow("open RS422 jumper clicked")
        << QStringList{ "RS422JumperA" }
        << QVariantMap{ { "ModeCombo", 1 }, { "RS485JumperA", false }, { "RS422JumperA", true } };
    QTest::newRow("RS-485 chosen again resets termination")
        << QStringList{ "LoadCombo=1", "ModeCombo=0" }
        << QVariantMap{ { "ModeCombo", 0 }, { "LoadCombo", 0 }, { "TLDJumperA", false }, { "RS485JumperA", true } };
    QTest::newRow("X8 chosen") << QStringList{ "ClockCombo=1" } << QVariantMap{ { "ClockJumper", true } };
    QTest::newRow("X8 chosen, clock jumper clicked")
        << QStringList{ "ClockCombo=1", "ClockJumper" } << QVariantMap{ { "ClockCombo", 0 }, { "ClockJumper", false } };
    QTest::newRow("clock jumper clicked") << QStringList{ "ClockJumper" }
                                          << QVariantMap{ { "ClockCombo", 1 }, { "ClockJumper", true } };
    QTest::newRow("ports disabled") << QStringList{ "DFCombo=1" }
                                    << QVariantMap{ { "DFJumperA", true }, { "DFJumperB", true } };
    QTest::newRow("ports enabled again") << QStringList{ "DFCombo=1", "DFCombo=0" }
                                         << QVariantMap{ { "DFJumperA", false }, { "DFJumperB", false } };
    QTest::newRow("DF jumper clicked") << QStringList{ "DFJumperA" }
                                       << QVariantMap{ { "DFCombo", 1 }, { "DFJumperB", true } };
    QTest::newRow("DF jumper clicked twice") << QStringList{ "DFJumperA", "DFJumperA" }
                                             << QVariantMap{ { "DFCombo", 0 }, { "DFJumperB", false } };
}

void tst_Options::choices()
{
    // A list and its drawings out of step, a mirror left behind, or a
    // protocol change that keeps the old termination.
    QFETCH(QStringList, steps);
    QFETCH(QVariantMap, expected);
    OptionsWindow w;
    for (const QString &step : steps) {
        w.perform(step);
        for (const auto &m : Mirrors)
            QVERIFY2(w.jumper(QString::fromLatin1(m.first))->Closed() == w.jumper(QString::fromLatin1(m.second))->Closed(),
                     m.second);
    }
    const QVariantMap state = w.state();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(state.value(it.key()) == it.value(), qPrintable(it.key()));
    // Under RS-485 the RLD jumper is never drawn installed.
    if (w.combo("ModeCombo")->currentIndex() == 0)
        QVERIFY(!w.jumper("RLDJumperA")->Closed());
}

void tst_Options::mirrorsIgnoreClicks()
{
    // A click on a disabled mirror changing a choice or its own drawing.
    OptionsWindow w;
    for (const char *step : { "ModeCombo=1", "LoadCombo=1", "DFCombo=1", "ClockCombo=1" })
        w.perform(QString::fromLatin1(step));
    const QVariantMap before = w.state();
    for (const auto &m : Mirrors) {
        TTwoJumper *mirror = w.jumper(QString::fromLatin1(m.second));
        QVERIFY(!mirror->isEnabled());
        QTest::mouseClick(mirror, Qt::LeftButton, {}, mirror->rect().center());
        QCOMPARE(w.state(), before);
    }
}

ZX_TEST_MAIN(tst_Options)
#include "tst_options.moc"
