// Port resources: reading the COM ports' addresses from the card's control
// registers, the address grid, and writing addresses and IRQ back, paced and
// checked, against a simulated card and a clock the tests drive.
#include "FakeKernelTree.h"
#include "MainWindowFixture.h"
#include "TBoardHighlight.h"
#include "TEdit.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"
#include "TUpDown.h"
#include "TestMain.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace {

// The pacing clock, installed while it lives: each rest moves it on by 1 ms.
struct FakeClock : TPaceClock
{
    FakeClock()
        : previous(SetPaceClock(this))
    { }
    ~FakeClock() override { SetPaceClock(previous); }
    quint64 NowMs() override { return now; }
    void Rest() override
    {
        ++now;
        if (onRest)
            onRest();
    }

    TPaceClock *previous;
    quint64 now = 1000;
    std::function<void()> onRest;
};

const QString Letters = QStringLiteral("ABCDEFGH");

// The port-resource panel in a window of its own, as its popup shows it.
struct ResourceWindow : MainWindowFixture
{
    explicit ResourceWindow(quint16 cardBase = 0x300)
        : MainWindowFixture({"COMBasePanel"}, cardBase)
    {
        card.Clock = [this] { return clock.now; };
    }
    TUpDown *upDown(int port) const { return get<TUpDown>(QStringLiteral("BaseUD") + Letters[port]); }
    TEdit *edit(int port) const { return get<TEdit>(QStringLiteral("BaseEdit") + Letters[port]); }
    QPushButton *button(int n) const { return get<QPushButton>(QStringLiteral("Button%1").arg(n)); }
    QComboBox *irq() const { return get<QComboBox>(QStringLiteral("IRQComboA")); }

    void typeBase(const QString &text) { get<QLineEdit>("BaseEdit")->setText(text); }
    // Configure Port Resources (every box is answered with OK unless a test says otherwise).
    void openGrid() { click(button(1)); }
    // The first ports given an address (moving their up-downs) and the IRQ chosen;
    // then the log and the boxes start afresh.
    void fillGrid(int firstAddress, int irqIndex, int ports = 8)
    {
        for (int port = 0; port < ports; ++port) {
            upDown(port)->setPosition(firstAddress + 8 * port + 8);
            upDown(port)->setPosition(firstAddress + 8 * port);
        }
        irq()->setCurrentIndex(irqIndex);
        card.Log.clear();
        boxes.requests.clear();
    }

    // Only "Configure Port Resources..." shown, or everything but it and the unused IRQ lists.
    bool view(bool grid) const
    {
        static const QStringList neverShown {"Button1", "IRQComboB", "IRQComboC", "IRQComboD", "IRQComboEFGH"};
        for (QWidget *w : get<QWidget>("COMBasePanel")->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isHidden() != (grid ? neverShown.contains(w->objectName()) : w != button(1)))
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
};

const QList<QPair<int, int>> ExampleWrites {{0, 0x00}, {1, 0x20}, {2, 0x21}, {3, 0x22}, {4, 0x23}, {5, 0x24}, {6, 0x25},
    {7, 0x26}, {8, 0x27}, {9, 0x0A}, {10, 0x0A}, {11, 0x0A}, {12, 0x0A}};

} // namespace

class tst_PortResources : public MainWindowSuite
{
    Q_OBJECT
private slots:

    void controlPorts_data();
    void controlPorts();
    void invalidBaseRaisesError();
    void registersGivePositions_data();
    void registersGivePositions();
    void focusEntryLinksPorts();
    void invalidSettings_data();
    void invalidSettings();
    void pacing_data();
    void pacing();
    void verification_data();
    void verification();
    void viewSurvivesPopupClosing();
    void serialStep_data();
    void serialStep();
};

void tst_PortResources::controlPorts_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("controlBase");
    QTest::addColumn<bool>("accepted"); // the access warning answered OK
    QTest::addColumn<bool>("driver");
    QTest::addColumn<QString>("refusal"); // the box instead of the grid; empty: the grid opens
    QTest::newRow("designed 300") << "300" << 0x300 << true << true << QString();
    QTest::newRow("above FFFF") << "10300" << 0x300 << true << true << QString();
    QTest::newRow("lower case 2a0") << "2a0" << 0x2A0 << true << true << QString();
    QTest::newRow("3FF talks to 3E0") << "3FF" << 0x3E0 << true << true << QString();
    QTest::newRow("100, the lowest usable") << "100" << 0x100 << true << true << QString();
    QTest::newRow("access warning cancelled") << "2a0" << 0x2A0 << false << true << QString();
    // Index and data ports among the DMA, interrupt and timer ports.
    QTest::newRow("1F talks to 0") << "1F" << 0x000 << true << true << "Address Not Usable";
    QTest::newRow("60") << "60" << 0x060 << true << true << "Address Not Usable";
    QTest::newRow("0E0") << "0E0" << 0x0E0 << true << true << "Address Not Usable";
    QTest::newRow("0E0, no port driver either") << "0E0" << 0x0E0 << true << false << "Address Not Usable";
    QTest::newRow("no port driver") << "300" << 0x300 << true << false << "Warning";
}

void tst_PortResources::controlPorts()
{
    // Register accesses at ports the card cannot use or after a Cancel, or a grid built from values never read.
    QFETCH(QString, base);
    QFETCH(int, controlBase);
    QFETCH(bool, accepted);
    QFETCH(bool, driver);
    QFETCH(QString, refusal);
    ResourceWindow w {quint16(controlBase)};
    w.card.DriverMissing = !driver;
    w.card.MissingCause = QStringLiteral("On this computer there is no /dev/port device node.");
    w.typeBase(base);
    w.boxes.queueAnswers({accepted ? TMsgResult::Ok : TMsgResult::Cancel});
    w.click(w.button(1));
    const bool grid = accepted && refusal.isEmpty();
    QVERIFY(w.view(grid));
    const int reads = grid ? 8 : 0;
    QCOMPARE(w.card.Log.size(), reads);
    for (int i = 0; i < reads; ++i) {
        QCOMPARE(int(w.card.Log[i].port), controlBase + 1);
        QCOMPARE(int(w.card.Log[i].value), i + 1);
    }
    QCOMPARE(w.card.Reads, QList<quint16> {0x61} + QList<quint16>(reads, quint16(controlBase + 2)));
    // Authorisation is asked only for a usable address.
    QCOMPARE(w.card.Acquires, accepted && refusal != QLatin1String("Address Not Usable") ? 1 : 0);
    QCOMPARE(w.form.ControlBase(), quint16(grid ? controlBase : 0));
    const QStringList refused = accepted && !refusal.isEmpty() ? QStringList {refusal} : QStringList();
    QCOMPARE(w.captions(), QStringList {"Access Warning"} + refused);
    const QString notUsable = QStringLiteral(
        "The control base address %1 lies in the system board's I/O range (0 to FF), where the card's registers "
        "cannot be reached without disturbing the computer. Set the card's address jumpers to 100 or above, enter "
        "that address under Settings | Base Address, and try again.");
    if (!refusal.isEmpty()) {
        const bool warning = refusal == QLatin1String("Warning");
        QCOMPARE(w.boxes.last().Text,
            warning ? DriverMissingText : notUsable.arg(QString::number(controlBase, 16).toUpper()));
        QCOMPARE(w.boxes.last().InformativeText, warning ? w.card.MissingCause : QString());
        QCOMPARE(w.boxes.last().Buttons, TMsgButtons::Ok);
        QCOMPARE(w.boxes.last().Icon, TMsgIcon::Warning);
        QCOMPARE(w.boxes.last().Owner, w.host.window());
    }
}

void tst_PortResources::invalidBaseRaisesError()
{
    // A bad address reaching the card, crashing the program, or leaving the grid half shown.
    ResourceWindow w {0x2A0};
    w.typeBase(QStringLiteral("2a0"));
    w.openGrid();
    w.fillGrid(0x100, 6);
    w.click(w.button(2));
    QVERIFY(w.view(false));
    const int accesses = w.card.Log.size(), reads = w.card.Reads.size(), boxes = w.boxes.count();

    w.typeBase(QStringLiteral("30G"));
    w.openGrid();
    QCOMPARE(w.boxes.count(), boxes + 2);
    QCOMPARE(w.boxes.last().Text, QStringLiteral("\"30G\" is not a valid hexadecimal value."));
    QVERIFY(w.view(false));
    QCOMPARE(w.form.ControlBase(), quint16(0x2A0));
    QCOMPARE(w.card.Log.size(), accesses);
    QCOMPARE(w.card.Reads.size(), reads);

    // The program goes on: a valid address opens the grid.
    w.typeBase(QStringLiteral("300"));
    w.openGrid();
    QVERIFY(w.view(true));
}

void tst_PortResources::registersGivePositions_data()
{
    QTest::addColumn<int>("reg"); // what the card holds for port C
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("action"); // then a key in port C's edit or a click on its arrows
    QTest::addColumn<QString>("text");
    QTest::newRow("0x00 brought to 100") << 0x00 << 256 << "Up"
                                         << "108";
    QTest::newRow("0x21") << 0x21 << 0x108 << "Up"
                          << "110";
    QTest::newRow("0x5F") << 0x5F << 0x2F8 << "Up"
                          << "300";
    QTest::newRow("0xFF, no card, brought to 3F8") << 0xFF << 1016 << "Down"
                                                   << "3F0";
    QTest::newRow("Page Up") << 0x40 << 0x200 << "PgUp"
                             << "220";
    QTest::newRow("Page Down") << 0x40 << 0x200 << "PgDown"
                               << "1E0";
    QTest::newRow("Up") << 0x40 << 0x200 << "Up"
                        << "208";
    QTest::newRow("Down") << 0x40 << 0x200 << "Down"
                          << "1F8";
    QTest::newRow("other key") << 0x40 << 0x200 << "Right"
                               << "***";
    QTest::newRow("Page Up near the top") << 0x7D << 1000 << "PgUp"
                                          << "3F8";
    // At a limit keys and arrows alike propose a step past it and show the limit.
    QTest::newRow("0x7F, Up at 3F8") << 0x7F << 1016 << "Up"
                                     << "3F8";
    QTest::newRow("Page Up at 3F8") << 0x7F << 1016 << "PgUp"
                                    << "3F8";
    QTest::newRow("upper arrow at 3F8") << 0x7F << 1016 << "upper arrow"
                                        << "3F8";
    QTest::newRow("0x20, Down at 100") << 0x20 << 256 << "Down"
                                       << "100";
    QTest::newRow("Page Down at 100") << 0x20 << 256 << "PgDown"
                                      << "100";
    QTest::newRow("lower arrow at 100") << 0x20 << 256 << "lower arrow"
                                        << "100";
    QTest::newRow("upper arrow") << 0x40 << 0x200 << "upper arrow"
                                 << "208";
    QTest::newRow("lower arrow") << 0x40 << 0x200 << "lower arrow"
                                 << "1F8";
    QTest::newRow("double click, a step for each press") << 0x40 << 0x200 << "lower arrow double-clicked"
                                                         << "1F0";
    QTest::newRow("right button on an arrow") << 0x40 << 0x200 << "right button"
                                              << "***";
}

void tst_PortResources::registersGivePositions()
{
    // A card value turned into a wrong or early-shown address, or keys and arrows stepping it wrongly.
    QFETCH(int, reg);
    QFETCH(int, position);
    QFETCH(QString, action);
    QFETCH(QString, text);
    ResourceWindow w;
    for (int port = 0; port < 8; ++port)
        w.card.Registers[1 + port] = quint8(port == 2 ? reg : 0x30);
    w.openGrid();
    QCOMPARE(w.boxes.count(), 1);
    QCOMPARE(w.boxes.last().Caption, QStringLiteral("Access Warning"));
    QCOMPARE(w.boxes.last().Text,
        QStringLiteral("The setup program will now try to access the card. Only continue "
                       "if the base address has been set correctly(Settings | Base "
                       "Address) and the card is installed."));
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::OkCancel);
    QCOMPARE(w.boxes.last().Icon, TMsgIcon::Question);
    QVERIFY(w.view(true));
    QCOMPARE(w.upDown(2)->Position(), position);
    QCOMPARE(w.upDown(1)->Position(), 0x180);
    for (int port = 0; port < 8; ++port)
        QCOMPARE(w.edit(port)->text(), QStringLiteral("***"));
    QCOMPARE(w.irq()->currentIndex(), -1);

    // The first step starts from the card's value.
    TUpDown *ud = w.upDown(2);
    int announced = 0;
    connect(ud, &TUpDown::OnChangingEx, this, [&](bool &, short, TUpDownDirection) { ++announced; });
    const QPoint upper(ud->width() / 2, 3), lower(ud->width() / 2, ud->height() - 3);
    const int clicks = action.endsWith(QLatin1String("double-clicked")) ? 2 : 1;
    if (action.contains(QLatin1String("arrow"))) {
        QTest::mouseClick(ud, Qt::LeftButton, {}, action.startsWith(QLatin1Char('u')) ? upper : lower);
        if (clicks == 2) // a user's double click: press, release, then the double-click press
            QTest::mouseDClick(ud, Qt::LeftButton, {}, lower);
    } else if (action == QLatin1String("right button")) {
        QTest::mouseClick(ud, Qt::RightButton, {}, upper);
    } else {
        QTest::keyClick(w.edit(2), QKeySequence::fromString(action)[0].key());
    }
    QCOMPARE(announced, text == QLatin1String("***") ? 0 : clicks);
    QCOMPARE(w.edit(2)->text(), text);
    QCOMPARE(ud->Position(), text == QLatin1String("***") ? position : text.toInt(nullptr, 16));
    QCOMPARE(w.upDown(1)->Position(), 0x180);
    QCOMPARE(w.edit(1)->text(), QStringLiteral("***"));
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
    QTest::addColumn<int>("setPorts"); // ports A.. given an address
    QTest::addColumn<int>("irqIndex");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    const QString error = QStringLiteral("Error: %1 is invalid.");
    QTest::newRow("grid untouched") << 0 << -1 << "Invalid Setting" << error.arg("base address for port A");
    QTest::newRow("port D unset") << 3 << 6 << "Invalid Setting" << error.arg("base address for port D");
    QTest::newRow("port H unset") << 7 << 6 << "Invalid Setting" << error.arg("base address for port H");
    QTest::newRow("no IRQ") << 8 << -1 << "Invalid Setting" << error.arg("IRQ for ports");
    QTest::newRow("confirmation cancelled")
        << 8 << 2 << "Confirmation"
        << "The setup program will now write the port resources. If they conflict with another device in your "
           "system, neither may function once the DF jumper is removed. Are you sure you want to use these resources?";
}

void tst_PortResources::invalidSettings()
{
    // An unset port or IRQ, or a cancelled confirmation, touching the card or losing the user's grid.
    QFETCH(int, setPorts);
    QFETCH(int, irqIndex);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x200, irqIndex, setPorts);
    w.boxes.setDefaultAnswer(TMsgResult::Cancel);
    w.click(w.button(2));
    QCOMPARE(w.boxes.count(), 1);
    QCOMPARE(w.boxes.last().Caption, caption);
    QCOMPARE(w.boxes.last().Text, text);
    const bool question = caption == QLatin1String("Confirmation");
    QCOMPARE(w.boxes.last().Buttons, question ? TMsgButtons::OkCancel : TMsgButtons::Ok);
    QCOMPARE(w.boxes.last().Icon, question ? TMsgIcon::Question : TMsgIcon::Warning);
    QCOMPARE(w.boxes.last().Owner, w.host.window());
    // Nothing written: only the confirmation follows a read of registers 1 to 8 (their index writes).
    QCOMPARE(w.card.Log.size(), question ? 8 : 0);
    QCOMPARE(w.card.DataWriteTimes(), QList<quint64>());
    QVERIFY(w.view(true));
    QCOMPARE(w.edit(0)->text(), setPorts ? QStringLiteral("200") : QStringLiteral("***"));
    QCOMPARE(w.irq()->currentIndex(), irqIndex);
}

void tst_PortResources::pacing_data()
{
    QTest::addColumn<quint64>("start");
    QTest::addColumn<quint64>("stallAt"); // the clock jumps from here to 5062, as on a busy machine
    QTest::addColumn<QList<quint64>>("times");
    const auto steady = [](quint64 start) {
        QList<quint64> times {start};
        for (quint64 k = 1; k < 13; ++k)
            times << start + 10 * k + 1;
        return times;
    };
    QTest::newRow("ordinary time") << quint64(1000) << quint64(0) << steady(1000);
    QTest::newRow("where a 32-bit count wraps") << quint64(0xFFFFFFF0ull) << quint64(0) << steady(0xFFFFFFF0ull);
    QTest::newRow("far beyond 32 bits") << quint64(0x1234567890ull) << quint64(0) << steady(0x1234567890ull);
    // Writes 4 to 6 were already due and go out at once, then the 10 ms rhythm resumes.
    QTest::newRow("time lost in one wait")
        << quint64(5000) << quint64(5025)
        << (QList<quint64> {5000, 5011, 5021, 5062, 5062, 5062, 5062, 5071, 5081, 5091, 5101, 5111, 5121});
}

void tst_PortResources::pacing()
{
    // Writes under 10 ms apart, waits collapsing at a wrap or piling up, or a window frozen while they wait.
    QFETCH(quint64, start);
    QFETCH(quint64, stallAt);
    QFETCH(QList<quint64>, times);
    ResourceWindow w;
    w.openGrid();
    w.fillGrid(0x100, 0);
    w.clock.now = start;
    w.clock.onRest = [&] {
        if (w.clock.now == stallAt)
            w.clock.now = 5062;
    };
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(0);
    QList<int> ticksAtWrite;
    w.card.Clock = [&] {
        ticksAtWrite << ticks;
        return w.clock.now;
    };
    w.click(w.button(2));
    QCOMPARE(w.card.DataWriteTimes(), times);
    QCOMPARE(w.clock.now, start + 131);
    // Index and data write of one register come together; between registers the timer ran. The
    // thirteen pairs follow the index writes of the read before the confirmation.
    const int first = 8;
    for (int reg = 1; reg < 13; ++reg)
        QVERIFY2(ticksAtWrite[first + 2 * reg] > ticksAtWrite[first + 2 * reg - 1], qPrintable(QString::number(reg)));
}

void tst_PortResources::verification_data()
{
    QTest::addColumn<int>("readValue"); // -1: the card answers from its registers
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<bool>("driver");
    QTest::addColumn<QString>("caption"); // of the box after the writes
    QTest::addColumn<QString>("text");
    const QString lost = QStringLiteral("The card did not keep the addresses written for port(s) %1. Check the "
                                        "control base address and that the card is installed, then try again.");
    QTest::newRow("card keeping them")
        << -1 << true << true << "Success"
        << "The resources have been written to the card. You will now need to shut down the stack, remove the DF "
           "jumper, and start back up. Your card will then be ready for use!";
    QTest::newRow("absent card reads FF")
        << 0xFF << true << true << "Verification Failed" << lost.arg("A, B, C, D, E, F, G, H");
    QTest::newRow("card ignoring writes") << -1 << false << true << "Verification Failed" << lost.arg("B, E");
    QTest::newRow("no port driver") << -1 << true << false << "Warning" << DriverMissingText;
}

void tst_PortResources::verification()
{
    // Wrong or interleaved register writes, writes into nowhere, or lost addresses reported as "Success".
    QFETCH(int, readValue);
    QFETCH(bool, keeps);
    QFETCH(bool, driver);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    ResourceWindow w;
    // What the card holds already: the new addresses except for ports B and E.
    for (int port = 0; port < 8; ++port)
        w.card.Registers[1 + port] = quint8(0x20 + port + ((port == 1 || port == 4) ? 0x10 : 0));
    w.openGrid();
    w.fillGrid(0x100, 6); // IRQ "A"
    w.card.KeepsWrites = keeps;
    w.card.DriverMissing = !driver;
    w.card.MissingCause = QStringLiteral("Authorisation was dismissed.");
    if (readValue >= 0)
        w.card.ReadValue = quint8(readValue);
    int pressesDuringWrites = 0;
    w.clock.onRest = [&] {
        if (w.clock.now == 1035 || w.clock.now == 1100) {
            QVERIFY(w.form.WritingResources());
            ++pressesDuringWrites;
            w.click(w.button(2));
        }
    };
    w.click(w.button(2));
    QCOMPARE(pressesDuringWrites, driver ? 2 : 0);
    QVERIFY(!w.form.WritingResources());
    QCOMPARE(w.card.RegisterWrites(), (driver ? ExampleWrites : QList<QPair<int, int>>()));
    QCOMPARE(w.captions(), (driver ? QStringList {"Confirmation", caption} : QStringList {caption}));
    const bool success = caption == QLatin1String("Success");
    QCOMPARE(w.boxes.last().Text, text);
    QCOMPARE(w.boxes.last().InformativeText,
        success ? QStringLiteral("On Linux, the kernel's serial driver must now be told where the ports are (see the "
                                 "details).")
            : driver ? QString()
                     : w.card.MissingCause);
    QCOMPARE(w.boxes.last().Buttons, TMsgButtons::Ok);
    QCOMPARE(w.boxes.last().Icon, success ? TMsgIcon::Information : TMsgIcon::Warning);
    QCOMPARE(w.boxes.last().Owner, w.host.window());
    // Only success closes the grid; otherwise the user can check and try again.
    QVERIFY(w.view(!success));
    QCOMPARE(w.edit(0)->text(), QStringLiteral("100"));

    // Once finished, the procedure can run again.
    if (success)
        w.openGrid();
    w.fillGrid(0x100, 6);
    w.clock.onRest = nullptr;
    w.click(w.button(2));
    QCOMPARE(w.card.RegisterWrites(), (driver ? ExampleWrites : QList<QPair<int, int>>()));
}

void tst_PortResources::viewSurvivesPopupClosing()
{
    // The grid lost when the "Port Resources" popup is closed and opened again.
    MainWindowFixture w;
    FakeClock clock;
    w.form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    auto *ring = w.get<TBoardHighlight>("COMBaseHighlight");
    auto *panel = w.get<TRadioPanel>("COMBasePanel");
    ring->Click();
    TPopupForm *popup = ring->Popup();
    QTRY_VERIFY(popup && popup->isVisible());
    QCOMPARE(panel->window(), popup);
    // The design's 8 pt font travels with the panel.
    QCOMPARE(w.get<QLabel>("Label16")->font().pointSize(), 8);
    auto *button1 = w.get<QPushButton>("Button1");
    w.click(button1);
    QCOMPARE(w.boxes.count(), 1);
    QCOMPARE(w.boxes.last().Owner, popup);
    QVERIFY(button1->isHidden());
    w.get<TUpDown>("BaseUDC")->setPosition(0x2F8);

    popup->Close();
    QVERIFY(!popup->isVisible());
    ring->Click();
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(button1->isHidden());
    QVERIFY(w.get<QPushButton>("Button2")->isVisible());
    QVERIFY(w.get<TEdit>("BaseEditC")->isVisible());
    QCOMPARE(w.get<TEdit>("BaseEditC")->text(), QStringLiteral("2F8"));
}

void tst_PortResources::serialStep_data()
{
    QTest::addColumn<QString>("ports"); // A to H
    QTest::addColumn<int>("clock"); // the Baud Clock popup's choice
    QTest::addColumn<QString>("ttys"); // the kernel's lines
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("said"); // the refusal, or the Confirmation's informative text
    QTest::addColumn<QStringList>("details"); // in the Success box's details, in this order
    const auto row = [](const char *name, const QString &ports, int clock, const QString &ttys,
                         const QStringList &captions, const QString &said, const QStringList &details) {
        QTest::newRow(name) << ports << clock << ttys << captions << said << details;
    };
    const QString ports = QStringLiteral("200,208,210,218,220,228,230,238");
    const QString standard = QStringLiteral("0:3F8:4:4:Y 1:2F8:3:0 2:3E8:4:0 3:2E8:3:0");
    QString withLines = standard;
    for (int line = 4; line < 12; ++line)
        withLines += QStringLiteral(" %1:0:0:0").arg(line);
    const QString unseen = QStringLiteral("Cards in the stack without a driver are not visible to this check.");
    const QStringList written {"Confirmation", "Success"};
    row("two ports at one address", "200,208,210,218,200,228,230,238", 0, withLines, QStringList {"Address Conflict"},
        "Ports A and E are both set to 200: each port needs an address of its own.", QStringList());
    row("no conflict, X1", ports, 0, withLines, written,
        "No conflict found with the devices this computer shows. " + unseen,
        QStringList {"Port A at 200: ttyS4", "setserial /dev/ttyS4 port 0x200 irq 10 baud_base 115200 autoconfig",
            "setserial /dev/ttyS11 port 0x238 irq 10 baud_base 115200 autoconfig", "setserial -g /dev/ttyS4",
            "These settings last until the next restart",
            "zx-setup-cli linux --ports 200,208,210,218,220,228,230,238 --irq 10 "
            "--serial-conf",
            "zx-setup-cli linux --ports 200,208,210,218,220,228,230,238 --irq 10\n"});
    row("X8 in the Baud Clock popup", ports, 1, withLines, written,
        "No conflict found with the devices this computer shows. " + unseen,
        QStringList {"setserial /dev/ttyS4 port 0x200 irq 10 baud_base 921600 autoconfig",
            "zx-setup-cli linux --ports 200,208,210,218,220,228,230,238 --irq 10 --clock x8\n"});
    row("a port where the kernel has COM1", "3F8,208,210,218,220,228,230,238", 0, withLines, written,
        "Possible conflicts:\n- port A at 3F8 is where the kernel has ttyS0\n" + unseen,
        QStringList {"setserial /dev/ttyS4 port 0x3F8 irq 10"});
    row("too few lines", ports, 0, standard, written,
        "No conflict found with the devices this computer shows. " + unseen,
        QStringList {"8250.nr_uarts=12", "restart, then run this again", "setserial /dev/ttyS4 port 0x200"});
}

void tst_PortResources::serialStep()
{
    // Two ports written at one address, a conflict the kernel shows kept from the Confirmation, or a Success box
    // without the Linux step for the values written and the clock chosen.
    QFETCH(QString, ports);
    QFETCH(int, clock);
    QFETCH(QString, ttys);
    QFETCH(QStringList, captions);
    QFETCH(QString, said);
    QFETCH(QStringList, details);
    ResourceWindow w;
    QVERIFY((FakeKernelTree {w.system.path()}.Ttys(ttys)));
    w.get<QComboBox>("ClockCombo")->setCurrentIndex(clock);
    w.openGrid();
    w.fillGrid(0x100, 6); // IRQ "A"
    const QStringList addresses = ports.split(',');
    for (int port = 0; port < 8; ++port)
        w.upDown(port)->setPosition(addresses[port].toInt(nullptr, 16));
    w.click(w.button(2));
    QCOMPARE(w.captions(), captions);
    const bool refused = captions.size() == 1;
    const TMessageRequest &first = w.boxes.requests.first();
    QCOMPARE(refused ? first.Text : first.InformativeText, said);
    QCOMPARE(first.Icon, refused ? TMsgIcon::Warning : TMsgIcon::Question);
    QCOMPARE(first.Owner, w.host.window());
    QCOMPARE(w.card.RegisterWrites().size(), refused ? 0 : 13);
    QVERIFY(w.view(refused));
    if (refused)
        return;
    const QString text = w.boxes.last().DetailedText;
    int at = 0;
    for (const QString &part : details) {
        const int found = text.indexOf(part, at);
        QVERIFY2(found >= 0, qPrintable(QStringLiteral("\"%1\" missing or out of order in:\n%2").arg(part, text)));
        at = found + int(part.size());
    }
}

ZX_TEST_MAIN(tst_PortResources)
#include "tst_portresources.moc"
