#include "TSetupSupporter.h"

#include "THelpForm.h"

#include <QLabel>
#include <QTimerEvent>

TSetupSupporter::TSetupSupporter(QWidget *owner) : QObject(owner), m_owner(owner) {}
TSetupSupporter::~TSetupSupporter() = default;
void TSetupSupporter::setOnBeginCalib(TSupporterNotifyEvent h) { m_onBeginCalib = std::move(h); UpdateTimer(); }
void TSetupSupporter::ApplicationIdle() {}
void TSetupSupporter::BuildWindows() {}
void TSetupSupporter::UpdateTimer() {}
void TSetupSupporter::TimerTick() {}
void TSetupSupporter::DisplayPCIClick(QObject *) {}
void TSetupSupporter::CloseButtonClick(QObject *) {}
void TSetupSupporter::SetRunning(bool v) { m_running = v; }
void TSetupSupporter::ResetButtons() {}
void TSetupSupporter::ShowChannelString(quint8, const QString &) {}
void TSetupSupporter::AddCalibDisplay(const TCalibDisplay &d) { CalibDisplays.append(d); }
QString TSetupSupporter::HelpText() const { return {}; }
QString TSetupSupporter::CardName() const { return m_useCardNameB ? m_cardNameB : m_cardNameA; }
void TSetupSupporter::timerEvent(QTimerEvent *) {}
