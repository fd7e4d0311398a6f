#include "THelpForm.h"

THelpForm::THelpForm(QWidget *owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {}
void THelpForm::StartButtonClick() { hide(); }
TTechForm::TTechForm(QWidget *owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {}
TPCIForm::TPCIForm(QWidget *owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {}
