#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// "Instructions for Settings utility": explains the rings; Start opens the first popup.
class THelpForm : public QWidget
{
    Q_OBJECT
public:
    explicit THelpForm(QWidget *owner);
    QTextEdit *HelpRich = nullptr;
    QLabel *HelpLabel = nullptr;
    QPushButton *StartButton = nullptr;
    void StartButtonClick();
};

// "Technical Support".
class TTechForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTechForm(QWidget *owner);
    QPlainTextEdit *TechMemo = nullptr;
    QPushButton *CloseButton = nullptr;
};

// The installed-cards list.
class TPCIForm : public QWidget
{
    Q_OBJECT
public:
    explicit TPCIForm(QWidget *owner);
    QPlainTextEdit *PCIMemo = nullptr;
    QPushButton *CloseButton = nullptr;
};
