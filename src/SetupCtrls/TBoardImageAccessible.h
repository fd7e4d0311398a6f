#pragma once

#include <QAccessibleWidget>

class TBoardImage;

// The board picture as assistive technology sees it: a graphic holding the rings.
class TBoardImageAccessible : public QAccessibleWidget
{
public:
    explicit TBoardImageAccessible(TBoardImage *image);

    QString text(QAccessible::Text t) const override;
};
