#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// A supporter window of one read-only text box and a Close button under it,
// the button first in tab order and pressed by Escape.
class TMemoForm : public QWidget
{
    Q_OBJECT
public:
    QPlainTextEdit *const Memo;
    QPushButton *const CloseButton;

protected:
    TMemoForm(QWidget *owner, const QString &name, const QString &memoName, int closeLeft);
    void keyPressEvent(QKeyEvent *event) override;
};
