#pragma once

#include "TMemoForm.h"

// The installed-cards list, one line per card. Escape closes it.
class TPCIForm : public TMemoForm
{
    Q_OBJECT
public:
    explicit TPCIForm(QWidget *owner);
    QPlainTextEdit *const PCIMemo = Memo;

    // A new window's outer width before anything sizes it; the Close button
    // is centred on it once.
    static constexpr int InitialOuterWidth = 320;
};
