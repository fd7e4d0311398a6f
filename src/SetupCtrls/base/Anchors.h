#pragma once

#include <QObject>
#include <QRect>

class QWidget;

enum TAnchorKind : unsigned {
    akLeft = 0x1,
    akTop = 0x2,
    akRight = 0x4,
    akBottom = 0x8,
};
// A set of TAnchorKind bits.
using TAnchors = unsigned;
constexpr TAnchors DefaultAnchors = akLeft | akTop;

// Keeps a control's distances to the anchored edges of its parent when the
// parent is resized: both edges anchored stretches the control, neither keeps
// its centre at the same relative place. Works across re-parenting.
void SetAnchors(QWidget *control, TAnchors anchors);
TAnchors GetAnchors(const QWidget *control);

class TAnchorKeeper : public QObject
{
    Q_OBJECT
public:
    TAnchorKeeper(QWidget *control, TAnchors anchors);
    TAnchors anchors() const { return m_anchors; }
    void setAnchors(TAnchors anchors);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attachToParent();
    void apply();

    QWidget *m_control;
    QWidget *m_parent = nullptr;
    TAnchors m_anchors;
    // The parent's size when the control's distances were last valid. Resize
    // events of hidden windows arrive late and without an old size, so the
    // keeper tracks it itself.
    QSize m_parentSize;
    // Half pixels a centred control still owes per axis (0 or 1), so that odd
    // changes add up to its exact share instead of rounding away each time.
    int m_oweX = 0;
    int m_oweY = 0;
};
