#include "template.h"
#include "ui_template.h"

#include "MessageSeam.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TEdit.h"
#include "TFrameWatch.h"
#include "THelpForm.h"
#include "TPicture.h"
#include "TRadioPanel.h"
#include "TSetupSupporter.h"
#include "TTwoJumper.h"
#include "VORTAN32.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <QScopeGuard>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

const QString DriverMissingText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

const QString AccessWarningText = QStringLiteral(
    "The setup program will now try to access the card. Only continue if the base address has been set "
    "correctly(Settings | Base Address) and the card is installed.");

const QString ConfirmationText = QStringLiteral(
    "The setup program will now write the port resources. If they conflict with another device in your system, "
    "neither may function once the DF jumper is removed. Are you sure you want to use these resources?");

const QString SuccessText = QStringLiteral(
    "The resources have been written to the card. You will now need to shut down the stack, remove the DF jumper, "
    "and start back up. Your card will then be ready for use!");

// A port's I/O address lies between these; register values are address / 8.
constexpr int PortAddressMin = 0x100;
constexpr int PortAddressMax = 0x3F8;

class SteadyClock : public TPaceClock
{
public:
    quint64 NowMs() override
    {
        using namespace std::chrono;
        return quint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    // Sleeps to the next tick: the wait ends right where the count moves on,
    // and the thread neither spins nor oversleeps a whole tick.
    void Rest() override
    {
        using namespace std::chrono;
        std::this_thread::sleep_until(time_point_cast<milliseconds>(steady_clock::now()) + milliseconds(1));
    }
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
    // Centring needs the outer size, which only the window manager knows, and
    // only once it has framed the window in its normal state: centre again
    // when it answers a restore or changes the frame.
    new TFrameWatch(this, [this] {
        if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
            CenterOnScreen();
    });
}

void TMainForm::CenterOnScreen()
{
    QScreen *screen = this->screen();
    if (!screen)
        return;
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QRect outer(QPoint(0, 0), m_designSize.grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    // The client's place: the frame Qt remembers may be older than this one.
    setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), m_designSize));
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Outside the maximised state the window shows its designed size;
    // maximised, the screen decides. Equal minimum and maximum sizes would pin
    // the border, but X11 window managers then withdraw the maximise action for
    // good: restoring sets the designed size and holds it as the minimum only.
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setMinimumSize(m_designSize);
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
    // The supporter builds its windows once, at the first idle moment after
    // the window's first paint (not in the driver warning's own loop below).
    m_setSup->InstallIdleHandler();

    // Selecting from code runs no handler; the jumpers already match.
    ui->ModeCombo->setCurrentIndex(0);
    ui->LoadCombo->setCurrentIndex(0);
    ui->ClockCombo->setCurrentIndex(0);
    ui->DFCombo->setCurrentIndex(0);

    if (InPortB(0x61) == PortDriverMissing) {
        ShowMessageBox(nullptr, QStringLiteral("Warning"), DriverMissingText, TMsgButtons::OkCancel,
            TMsgIcon::None); // either answer goes on the same way
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

QList<TUpDown *> TMainForm::PortUpDowns() const
{
    return { ui->BaseUDA, ui->BaseUDB, ui->BaseUDC, ui->BaseUDD, ui->BaseUDE, ui->BaseUDF, ui->BaseUDG, ui->BaseUDH };
}

QList<TEdit *> TMainForm::PortEdits() const
{
    return { ui->BaseEditA, ui->BaseEditB, ui->BaseEditC, ui->BaseEditD,
             ui->BaseEditE, ui->BaseEditF, ui->BaseEditG, ui->BaseEditH };
}

QWidget *TMainForm::ResourceBoxOwner() const
{
    // Modal to whichever window shows the panel (its popup).
    return ui->COMBasePanel->window();
}

quint8 TMainForm::ReadControlReg(quint8 index)
{
    OutPortB(quint16(m_controlBase + 1), index);
    return quint8(InPortB(quint16(m_controlBase + 2)) & 0xFF);
}

void TMainForm::WriteControlReg(quint8 index, quint8 value)
{
    OutPortB(quint16(m_controlBase + 1), index);
    OutPortB(quint16(m_controlBase + 2), value);
    // The deadline runs from the start of the sequence, so time lost in one
    // wait shortens the next; the window keeps handling its messages.
    m_paceDeadline += 10;
    TPaceClock &clock = paceClock();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (clock.NowMs() > m_paceDeadline)
            break;
        clock.Rest();
    }
}

bool TMainForm::ValidateSetting(const QString &text, const QString &name)
{
    if (!text.contains(QLatin1Char('*')))
        return true;
    ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Invalid Setting"),
        QStringLiteral("Error: ") + name + QStringLiteral(" is invalid."), TMsgButtons::Ok, TMsgIcon::Warning);
    return false;
}

void TMainForm::ToggleResourceView()
{
    const QList<QWidget *> controls = ui->COMBasePanel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *control : controls)
        control->setVisible(control->isHidden());
    // Only the first IRQ list is ever offered: one IRQ serves all ports.
    for (QWidget *unused : { static_cast<QWidget *>(ui->IRQComboB), static_cast<QWidget *>(ui->IRQComboC),
                             static_cast<QWidget *>(ui->IRQComboD), static_cast<QWidget *>(ui->IRQComboEFGH) })
        unused->hide();
}

void TMainForm::COMBasePanelEnter()
{
    const QList<TUpDown *> upDowns = PortUpDowns();
    const QList<TEdit *> edits = PortEdits();
    for (int i = 0; i < upDowns.size(); ++i)
        upDowns[i]->setTag(edits[i]);
    for (int i = 0; i < edits.size(); ++i)
        edits[i]->setTag(upDowns[i]);
}

void TMainForm::Button1Click()
{
    // Pressing the button moves the focus into the panel at the latest, so
    // the port links exist from here on even when no focus change was seen.
    COMBasePanelEnter();

    if (ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Access Warning"), AccessWarningText, TMsgButtons::OkCancel,
            TMsgIcon::Question)
        != TMsgResult::Ok)
        return;

    const QString text = ui->BaseEdit->text();
    quint32 value = 0;
    if (!ParseHexAddress(text, &value))
        throw EConvertError((QLatin1Char('"') + text + QStringLiteral("\" is not a valid hexadecimal value."))
                                .toStdString());
    // The card can only sit at the address its jumpers express: the one the
    // jumpers are drawn for and the "Actual:" line names.
    m_controlBase = quint16(value & SettableAddressMask);

    ToggleResourceView();
    const QList<TUpDown *> upDowns = PortUpDowns();
    for (int reg = 1; reg <= 8; ++reg)
        upDowns[reg - 1]->setPosition(ReadControlReg(quint8(reg)) * 8);   // runs BaseUDChangingEx
    // The card's values are where the arrows start from; nothing counts as
    // chosen until the user moves it.
    for (TEdit *edit : PortEdits())
        edit->setText(QStringLiteral("***"));
    for (QComboBox *irq : { ui->IRQComboA, ui->IRQComboB, ui->IRQComboC, ui->IRQComboD, ui->IRQComboEFGH })
        irq->setCurrentIndex(-1);
}

void TMainForm::BaseUDChangingEx(bool &AllowChange, short NewValue, TUpDownDirection Direction)
{
    Q_UNUSED(AllowChange);   // the change always goes ahead
    Q_UNUSED(Direction);
    auto *upDown = qobject_cast<TUpDown *>(sender());
    auto *edit = upDown ? qobject_cast<QLineEdit *>(upDown->Tag()) : nullptr;
    if (!edit)
        return;
    const int address = std::clamp(int(NewValue), PortAddressMin, PortAddressMax);
    edit->setText(QStringLiteral("%1").arg(address, 3, 16, QLatin1Char('0')).toUpper());
}

void TMainForm::BaseEditKeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift);
    auto *edit = qobject_cast<TEdit *>(sender());
    auto *upDown = edit ? qobject_cast<TUpDown *>(edit->Tag()) : nullptr;
    if (!upDown)
        return;
    int step = 0;
    switch (Key) {
    case Qt::Key_PageUp: step = 32; break;
    case Qt::Key_PageDown: step = -32; break;
    case Qt::Key_Up: step = 8; break;
    case Qt::Key_Down: step = -8; break;
    default: return;
    }
    // A step, as the arrows take it: at a limit the edit still shows the
    // limit instead of keeping "***". Runs BaseUDChangingEx; the key goes on.
    upDown->Step(step > 0 ? updUp : updDown, qAbs(step));
}

void TMainForm::Button2Click()
{
    // Index and data writes of two sequences must never interleave, and the
    // waits below handle messages: a second press waits for nothing.
    if (m_writing)
        return;

    const QList<TEdit *> edits = PortEdits();
    for (int i = 0; i < edits.size(); ++i)
        if (!ValidateSetting(edits[i]->text(), QStringLiteral("base address for port ") + QChar(u'A' + i)))
            return;
    if (ui->IRQComboA->currentIndex() < 0) {
        ValidateSetting(QStringLiteral("*"), QStringLiteral("IRQ for ports"));
        return;
    }

    // Without port access every write would vanish and "Success" would lie.
    if (InPortB(0x61) == PortDriverMissing) {
        ShowMessageBox(
            ResourceBoxOwner(), QStringLiteral("Warning"), DriverMissingText, TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }

    if (ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Confirmation"), ConfirmationText, TMsgButtons::OkCancel,
            TMsgIcon::Question)
        != TMsgResult::Ok)
        return;

    quint8 values[13];
    values[0] = 0x00;
    const QList<TUpDown *> upDowns = PortUpDowns();
    for (int i = 0; i < 8; ++i)
        values[1 + i] = quint8(upDowns[i]->Position() / 8);
    quint32 irq = 0;
    ParseHexAddress(ui->IRQComboA->currentText(), &irq);
    for (int reg = 9; reg <= 12; ++reg)
        values[reg] = quint8(irq);

    QStringList lost;
    {
        m_writing = true;
        const auto done = qScopeGuard([this] { m_writing = false; });
        m_paceDeadline = paceClock().NowMs();
        for (int reg = 0; reg <= 12; ++reg)
            WriteControlReg(quint8(reg), values[reg]);
        for (int reg = 1; reg <= 8; ++reg)
            if (ReadControlReg(quint8(reg)) != values[reg])
                lost << QString(QChar(u'A' + reg - 1));
    }

    if (!lost.isEmpty()) {
        // Keep the grid: the user can check the address and the card and try again.
        ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Verification Failed"),
            QStringLiteral("The card did not keep the addresses written for port(s) ") + lost.join(QStringLiteral(", "))
                + QStringLiteral(". Check the control base address and that the card is installed, then try again."),
            TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }

    ToggleResourceView();
    ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Success"), SuccessText, TMsgButtons::Ok, TMsgIcon::Information);
}
