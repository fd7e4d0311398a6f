#include "TMemoForm.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

TMemoForm::TMemoForm(QWidget *owner, const QString &name, const QString &memoName, int closeLeft)
    // Transient for the main window: above it, never above other programs.
    : QWidget(owner, Qt::Window)
    , Memo(new QPlainTextEdit(this))
    , CloseButton(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(name);

    Memo->setObjectName(memoName);
    Memo->setGeometry(8, 8, 305, 89);
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(closeLeft, 105, 73, 25);
    CloseButton->setAutoDefault(true);
    QWidget::setTabOrder(CloseButton, Memo);
    CloseButton->setFocus();
}

void TMemoForm::keyPressEvent(QKeyEvent *event)
{
    // Close is the cancel button.
    if (event->key() == Qt::Key_Escape && !event->modifiers()) {
        CloseButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
