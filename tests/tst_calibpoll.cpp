// The supporter's calibration poll: channel texts into the display groups,
// the two failure boxes, and the Start buttons it hands back.
#include "MessageRecorder.h"
#include "TApplication.h"
#include "TSetupSupporter.h"
#include "TestMain.h"

#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

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
    int stopClicks = 0;
    int startClicks = 0;
    int outsideClicks = 0;
    int stopEvents = 0;
    QList<QObject *> startSenders;

    Rig(int groups, int items)
    {
        for (int g = 0; g < groups; ++g) {
            auto *list = new QComboBox(&host);
            for (int i = 0; i < items; ++i)
                list->addItem(QStringLiteral("old %1").arg(i));
            auto *button = new QPushButton(QStringLiteral("Stop"), &host);
            auto *hide = new QWidget(&host);
            TCalibDisplay display;
            display.List = list;
            display.Button = button;
            display.HideControl = hide;
            display.Unused = new QObject(&host);
            sup->AddCalibDisplay(display);
            TSetupSupporter::SetButtonClick(button, [this](QObject *) { ++stopClicks; });
            QObject::connect(button, &QPushButton::clicked, &host, [this] { ++outsideClicks; });
            lists << list;
            buttons << button;
            hidden << hide;
        }
        sup->OnStopButtonClick = [this](QObject *) { ++stopEvents; };
    }

    void assignStart()
    {
        sup->OnStartButtonClick = [this](QObject *sender) {
            ++startClicks;
            startSenders << sender;
        };
    }
};

} // namespace

class tst_CalibPoll : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void pollStep_data();
    void pollStep();
    void showChannelString_data();
    void showChannelString();
    void failureBoxesThroughTimer();
    void handlerException_data();
    void handlerException();
    void timerRefusedOnRetry();
    void slowHandlerGetsNoNestedStep_data();
    void slowHandlerGetsNoNestedStep();
    void stopHandlerMayResetButtons();
    void deletedControls();
};

void tst_CalibPoll::cleanup()
{
    TApplication::SetOnIdle({});
}

void tst_CalibPoll::pollStep_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("handler");   // "usable at 5", "never usable", "none"
    QTest::addColumn<bool>("begin");
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("items");
    QTest::addColumn<bool>("changeButtons");
    QTest::addColumn<bool>("startHandler");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("itemsAfter");
    QTest::addColumn<bool>("buttonsReset");

    const int cancel = int(TMsgResult::Cancel);
    const int retry = int(TMsgResult::Retry);
    const QStringList none;
    const QStringList failure{FailureCaption};
    QTest::newRow("channel 5 usable: no box, every channel shown")
        << 8 << "usable at 5" << true << 2 << 8 << true << true << cancel << none << true << 8 << false;
    QTest::newRow("short lists grow to every channel")
        << 8 << "usable at 5" << false << 2 << 3 << true << true << cancel << none << true << 8 << false;
    QTest::newRow("empty lists grow to every channel")
        << 8 << "usable at 5" << false << 1 << 0 << true << true << cancel << none << true << 8 << false;
    QTest::newRow("longer lists keep their other items")
        << 8 << "usable at 5" << false << 2 << 10 << true << true << cancel << none << true << 10 << false;
    QTest::newRow("three channels write three items")
        << 3 << "usable at 5" << false << 1 << 8 << true << true << cancel << failure << false << 8 << true;
    QTest::newRow("never usable, Cancel: buttons become Start")
        << 8 << "never usable" << true << 2 << 8 << true << true << cancel << failure << false << 8 << true;
    QTest::newRow("never usable, Cancel, no Start handler")
        << 8 << "never usable" << false << 2 << 8 << true << false << cancel << failure << false << 8 << true;
    QTest::newRow("never usable, Retry: poll goes on")
        << 8 << "never usable" << false << 2 << 8 << true << true << retry << failure << true << 8 << false;
    QTest::newRow("ChangeButtons False: buttons kept")
        << 8 << "never usable" << false << 2 << 8 << false << true << cancel << failure << false << 8 << false;
    QTest::newRow("no display groups: handlers still called")
        << 8 << "never usable" << true << 0 << 0 << true << true << cancel << failure << false << 0 << true;
    QTest::newRow("Channels 0: no channel asked, failure box")
        << 0 << "never usable" << false << 1 << 2 << true << true << cancel << failure << false << 2 << true;
    QTest::newRow("OnBeginCalib without OnGetCalibString")
        << 8 << "none" << true << 2 << 8 << true << true << cancel << QStringList{UnassignedCaption} << false << 8
        << true;
    QTest::newRow("no calibration handler at all")
        << 8 << "none" << false << 1 << 8 << true << true << cancel << QStringList{UnassignedCaption} << false << 8
        << true;
}

void tst_CalibPoll::pollStep()
{
    // Guards against lost or misplaced channel texts, ItsAllBad reset per
    // channel, a missed or extra box, a poll left running behind a box, and
    // buttons not (or wrongly) handed back.
    QFETCH(int, channels);
    QFETCH(QString, handler);
    QFETCH(bool, begin);
    QFETCH(int, groups);
    QFETCH(int, items);
    QFETCH(bool, changeButtons);
    QFETCH(bool, startHandler);
    QFETCH(int, answer);
    QFETCH(QStringList, boxes);
    QFETCH(bool, running);
    QFETCH(int, itemsAfter);
    QFETCH(bool, buttonsReset);

    Rig rig(groups, items);
    SeamSupporter *sup = rig.sup;
    sup->setChannels(quint8(channels));
    sup->setChangeButtons(changeButtons);
    if (startHandler)
        rig.assignStart();
    int beginCalls = 0;
    QList<int> asked;
    if (begin)
        sup->setOnBeginCalib([&](QObject *sender) {
            QCOMPARE(sender, sup);
            ++beginCalls;
        });
    if (handler != QLatin1String("none")) {
        const bool usableAt5 = handler == QLatin1String("usable at 5");
        sup->OnGetCalibString = [&, usableAt5](QObject *sender, quint8 channel, bool &itsAllBad) {
            [&] { QCOMPARE(sender, sup); }();
            asked << channel;
            if (usableAt5 && channel == 5)
                itsAllBad = false;
            return reading(channel);
        };
    }
    MessageRecorder recorder{TMsgResult(answer)};
    sup->SetRunning(true);
    QVERIFY(sup->TimerActive());
    sup->TimerTick();

    QStringList captions;
    for (const TMessageRequest &request : recorder.requests) {
        captions << request.Caption;
        QCOMPARE(request.Icon, TMsgIcon::Warning);
        QVERIFY(request.OnTop);
        if (request.Caption == FailureCaption) {
            QCOMPARE(request.Text, FailureText);
            QCOMPARE(request.Buttons, TMsgButtons::RetryCancel);
        } else {
            QCOMPARE(request.Text, UnassignedText);
            QCOMPARE(request.Buttons, TMsgButtons::Ok);
        }
    }
    QCOMPARE(captions, boxes);
    QCOMPARE(beginCalls, begin ? 1 : 0);
    QList<int> expectedAsked;
    if (handler != QLatin1String("none")) {
        for (int c = 0; c < channels; ++c)
            expectedAsked << c;
    }
    QCOMPARE(asked, expectedAsked);
    QCOMPARE(sup->Running(), running);
    QCOMPARE(sup->TimerActive(), running);

    for (int g = 0; g < groups; ++g) {
        QComboBox *list = rig.lists.at(g);
        QCOMPARE(list->count(), itemsAfter);
        for (int i = 0; i < list->count(); ++i) {
            const bool written = handler != QLatin1String("none") && i < channels;
            const QString expected = written ? QStringLiteral("Channel %1\t%2").arg(i).arg(reading(i))
                                             : QStringLiteral("old %1").arg(i);
            QCOMPARE(list->itemText(i), expected);
        }
        QCOMPARE(rig.hidden.at(g)->isHidden(), handler != QLatin1String("none"));

        QPushButton *button = rig.buttons.at(g);
        QCOMPARE(button->text(), buttonsReset ? QStringLiteral("Start") : QStringLiteral("Stop"));
        const int stopBefore = rig.stopClicks, startBefore = rig.startClicks, outsideBefore = rig.outsideClicks;
        button->click();
        QCOMPARE(rig.outsideClicks - outsideBefore, 1);
        QCOMPARE(rig.stopClicks - stopBefore, buttonsReset ? 0 : 1);
        QCOMPARE(rig.startClicks - startBefore, buttonsReset && startHandler ? 1 : 0);
        if (buttonsReset && startHandler)
            QCOMPARE(rig.startSenders.last(), button);
    }
    if (buttonsReset && groups > 0) {
        // Handing the buttons back twice leaves one Start handler each.
        sup->ResetButtons();
        const int startBefore = rig.startClicks;
        rig.buttons.first()->click();
        QCOMPARE(rig.startClicks - startBefore, startHandler ? 1 : 0);
    }
    QCOMPARE(rig.stopEvents, 0);
}

void tst_CalibPoll::showChannelString_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("item");
    QTest::newRow("channel 3") << 8 << 3 << "2.5 V" << 8 << "Channel 3\t2.5 V";
    QTest::newRow("empty text") << 8 << 0 << "" << 8 << "Channel 0\t";
    QTest::newRow("beyond a short list") << 2 << 6 << "x" << 7 << "Channel 6\tx";
    QTest::newRow("highest channel into an empty list") << 0 << 255 << "max" << 256 << "Channel 255\tmax";
}

void tst_CalibPoll::showChannelString()
{
    // Guards against a wrong item text and against channels lost in lists that are too short.
    QFETCH(int, items);
    QFETCH(int, channel);
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QString, item);
    Rig rig(2, items);
    rig.sup->ShowChannelString(quint8(channel), text);
    for (QComboBox *list : rig.lists) {
        QCOMPARE(list->count(), count);
        QCOMPARE(list->itemText(channel), item);
        for (int i = items; i < count - 1; ++i)
            QCOMPARE(list->itemText(i), QString());
    }
}

void tst_CalibPoll::failureBoxesThroughTimer()
{
    // Guards against steps running behind an open failure box and against
    // Retry not restarting or Cancel not stopping the timer.
    Rig rig(2, 8);
    SeamSupporter *sup = rig.sup;
    rig.assignStart();
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
    QCOMPARE(askedWhileOpen, (QList<int>{8, 16}));
    QCOMPARE(pollingWhileOpen, (QList<bool>{false, false}));
    QCOMPARE(asked, 16);
    QVERIFY(!sup->Running());
    QVERIFY(!sup->TimerActive());
    for (QPushButton *button : rig.buttons)
        QCOMPARE(button->text(), QStringLiteral("Start"));
}

void tst_CalibPoll::handlerException_data()
{
    QTest::addColumn<bool>("inBegin");
    QTest::newRow("OnGetCalibString throws") << false;
    QTest::newRow("OnBeginCalib throws") << true;
}

void tst_CalibPoll::handlerException()
{
    // Guards against a handler's exception escaping the timer, going unreported or stopping the poll.
    QFETCH(bool, inBegin);
    Rig rig(1, 8);
    SeamSupporter *sup = rig.sup;
    int steps = 0;
    sup->setOnBeginCalib([&](QObject *) {
        ++steps;
        if (inBegin)
            throw std::runtime_error("begin failed");
    });
    sup->OnGetCalibString = [&](QObject *, quint8 channel, bool &itsAllBad) -> QString {
        if (!inBegin && channel == 2)
            throw std::runtime_error("reading failed");
        itsAllBad = false;
        return reading(channel);
    };
    MessageRecorder recorder;
    sup->SetRunning(true);
    QTRY_COMPARE(recorder.count(), 1);
    const TMessageRequest box = recorder.last();
    QCOMPARE(box.Icon, TMsgIcon::Error);
    QCOMPARE(box.Text, inBegin ? QStringLiteral("begin failed") : QStringLiteral("reading failed"));
    QVERIFY(sup->Running());
    QVERIFY(sup->TimerActive());
    // The poll goes on at the next tick.
    QTRY_VERIFY(steps >= 2);
    sup->SetRunning(false);
    QVERIFY(!sup->TimerActive());
}

void tst_CalibPoll::timerRefusedOnRetry()
{
    // Guards against a timer refused inside a tick escaping the timer instead of reaching the error box.
    Rig rig(1, 8);
    SeamSupporter *sup = rig.sup;
    sup->OnGetCalibString = [](QObject *, quint8 channel, bool &) { return reading(channel); };
    MessageRecorder recorder(TMsgResult::Retry);
    sup->SetRunning(true);
    sup->refuseTimer = true;
    QTRY_COMPARE(recorder.count(), 2);
    QCOMPARE(recorder.requests.at(0).Caption, FailureCaption);
    QCOMPARE(recorder.requests.at(1).Text, QStringLiteral("Not enough timers available"));
    QCOMPARE(recorder.requests.at(1).Icon, TMsgIcon::Error);
    QVERIFY(!sup->TimerActive());
}

void tst_CalibPoll::slowHandlerGetsNoNestedStep_data()
{
    QTest::addColumn<bool>("rearm");
    QTest::newRow("slow handler") << false;
    QTest::newRow("slow handler that restarts the poll") << true;
}

void tst_CalibPoll::slowHandlerGetsNoNestedStep()
{
    // Guards against a handler that pumps messages starting a second step inside the running one.
    QFETCH(bool, rearm);
    Rig rig(1, 8);
    SeamSupporter *sup = rig.sup;
    int asked = 0;
    QList<int> askedAtStepStart;
    sup->setOnBeginCalib([&](QObject *) { askedAtStepStart << asked; });
    sup->OnGetCalibString = [&](QObject *, quint8 channel, bool &itsAllBad) {
        ++asked;
        if (askedAtStepStart.size() == 1 && channel == 0) {
            if (rearm) {
                sup->SetRunning(false);
                sup->SetRunning(true);
            }
            // A slow reading that keeps the window alive meanwhile.
            QTest::qSleep(250);
            QCoreApplication::processEvents();
        }
        itsAllBad = false;
        return reading(channel);
    };
    sup->SetRunning(true);
    QTRY_VERIFY(askedAtStepStart.size() >= 2);
    sup->SetRunning(false);
    QCOMPARE(askedAtStepStart.mid(0, 2), (QList<int>{0, 8}));
}

void tst_CalibPoll::stopHandlerMayResetButtons()
{
    // Guards against a crash when the running Stop handler hands its own button back.
    Rig rig(2, 8);
    SeamSupporter *sup = rig.sup;
    rig.assignStart();
    TSetupSupporter::SetButtonClick(rig.buttons.first(), [sup](QObject *) { sup->ResetButtons(); });
    sup->SetRunning(true);
    rig.buttons.first()->click();
    QVERIFY(!sup->Running());
    QCOMPARE(rig.buttons.first()->text(), QStringLiteral("Start"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.buttons.first()->click();
    QCOMPARE(rig.startClicks, 1);
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
