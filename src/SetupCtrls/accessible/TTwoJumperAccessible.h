#pragma once

#include <QAccessibleWidget>

class QLabel;
class TTwoJumper;

// A jumper as assistive technology sees it: a check box named by the label
// beside it on its panel, checked while the jumper is fitted (closed). Its
// press and toggle actions click it, handlers and mirrors included.
class TTwoJumperAccessible : public QAccessibleWidget
{
public:
    explicit TTwoJumperAccessible(TTwoJumper *jumper);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // The label that names the jumper: its buddy label, else the nearest label
    // on the same row (either side) or just below it. None when there is none.
    static QLabel *LabelBeside(const TTwoJumper *jumper);

private:
    TTwoJumper *jumper() const;
};
