#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "TColor.h"

class QAction;
class QMenu;
class QMenuBar;
class QTimer;
class TPopupForm;
class TRadioPanel;

Q_MOC_INCLUDE("TRadioPanel.h")

// A tinted elliptical ring over one region of the board photograph. Hovering
// opens its popup with the linked option panel; a click keeps it open.
// One file per concern: the ring and its pixels (TBoardHighlight.cpp), the
// link group, pinning and the popup (TBoardHighlightPopup.cpp), the menu
// entries (TBoardHighlightMenu.cpp).
class TBoardHighlight : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool CreatePopup READ CreatePopup WRITE setCreatePopup)
    Q_PROPERTY(THighlightType HighlightType READ HighlightType WRITE setHighlightType)
    Q_PROPERTY(TRadioPanel *RadioPanel READ RadioPanel WRITE setRadioPanel)
    Q_PROPERTY(QString Title READ Title WRITE setTitle)

public:
    enum THighlightType : quint8 { htOptions = 0, htSettings = 1, htCalibration = 2 };
    Q_ENUM(THighlightType)

    // How long a person's pointer may take from a ring to its popup.
    static constexpr int PopupReachMs = 300;

    explicit TBoardHighlight(QWidget *parent = nullptr);
    ~TBoardHighlight() override;

    bool CreatePopup() const { return m_createPopup; }
    void setCreatePopup(bool value) { m_createPopup = value; }
    THighlightType HighlightType() const { return m_highlightType; }
    void setHighlightType(THighlightType value);
    QString Title() const { return m_title; }
    void setTitle(const QString &value);
    TRadioPanel *RadioPanel() const;
    // A panel already linked to a highlight of another link group is refused
    // silently; the old link stays.
    void setRadioPanel(TRadioPanel *value);

    QString PopupCaption() const { return m_popupCaption; }
    QString ItemBaseName() const { return m_itemBaseName; }
    TPopupForm *Popup() const;
    QMenuBar *PictureMenu() const;
    bool Entered() const { return m_entered; }
    bool PopupActive() const { return m_popupActive; }
    bool Pinned() const { return m_pinned; }
    bool Prepared() const { return m_prepared; }

    TColor TypeColor() const { return m_typeColor; }
    float NormalOpacity() const { return m_normalOpacity; }
    float LitOpacity() const { return m_litOpacity; }
    float BrightOpacity() const { return m_brightOpacity; }
    const QImage &NormalImage() const { return m_normalImage; }
    const QImage &BrightImage() const;
    const QImage &LitImage() const;
    // The image the next paint blits, chosen by Entered and PopupActive.
    const QImage &CurrentImage() const;

    // The ring and its pixels.
    static QString StripAmpersands(const QString &text);
    // The ring over an image: A = width - 1, B = height - 1.
    static void RenderRing(QImage &image, int A, int B, bool whiteCore, TColor color, float opacity);
    static TColor TypeColorOf(THighlightType type);
    // "&Options", "&Settings" or "&Calibration".
    static QString MenuCaptionOf(THighlightType type);

    // The link group, pinning and the popup.
    // The highlights sharing this one's popup and menu entry, in the parent's
    // child order, this one included.
    QList<TBoardHighlight *> LinkGroup() const;
    // Notifications (the board picture and menu entries call these too).
    void MouseEnter(bool forwarded);
    void MouseLeave(bool forwarded);
    void Click();
    void ShowPopup();
    void PinGroup();
    void PinPopup();
    void ClearEntered();
    void SetPopupActive(bool active, bool spread);
    void PopupClosed();
    void DoneClick();
    // The user closed the group's popup (Done, the close box, Previous or
    // Next): a member under the pointer opens it again only once the pointer
    // has left it and come back, or on a click.
    void HoldClosedUnderPointer();
    // The pointer entered the group's popup window.
    void PopupEntered();

    // The menu entries.
    static QString MakeItemBaseName(const QString &text);
    void RegisterMenuEntry();
    void CheckMenuEntry(bool checked);
    void MenuEntryClick(QObject *Sender);
    void PreviousClick();
    void NextClick();

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Prepare();
    void BuildImages();
    void RenderOtherLooks() const;
    QImage PixelsBeneath() const;

    bool ParentIsBoardImage() const;
    bool IsLinkedTo(const TBoardHighlight *other) const;
    bool PointerOnRing() const;
    bool PointerInGroupPopup() const;
    void WatchLeave(bool watch);
    void CheckWatchedLeave();
    void StartReach();
    void ReachEnded();
    void CloseOthersReaching();

    QAction *CreateMenuEntry(QWidget *owner);
    QAction *FindMenuEntry(int *index = nullptr, QMenu **menu = nullptr) const;
    void StepToEntry(int delta);

    bool m_createPopup = true;
    THighlightType m_highlightType = htOptions;
    QString m_title;
    QString m_popupCaption;
    QString m_itemBaseName;
    QPointer<TRadioPanel> m_radioPanel;
    QPointer<TPopupForm> m_popup;
    QPointer<QMenuBar> m_pictureMenu;
    QPointer<QAction> m_menuEntry; // the entry this highlight registered, if any
    QImage m_normalImage;
    // The first paint shows only the normal look: the lit and bright ones are
    // rendered from the same caught pixels, in the same colour, right after
    // it, or earlier should they be asked for first.
    mutable QImage m_brightImage, m_litImage;
    struct TLooksToRender
    {
        QImage beneath;
        TColor color = 0;
        float bright = 0, lit = 0;
    };
    mutable TLooksToRender m_looksToRender;
    float m_normalOpacity = 0.5f, m_litOpacity = 0.75f, m_brightOpacity = 1.0f;
    TColor m_typeColor = clYellow;
    bool m_prepared = false;
    bool m_entered = false;
    bool m_popupActive = false;
    bool m_pinned = false;
    bool m_pressed = false;
    bool m_holdClosed = false;
    QPoint m_holdAt; // where the pointer rested when the popup was closed
    // Polls the pointer after a leave that left it on the ring.
    QTimer *m_leaveWatch = nullptr;
    // Runs while the pointer may still be on its way from the ring to the popup.
    QTimer *m_reach = nullptr;
};

using THighlightType = TBoardHighlight::THighlightType;
constexpr THighlightType htOptions = TBoardHighlight::htOptions;
constexpr THighlightType htSettings = TBoardHighlight::htSettings;
constexpr THighlightType htCalibration = TBoardHighlight::htCalibration;
