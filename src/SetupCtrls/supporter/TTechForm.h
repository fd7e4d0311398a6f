#pragma once

#include "TMemoForm.h"

// "Technical Support": how to reach the maker. Escape closes it.
class TTechForm : public TMemoForm
{
    Q_OBJECT
public:
    explicit TTechForm(QWidget *owner);
    QPlainTextEdit *const TechMemo = Memo;
};
