// Port resources: reading the COM ports' addresses from the card's control
// registers, the address grid, and writing addresses and IRQ back, paced and
// checked, against a simulated card and a clock the tests drive.
#include "MessageRecorder.h"
#include "SimulatedCard.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TEdit.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"
#include "TUpDown.h"
#include "TestMain.h"
#include "template.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

class FakeClock : public TPaceClock
{
public:
    FakeClock() { m_previous = SetPaceClock(this); }
    ~FakeClock() override { SetPaceClock(m_previous); }
    quint64 NowMs() override { return now; }
    void Rest() override
    {
        now += 1;
        if (onRest)
            onRest();
    }

    quint64 now = 1000;
    std::function<void()> onRest;

private:
    TPaceClock *m_previous = nullptr;
};

const QString Letters = QStringLiteral("ABCDEFGH");
const QString DriverText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

// The form with the port-resource panel in a window of its own, as its popup shows it.
struct ResourceWindow
{
    explicit ResourceWindow(quint16 cardBase = 0x300)
        : card(cardBase)
    {
        card.Clock = [this] { return clock.now; };
        panel = form.findChild<TRadioPanel *>(QStringLiteral("COMBasePanel"));
        host.resize(panel->size());
        panel->setParent(&host);
        panel->move(0, 0);
        panel->show();
        host.show();
    }
    template <class T = QWidget>
    T *get(const QString &name) const
    {
        if (T *found = host.findChild<T *>(name))
            return found;
        return form.findChild<T *>(name);
    }
    TUpDown *upDown(int port) const { return get<TUpDown>(QStringLiteral("BaseUD") + Letters[port]); }
    TEdit *edit(int port) const { return get<TEdit>(QStringLiteral("BaseEdit") + Letters[port]); }
    QPushButton *button(int n) const { return get<QPushButton>(QStringLiteral("Button%1").arg(n)); }
    QComboBox *irq() const { return get<QComboBox>(QStringLiteral("IRQComboA")); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    void typeBase(const QString &text) { form.findChild<QLineEdit *>(QStringLiteral("BaseEdit"))->setText(text); }
    // Configure Port Resources, answered with OK.
    void openGrid()
    {
        boxes.queueAnswers({ TMsgResult::Ok });
        click(button(1));
    }
    // Every port given an address (moving its up-down) and the IRQ chosen.
    void fillGrid(int firstAddress, int irqIndex)
    {
        for (int port = 0; port < 8; ++port) {
            upDown(port)->setPosition(firstAddress + 8 * port + 8);
            upDown(port)->setPosition(firstAddress + 8 * port);
        }
        if (irqIndex >= 0)
            irq()->setCurrentIndex(irqIndex);
    }

    bool startView() const
    {
        for (QWidget *w : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isHidden() != (w != button(1)))
                return false;
        return true;
    }
    bool gridView() const
    {
        static const QStringList neverShown{ "Button1", "IRQComboB", "IRQComboC", "IRQComboD", "IRQComboEFGH" };
        for (QWidget *w : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isHidden() != neverShown.contains(w->objectName()))
                return false;
        return true;
    }
    QStringList captions() const
    {
        QStringList list;
        for (const TMessageRequest &r : boxes.requests)
            list << r.Caption;
        return list;
    }

    FakeClock clock;
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QWidget host;
    TRadioPanel *panel = nullptr;
};

const QList<QPair<int, int>> ExampleWrites{ { 0, 0x00 },  { 1, 0x20 },  { 2, 0x21 },  { 3, 0x22 },  { 4, 0x23 },
                                            { 5, 0x24 },  { 6, 0x25 },  { 7, 0x26 },  { 8, 0x27 },  { 9, 0x0A },
                                            { 10, 0x0A }, { 11, 0x0A }, { 12, 0x0A } };

} // namespace

class tst_PortResources : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void controlPorts_data();
    void controlPorts();
    void invalidBaseRaisesError();
    void registersGivePositions_data();
    void registersGivePositions();
    void keysStepTheLinkedUpDown_data();
    void keysStepTheLinkedUpDown();
    void arrowClickShowsAddress();
    void focusEntryLinksPorts();
    void invalidSettings_data();
    void invalidSettings();
    void writeSequence();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void pacing_data();
    void pacing();
    void lostTimeShortensLaterWaits();
    void windowKeepsRunningDuringWrites();
    void secondActivationAddsNoWrite();
    void missingDriverWritesNothing();
    void verification_data();
    void verification();
    void viewSurvivesPopupClosing();
};

void tst_PortResources::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QObject::connect")));
}

void tst_PortResources::controlPorts_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("controlBase");
    QTest::newRow("designed 300") << "300" << 0x300;
    QTest::newRow("301 talks to the settable 300") << "301" << 0x300;
    QTest::newRow("above FFFF") << "10300" << 0x300;
    QTest::newRow("lower case 2a0") << "2a0" << 0x2A0;
    QTest::newRow("3FF talks to 3E0") << "3FF" << 0x3E0;
    QTest::newRow("1F talks to 0") << "1F" << 0x000;
}

void tst_PortResources::controlPorts()
{
    // Register accesses sent to ports the card cannot sit at.
    QFETCH(QString, base);
    QFETCH(int, controlBase);
    ResourceWindow w{ quint16(controlBase) };
    w.typeBase(base);
    w.openGrid();
    QCOMPARE(w.form.ControlBase(), quint16(controlBase));
    QCOMPARE(w.card.Log.size(), 8);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(int(w.card.Log[i].port), controlBase + 1);
        QCOMPARE(int(w.card.Log[i].value), i + 1);
    }
    QList<quint16> reads;
    for (int i = 0; i < 8; ++i)
        reads << quint16(controlBase + 2);
    QCOMPARE(w.card.Reads.mid(1), reads);   // after the start-up check of port 0x61
}

void tst_PortResources::invalidBaseRaisesError()
{
    // A bad address reaching the card, crashing the program, or leaving the grid half shown.
    ResourceWindow w{ 0x2A0 };
    w.typeBase(QStringLiteral("2a0"));
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.boxes.queueAnswers({ TMsgResult::Ok, TMsgResult::Ok });
    w.click(w.button(2));
    QVERIFY(w.startView());
    const int accesses = w.card.Log.size();
    const int reads = w.card.Reads.size();
    const int boxes = w.boxes.count();

    w.typeBase(QStringLiteral("30G"));
    w.openGrid();
    QCOMPARE(w.boxes.count(), boxes + 2);
    const TMessageRequest &error = w.boxes.last();
    QCOMPARE(error.Caption, TApplication::Title());
    QCOMPARE(error.Text, QStringLiteral("\"30G\" is not a valid hexadecimal value."));
    QCOMPARE(error.Icon, TMsgIcon::Error);
    QCOMPARE(error.Buttons, TMsgButtons::Ok);
    QVERIFY(w.startView());
    QCOMPARE(w.form.ControlBase(), quint16(0x2A0));
    QCOMPARE(w.card.Log.size(), accesses);
    QCOMPARE(w.card.Reads.size(), reads);

    // The program goes on: a valid address opens the grid.
    w.typeBase(QStringLiteral("300"));
    w.openGrid();
    QVERIFY(w.gridView());
}

void tst_PortResources::registersGivePositions_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("position");
    QTest::newRow("0x00 brought to 100") << 0x00 << 256;
    QTest::newRow("0x20") << 0x20 << 0x100;
    QTest::newRow("0x21") << 0x21 << 0x108;
    QTest::newRow("0x5F") << 0x5F << 0x2F8;
    QTest::newRow("0x7F") << 0x7F << 1016;
    QTest::newRow("0xFF, no card, brought to 3F8") << 0xFF << 1016;
}

void tst_PortResources::registersGivePositions()
{
    // A register value turned into a wrong starting address, or shown before the user chose it.
    QFETCH(int, reg);
    QFETCH(int, position);
    ResourceWindow w;
    for (int port = 0; port < 8; ++port)
        w.card.Registers[1 + port] = quint8(port == 2 ? reg : 0x30);
    w.openGrid();
    QCOMPARE(w.boxes.count(), 1);
    QCOMPARE(w.boxes.last().Caption, QStringLiteral("Access Warning"));
    QCOMPARE(w.boxes.last().Text, QStringLiteral("The setup program will now try to access the card. Only continue "
                                                 "if the base address has been set correctly(Settings | Base "
                                                 "Address) and the card is installed."));
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::OkCancel);
    QCOMPARE(w.boxes.last().Icon, TMsgIcon::Question);
    QVERIFY(w.gridView());
    QCOMPARE(w.upDown(2)->Position(), position);
    QCOMPARE(w.upDown(0)->Position(), 0x180);
    for (int port = 0; port < 8; ++port)
        QCOMPARE(w.edit(port)->text(), QStringLiteral("***"));
    QCOMPARE(w.irq()->currentIndex(), -1);
    // The first step starts from the card's value.
    const bool atTop = position == 1016;
    QTest::keyClick(w.edit(2), atTop ? Qt::Key_Down : Qt::Key_Up);
    const int stepped = atTop ? position - 8 : position + 8;
    QCOMPARE(w.edit(2)->text(), QStringLiteral("%1").arg(stepped, 3, 16, QLatin1Char('0')).toUpper());
}

void tst_PortResources::keysStepTheLinkedUpDown_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("Page Up") << 0x200 << int(Qt::Key_PageUp) << "220";
    QTest::newRow("Page Down") << 0x200 << int(Qt::Key_PageDown) << "1E0";
    QTest::newRow("Up") << 0x200 << int(Qt::Key_Up) << "208";
    QTest::newRow("Down") << 0x200 << int(Qt::Key_Down) << "1F8";
    QTest::newRow("Up at 3F8") << 1016 << int(Qt::Key_Up) << "3F8";
    QTest::newRow("Page Up at 3F8") << 1016 << int(Qt::Key_PageUp) << "3F8";
    QTest::newRow("Page Up near the top") << 1000 << int(Qt::Key_PageUp) << "3F8";
    QTest::newRow("Down at 100") << 256 << int(Qt::Key_Down) << "100";
    QTest::newRow("Page Down at 100") << 256 << int(Qt::Key_PageDown) << "100";
    QTest::newRow("other key") << 0x200 << int(Qt::Key_Right) << "200";
}

void tst_PortResources::keysStepTheLinkedUpDown()
{
    // Keys moving the wrong port, past the range, or by the wrong amount.
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(QString, text);
    ResourceWindow w;
    w.openGrid();
    w.upDown(5)->setPosition(start == 256 ? 264 : 256);
    w.upDown(5)->setPosition(start);
    const int other = w.upDown(4)->Position();
    QTest::keyClick(w.edit(5), Qt::Key(key));
    QCOMPARE(w.edit(5)->text(), text);
    QCOMPARE(w.upDown(5)->Position(), text.toInt(nullptr, 16));
    QCOMPARE(w.upDown(4)->Position(), other);
    QCOMPARE(w.edit(4)->text(), QStringLiteral("***"));
}

void tst_PortResources::arrowClickShowsAddress()
{
    // An arrow click that does not reach the port's edit.
    ResourceWindow w;
    w.card.Registers[8] = 0x40;
    w.openGrid();
    TUpDown *ud = w.upDown(7);
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(ud->width() / 2, 3));
    QCOMPARE(w.edit(7)->text(), QStringLiteral("208"));
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(ud->width() / 2, ud->height() - 3));
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(ud->width() / 2, ud->height() - 3));
    QCOMPARE(w.edit(7)->text(), QStringLiteral("1F8"));
    QCOMPARE(w.edit(6)->text(), QStringLiteral("***"));
}

void tst_PortResources::focusEntryLinksPorts()
{
    // The links of edits and up-downs missing or crossed when the focus enters the panel.
    ResourceWindow w;
    QWidget outside;
    auto *field = new QLineEdit(&outside);
    outside.show();
    QApplication::setActiveWindow(&outside);
    field->setFocus();
    QCOMPARE(w.upDown(0)->Tag(), nullptr);
    w.host.activateWindow();
    QApplication::setActiveWindow(&w.host);
    w.button(1)->setFocus();
    QTRY_VERIFY(w.upDown(0)->Tag());
    for (int port = 0; port < 8; ++port) {
        QCOMPARE(w.upDown(port)->Tag(), w.edit(port));
        QCOMPARE(w.edit(port)->Tag(), w.upDown(port));
    }
}

void tst_PortResources::invalidSettings_data()
{
    QTest::addColumn<int>("setPorts");   // ports A.. given an address
    QTest::addColumn<int>("irqIndex");
    QTest::addColumn<QString>("name");
    QTest::newRow("grid untouched") << 0 << -1 << "base address for port A";
    QTest::newRow("port D unset") << 3 << 6 << "base address for port D";
    QTest::newRow("port H unset") << 7 << 6 << "base address for port H";
    QTest::newRow("no IRQ") << 8 << -1 << "IRQ for ports";
}

void tst_PortResources::invalidSettings()
{
    // An unset port or IRQ written to the card, or reported with more than one box.
    QFETCH(int, setPorts);
    QFETCH(int, irqIndex);
    QFETCH(QString, name);
    ResourceWindow w;
    w.openGrid();
    for (int port = 0; port < setPorts; ++port)
        w.upDown(port)->setPosition(0x200 + 8 * port);
    if (irqIndex >= 0)
        w.irq()->setCurrentIndex(irqIndex);
    const int accesses = w.card.Log.size();
    w.boxes.requests.clear();
    w.click(w.button(2));
    QCOMPARE(w.boxes.count(), 1);
    QCOMPARE(w.boxes.last().Caption, QStringLiteral("Invalid Setting"));
    QCOMPARE(w.boxes.last().Text, QStringLiteral("Error: ") + name + QStringLiteral(" is invalid."));
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::Ok);
    QCOMPARE(w.boxes.last().Icon, TMsgIcon::Warning);
    QCOMPARE(w.card.Log.size(), accesses);
    QVERIFY(w.gridView());
}

void tst_PortResources::writeSequence()
{
    // Registers written in another order, with other values, or the grid not closed after success.
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 6);   // IRQ "A"
    QCOMPARE(w.irq()->currentText(), QStringLiteral("A"));
    w.card.Log.clear();
    w.boxes.requests.clear();
    w.click(w.button(2));
    QCOMPARE(w.card.RegisterWrites(), ExampleWrites);
    for (int reg = 1; reg <= 8; ++reg)
        QCOMPARE(int(w.card.Registers[reg]), 0x1F + reg);
    QCOMPARE(w.captions(), (QStringList{ "Confirmation", "Success" }));
    const TMessageRequest &confirm = w.boxes.requests.first();
    QCOMPARE(confirm.Text, QStringLiteral("The setup program will now write the port resources. If they conflict "
                                          "with another device in your system, neither may function once the DF "
                                          "jumper is removed. Are you sure you want to use these resources?"));
    QCOMPARE(confirm.Buttons, TMsgButtons::OkCancel);
    QCOMPARE(confirm.Icon, TMsgIcon::Question);
    QCOMPARE(confirm.Owner, w.panel->window());
    const TMessageRequest &success = w.boxes.last();
    QCOMPARE(success.Text, QStringLiteral("The resources have been written to the card. You will now need to shut "
                                          "down the stack, remove the DF jumper, and start back up. Your card will "
                                          "then be ready for use!"));
    QCOMPARE(success.Buttons, TMsgButtons::Ok);
    QCOMPARE(success.Icon, TMsgIcon::Information);
    QVERIFY(w.startView());
}

void tst_PortResources::cancelWritesNothing_data()
{
    QTest::addColumn<bool>("atAccessWarning");
    QTest::newRow("access warning cancelled") << true;
    QTest::newRow("confirmation cancelled") << false;
}

void tst_PortResources::cancelWritesNothing()
{
    // A cancelled step still touching the card or losing the user's grid.
    QFETCH(bool, atAccessWarning);
    ResourceWindow w;
    if (atAccessWarning) {
        w.boxes.queueAnswers({ TMsgResult::Cancel });
        w.click(w.button(1));
        QVERIFY(w.startView());
        QCOMPARE(w.card.Log.size(), 0);
        QCOMPARE(w.card.Reads.size(), 1);   // the start-up check only
        return;
    }
    w.openGrid();
    w.fillGrid(0x200, 2);
    const int accesses = w.card.Log.size();
    w.boxes.queueAnswers({ TMsgResult::Cancel });
    w.click(w.button(2));
    QCOMPARE(w.card.Log.size(), accesses);
    QVERIFY(w.gridView());
    QCOMPARE(w.edit(3)->text(), QStringLiteral("218"));
    QCOMPARE(w.irq()->currentIndex(), 2);
}

void tst_PortResources::pacing_data()
{
    QTest::addColumn<quint64>("start");
    QTest::newRow("ordinary time") << quint64(1000);
    QTest::newRow("where a 32-bit count wraps") << quint64(0xFFFFFFF0ull);
    QTest::newRow("far beyond 32 bits") << quint64(0x1234567890ull);
}

void tst_PortResources::pacing()
{
    // Writes closer than 10 ms, waits collapsing when a tick count wraps, or
    // a sequence finishing too early.
    QFETCH(quint64, start);
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 0);
    w.clock.now = start;
    w.card.Log.clear();
    w.click(w.button(2));
    const QList<quint64> times = w.card.DataWriteTimes();
    QCOMPARE(times.size(), 13);
    QCOMPARE(times.first(), start);
    for (int i = 1; i < times.size(); ++i)
        QVERIFY2(times[i] - times[i - 1] >= 10, qPrintable(QString::number(i)));
    QVERIFY(w.clock.now > start + 130);
    QVERIFY(w.clock.now <= start + 150);
}

void tst_PortResources::lostTimeShortensLaterWaits()
{
    // Delays piling up: the deadline must run from the start, not from each write.
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 0);
    w.card.Log.clear();
    w.clock.now = 5000;
    bool stalled = false;
    w.clock.onRest = [&] {
        if (!stalled && w.clock.now == 5025) {
            stalled = true;
            w.clock.now = 5062;   // the machine was busy for a while
        }
    };
    w.click(w.button(2));
    const QList<quint64> times = w.card.DataWriteTimes();
    QCOMPARE(times.size(), 13);
    QCOMPARE(times.mid(0, 4), (QList<quint64>{ 5000, 5011, 5021, 5062 }));
    // Writes 4 to 6 were already due and go out at once, then the 10 ms rhythm resumes.
    QCOMPARE(times.mid(4, 4), (QList<quint64>{ 5062, 5062, 5062, 5071 }));
    QCOMPARE(w.clock.now, quint64(5131));
}

void tst_PortResources::windowKeepsRunningDuringWrites()
{
    // A window frozen while the writes wait: its timers must keep firing between writes.
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 0);
    int ticks = 0;
    QTimer timer(&w.form);
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start();
    QList<int> ticksAtWrite;
    w.card.Clock = [&] {
        ticksAtWrite << ticks;
        return w.clock.now;
    };
    w.card.Log.clear();
    w.click(w.button(2));
    const QList<QPair<int, int>> writes = w.card.RegisterWrites();
    QCOMPARE(writes.size(), 13);
    // Index and data write of one register come together; between registers the timer ran.
    for (int reg = 1; reg < 13; ++reg)
        QVERIFY2(ticksAtWrite[2 * reg] > ticksAtWrite[2 * reg - 1], qPrintable(QString::number(reg)));
}

void tst_PortResources::secondActivationAddsNoWrite()
{
    // A second press during the waits interleaving its writes with the first sequence.
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.card.Log.clear();
    w.boxes.requests.clear();
    int pressesDuringWrites = 0;
    w.clock.onRest = [&] {
        if (w.clock.now == 1035 || w.clock.now == 1100) {
            QVERIFY(w.form.WritingResources());
            ++pressesDuringWrites;
            w.click(w.button(2));
        }
    };
    w.click(w.button(2));
    QCOMPARE(pressesDuringWrites, 2);
    QCOMPARE(w.card.RegisterWrites(), ExampleWrites);
    QCOMPARE(w.captions(), (QStringList{ "Confirmation", "Success" }));
    QVERIFY(!w.form.WritingResources());

    // Once finished, the procedure can run again.
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.card.Log.clear();
    w.clock.onRest = nullptr;
    w.click(w.button(2));
    QCOMPARE(w.card.RegisterWrites(), ExampleWrites);
}

void tst_PortResources::missingDriverWritesNothing()
{
    // Writes into nowhere reported as "Success".
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.card.DriverMissing = true;
    w.card.Log.clear();
    w.boxes.requests.clear();
    w.click(w.button(2));
    QCOMPARE(w.card.Log.size(), 0);
    QCOMPARE(w.captions(), QStringList{ "Warning" });
    QCOMPARE(w.boxes.last().Text, DriverText);
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::Ok);
    QCOMPARE(w.boxes.last().Icon, TMsgIcon::Warning);
    QVERIFY(w.gridView());
}

void tst_PortResources::verification_data()
{
    QTest::addColumn<int>("readValue");       // -1: the card answers from its registers
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<QString>("ports");
    QTest::newRow("absent card reads FF") << 0xFF << true << "A, B, C, D, E, F, G, H";
    QTest::newRow("card ignoring writes") << -1 << false << "B, E";
    QTest::newRow("card keeping them") << -1 << true << "";
}

void tst_PortResources::verification()
{
    // Addresses the card did not keep reported as written.
    QFETCH(int, readValue);
    QFETCH(bool, keeps);
    QFETCH(QString, ports);
    ResourceWindow w;
    // What the card holds already: the new addresses except for ports B and E.
    for (int port = 0; port < 8; ++port)
        w.card.Registers[1 + port] = quint8(0x20 + port + ((port == 1 || port == 4) ? 0x10 : 0));
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.card.KeepsWrites = keeps;
    if (readValue >= 0)
        w.card.ReadValue = quint8(readValue);
    w.boxes.requests.clear();
    w.click(w.button(2));
    QCOMPARE(w.card.RegisterWrites().size(), 13);
    if (ports.isEmpty()) {
        QCOMPARE(w.captions(), (QStringList{ "Confirmation", "Success" }));
        QVERIFY(w.startView());
        return;
    }
    QCOMPARE(w.captions(), (QStringList{ "Confirmation", "Verification Failed" }));
    QCOMPARE(w.boxes.last().Text, QStringLiteral("The card did not keep the addresses written for port(s) ") + ports
                                      + QStringLiteral(". Check the control base address and that the card is "
                                                       "installed, then try again."));
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::Ok);
    QCOMPARE(w.boxes.last().Icon, TMsgIcon::Warning);
    QVERIFY(w.gridView());
    QCOMPARE(w.edit(0)->text(), QStringLiteral("100"));
}

void tst_PortResources::viewSurvivesPopupClosing()
{
    // The grid lost when the "Port Resources" popup is closed and opened again.
    SimulatedCard card;
    FakeClock clock;
    MessageRecorder boxes;
    TMainForm form;
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *ring = form.findChild<TBoardHighlight *>(QStringLiteral("COMBaseHighlight"));
    auto *panel = form.findChild<TRadioPanel *>(QStringLiteral("COMBasePanel"));
    ring->Click();
    TPopupForm *popup = ring->Popup();
    QVERIFY(popup);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(panel->window(), popup);
    // The design's 8 pt font travels with the panel.
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("Label16"))->font().pointSize(), 8);
    auto *button1 = panel->findChild<QPushButton *>(QStringLiteral("Button1"));
    QTest::mouseClick(button1, Qt::LeftButton, {}, button1->rect().center());
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Owner, popup);
    QVERIFY(button1->isHidden());
    auto *ud = panel->findChild<TUpDown *>(QStringLiteral("BaseUDC"));
    ud->setPosition(0x2F8);

    popup->Close();
    QVERIFY(!popup->isVisible());
    ring->Click();
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(button1->isHidden());
    QVERIFY(button1->isHidden());
    QVERIFY(panel->findChild<QPushButton *>(QStringLiteral("Button2"))->isVisible());
    QCOMPARE(panel->findChild<TEdit *>(QStringLiteral("BaseEditC"))->text(), QStringLiteral("2F8"));
    QVERIFY(panel->findChild<TEdit *>(QStringLiteral("BaseEditC"))->isVisible());
}

ZX_TEST_MAIN(tst_PortResources)
#include "tst_portresources.moc"
