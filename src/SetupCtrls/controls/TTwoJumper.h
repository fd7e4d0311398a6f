#pragma once

#include "TColor.h"

#include <QImage>
#include <QWidget>

// One two-pin jumper position as drawn on the board: a base with two pins when
// open, a cap over both pins when closed. Windowless; a click toggles it.
class TTwoJumper : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Closed READ Closed WRITE setClosed)
    Q_PROPERTY(TColor BaseColor READ BaseColor WRITE setBaseColor)
    Q_PROPERTY(TColor PinColor READ PinColor WRITE setPinColor)
    Q_PROPERTY(TColor JumperColor READ JumperColor WRITE setJumperColor)
    Q_PROPERTY(TOrientationType Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)

public:
    // The turn of the upright drawing: otLeft brings its top edge to the left.
    enum TOrientationType : quint8 { otUp = 0, otDown = 1, otLeft = 2, otRight = 3 };
    Q_ENUM(TOrientationType)
    enum TBorderStyle : quint8 { bsNone = 0, bsSingle = 1 };
    Q_ENUM(TBorderStyle)

    explicit TTwoJumper(QWidget *parent = nullptr);

    bool Closed() const { return m_closed; }
    void setClosed(bool value);
    TColor BaseColor() const { return m_baseColor; }
    void setBaseColor(TColor value);
    TColor PinColor() const { return m_pinColor; }
    void setPinColor(TColor value);
    TColor JumperColor() const { return m_jumperColor; }
    void setJumperColor(TColor value);
    TOrientationType Orientation() const { return m_orientation; }
    void setOrientation(TOrientationType value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(TBorderStyle value);

    // The click operation: toggle, repaint, the radio panel's rule, OnClick.
    void Click();

signals:
    // Raised after every click once the new state is in place; sender() is the jumper.
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static bool isVertical(TOrientationType value) { return value == otLeft || value == otRight; }
    QColor backgroundColor() const;
    // Draws the upright picture into the work image and turns it into the
    // output image, both in device pixels at the given ratio.
    void renderImages(qreal ratio);
    // The one place a change drops the drawn image and asks for a paint.
    void invalidate();
    // Tells assistive technology that Closed changed since it was last told.
    void AnnounceClosed();

    bool m_closed = false;
    TColor m_baseColor = clGray;
    TColor m_pinColor = clYellow;
    TColor m_jumperColor = clMaroon;
    TOrientationType m_orientation = otUp;
    TBorderStyle m_borderStyle = bsSingle;
    bool m_pendingExchange = false;
    bool m_paintedOnce = false;
    bool m_pressed = false;
    bool m_announcedClosed = false;
    QImage m_work; // upright drawing
    QImage m_output; // turned by Orientation
    // m_output shows the current state; a paint then only blits it. The
    // background is the parent's colour, which can change behind our back.
    bool m_imageValid = false;
    QRgb m_drawnBackground = 0;
};

using TOrientationType = TTwoJumper::TOrientationType;
constexpr TOrientationType otUp = TTwoJumper::otUp;
constexpr TOrientationType otDown = TTwoJumper::otDown;
constexpr TOrientationType otLeft = TTwoJumper::otLeft;
constexpr TOrientationType otRight = TTwoJumper::otRight;
using TBorderStyle = TTwoJumper::TBorderStyle;
constexpr TBorderStyle bsNone = TTwoJumper::bsNone;
constexpr TBorderStyle bsSingle = TTwoJumper::bsSingle;
