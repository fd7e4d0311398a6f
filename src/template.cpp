#include "template.h"
#include "ui_template.h"

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent), ui(new Ui::TMainForm) { ui->setupUi(this); }
TMainForm::~TMainForm() { delete ui; }
void TMainForm::Exit2Click() { close(); }
