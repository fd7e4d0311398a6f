#include "TBoardHighlight.h"

#include "TPopupForm.h"
#include "TRadioPanel.h"

#include <QPainter>

TBoardHighlight::TBoardHighlight(QWidget *parent) : QWidget(parent) { resize(65, 65); setHighlightType(htSettings); }
TBoardHighlight::~TBoardHighlight() = default;
void TBoardHighlight::setHighlightType(THighlightType value) { m_highlightType = value; update(); }
void TBoardHighlight::setTitle(const QString &value) { m_title = value; m_popupCaption = StripAmpersands(value); m_itemBaseName = MakeItemBaseName(value); }
TRadioPanel *TBoardHighlight::RadioPanel() const { return m_radioPanel; }
void TBoardHighlight::setRadioPanel(TRadioPanel *value) { m_radioPanel = value; }
TPopupForm *TBoardHighlight::Popup() const { return m_popup; }
QString TBoardHighlight::StripAmpersands(const QString &text) { QString s = text; return s.remove(QLatin1Char('&')); }
QString TBoardHighlight::MakeItemBaseName(const QString &text) { return text; }
void TBoardHighlight::RenderRing(QImage &, int, int, bool, TColor, float) {}
TColor TBoardHighlight::TypeColorOf(THighlightType) { return clYellow; }
void TBoardHighlight::MouseEnter(bool) {}
void TBoardHighlight::MouseLeave(bool) {}
void TBoardHighlight::Click() { emit OnClick(); }
void TBoardHighlight::ShowPopup() {}
void TBoardHighlight::PinGroup() {}
void TBoardHighlight::PinPopup() {}
void TBoardHighlight::ClearEntered() {}
void TBoardHighlight::SetPopupActive(bool, bool) {}
void TBoardHighlight::RegisterMenuEntry() {}
void TBoardHighlight::CheckMenuEntry(bool) {}
void TBoardHighlight::MenuEntryClick(QObject *) {}
void TBoardHighlight::PopupClosed() {}
void TBoardHighlight::PreviousClick() {}
void TBoardHighlight::NextClick() {}
void TBoardHighlight::DoneClick() {}
void TBoardHighlight::paintEvent(QPaintEvent *) { QPainter p(this); p.setPen(Qt::yellow); p.drawEllipse(rect().adjusted(0, 0, -1, -1)); }
void TBoardHighlight::enterEvent(QEnterEvent *) { MouseEnter(false); }
void TBoardHighlight::leaveEvent(QEvent *) { MouseLeave(false); }
void TBoardHighlight::mousePressEvent(QMouseEvent *) {}
void TBoardHighlight::mouseReleaseEvent(QMouseEvent *) {}
