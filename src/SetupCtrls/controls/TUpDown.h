#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Which arrow asked for a change; updNone when the position was set by code.
enum TUpDownDirection { updNone, updUp, updDown };

// A pair of arrow buttons, up over down, stepping a position between Min and
// Max without wrapping. Not tied to an edit: whoever listens to OnChangingEx
// shows the value (the main window pairs it with an edit through Tag).
class TUpDown : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE setMin)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Increment READ Increment WRITE setIncrement)
    Q_PROPERTY(int Position READ Position WRITE setPosition)
    Q_PROPERTY(QObject *Tag READ Tag WRITE setTag)

public:
    explicit TUpDown(QWidget *parent = nullptr);

    int Min() const { return m_min; }
    void setMin(int value);
    int Max() const { return m_max; }
    void setMax(int value);
    int Increment() const { return m_increment; }
    void setIncrement(int value);
    int Position() const { return m_position; }
    // Brought into Min..Max; a different value first asks OnChangingEx.
    void setPosition(int value);
    QObject *Tag() const { return m_tag; }
    void setTag(QObject *value) { m_tag = value; }

    // One arrow click: asks OnChangingEx with the current position plus or
    // minus Increment (which may lie beyond the range), then moves within it.
    void Step(TUpDownDirection direction);
    // The same for a step of another size (a key): at a limit it is still
    // proposed, as an arrow's is.
    void Step(TUpDownDirection direction, int amount);

    QSize sizeHint() const override { return QSize(15, 25); }

signals:
    // Before every change; clearing AllowChange keeps the old position.
    void OnChangingEx(bool &AllowChange, short NewValue, TUpDownDirection Direction);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int bounded(int value) const;
    TUpDownDirection halfAt(const QPoint &pos) const;
    void setPressed(TUpDownDirection half);
    void repeatStep();
    void invalidate();
    void render();

    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_position = 0;
    QPointer<QObject> m_tag;
    TUpDownDirection m_pressed = updNone;
    QTimer m_repeat;
    QImage m_image; // both halves as last drawn; null when stale
};
