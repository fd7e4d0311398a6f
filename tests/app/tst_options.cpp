// Protocol, termination, baud clock and port disable: the lists and the
// jumper drawings kept in step, driven by the user's clicks and choices.
#include "MainWindowFixture.h"
#include "TTwoJumper.h"
#include "TestMain.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

const QStringList Jumpers {"RS485JumperA", "RS422JumperA", "TLDJumperA", "RLDJumperA", "ClockJumper", "DFJumperA",
    "BaseJumper9A", "BaseJumper8A"};
// Each disabled mirror and the jumper it copies.
const QList<QPair<QString, QString>> Mirrors {{"RS485JumperB", "RS485JumperA"}, {"RS422JumperB", "RS422JumperA"},
    {"TLDJumperB", "TLDJumperA"}, {"RLDJumperB", "RLDJumperA"}, {"DFJumperB", "DFJumperA"},
    {"BaseJumper9B", "BaseJumper9A"}, {"BaseJumper8B", "BaseJumper8A"}};
// The termination choices each protocol offers.
const QMap<QString, QString> LoadItems {{"No Termination|Termination", "RS-485"},
    {"No Termination|Terminate Transmit|Terminate Receive|Terminate Both", "RS-422"}};

// The option panels side by side in one window.
struct OptionsWindow : MainWindowFixture
{
    OptionsWindow()
        : MainWindowFixture({"ModePanel", "LoadPanel", "ClockPanel", "DFPanel", "BasePanel"})
    { }
    TTwoJumper *jumper(const QString &name) const { return get<TTwoJumper>(name); }
    QComboBox *combo(const QString &name) const { return get<QComboBox>(name); }

    // Everything this area shows, by name: lists by item, jumpers 1 (installed) or 0.
    QVariantMap state() const
    {
        QVariantMap s {{"BaseEdit", get<QLineEdit>("BaseEdit")->text()}};
        for (const char *name : {"ModeCombo", "LoadCombo", "ClockCombo", "DFCombo"})
            s[name] = combo(name)->currentIndex();
        QStringList items;
        for (int i = 0; i < combo("LoadCombo")->count(); ++i)
            items << combo("LoadCombo")->itemText(i);
        s[QStringLiteral("LoadItems")] = LoadItems.value(items.join('|'), items.join('|'));
        for (const QString &name : Jumpers)
            s[name] = int(jumper(name)->Closed());
        for (const auto &m : Mirrors)
            s[m.first] = int(jumper(m.first)->Closed());
        return s;
    }

    // "ModeCombo=1" is the user's choice of item 1; "TLDJumperA" a click on that jumper.
    void perform(const QString &step)
    {
        const QStringList choice = step.split(QLatin1Char('='));
        if (choice.size() == 2) {
            QComboBox *c = combo(choice[0]);
            c->setCurrentIndex(choice[1].toInt());
            emit c->activated(c->currentIndex());
        } else {
            click(jumper(step));
        }
    }
};

} // namespace

class tst_Options : public MainWindowSuite
{
    Q_OBJECT
private slots:
    void choices_data();
    void choices();
};

void tst_Options::choices_data()
{
    // Steps: "ModeCombo=1" is the user's choice of item 1, "TLDJumperA" a click on that jumper.
    // Expected: lists by item, jumpers 1 installed and 0 open, the termination items by protocol.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("RS-422 chosen under RS-485 termination")
        << "LoadCombo=1 ModeCombo=1"
        << "ModeCombo=1 LoadCombo=0 LoadItems=RS-422 RS485JumperA=0 RS422JumperA=1 TLDJumperA=0 RLDJumperA=0";
    QTest::newRow("RS-422, TLD then RLD clicked") << "ModeCombo=1 TLDJumperA RLDJumperA"
                                                  << "LoadCombo=3 TLDJumperA=1 RLDJumperA=1";
    QTest::newRow("RS-422, TLD clicked again") << "ModeCombo=1 TLDJumperA RLDJumperA TLDJumperA"
                                               << "LoadCombo=2 TLDJumperA=0 RLDJumperA=1";
    QTest::newRow("RS-422 load choices") << "ModeCombo=1 LoadCombo=2"
                                         << "LoadCombo=2 TLDJumperA=0 RLDJumperA=1";
    QTest::newRow("RS-485, RLD click terminates on TLD") << "RLDJumperA"
                                                         << "LoadCombo=1 LoadItems=RS-485 TLDJumperA=1 RLDJumperA=0";
    QTest::newRow("RS-485, RLD clicked twice") << "RLDJumperA RLDJumperA"
                                               << "LoadCombo=0 TLDJumperA=0 RLDJumperA=0";
    QTest::newRow("RS-485, TLD click") << "TLDJumperA"
                                       << "LoadCombo=1 TLDJumperA=1";
    QTest::newRow("RS-485, Termination chosen") << "LoadCombo=1"
                                                << "TLDJumperA=1 RLDJumperA=0";
    QTest::newRow("closed RS485 jumper clicked")
        << "LoadCombo=1 RS485JumperA"
        << "ModeCombo=1 LoadCombo=0 LoadItems=RS-422 RS485JumperA=0 RS422JumperA=1 TLDJumperA=0";
    QTest::newRow("closed RS422 jumper clicked")
        << "ModeCombo=1 LoadCombo=3 RS422JumperA"
        << "ModeCombo=0 LoadCombo=0 LoadItems=RS-485 RS485JumperA=1 RS422JumperA=0 TLDJumperA=0 RLDJumperA=0";
    QTest::newRow("open RS422 jumper clicked") << "RS422JumperA"
                                               << "ModeCombo=1 RS485JumperA=0 RS422JumperA=1";
    QTest::newRow("RS-485 chosen again resets termination") << "LoadCombo=1 ModeCombo=0"
                                                            << "ModeCombo=0 LoadCombo=0 TLDJumperA=0 RS485JumperA=1";
    QTest::newRow("X8 chosen") << "ClockCombo=1"
                               << "ClockJumper=1";
    QTest::newRow("X8 chosen, clock jumper clicked") << "ClockCombo=1 ClockJumper"
                                                     << "ClockCombo=0 ClockJumper=0";
    QTest::newRow("clock jumper clicked") << "ClockJumper"
                                          << "ClockCombo=1 ClockJumper=1";
    QTest::newRow("ports disabled") << "DFCombo=1"
                                    << "DFJumperA=1 DFJumperB=1";
    QTest::newRow("ports enabled again") << "DFCombo=1 DFCombo=0"
                                         << "DFJumperA=0 DFJumperB=0";
    QTest::newRow("DF jumper clicked") << "DFJumperA"
                                       << "DFCombo=1 DFJumperB=1";
    QTest::newRow("DF jumper clicked twice") << "DFJumperA DFJumperA"
                                             << "DFCombo=0 DFJumperB=0";
    // The mirrors are disabled: a click on one changes nothing.
    QTest::newRow("mirrors clicked")
        << "ModeCombo=1 LoadCombo=1 DFCombo=1 ClockCombo=1 BaseJumper8A RS485JumperB "
           "RS422JumperB TLDJumperB RLDJumperB DFJumperB BaseJumper9B BaseJumper8B"
        << "ModeCombo=1 LoadCombo=1 ClockCombo=1 DFCombo=1 LoadItems=RS-422 RS485JumperA=0 RS422JumperA=1 "
           "TLDJumperA=1 RLDJumperA=0 ClockJumper=1 DFJumperA=1 BaseJumper9A=0 BaseJumper8A=1 BaseEdit=200";
}

void tst_Options::choices()
{
    // Lists and drawings out of step, a mirror lagging or taking a click, or termination kept across protocols.
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    OptionsWindow w;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        w.perform(step);
        for (const auto &m : Mirrors)
            QVERIFY2(w.jumper(m.first)->Closed() == w.jumper(m.second)->Closed(), qPrintable(m.first));
    }
    const QVariantMap state = w.state();
    for (const QString &item : expected.split(QLatin1Char(' '))) {
        const QString name = item.section(QLatin1Char('='), 0, 0), value = item.section(QLatin1Char('='), 1);
        QVERIFY2(state.value(name).toString() == value, qPrintable(item));
    }
    // Under RS-485 the RLD jumper is never drawn installed.
    if (w.combo("ModeCombo")->currentIndex() == 0)
        QVERIFY(!w.jumper("RLDJumperA")->Closed());
}

ZX_TEST_MAIN(tst_Options)
#include "tst_options.moc"
