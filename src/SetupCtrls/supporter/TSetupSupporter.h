#pragma once

#include "THelpForm.h"
#include "TPCIForm.h"
#include "TTechForm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <functional>

using TSupporterNotifyEvent = std::function<void(QObject *Sender)>;
// Text line of one installed card; empty adds nothing.
using TPCIEvent = std::function<QString(QObject *Sender, qint32 CardIndex)>;
// Text of one calibration channel; clears ItsAllBad when the reading is usable.
using TCalibEvent = std::function<QString(QObject *Sender, quint8 Channel, bool &ItsAllBad)>;

// One calibration display group.
struct TCalibDisplay
{
    QPointer<QComboBox> List; // item n shows channel n
    QPointer<QAbstractButton> Button; // turned back into a Start button when the poll stops
    QPointer<QWidget> HideControl; // hidden at each poll step
    QPointer<QObject> Unused;
};

// Non-visual component giving a setup program its title line, help window,
// technical-support window, installed-cards list and calibration poll. The
// windows are built in TSetupSupporter.cpp, the timer and the poll run in
// TSetupSupporterPoll.cpp.
class TSetupSupporter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString CompanyName READ CompanyName WRITE setCompanyName)
    Q_PROPERTY(QString CardNameA READ CardNameA WRITE setCardNameA)
    Q_PROPERTY(QString CardNameB READ CardNameB WRITE setCardNameB)
    Q_PROPERTY(bool UseCardNameB READ UseCardNameB WRITE setUseCardNameB)
    Q_PROPERTY(QString CallHow READ CallHow WRITE setCallHow)
    Q_PROPERTY(bool MultiPort READ MultiPort WRITE setMultiPort)
    Q_PROPERTY(quint8 Channels READ Channels WRITE setChannels)
    Q_PROPERTY(bool ChangeButtons READ ChangeButtons WRITE setChangeButtons)
    Q_PROPERTY(bool bSeries READ bSeries WRITE setbSeries)

public:
    // owner: the main window, which owns every window the supporter builds.
    explicit TSetupSupporter(QWidget *owner);
    ~TSetupSupporter() override;

    QString CompanyName() const { return m_companyName; }
    void setCompanyName(const QString &v) { m_companyName = v; }
    QString CardNameA() const { return m_cardNameA; }
    void setCardNameA(const QString &v) { m_cardNameA = v; }
    QString CardNameB() const { return m_cardNameB; }
    void setCardNameB(const QString &v) { m_cardNameB = v; }
    bool UseCardNameB() const { return m_useCardNameB; }
    void setUseCardNameB(bool v) { m_useCardNameB = v; }
    QString CallHow() const { return m_callHow; }
    void setCallHow(const QString &v) { m_callHow = v; }
    bool MultiPort() const { return m_multiPort; }
    void setMultiPort(bool v) { m_multiPort = v; }
    quint8 Channels() const { return m_channels; }
    void setChannels(quint8 v) { m_channels = v; }
    bool ChangeButtons() const { return m_changeButtons; }
    void setChangeButtons(bool v) { m_changeButtons = v; }
    bool bSeries() const { return m_bSeries; }
    void setbSeries(bool v) { m_bSeries = v; }

    // Events.
    TSupporterNotifyEvent OnBeginCalib() const { return m_onBeginCalib; }
    void setOnBeginCalib(TSupporterNotifyEvent handler); // re-evaluates the timer
    TPCIEvent OnGetCardString;
    TCalibEvent OnGetCalibString;
    TSupporterNotifyEvent OnStopButtonClick; // kept, never invoked
    TSupporterNotifyEvent OnStartButtonClick;

    // Built by BuildWindows; null before.
    QLabel *HeaderLabel() const { return m_headerLabel; }
    THelpForm *HelpForm() const { return m_helpForm; }
    TTechForm *TechForm() const { return m_techForm; }
    TPCIForm *PCIForm() const { return m_pciForm; }

    // Hooks ApplicationIdle onto the application's idle event, for the first
    // idle moment after the owner's first paint; safe if the supporter goes
    // before that moment.
    void InstallIdleHandler();
    // The application's idle handler: removes itself, then BuildWindows.
    void ApplicationIdle();
    void BuildWindows();
    // Runs the 100 ms timer while the poll runs or the help window is due.
    // Throws EOutOfResources when the platform refuses the timer.
    void UpdateTimer();
    void TimerTick();
    void DisplayPCIClick(QObject *Sender);
    void CloseButtonClick(QObject *Sender);

    // Calibration poll.
    bool Running() const { return m_running; }
    void SetRunning(bool value);
    void ResetButtons();
    void ShowChannelString(quint8 Channel, const QString &Text);
    QList<TCalibDisplay> CalibDisplays;
    void AddCalibDisplay(const TCalibDisplay &display);
    // The click handler of a display group's button as the poll manages it:
    // ResetButtons replaces it with OnStartButtonClick. Only this one
    // connection is replaced; other connections to clicked() stay.
    static void SetButtonClick(QAbstractButton *button, TSupporterNotifyEvent handler);
    bool HelpPending() const { return m_helpPending; }
    bool TimerActive() const { return m_timerId != 0; }

    // The help text as rich text, piece by piece.
    QString HelpText() const;
    QString CardName() const;
    // How much the help window grows on this screen: never below 1.
    static double HelpScale(const QSize &screen);

protected:
    void timerEvent(QTimerEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Platform seams: a timer id, 0 when refused; the screen's size.
    virtual int StartTimer(int interval);
    virtual QSize ScreenSize() const;

private:
    void BuildHeaderLabel();
    void BuildHelpForm();
    void BuildTechForm();
    // Whether any card gave a line.
    bool BuildCardList(const QString &cardName);
    void PollStep();

    QWidget *m_owner;
    QString m_companyName, m_cardNameA, m_cardNameB, m_callHow;
    bool m_useCardNameB = false;
    bool m_multiPort = false;
    quint8 m_channels = 8;
    bool m_changeButtons = true;
    bool m_bSeries = true;
    TSupporterNotifyEvent m_onBeginCalib;
    bool m_helpPending = false;
    bool m_running = false;
    bool m_inTick = false;
    bool m_ownerPainted = false;
    int m_timerId = 0;
    QPointer<QLabel> m_headerLabel;
    QPointer<THelpForm> m_helpForm;
    QPointer<TTechForm> m_techForm;
    QPointer<TPCIForm> m_pciForm;
};
