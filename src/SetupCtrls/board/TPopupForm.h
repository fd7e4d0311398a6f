#pragma once

#include <QMargins>
#include <QStringList>
#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class TBoardHighlight;

// The popup of one link group of highlights: the group's option panel, its
// text, Previous / Next / Done and a status bar. Hidden, never destroyed, when closed.
class TPopupForm : public QWidget
{
    Q_OBJECT
public:
    explicit TPopupForm(TBoardHighlight *owner);

    QStatusBar *PopupStatus = nullptr;
    TBoardHighlight *Highlight = nullptr;
    bool CloseOnLeave = false;
    int Tag = 0; // ordinal of the highlight type

    // Raised after the group's highlights learnt of the activation change.
    std::function<void(QObject *Sender)> OnActivate;
    std::function<void(QObject *Sender)> OnDeactivate;

    // Hides the popup and runs the close event.
    void Close();

    // Status bar, buttons and text box along the bottom of the current client
    // area; the text box is memoHeight high and shows lines.
    void AddControls(int memoHeight, const QStringList &lines);

    // Widths of the window frame around the client area (zero while the
    // platform cannot tell yet: until the window manager has framed it).
    QMargins FrameMargins();
    // The window with its frame, as the platform reports the frame now.
    QRect OuterRect();

    // Sizes and places the popup by its outer rectangle: the client given
    // (invalid: 194 x 141 outside), at least 194 x 122 outside and never
    // smaller than it opens, its outer corner at place, kept on area. Done
    // again once the window manager has framed the popup.
    void PlaceOuter(const QSize &client, const QPoint &place, const QRect &area);

    QPushButton *PreviousButton() const { return m_previous; }
    QPushButton *NextButton() const { return m_next; }
    QPushButton *DoneButton() const { return m_done; }
    QPlainTextEdit *StatusMemo() const { return m_memo; }

protected:
    bool event(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void applyOuter(bool place = true);

    QSize m_client;
    QPoint m_place;
    QRect m_area;
    bool m_framed = false; // the outer rules were applied with the real frame
    bool m_watching = false;
    QPoint m_placedAt; // the client's place as set here
    QRect m_restoreTo; // where it was shown again, until the window manager agrees
    QRect m_hiddenGeometry; // where the user left it
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_done = nullptr;
    QPlainTextEdit *m_memo = nullptr;
};
