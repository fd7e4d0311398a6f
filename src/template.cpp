#include "template.h"
#include "ui_template.h"

#include "MessageSeam.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "THelpForm.h"
#include "TPicture.h"
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TSetupSupporter.h"
#include "VORTAN32.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <QThread>

#include <chrono>

namespace {

const QString DriverMissingText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

class SteadyClock : public TPaceClock
{
public:
    quint64 NowMs() override
    {
        using namespace std::chrono;
        return quint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void Rest() override { QThread::msleep(1); }
};

TPaceClock *g_paceClock = nullptr;

TPaceClock &paceClock()
{
    static SteadyClock steady;
    return g_paceClock ? *g_paceClock : steady;
}

} // namespace

TPaceClock::~TPaceClock() = default;

TPaceClock *SetPaceClock(TPaceClock *clock)
{
    TPaceClock *previous = g_paceClock;
    g_paceClock = clock;
    return previous;
}

QString HexText(quint32 value)
{
    return QString::number(value, 16).toUpper();
}

bool ParseHexAddress(const QString &text, quint32 *value)
{
    if (text.isEmpty())
        return false;
    quint32 result = 0;
    int significant = 0;
    for (const QChar c : text) {
        int digit;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            digit = c.unicode() - 'A' + 10;
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            digit = c.unicode() - 'a' + 10;
        else
            return false;
        if (significant == 0 && digit == 0)
            continue;   // leading zeros are free
        if (++significant > 8)
            return false;
        result = (result << 4) | quint32(digit);
    }
    if (value)
        *value = result;
    return true;
}

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::TMainForm)
{
    ui->setupUi(this);
    LinkReferences();
    CreateSupporter();
    PlaceWindow();
    FormCreate();
}

TMainForm::~TMainForm()
{
    delete ui;
}

void TMainForm::LinkReferences()
{
    // The references between components that a design file cannot hold.
    ui->BaseHighlight->setRadioPanel(ui->BasePanel);
    ui->ModeHighlight->setRadioPanel(ui->ModePanel);
    ui->LoadHighlight->setRadioPanel(ui->LoadPanel);
    ui->ClockHighlight->setRadioPanel(ui->ClockPanel);
    ui->COMHighlight->setRadioPanel(ui->COMPanel);
    ui->COMBaseHighlight->setRadioPanel(ui->COMBasePanel);
    ui->DFHighlight->setRadioPanel(ui->DFPanel);
    ui->BoardImage1->setFirst(ui->BaseHighlight);
    ui->BoardImage1->setMenu(ui->MainMenu1);
    ui->BoardImage1->Picture()->LoadFromFile(QStringLiteral(":/board.jpg"));

    // The client area is white; the panels paint their own face colour.
    QPalette white = ui->centralwidget->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->centralwidget->setPalette(white);
    ui->centralwidget->setAutoFillBackground(true);
}

void TMainForm::CreateSupporter()
{
    m_setSup = new TSetupSupporter(this);
    m_setSup->setObjectName(QStringLiteral("SetSup"));
    m_setSup->setCompanyName(QStringLiteral("VORTAN"));
    m_setSup->setCardNameA(QStringLiteral("ZX-SER8"));
    m_setSup->setCardNameB(QStringLiteral("ZX-BAL8"));
    m_setSup->setCallHow(QStringLiteral("between 8 am and 5 pm Pacific Time at (619) 555-0134"));
    m_setSup->setMultiPort(true);
    m_setSup->setChangeButtons(true);
}

void TMainForm::PlaceWindow()
{
    m_designSize = QSize(DesignClientWidth, DesignClientHeight + ui->MainMenu1->sizeHint().height());
    resize(m_designSize);
    CenterOnScreen();
}

void TMainForm::CenterOnScreen()
{
    QScreen *screen = this->screen();
    if (!screen)
        return;
    QRect frame(QPoint(0, 0), m_designSize + (frameGeometry().size() - geometry().size()));
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // A single, non-sizeable border: outside the maximised state the window
    // keeps its designed size; maximised, the screen decides.
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(m_designSize);
        CenterOnScreen();
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, whatever tool windows are up.
    if (event->isAccepted())
        QCoreApplication::quit();
}

void TMainForm::FormCreate()
{
    // The supporter builds its windows once, at the first idle moment of the
    // running program. A modal box's own loop (the driver warning below) also
    // goes idle, before the window is on screen: that moment does not count.
    QPointer<TSetupSupporter> sup = m_setSup;
    QPointer<TMainForm> form = this;
    TApplication::SetOnIdle([sup, form] {
        if (!sup || !form) {
            TApplication::SetOnIdle({});
            return;
        }
        if (form->isVisible())
            sup->ApplicationIdle();
    });

    // Selecting from code runs no handler; the jumpers already match.
    ui->ModeCombo->setCurrentIndex(0);
    ui->LoadCombo->setCurrentIndex(0);
    ui->ClockCombo->setCurrentIndex(0);
    ui->DFCombo->setCurrentIndex(0);

    if (InPortB(0x61) == PortDriverMissing) {
        TMessageRequest request;
        request.Caption = QStringLiteral("Warning");
        request.Text = DriverMissingText;
        request.Buttons = TMsgButtons::OkCancel;
        request.Icon = TMsgIcon::None;
        ShowMessageBox(request);   // either answer goes on the same way
    }
}

void TMainForm::Exit2Click()
{
    close();
}

void TMainForm::Howtousethisprogram1Click()
{
    if (THelpForm *help = m_setSup ? m_setSup->HelpForm() : nullptr) {
        help->show();
        help->raise();
        help->activateWindow();
    }
}

void TMainForm::TechnicalSupport1Click()
{
    if (TTechForm *tech = m_setSup ? m_setSup->TechForm() : nullptr) {
        tech->show();
        tech->raise();
        tech->activateWindow();
    }
}

static void setEditColor(QLineEdit *edit, const QColor &color)
{
    QPalette palette = edit->palette();
    if (palette.color(QPalette::Base) == color)
        return;
    palette.setColor(QPalette::Base, color);
    edit->setPalette(palette);
}

void TMainForm::BaseEditChange()
{
    quint32 value = 0;
    if (!ParseHexAddress(ui->BaseEdit->text(), &value)) {
        // Only the colour tells: the jumpers keep the last valid address.
        const auto *panel = qobject_cast<const TRadioPanel *>(ui->BaseEdit->parentWidget());
        setEditColor(ui->BaseEdit, ColorToQColor(panel ? panel->Color() : clBtnFace));
        return;
    }
    const quint32 settable = value & SettableAddressMask;
    ui->BaseLabelFeedback->setText(value != settable ? QStringLiteral("Actual: ") + HexText(settable) : QString());
    TTwoJumper *const lines[] = { ui->BaseJumper5A, ui->BaseJumper6A, ui->BaseJumper7A, ui->BaseJumper8A,
                                  ui->BaseJumper9A };
    for (int i = 0; i < 5; ++i)
        lines[i]->setClosed((value & (0x20u << i)) == 0);   // an installed jumper is a 0 bit
    setEditColor(ui->BaseEdit, ColorToQColor(clWindow));
    ui->BaseJumper8B->setClosed(ui->BaseJumper8A->Closed());
    ui->BaseJumper9B->setClosed(ui->BaseJumper9A->Closed());
}

void TMainForm::BaseJumperClick()
{
    quint32 address = 0;
    const QPair<TTwoJumper *, quint32> lines[] = { { ui->BaseJumper5A, 0x020 }, { ui->BaseJumper6A, 0x040 },
                                                   { ui->BaseJumper7A, 0x080 }, { ui->BaseJumper8A, 0x100 },
                                                   { ui->BaseJumper9A, 0x200 } };
    for (const auto &line : lines)
        if (!line.first->Closed())
            address |= line.second;
    ui->BaseEdit->setText(HexText(address));   // runs BaseEditChange
}

void TMainForm::ModeComboChange()
{
    const bool rs422 = ui->ModeCombo->currentIndex() == 1;
    if (!rs422 && ui->ModeCombo->currentIndex() != 0)
        ui->ModeCombo->setCurrentIndex(0);
    ui->RS485JumperA->setClosed(!rs422);
    ui->RS485JumperB->setClosed(!rs422);
    ui->RS422JumperA->setClosed(rs422);
    ui->RS422JumperB->setClosed(rs422);
    ui->LoadCombo->clear();
    if (rs422)
        ui->LoadCombo->addItems({ QStringLiteral("No Termination"), QStringLiteral("Terminate Transmit"),
                                  QStringLiteral("Terminate Receive"), QStringLiteral("Terminate Both") });
    else
        ui->LoadCombo->addItems({ QStringLiteral("No Termination"), QStringLiteral("Termination") });
    // A change of protocol always starts without termination.
    ui->LoadCombo->setCurrentIndex(0);
    LoadComboChange();
}

void TMainForm::LoadComboChange()
{
    // Bit 0 of the choice is the TLD jumper, bit 1 the RLD jumper.
    const int index = ui->LoadCombo->currentIndex();
    ui->TLDJumperA->setClosed(index & 1);
    ui->TLDJumperB->setClosed(ui->TLDJumperA->Closed());
    ui->RLDJumperA->setClosed(index & 2);
    ui->RLDJumperB->setClosed(ui->RLDJumperA->Closed());
}

void TMainForm::RS485JumperAClick()
{
    ui->ModeCombo->setCurrentIndex(ui->RS485JumperA->Closed() ? 0 : 1);
    ModeComboChange();
}

void TMainForm::RS422JumperAClick()
{
    ui->ModeCombo->setCurrentIndex(ui->RS422JumperA->Closed() ? 1 : 0);
    ModeComboChange();
}

void TMainForm::RLDJumperAClick()
{
    int index = ui->LoadCombo->currentIndex();
    if (ui->ModeCombo->currentIndex() == 1) {
        index = ui->RLDJumperA->Closed() ? (index | 2) : (index & ~2);
    } else {
        // RS-485 has one termination, carried by the TLD jumper: the click toggles it.
        index = ui->TLDJumperA->Closed() ? (index & ~1) : (index | 1);
    }
    ui->LoadCombo->setCurrentIndex(index);
    LoadComboChange();
}

void TMainForm::TLDJumperAClick()
{
    int index = ui->LoadCombo->currentIndex();
    index = ui->TLDJumperA->Closed() ? (index | 1) : (index & ~1);
    ui->LoadCombo->setCurrentIndex(index);
    LoadComboChange();
}

void TMainForm::ClockJumperClick()
{
    ui->ClockCombo->setCurrentIndex(ui->ClockJumper->Closed() ? 1 : 0);
}

void TMainForm::ClockComboChange()
{
    ui->ClockJumper->setClosed(ui->ClockCombo->currentIndex() != 0);
}

void TMainForm::DFJumperAClick()
{
    ui->DFCombo->setCurrentIndex(ui->DFJumperA->Closed() ? 1 : 0);
    ui->DFJumperB->setClosed(ui->DFJumperA->Closed());
}

void TMainForm::DFComboChange()
{
    ui->DFJumperA->setClosed(ui->DFCombo->currentIndex() != 0);
    ui->DFJumperB->setClosed(ui->DFJumperA->Closed());
}

quint8 TMainForm::ReadControlReg(quint8) { return 0; }
void TMainForm::WriteControlReg(quint8, quint8) {}
bool TMainForm::ValidateSetting(const QString &, const QString &) { return true; }
void TMainForm::ToggleResourceView() {}
void TMainForm::Button1Click() {}
void TMainForm::BaseUDChangingEx(bool &, short, TUpDownDirection) {}
void TMainForm::COMBasePanelEnter() {}
void TMainForm::BaseEditKeyDown(int &, Qt::KeyboardModifiers) {}
void TMainForm::Button2Click() {}
