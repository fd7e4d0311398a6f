#pragma once

#include "MessageSeam.h"
#include "TSetupSupporter.h"
#include "TUpDown.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace Ui { class TMainForm; }
class TEdit;

// Reads a typed hexadecimal number: one or more of 0-9, A-F, a-f and nothing
// else, any number of leading zeros, at most 8 significant digits. On success
// stores the value (when asked) and returns true.
bool ParseHexAddress(const QString &text, quint32 *value = nullptr);

// Hexadecimal as the program shows it: upper case, no leading zeros.
QString HexText(quint32 value);

// The bits of a control base address the card's jumpers can express (A9..A5).
constexpr quint32 SettableAddressMask = 0x3E0;

// The millisecond clock the register writes are paced by: a 64-bit monotonic
// count, so a wait cannot collapse when a narrower tick count wraps. Tests
// install a clock of their own.
class TPaceClock
{
public:
    virtual ~TPaceClock();
    virtual quint64 NowMs() = 0;
    // Lets a moment pass between two readings while the program waits.
    virtual void Rest() = 0;
};

// Installs a clock (not owned); nullptr restores the steady system clock.
// Returns the clock installed before (nullptr for the system clock).
TPaceClock *SetPaceClock(TPaceClock *clock);

// The program's only application window: the board photograph with its
// highlight rings, the option panels the rings show, the menus and the
// port-resource procedure.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The design's client area.
    static constexpr int DesignClientWidth = 804;
    static constexpr int DesignClientHeight = 589;
    // Outer size of the window when it is not maximised (client and menu bar).
    QSize DesignSize() const { return m_designSize; }

    TSetupSupporter *SetSup() const { return m_setSup; }

    // Control registers of the card (index port ControlBase + 1, data port + 2).
    quint16 ControlBase() const { return m_controlBase; }
    quint8 ReadControlReg(quint8 index);
    void WriteControlReg(quint8 index, quint8 value);
    // True while the register values are being written.
    bool WritingResources() const { return m_writing; }
    bool ValidateSetting(const QString &text, const QString &name);

public slots:
    void Exit2Click();
    void Howtousethisprogram1Click();
    void TechnicalSupport1Click();
    void ModeComboChange();
    void BaseEditChange();
    void BaseJumperClick();
    void FormCreate();
    void LoadComboChange();
    void RS485JumperAClick();
    void RS422JumperAClick();
    void RLDJumperAClick();
    void TLDJumperAClick();
    void Button1Click();
    void BaseUDChangingEx(bool &AllowChange, short NewValue, TUpDownDirection Direction);
    void COMBasePanelEnter();
    void BaseEditKeyDown(int &Key, Qt::KeyboardModifiers Shift);
    void Button2Click();
    void ClockJumperClick();
    void ClockComboChange();
    void DFJumperAClick();
    void DFComboChange();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void LinkReferences();
    void CreateSupporter();
    void PlaceWindow();
    void CenterOnScreen();
    void ToggleResourceView();
    QList<TUpDown *> PortUpDowns() const;
    QList<TEdit *> PortEdits() const;
    QWidget *ResourceBoxOwner() const;
    void ShowDriverWarning(QWidget *owner, TMsgButtons buttons, TMsgIcon icon);
    bool CardReachable();
    bool ControlBaseUsable(quint32 settable);

    Ui::TMainForm *ui;
    QPointer<TSetupSupporter> m_setSup;
    QSize m_designSize;
    quint16 m_controlBase = 0;
    quint64 m_paceDeadline = 0;
    bool m_writing = false;
};
