#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// "Technical Support": how to reach the maker. Escape closes it.
class TTechForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTechForm(QWidget *owner);
    QPlainTextEdit *TechMemo = nullptr;
    QPushButton *CloseButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
