#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The installed-cards list, one line per card. Escape closes it.
class TPCIForm : public QWidget
{
    Q_OBJECT
public:
    explicit TPCIForm(QWidget *owner);
    QPlainTextEdit *PCIMemo = nullptr;
    QPushButton *CloseButton = nullptr;

    // A new window's outer width before anything sizes it; the Close button
    // is centred on it once.
    static constexpr int InitialOuterWidth = 320;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
