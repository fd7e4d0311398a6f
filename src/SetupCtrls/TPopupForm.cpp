#include "TPopupForm.h"

#include "TBoardHighlight.h"

#include <QCloseEvent>

TPopupForm::TPopupForm(TBoardHighlight *owner) : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint), Highlight(owner) {}
void TPopupForm::Close() { hide(); }
void TPopupForm::changeEvent(QEvent *e) { QWidget::changeEvent(e); }
void TPopupForm::leaveEvent(QEvent *e) { QWidget::leaveEvent(e); }
void TPopupForm::closeEvent(QCloseEvent *e) { e->ignore(); Close(); }
