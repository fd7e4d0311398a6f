#pragma once

#include <QMainWindow>

namespace Ui { class TMainForm; }

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

public slots:
    void Exit2Click();

private:
    Ui::TMainForm *ui;
};
