#pragma once

#include <QWidget>

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

    // Hides the popup and runs the close event.
    void Close();

protected:
    void changeEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
