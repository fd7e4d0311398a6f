#include "TPCIForm.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

TPCIForm::TPCIForm(QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("PCIForm"));

    PCIMemo = new QPlainTextEdit(this);
    PCIMemo->setObjectName(QStringLiteral("PCIMemo"));
    PCIMemo->setGeometry(8, 8, 305, 89);
    QFont memoFont(QStringLiteral("Tahoma"));
    memoFont.setPointSize(10);
    memoFont.setBold(true);
    PCIMemo->setFont(memoFont);
    PCIMemo->setReadOnly(true);
    PCIMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry((InitialOuterWidth - 73) / 2, 105, 73, 25);
    CloseButton->setAutoDefault(true);
    QWidget::setTabOrder(CloseButton, PCIMemo);
    CloseButton->setFocus();
}

void TPCIForm::keyPressEvent(QKeyEvent *event)
{
    // Close is the cancel button.
    if (event->key() == Qt::Key_Escape && !event->modifiers()) {
        CloseButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
