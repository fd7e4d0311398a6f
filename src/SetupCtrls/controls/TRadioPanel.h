#pragma once

#include "Anchors.h"
#include "TColor.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class TTwoJumper;

// TRadioPanelChangeEvent: the signal OnRadioChange(QObject *Sender).
using TNotifyEvent = std::function<void(QObject *Sender)>;

// Container of one option group: its controls, the explanatory text for its
// popup, and an optional radio rule over its jumpers. Hidden until a board
// highlight moves it into its popup.
class TRadioPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool RadioEnabled READ RadioEnabled WRITE setRadioEnabled)
    Q_PROPERTY(QStringList Lines READ Lines WRITE setLines)
    Q_PROPERTY(int MemoHeight READ MemoHeight WRITE setMemoHeight)
    Q_PROPERTY(unsigned FinalAnchors READ FinalAnchors WRITE setFinalAnchors)
    Q_PROPERTY(TColor Color READ Color WRITE setColor)

public:
    explicit TRadioPanel(QWidget *parent = nullptr);
    ~TRadioPanel() override;

    bool RadioEnabled() const { return m_radioEnabled; }
    void setRadioEnabled(bool value);
    QStringList Lines() const { return m_lines; }
    void setLines(const QStringList &value);
    int MemoHeight() const { return m_memoHeight; }
    void setMemoHeight(int value);
    TAnchors FinalAnchors() const { return m_finalAnchors; }
    void setFinalAnchors(TAnchors value);
    TColor Color() const { return m_color; }
    void setColor(TColor value);

    // Set by the highlight once it has placed the panel into its popup.
    bool FinalAnchorsApplied = false;

    // Handed to the popup window once, when the popup is built.
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // Called by a jumper on this panel during its click, when RadioEnabled.
    void JumperClicked(TTwoJumper *Jumper);

signals:
    void OnRadioChange(QObject *Sender);
    // The keyboard focus moved into the panel (or a control on it) from outside it.
    void OnEnter();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    bool holds(const QWidget *widget) const;

    bool m_radioEnabled = false;
    QStringList m_lines;
    int m_memoHeight = 58;
    TAnchors m_finalAnchors = DefaultAnchors;
    TColor m_color = clBtnFace;
};
