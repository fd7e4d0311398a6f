#include "TTechForm.h"

TTechForm::TTechForm(QWidget *owner)
    : TMemoForm(owner, QStringLiteral("TechForm"), QStringLiteral("TechMemo"), 165)
{
    setWindowTitle(QStringLiteral("Technical Support"));
}
