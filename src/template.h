#pragma once

#include "CardCore.h"
#include "MessageSeam.h"
#include "TSetupSupporter.h"
#include "TUpDown.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace Ui {
class TMainForm;
}
class TEdit;

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
    // The board photograph, and the size the design stretches it to (BoardImage1).
    static QString PhotoFile() { return QStringLiteral(":/board.jpg"); }
    static constexpr QSize PhotoShownSize {400, 400};

    TSetupSupporter *SetSup() const { return m_setSup; }

    // Control registers of the card (index port ControlBase + 1, data port + 2).
    quint16 ControlBase() const { return m_registers.Base(); }
    quint8 ReadControlReg(quint8 index);
    void WriteControlReg(quint8 index, quint8 value);
    // True while the register values are being written.
    bool WritingResources() const { return m_writing; }
    bool ValidateSetting(const QString &text, const QString &name);
    // Where the kernel's files are read for the serial step ("/"; tests give a fake tree).
    void SetSystemRoot(const QString &root) { m_systemRoot = root; }

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
    bool ControlBaseUsable(const TBaseJumpers &base);
    TSerialRequest SerialRequest() const;

    Ui::TMainForm *ui;
    QPointer<TSetupSupporter> m_setSup;
    QSize m_designSize;
    TControlRegisters m_registers;
    bool m_writing = false;
    QString m_systemRoot = QStringLiteral("/");
};
