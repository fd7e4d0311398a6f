#pragma once

#include <QAccessibleWidget>

class TBoardHighlight;

// A ring as assistive technology sees it: a button named by its title, whose
// description says what its popup holds; pressing it opens the popup pinned,
// as a click does.
class TBoardHighlightAccessible : public QAccessibleWidget
{
public:
    explicit TBoardHighlightAccessible(TBoardHighlight *highlight);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    TBoardHighlight *highlight() const;
};
