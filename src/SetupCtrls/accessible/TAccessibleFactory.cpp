#include "TAccessibleFactory.h"

#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TTwoJumper.h"
#include "TTwoJumperAccessible.h"

#include <QAccessibleWidget>

namespace {

// A ring as assistive technology sees it: a button named by its title, whose
// description says what its popup holds; pressing it opens the popup pinned,
// as a click does.
class TBoardHighlightAccessible : public QAccessibleWidget
{
public:
    explicit TBoardHighlightAccessible(TBoardHighlight *highlight)
        : QAccessibleWidget(highlight, QAccessible::Button)
    { }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            if (!highlight()->accessibleName().isEmpty())
                return highlight()->accessibleName();
            return highlight()->PopupCaption();
        case QAccessible::Description:
            if (!highlight()->accessibleDescription().isEmpty())
                return highlight()->accessibleDescription();
            switch (highlight()->HighlightType()) {
            case htOptions:
                return QStringLiteral("information");
            case htSettings:
                return QStringLiteral("jumper settings");
            case htCalibration:
                return QStringLiteral("calibration");
            }
            return QString();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override { return QStringList {pressAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            highlight()->Click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    TBoardHighlight *highlight() const { return static_cast<TBoardHighlight *>(widget()); }
};

// The board picture as assistive technology sees it: a graphic holding the rings.
class TBoardImageAccessible : public QAccessibleWidget
{
public:
    explicit TBoardImageAccessible(TBoardImage *image)
        : QAccessibleWidget(image, QAccessible::Graphic)
    { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Board photograph");
        return QAccessibleWidget::text(t);
    }
};

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
