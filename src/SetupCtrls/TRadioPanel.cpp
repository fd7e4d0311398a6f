#include "TRadioPanel.h"

#include "TTwoJumper.h"

#include <QPainter>

TRadioPanel::TRadioPanel(QWidget *parent) : QWidget(parent) { resize(194, 100); setVisible(false); }
void TRadioPanel::setRadioEnabled(bool value) { m_radioEnabled = value; }
void TRadioPanel::setLines(const QStringList &value) { m_lines = value; }
void TRadioPanel::setMemoHeight(int value) { m_memoHeight = value; }
void TRadioPanel::setFinalAnchors(TAnchors value) { m_finalAnchors = value; if (FinalAnchorsApplied) SetAnchors(this, value); }
void TRadioPanel::setColor(TColor value) { if (value != m_color) { m_color = value; update(); } }
void TRadioPanel::JumperClicked(TTwoJumper *) {}
void TRadioPanel::paintEvent(QPaintEvent *) { QPainter p(this); p.fillRect(rect(), ColorToQColor(m_color)); }
void TRadioPanel::focusChanged(QWidget *, QWidget *) {}
