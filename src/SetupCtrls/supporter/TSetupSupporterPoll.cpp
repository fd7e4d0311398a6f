// The supporter's timer and calibration poll: the help window's delay, and
// while the poll runs, a step every 100 ms that shows each channel's reading.
#include "TSetupSupporter.h"

#include "MessageSeam.h"
#include "TApplication.h"

#include <QTimerEvent>

namespace {

const char *const ButtonClickName = "qt_supporter_click";

} // namespace

TSetupSupporter::~TSetupSupporter()
{
    // The timer must not outlive the poll; nothing may be started here.
    m_running = false;
    if (m_timerId)
        killTimer(m_timerId);
    m_timerId = 0;
}

void TSetupSupporter::setOnBeginCalib(TSupporterNotifyEvent handler)
{
    m_onBeginCalib = std::move(handler);
    UpdateTimer();
}

void TSetupSupporter::UpdateTimer()
{
    if (m_timerId)
        killTimer(m_timerId);
    m_timerId = 0;
    if (!m_running && !m_helpPending)
        return;
    m_timerId = StartTimer(100);
    if (!m_timerId)
        throw EOutOfResources("Not enough timers available");
}

int TSetupSupporter::StartTimer(int interval)
{
    return startTimer(interval);
}

void TSetupSupporter::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId || m_timerId == 0) {
        QObject::timerEvent(event);
        return;
    }
    // A handler that pumps messages must not start a second step inside the first.
    if (m_inTick)
        return;
    m_inTick = true;
    try {
        TimerTick();
    } catch (const std::exception &error) {
        TApplication::HandleException(error);
    } catch (...) {
        TApplication::HandleUnknownException();
    }
    m_inTick = false;
}

void TSetupSupporter::TimerTick()
{
    if (m_helpPending) {
        if (m_helpForm)
            m_helpForm->show();
        m_helpPending = false;
        UpdateTimer();
        return;
    }
    PollStep();
}

void TSetupSupporter::SetRunning(bool value)
{
    if (value == m_running)
        return;
    m_running = value;
    UpdateTimer();
}

void TSetupSupporter::PollStep()
{
    if (m_onBeginCalib)
        m_onBeginCalib(this);

    if (!OnGetCalibString) {
        SetRunning(false);
        ShowMessageBox(m_owner, QStringLiteral("OnGetCalibString Not Assigned"),
            QStringLiteral("Error: calibration begun, but OnGetCalibString isn't assigned."), TMsgButtons::Ok,
            TMsgIcon::Warning, true);
        ResetButtons();
        return;
    }

    // Copies: a handler may register further groups while these loops run.
    const QList<TCalibDisplay> displays = CalibDisplays;
    for (const TCalibDisplay &display : displays) {
        if (display.HideControl)
            display.HideControl->hide();
    }

    bool itsAllBad = true;
    // Copy: a handler may change Channels while the step runs.
    const quint8 channels = m_channels;
    for (int channel = 0; channel < channels; ++channel) {
        const QString text = OnGetCalibString(this, quint8(channel), itsAllBad);
        ShowChannelString(quint8(channel), text);
    }

    if (!itsAllBad)
        return;
    // Stopped before the box opens, so no step runs behind it.
    SetRunning(false);
    if (ShowMessageBox(m_owner, QStringLiteral("Total A/D failure"),
            QStringLiteral("Total A/D failure. The card may not be installed, or it may be installed at a "
                           "different base address."),
            TMsgButtons::RetryCancel, TMsgIcon::Warning, true)
        == TMsgResult::Retry)
        SetRunning(true);
    else
        ResetButtons();
}

void TSetupSupporter::ResetButtons()
{
    if (m_changeButtons) {
        // Copy: a Start handler may register further groups.
        const QList<TCalibDisplay> displays = CalibDisplays;
        for (const TCalibDisplay &display : displays) {
            if (!display.Button)
                continue;
            SetButtonClick(display.Button, OnStartButtonClick);
            display.Button->setText(QStringLiteral("Start"));
        }
    }
    SetRunning(false);
}

void TSetupSupporter::SetButtonClick(QAbstractButton *button, TSupporterNotifyEvent handler)
{
    if (!button)
        return;
    if (QObject *old = button->findChild<QObject *>(QLatin1String(ButtonClickName), Qt::FindDirectChildrenOnly)) {
        // The old handler may be the one running right now.
        QObject::disconnect(button, nullptr, old, nullptr);
        old->setObjectName(QString());
        old->deleteLater();
    }
    if (!handler)
        return;
    auto *relay = new QObject(button);
    relay->setObjectName(QLatin1String(ButtonClickName));
    connect(button, &QAbstractButton::clicked, relay, [button, handler] { handler(button); });
}

void TSetupSupporter::ShowChannelString(quint8 Channel, const QString &Text)
{
    const QString item = QStringLiteral("Channel ") + QString::number(Channel) + QLatin1Char('\t') + Text;
    const QList<TCalibDisplay> displays = CalibDisplays;
    for (const TCalibDisplay &display : displays) {
        // A list shorter than the channel count grows, so every channel shows;
        // one that cannot grow (its maxCount) keeps what it has.
        while (display.List && display.List->count() <= Channel) {
            const int before = display.List->count();
            display.List->addItem(QString());
            if (display.List && display.List->count() == before)
                break;
        }
        if (display.List)
            display.List->setItemText(Channel, item);
    }
}

void TSetupSupporter::AddCalibDisplay(const TCalibDisplay &display)
{
    CalibDisplays.append(display);
}
