// The supporter's calibration poll: channel texts into the display groups,
// the two failure boxes, and the Start buttons it hands back.
#include "MessageRecorder.h"
#include "TSetupSupporter.h"
#include "TestMain.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

namespace {

class SeamSupporter : public TSetupSupporter
{
public:
    using TSetupSupporter::TSetupSupporter;
    bool refuseTimer = false;

protected:
    int StartTimer(int interval) override { return refuseTimer ? 0 : TSetupSupporter::StartTimer(interval); }
};

const QString FailureCaption = QStringLiteral("Total A/D failure");
const QString FailureText = QStringLiteral(
    "Total A/D failure. The card may not be installed, or it may be installed at a different base address.");
const QString UnassignedCaption = QStringLiteral("OnGetCalibString Not Assigned");
const QString UnassignedText = QStringLiteral("Error: calibration begun, but OnGetCalibString isn't assigned.");

QString reading(int channel)
{
    return QStringLiteral("%1.%2 V").arg(channel).arg(channel * 5 % 10);
}

// Display groups as a program would register them, with the program's Stop
// handler on each button and one outside connection it made itself.
struct Rig
{
    QWidget host;
    SeamSupporter *sup = new SeamSupporter(&host);
    QList<QComboBox *> lists;
    QList<QPushButton *> buttons;
    QList<QWidget *> hidden;
    int stopClicks = 0, outsideClicks = 0, stopEvents = 0;
    QList<QObject *> started; // senders of OnStartButtonClick

    Rig(int groups, int items)
    {
        for (int g = 0; g < groups; ++g) {
            auto *list = new QComboBox(&host);
            for (int i = 0; i < items; ++i)
                list->addItem(QStringLiteral("old %1").arg(i));
            auto *button = new QPushButton(QStringLiteral("Stop"), &host);
            auto *hide = new QWidget(&host);
            sup->AddCalibDisplay({list, button, hide, new QObject(&host)});
            TSetupSupporter::SetButtonClick(button, [this](QObject *) { ++stopClicks; });
            QObject::connect(button, &QPushButton::clicked, &host, [this] { ++outsideClicks; });
            lists << list;
            buttons << button;
            hidden << hide;
        }
        sup->OnStopButtonClick = [this](QObject *) { ++stopEvents; };
        sup->OnStartButtonClick = [this](QObject *sender) { started << sender; };
    }
};

// One poll step: its set-up, the answer to its box, and what must follow.
struct Step
{
    int channels;
    QString handler; // OnGetCalibString: "good at 5" (clears ItsAllBad at channel 5), "all bad", "none"
    bool begin; // OnBeginCalib assigned
    int groups, items; // display groups, items in each list
    QString box; // caption of the step's one box; empty: none
    bool running; // after the step
    int itemsAfter;
    bool changeButtons = true, startHandler = true;
    TMsgResult answer = TMsgResult::Cancel;
};

} // namespace

Q_DECLARE_METATYPE(Step)

class tst_CalibPoll : public QObject
{
    Q_OBJECT
private slots:
    void pollStep_data();
    void pollStep();
    void showChannelString_data();
    void showChannelString();
    void failureBoxesThroughTimer();
    void errorInsideStep_data();
    void errorInsideStep();
    void slowHandlerGetsNoNestedStep();
    void stopHandlerMayResetButtons();
    void deletedControls();
};

void tst_CalibPoll::pollStep_data()
{
    QTest::addColumn<Step>("step");
    const QString failure = FailureCaption;
    QTest::newRow("channel 5 usable: no box, every channel shown") << Step {8, "good at 5", true, 2, 8, "", true, 8};
    QTest::newRow("short lists grow to every channel") << Step {8, "good at 5", false, 2, 3, "", true, 8};
    QTest::newRow("longer lists keep their other items") << Step {8, "good at 5", false, 2, 10, "", true, 10};
    QTest::newRow("three channels write three items") << Step {3, "good at 5", false, 1, 8, failure, false, 8};
    QTest::newRow("never usable, Cancel: buttons become Start") << Step {8, "all bad", true, 2, 8, failure, false, 8};
    QTest::newRow("never usable, Cancel, no Start handler")
        << Step {8, "all bad", false, 2, 8, failure, false, 8, true, false};
    QTest::newRow("never usable, Retry: poll goes on")
        << Step {8, "all bad", false, 2, 8, failure, true, 8, true, true, TMsgResult::Retry};
    QTest::newRow("ChangeButtons False: buttons kept") << Step {8, "all bad", false, 2, 8, failure, false, 8, false};
    QTest::newRow("no display groups: handlers still called") << Step {8, "all bad", true, 0, 0, failure, false, 0};
    QTest::newRow("Channels 0: no channel asked, failure box") << Step {0, "all bad", false, 1, 2, failure, false, 2};
    QTest::newRow("OnBeginCalib without OnGetCalibString") << Step {8, "none", true, 2, 8, UnassignedCaption, false, 8};
}

void tst_CalibPoll::pollStep()
{
    // Guards against lost or misplaced channel texts, a missed or extra box, a poll left running, buttons not given
    // back.
    QFETCH(Step, step);
    const int groups = step.groups, channels = step.channels;
    const bool asking = step.handler != QLatin1String("none");
    // Whenever the poll stops, the buttons go back to Start if ChangeButtons.
    const bool buttonsReset = !step.running && step.changeButtons;

    Rig rig(groups, step.items);
    SeamSupporter *sup = rig.sup;
    sup->setChannels(quint8(channels));
    sup->setChangeButtons(step.changeButtons);
    if (!step.startHandler)
        sup->OnStartButtonClick = nullptr;
    int beginCalls = 0;
    if (step.begin)
        sup->setOnBeginCalib([&](QObject *sender) {
            QCOMPARE(sender, sup);
            ++beginCalls;
        });
    QList<int> asked;
    const bool goodAt5 = step.handler == QLatin1String("good at 5");
    if (asking)
        sup->OnGetCalibString = [&](QObject *sender, quint8 channel, bool &itsAllBad) {
            [&] { QCOMPARE(sender, sup); }();
            asked << channel;
            if (goodAt5 && channel == 5)
                itsAllBad = false;
            return reading(channel);
        };
    MessageRecorder recorder {step.answer};
    sup->SetRunning(true);
    QVERIFY(sup->TimerActive());
    sup->TimerTick();

    QCOMPARE(recorder.count(), step.box.isEmpty() ? 0 : 1);
    for (const TMessageRequest &request : recorder.requests) {
        const bool failure = request.Caption == FailureCaption;
        QCOMPARE(request.Caption, step.box);
        QCOMPARE(request.Text, failure ? FailureText : UnassignedText);
        QCOMPARE(request.Buttons, failure ? TMsgButtons::RetryCancel : TMsgButtons::Ok);
        QCOMPARE(request.Icon, TMsgIcon::Warning);
        QVERIFY(request.OnTop);
    }
    QCOMPARE(beginCalls, step.begin ? 1 : 0);
    QList<int> expectedAsked;
    for (int c = 0; asking && c < channels; ++c)
        expectedAsked << c;
    QCOMPARE(asked, expectedAsked);
    QCOMPARE(sup->Running(), step.running);
    QCOMPARE(sup->TimerActive(), step.running);

    for (int g = 0; g < groups; ++g) {
        QComboBox *list = rig.lists.at(g);
        QCOMPARE(list->count(), step.itemsAfter);
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->itemText(i),
                asking && i < channels ? QStringLiteral("Channel %1\t%2").arg(i).arg(reading(i))
                                       : QStringLiteral("old %1").arg(i));
        QCOMPARE(rig.hidden.at(g)->isHidden(), asking);

        // The program's own connection stays; the managed one is Stop's, or Start's once handed back.
        QPushButton *button = rig.buttons.at(g);
        QCOMPARE(button->text(), buttonsReset ? QStringLiteral("Start") : QStringLiteral("Stop"));
        const int stopBefore = rig.stopClicks, outsideBefore = rig.outsideClicks;
        rig.started.clear();
        button->click();
        QCOMPARE(rig.outsideClicks - outsideBefore, 1);
        QCOMPARE(rig.stopClicks - stopBefore, buttonsReset ? 0 : 1);
        QCOMPARE(rig.started, buttonsReset && step.startHandler ? QList<QObject *> {button} : QList<QObject *>());
    }
    if (buttonsReset && groups > 0) {
        // Handing the buttons back twice leaves one Start handler each.
        sup->ResetButtons();
        rig.started.clear();
        rig.buttons.first()->click();
        QCOMPARE(rig.started.size(), step.startHandler ? 1 : 0);
    }
    QCOMPARE(rig.stopEvents, 0);
}

void tst_CalibPoll::showChannelString_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("maxCount"); // of the first list; 0: no cap
    QTest::addColumn<int>("registers"); // displays the first list's change handler registers meanwhile
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("text"); // shown as "Channel <channel>\t<text>"
    QTest::newRow("empty text") << 8 << 0 << 0 << 0 << "";
    QTest::newRow("beyond a short list") << 2 << 0 << 0 << 6 << "x";
    QTest::newRow("highest channel into an empty list") << 0 << 0 << 0 << 255 << "max";
    QTest::newRow("a list that cannot grow far enough") << 2 << 4 << 0 << 6 << "x";
    QTest::newRow("a list that cannot grow at all") << 2 << 2 << 0 << 2 << "x";
    QTest::newRow("a handler registers displays meanwhile") << 0 << 0 << 64 << 3 << "x";
}

void tst_CalibPoll::showChannelString()
{
    // Wrong item texts, channels lost in short lists, a hang on a list that cannot grow, a crash when displays are
    // added meanwhile.
    QFETCH(int, items);
    QFETCH(int, maxCount);
    QFETCH(int, registers);
    QFETCH(int, channel);
    QFETCH(QString, text);
    const QString item = QStringLiteral("Channel %1\t").arg(channel) + text;
    Rig rig(2, items);
    QComboBox *capped = rig.lists.first();
    if (maxCount)
        capped->setMaxCount(maxCount);
    QList<QComboBox *> late;
    connect(capped, &QComboBox::currentIndexChanged, this, [&] {
        for (int i = late.size(); i < registers; ++i) {
            late << new QComboBox(&rig.host);
            rig.sup->AddCalibDisplay({late.last(), nullptr, nullptr, nullptr});
        }
    });
    rig.sup->ShowChannelString(quint8(channel), text);
    for (QComboBox *list : rig.lists) {
        const int room = list == capped && maxCount ? maxCount : 256;
        QCOMPARE(list->count(), qMin(room, qMax(items, channel + 1)));
        QCOMPARE(list->itemText(channel), channel < list->count() ? item : QString());
        for (int i = items; i < qMin(channel, list->count()); ++i)
            QCOMPARE(list->itemText(i), QString());
    }
    // Displays registered meanwhile are written from the next channel text on.
    QCOMPARE(late.size(), registers);
    for (QComboBox *list : std::as_const(late))
        QCOMPARE(list->count(), 0);
}

void tst_CalibPoll::failureBoxesThroughTimer()
{
    // Guards against steps running behind an open failure box, Retry not restarting the poll, or Cancel not stopping
    // it.
    Rig rig(2, 8);
    SeamSupporter *sup = rig.sup;
    int asked = 0;
    sup->OnGetCalibString = [&](QObject *, quint8 channel, bool &) {
        ++asked;
        return reading(channel);
    };
    MessageRecorder recorder;
    recorder.queueAnswers({TMsgResult::Retry, TMsgResult::Cancel});
    QList<int> askedWhileOpen;
    QList<bool> pollingWhileOpen;
    recorder.whileOpen = [&](const TMessageRequest &) {
        // The box's own loop runs for several timer periods.
        QEventLoop modal;
        QTimer::singleShot(350, &modal, &QEventLoop::quit);
        modal.exec();
        askedWhileOpen << asked;
        pollingWhileOpen << (sup->Running() || sup->TimerActive());
    };
    sup->SetRunning(true);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.count(), 2, 10000);
    QCOMPARE(askedWhileOpen, (QList<int> {8, 16}));
    QCOMPARE(pollingWhileOpen, (QList<bool> {false, false}));
    QCOMPARE(asked, 16);
    QVERIFY(!sup->TimerActive());
}

void tst_CalibPoll::errorInsideStep_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("texts"); // of the boxes, in order; the last is the error box
    QTest::addColumn<bool>("timerKept");
    QTest::newRow("OnGetCalibString throws") << "reading" << QStringList {"reading failed"} << true;
    QTest::newRow("OnBeginCalib throws") << "begin" << QStringList {"begin failed"} << true;
    QTest::newRow("timer refused on Retry")
        << "timer" << QStringList {FailureText, "Not enough timers available"} << false;
}

void tst_CalibPoll::errorInsideStep()
{
    // Guards against a handler's exception or a refused timer escaping unreported, or a throwing handler ending the
    // poll.
    QFETCH(QString, fault);
    QFETCH(QStringList, texts);
    QFETCH(bool, timerKept);
    Rig rig(1, 8);
    SeamSupporter *sup = rig.sup;
    int steps = 0;
    sup->setOnBeginCalib([&](QObject *) {
        ++steps;
        if (fault == QLatin1String("begin"))
            throw std::runtime_error("begin failed");
    });
    sup->OnGetCalibString = [&](QObject *, quint8 channel, bool &itsAllBad) -> QString {
        if (fault == QLatin1String("reading") && channel == 2)
            throw std::runtime_error("reading failed");
        if (fault != QLatin1String("timer"))
            itsAllBad = false; // usable: only the fault makes a box
        return reading(channel);
    };
    MessageRecorder recorder(TMsgResult::Retry);
    sup->SetRunning(true);
    sup->refuseTimer = fault == QLatin1String("timer");
    QTRY_VERIFY(recorder.count() >= texts.size());
    QStringList shown;
    for (const TMessageRequest &box : recorder.requests.mid(0, texts.size()))
        shown << box.Text;
    QCOMPARE(shown, texts);
    QCOMPARE(recorder.requests.at(texts.size() - 1).Icon, TMsgIcon::Error);
    QCOMPARE(sup->TimerActive(), timerKept);
    if (timerKept) {
        // The poll goes on at the next tick.
        QVERIFY(sup->Running());
        QTRY_VERIFY(steps >= 2);
    }
}

void tst_CalibPoll::slowHandlerGetsNoNestedStep()
{
    // Guards against a handler that pumps messages and restarts the poll starting a second step inside the first.
    Rig rig(1, 8);
    SeamSupporter *sup = rig.sup;
    int asked = 0;
    QList<int> askedAtStepStart;
    sup->setOnBeginCalib([&](QObject *) { askedAtStepStart << asked; });
    sup->OnGetCalibString = [&](QObject *, quint8 channel, bool &itsAllBad) {
        ++asked;
        if (askedAtStepStart.size() == 1 && channel == 0) {
            sup->SetRunning(false);
            sup->SetRunning(true);
            // A slow reading that keeps the window alive over more than two timer periods.
            QElapsedTimer slow;
            slow.start();
            while (slow.elapsed() < 250)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        itsAllBad = false;
        return reading(channel);
    };
    sup->SetRunning(true);
    QTRY_VERIFY(askedAtStepStart.size() >= 2);
    sup->SetRunning(false);
    QCOMPARE(askedAtStepStart.mid(0, 2), (QList<int> {0, 8}));
}

void tst_CalibPoll::stopHandlerMayResetButtons()
{
    // Guards against a crash when the running Stop handler hands its own button back.
    Rig rig(2, 8);
    SeamSupporter *sup = rig.sup;
    TSetupSupporter::SetButtonClick(rig.buttons.first(), [sup](QObject *) { sup->ResetButtons(); });
    sup->SetRunning(true);
    rig.buttons.first()->click();
    QVERIFY(!sup->Running());
    QCOMPARE(rig.buttons.first()->text(), QStringLiteral("Start"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.buttons.first()->click();
    QCOMPARE(rig.started, QList<QObject *> {rig.buttons.first()});
}

void tst_CalibPoll::deletedControls()
{
    // Guards against a crash when a group's controls are gone before a step.
    Rig rig(2, 8);
    SeamSupporter *sup = rig.sup;
    delete rig.lists.takeFirst();
    delete rig.buttons.takeFirst();
    delete rig.hidden.takeFirst();
    sup->OnGetCalibString = [](QObject *, quint8 channel, bool &) { return reading(channel); };
    MessageRecorder recorder(TMsgResult::Cancel);
    sup->SetRunning(true);
    sup->TimerTick();
    QCOMPARE(recorder.count(), 1);
    QCOMPARE(rig.lists.first()->itemText(7), QStringLiteral("Channel 7\t") + reading(7));
    QCOMPARE(rig.buttons.first()->text(), QStringLiteral("Start"));
}

ZX_TEST_MAIN(tst_CalibPoll)
#include "tst_calibpoll.moc"
