#include "TUpDown.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {
// Holding an arrow repeats its step, as a platform spin button does.
constexpr int FirstRepeatDelay = 400;
constexpr int RepeatInterval = 80;
} // namespace

TUpDown::TUpDown(QWidget *parent)
    : QWidget(parent)
{
    // The arrows are pressed with the mouse; the keyboard belongs to whatever
    // shows the value.
    setFocusPolicy(Qt::NoFocus);
    resize(15, 25);
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, &TUpDown::repeatStep);
}

int TUpDown::bounded(int value) const
{
    if (m_min > m_max)
        return value; // a range being loaded one end at a time
    return std::clamp(value, m_min, m_max);
}

void TUpDown::setMin(int value)
{
    if (value == m_min)
        return;
    m_min = value;
    m_position = bounded(m_position);
}

void TUpDown::setMax(int value)
{
    if (value == m_max)
        return;
    m_max = value;
    m_position = bounded(m_position);
}

void TUpDown::setIncrement(int value)
{
    m_increment = value;
}

void TUpDown::setPosition(int value)
{
    const int target = bounded(value);
    if (target == m_position)
        return;
    bool allow = true;
    emit OnChangingEx(allow, short(target), updNone);
    if (allow)
        m_position = target;
}

void TUpDown::Step(TUpDownDirection direction)
{
    Step(direction, m_increment);
}

void TUpDown::Step(TUpDownDirection direction, int amount)
{
    if (direction == updNone)
        return;
    const int proposed = direction == updUp ? m_position + amount : m_position - amount;
    bool allow = true;
    emit OnChangingEx(allow, short(proposed), direction);
    if (allow)
        m_position = bounded(proposed);
}

TUpDownDirection TUpDown::halfAt(const QPoint &pos) const
{
    if (!rect().contains(pos))
        return updNone;
    return pos.y() < height() / 2 ? updUp : updDown;
}

void TUpDown::setPressed(TUpDownDirection half)
{
    if (half == m_pressed)
        return;
    m_pressed = half;
    invalidate();
}

void TUpDown::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const TUpDownDirection half = halfAt(event->position().toPoint());
    setPressed(half);
    if (half == updNone)
        return;
    m_repeat.start(FirstRepeatDelay);
    Step(half);
}

void TUpDown::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is one more step.
    mousePressEvent(event);
}

void TUpDown::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_repeat.stop();
    setPressed(updNone);
}

void TUpDown::repeatStep()
{
    m_repeat.setInterval(RepeatInterval);
    if (m_pressed == updNone || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        m_repeat.stop();
        setPressed(updNone);
        return;
    }
    if (halfAt(mapFromGlobal(QCursor::pos())) == m_pressed)
        Step(m_pressed);
}

void TUpDown::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::StyleChange) {
        if (!isEnabled()) {
            m_repeat.stop();
            m_pressed = updNone;
        }
        invalidate();
    }
    QWidget::changeEvent(event);
}

void TUpDown::resizeEvent(QResizeEvent *event)
{
    invalidate();
    QWidget::resizeEvent(event);
}

void TUpDown::invalidate()
{
    m_image = QImage();
    update();
}

void TUpDown::render()
{
    const qreal dpr = devicePixelRatioF();
    m_image = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(dpr);
    m_image.fill(Qt::transparent);
    QPainter p(&m_image);
    const int upHeight = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), upHeight), QRect(0, upHeight, width(), height() - upHeight)};
    for (int i = 0; i < 2; ++i) {
        const TUpDownDirection half = i == 0 ? updUp : updDown;
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[i];
        button.state |= m_pressed == half ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &p, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = halves[i].adjusted(2, 1, -2, -1);
        if (m_pressed == half)
            arrow.rect.translate(1, 1);
        style()->drawPrimitive(
            half == updUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, &p, this);
    }
}

void TUpDown::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        render();
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}
