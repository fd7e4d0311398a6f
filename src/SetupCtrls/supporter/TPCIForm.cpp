#include "TPCIForm.h"

#include <QPlainTextEdit>

TPCIForm::TPCIForm(QWidget *owner)
    : TMemoForm(owner, QStringLiteral("PCIForm"), QStringLiteral("PCIMemo"), (InitialOuterWidth - 73) / 2)
{
    QFont memoFont(QStringLiteral("Tahoma"));
    memoFont.setPointSize(10);
    memoFont.setBold(true);
    PCIMemo->setFont(memoFont);
}
