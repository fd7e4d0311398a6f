#include "TAccessibleFactory.h"

#include "TBoardHighlight.h"
#include "TBoardHighlightAccessible.h"
#include "TBoardImage.h"
#include "TBoardImageAccessible.h"
#include "TTwoJumper.h"
#include "TTwoJumperAccessible.h"

#include <QAccessibleWidget>

namespace {

TAccessibleFactory::TObserver &Observer()
{
    static TAccessibleFactory::TObserver observer;
    return observer;
}

} // namespace

void TAccessibleFactory::Install()
{
    // Qt ignores a factory it has already.
    QAccessible::installFactory(&TAccessibleFactory::Create);
}

QAccessibleInterface *TAccessibleFactory::Create(const QString &className, QObject *object)
{
    // Asked once per class up the object's ancestry, so subclasses are covered too.
    if (className == QLatin1String("TTwoJumper"))
        return new TTwoJumperAccessible(static_cast<TTwoJumper *>(object));
    if (className == QLatin1String("TBoardHighlight"))
        return new TBoardHighlightAccessible(static_cast<TBoardHighlight *>(object));
    if (className == QLatin1String("TBoardImage"))
        return new TBoardImageAccessible(static_cast<TBoardImage *>(object));
    // Plain widgets to Qt, so a screen reader would take them for a filler,
    // not the windows they are; their names are their captions.
    for (const char *window : {"TPopupForm", "THelpForm", "TTechForm", "TPCIForm"})
        if (className == QLatin1String(window))
            return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

bool TAccessibleFactory::Listening()
{
    return QAccessible::isActive() || Observer();
}

void TAccessibleFactory::Announce(QAccessibleEvent *event)
{
    if (Observer())
        Observer()(event);
    QAccessible::updateAccessibility(event);
}

TAccessibleFactory::TObserver TAccessibleFactory::SetObserver(TObserver observer)
{
    TObserver before = std::move(Observer());
    Observer() = std::move(observer);
    return before;
}
