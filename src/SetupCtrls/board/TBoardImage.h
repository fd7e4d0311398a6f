#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

class QMenuBar;
class TBoardHighlight;
class TPicture;

// The board photograph, parent of the highlight rings laid over it. Centres
// itself on its window whenever that changes size and remembers where it was
// designed.
class TBoardImage : public QWidget
{
    Q_OBJECT
    Q_MOC_INCLUDE("TBoardHighlight.h")
    Q_MOC_INCLUDE(<QMenuBar>)
    Q_PROPERTY(TBoardHighlight *First READ First WRITE setFirst)
    Q_PROPERTY(QMenuBar *Menu READ Menu WRITE setMenu)
    Q_PROPERTY(bool CenterOnForm READ CenterOnForm WRITE setCenterOnForm)
    Q_PROPERTY(bool Scale READ Scale WRITE setScale)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE setCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)

public:
    // The private message 0x4A2 (first user message + 0xA2): opens First's popup.
    static constexpr QEvent::Type WM_SHOWFIRSTHIGHLIGHT = QEvent::Type(QEvent::User + 0xA2);

    explicit TBoardImage(QWidget *parent = nullptr);
    ~TBoardImage() override;

    TBoardHighlight *First() const;
    void setFirst(TBoardHighlight *value);
    QMenuBar *Menu() const;
    void setMenu(QMenuBar *value);

    bool CenterOnForm() const { return m_centerOnForm; }
    void setCenterOnForm(bool value);
    bool Scale() const { return m_scale; }
    void setScale(bool value);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool value);
    bool Center() const { return m_center; }
    void setCenter(bool value);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool value);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool value);

    TPicture *Picture() const { return m_picture; }
    // Copies the given picture.
    void setPicture(const TPicture *value);

    // Left and Top before any centring (at the first paint or the first
    // centring, whichever comes first).
    int DesignLeft = 0;
    int DesignTop = 0;

    // Where the picture is drawn, in client coordinates.
    QRect DestRect() const;
    double AspectRatio() const { return m_aspectRatio; }

    // The size the picture centres itself on: the whole window, frame included,
    // when the parent is a window or a main window's central widget; else the
    // parent's own size. Empty without a parent.
    QSize ParentOuterSize() const;

    // True-colour displays only: there is never a palette to realise.
    bool DoPaletteChange() { return false; }
    quintptr GetPalette() const { return 0; }

    QSize sizeHint() const override;

    // Centres the control on its parent now (CenterOnForm, run time).
    void CenterOnParent();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PictureChanged();
    void UpdateOpaque();
    void ShowFirstHighlight();
    void RecordDesignPosition();
    void WatchParent();

    QPointer<TBoardHighlight> m_first;
    QPointer<QMenuBar> m_menu;
    TPicture *m_picture = nullptr;
    bool m_centerOnForm = true;
    bool m_scale = true;
    bool m_autoSize = true;
    bool m_center = false;
    bool m_stretch = false;
    bool m_transparent = false;
    bool m_drawing = false;
    bool m_designRecorded = false;
    double m_aspectRatio = 1.0;
    // What the centring depends on: the parent's size, the window's size and
    // its frame.
    QPointer<QWidget> m_watchedParent;
    QPointer<QWidget> m_watchedWindow;
    QPointer<QObject> m_frameWatch;
    // The picture scaled to the drawing rectangle in device pixels, so that a
    // paint is one blit; rebuilt when that size changes, dropped with the picture.
    QImage m_scaled;
};
