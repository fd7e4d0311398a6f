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
    int Tag = 0;   // ordinal of the highlight type

    // Raised after the group's highlights learnt of the activation change.
    std::function<void(QObject *Sender)> OnActivate;
    std::function<void(QObject *Sender)> OnDeactivate;

    // Hides the popup and runs the close event.
    void Close();

    // Status bar, buttons and text box along the bottom of the current client
    // area; the text box is memoHeight high and shows lines.
    void AddControls(int memoHeight, const QStringList &lines);

    // Widths of the window frame around the client area (zero while the
    // platform cannot tell yet).
    QMargins FrameMargins();
    QSize OuterSize();

    QPushButton *PreviousButton() const { return m_previous; }
    QPushButton *NextButton() const { return m_next; }
    QPushButton *DoneButton() const { return m_done; }
    QPlainTextEdit *StatusMemo() const { return m_memo; }

protected:
    bool event(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_done = nullptr;
    QPlainTextEdit *m_memo = nullptr;
};
