#include "TBoardImage.h"

#include "DevicePixels.h"
#include "TAccessibleFactory.h"
#include "TBoardHighlight.h"
#include "TColor.h"
#include "TFrameWatch.h"
#include "TPicture.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <cmath>

TBoardImage::TBoardImage(QWidget *parent)
    : QWidget(parent)
    , m_picture(new TPicture(this))
{
    // Where the picture leaves the client area uncovered, the panel colour shows.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
    setPalette(pal);
    setAutoFillBackground(true);

    connect(m_picture, &TPicture::OnChange, this, &TBoardImage::PictureChanged);
    resize(105, 105);
    TAccessibleFactory::Install();
    WatchParent();
}

TBoardImage::~TBoardImage() = default;

TBoardHighlight *TBoardImage::First() const
{
    return m_first;
}

void TBoardImage::setFirst(TBoardHighlight *value)
{
    m_first = value;
}

QMenuBar *TBoardImage::Menu() const
{
    return m_menu;
}

void TBoardImage::setMenu(QMenuBar *value)
{
    m_menu = value;
}

void TBoardImage::setCenterOnForm(bool value)
{
    if (m_centerOnForm == value)
        return;
    m_centerOnForm = value;
    CenterOnParent();
}

void TBoardImage::setScale(bool value)
{
    if (m_scale == value)
        return;
    m_scale = value;
    PictureChanged();
}

void TBoardImage::setAutoSize(bool value)
{
    if (m_autoSize == value)
        return;
    m_autoSize = value;
    if (m_autoSize && m_picture->Width() > 0 && m_picture->Height() > 0)
        setGeometry(x(), y(), m_picture->Width(), m_picture->Height());
}

void TBoardImage::setCenter(bool value)
{
    if (m_center == value)
        return;
    m_center = value;
    PictureChanged();
}

void TBoardImage::setStretch(bool value)
{
    if (m_stretch == value)
        return;
    m_stretch = value;
    PictureChanged();
}

void TBoardImage::setTransparent(bool value)
{
    if (m_transparent == value)
        return;
    m_transparent = value;
    PictureChanged();
}

void TBoardImage::setPicture(const TPicture *value)
{
    m_picture->Assign(value);
}

QRect TBoardImage::DestRect() const
{
    const int pw = m_picture->Width();
    const int ph = m_picture->Height();
    if (m_stretch)
        return rect();
    // Integer division truncates toward zero, so a larger picture sticks out
    // one pixel more at the bottom/right than at the top/left.
    if (m_center)
        return QRect((width() - pw) / 2, (height() - ph) / 2, pw, ph);
    return QRect(0, 0, pw, ph);
}

QSize TBoardImage::ParentOuterSize() const
{
    QWidget *parent = parentWidget();
    if (!parent)
        return QSize();
    if (parent->isWindow())
        return parent->frameGeometry().size();
    auto *mainWindow = qobject_cast<QMainWindow *>(parent->parentWidget());
    if (mainWindow && mainWindow->centralWidget() == parent)
        return mainWindow->frameGeometry().size();
    return parent->size();
}

QSize TBoardImage::sizeHint() const
{
    if (m_autoSize && !m_picture->Empty())
        return QSize(m_picture->Width(), m_picture->Height());
    return QWidget::sizeHint();
}

bool TBoardImage::event(QEvent *e)
{
    if (e->type() == WM_SHOWFIRSTHIGHLIGHT) {
        ShowFirstHighlight();
        return true;
    }
    // An ancestor may have moved to another window since.
    if (e->type() == QEvent::ParentChange || e->type() == QEvent::Show) {
        WatchParent();
        CenterOnParent();
    }
    return QWidget::event(e);
}

bool TBoardImage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && (watched == m_watchedParent || watched == m_watchedWindow))
        CenterOnParent();
    return QWidget::eventFilter(watched, event);
}

void TBoardImage::WatchParent()
{
    QWidget *parent = parentWidget();
    QWidget *window = parent ? parent->window() : nullptr;
    if (parent == m_watchedParent && window == m_watchedWindow)
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    delete m_frameWatch;
    m_watchedParent = parent;
    m_watchedWindow = window;
    if (parent)
        parent->installEventFilter(this);
    if (window && window != parent)
        window->installEventFilter(this);
    if (window) {
        // The outer size also changes when the window manager frames the
        // window or changes its frame.
        QPointer<TBoardImage> self(this);
        m_frameWatch = new TFrameWatch(window, [self] {
            if (self)
                self->CenterOnParent();
        });
    }
}

void TBoardImage::RecordDesignPosition()
{
    if (m_designRecorded)
        return;
    DesignLeft = x();
    DesignTop = y();
    m_designRecorded = true;
}

void TBoardImage::CenterOnParent()
{
    if (!m_centerOnForm || !parentWidget())
        return;
    RecordDesignPosition();
    // Moved here, never from a paint: a move while painting leaves the
    // pixels of the old place on screen.
    const QSize outer = ParentOuterSize();
    move((outer.width() - width()) / 2, (outer.height() - height()) / 2);
}

void TBoardImage::ShowFirstHighlight()
{
    // Hover, click and leave, as the user would: the popup opens and, being
    // clicked, stays. Any of the three may destroy or re-parent things, so
    // the highlight is re-checked before each step.
    QPointer<TBoardHighlight> first = m_first;
    if (first)
        first->MouseEnter(false);
    if (first)
        first->Click();
    if (first)
        first->MouseLeave(false);
}

void TBoardImage::paintEvent(QPaintEvent *)
{
    RecordDesignPosition();

    QScopedValueRollback<bool> drawing(m_drawing, true);
    if (m_picture->Empty())
        return;
    const QRect dest = DestRect();
    // Scaled once to the pixels the screen has for the drawing rectangle.
    const qreal ratio = devicePixelRatioF();
    const QSize device = DeviceSize(dest.size(), ratio);
    // A picture still being decoded arrives here, or turns out damaged.
    const QImage &image = m_picture->ImageFor(device);
    if (image.isNull())
        return;
    QPainter painter(this);
    if (device == image.size() && ratio == 1) {
        painter.drawImage(dest.topLeft(), image);
        return;
    }
    if (m_scaled.size() != device || m_scaled.devicePixelRatio() != ratio) {
        m_scaled = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.drawImage(dest.topLeft(), m_scaled);
}

void TBoardImage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    CenterOnParent();
    // Opaqueness depends on whether the picture covers the control; a stale
    // flag would leave uncovered pixels unpainted.
    UpdateOpaque();
}

void TBoardImage::UpdateOpaque()
{
    // From the picture's size alone: its pixels may still be on their way.
    const bool opaque = !m_picture->Empty() && !m_picture->Transparent() && !m_picture->HasAlpha()
        && (m_stretch || (m_picture->Width() >= width() && m_picture->Height() >= height()));
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void TBoardImage::PictureChanged()
{
    m_scaled = QImage();

    const int pw = m_picture->Width();
    const int ph = m_picture->Height();
    if (pw > 0 && ph > 0) {
        const double ratio = double(ph) / double(pw);
        m_aspectRatio = std::isfinite(ratio) ? ratio : 1.0;
        if (m_autoSize)
            setGeometry(x(), y(), pw, ph);
    }

    if (!m_picture->Empty()) {
        {
            // Passing the flag on is part of this reaction, not a new change.
            const QSignalBlocker blocker(m_picture);
            m_picture->setTransparent(m_transparent);
        }
        if (DoPaletteChange() && m_drawing)
            repaint();
    }
    UpdateOpaque();

    if (!m_drawing)
        update();
}
