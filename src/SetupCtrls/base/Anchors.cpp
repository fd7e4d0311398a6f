#include "Anchors.h"

#include <QEvent>
#include <QWidget>

TAnchorKeeper::TAnchorKeeper(QWidget *control, TAnchors anchors)
    : QObject(control)
    , m_control(control)
    , m_anchors(anchors)
{
    setObjectName(QStringLiteral("qt_anchor_keeper"));
    control->installEventFilter(this);
    attachToParent();
}

void TAnchorKeeper::setAnchors(TAnchors anchors)
{
    m_anchors = anchors;
    m_parentSize = m_parent ? m_parent->size() : QSize();
    m_oweX = m_oweY = 0;
}

void TAnchorKeeper::attachToParent()
{
    QWidget *parent = m_control->parentWidget();
    if (parent != m_parent) {
        if (m_parent)
            m_parent->removeEventFilter(this);
        m_parent = parent;
        if (m_parent)
            m_parent->installEventFilter(this);
    }
    m_parentSize = m_parent ? m_parent->size() : QSize();
    m_oweX = m_oweY = 0;
}

void TAnchorKeeper::apply()
{
    const QSize now = m_parent->size();
    if (!m_parentSize.isValid() || now == m_parentSize) {
        m_parentSize = now;
        return;
    }
    const int dw = now.width() - m_parentSize.width();
    const int dh = now.height() - m_parentSize.height();
    m_parentSize = now;
    // Whatever geometry the control has now was given against the old size.
    const auto adjust = [](int &pos, int &len, int &owed, bool first, bool second, int delta) {
        if (first && second) {
            len += delta;
        } else if (second) {
            pos += delta;
        } else if (!first) {
            // Half the change, rounded down, with the odd pixel carried to the next change.
            const int twice = delta + owed;
            const int step = twice >= 0 ? twice / 2 : -((1 - twice) / 2);
            owed = twice - 2 * step;
            pos += step;
        }
    };
    const QRect r = m_control->geometry();
    int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    adjust(x, w, m_oweX, m_anchors & akLeft, m_anchors & akRight, dw);
    adjust(y, h, m_oweY, m_anchors & akTop, m_anchors & akBottom, dh);
    m_control->setGeometry(x, y, qMax(0, w), qMax(0, h));
}

bool TAnchorKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control && event->type() == QEvent::ParentChange)
        attachToParent();
    else if (watched == m_parent && event->type() == QEvent::Resize)
        apply();
    return false;
}

static TAnchorKeeper *keeperOf(const QWidget *control)
{
    return control->findChild<TAnchorKeeper *>(QStringLiteral("qt_anchor_keeper"), Qt::FindDirectChildrenOnly);
}

void SetAnchors(QWidget *control, TAnchors anchors)
{
    if (TAnchorKeeper *keeper = keeperOf(control))
        keeper->setAnchors(anchors);
    else
        new TAnchorKeeper(control, anchors);
}

TAnchors GetAnchors(const QWidget *control)
{
    const TAnchorKeeper *keeper = keeperOf(control);
    return keeper ? keeper->anchors() : DefaultAnchors;
}
