#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTextEdit;

// "Instructions for Settings utility": explains the rings; Start (also Enter
// and Escape) hides it and opens the board's first popup.
class THelpForm : public QWidget
{
    Q_OBJECT
public:
    explicit THelpForm(QWidget *owner);
    QTextEdit *HelpRich = nullptr;
    QLabel *HelpLabel = nullptr;
    QPushButton *StartButton = nullptr;
    void StartButtonClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_placed = false;
};
