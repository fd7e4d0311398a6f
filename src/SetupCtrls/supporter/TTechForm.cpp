#include "TTechForm.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

TTechForm::TTechForm(QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TechForm"));
    setWindowTitle(QStringLiteral("Technical Support"));

    TechMemo = new QPlainTextEdit(this);
    TechMemo->setObjectName(QStringLiteral("TechMemo"));
    TechMemo->setGeometry(8, 8, 305, 89);
    TechMemo->setReadOnly(true);
    TechMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(165, 105, 73, 25);
    CloseButton->setAutoDefault(true);
    QWidget::setTabOrder(CloseButton, TechMemo);
    CloseButton->setFocus();
}

void TTechForm::keyPressEvent(QKeyEvent *event)
{
    // Close is the cancel button.
    if (event->key() == Qt::Key_Escape && !event->modifiers()) {
        CloseButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
