#include "TEdit.h"

#include <QKeyEvent>

TEdit::TEdit(QWidget *parent)
    : QLineEdit(parent)
{ }

void TEdit::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    emit OnKeyDown(key, event->modifiers());
    if (key == 0) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
