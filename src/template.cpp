#include "template.h"
#include "ui_template.h"

#include "DevicePixels.h"
#include "ExactClass.h"
#include "MessageSeam.h"
#include "PortPolicy.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TDecodeAhead.h"
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
#include <QScopeGuard>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <algorithm>

namespace {

const QString DriverMissingText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

const QString AccessWarningText = QStringLiteral(
    "The setup program will now try to access the card. Only continue if the base address has been set "
    "correctly(Settings | Base Address) and the card is installed.");

} // namespace

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::TMainForm)
    // The window keeps handling its messages while a write waits.
    , m_registers(0, [] { QCoreApplication::processEvents(QEventLoop::AllEvents); })
{
    // A decoder waiting for the photograph's size starts now, beside the design.
    TDecodeAhead::DrawnAt(PhotoFile(), DeviceSize(PhotoShownSize, devicePixelRatioF()));
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
    ui->BoardImage1->Picture()->LoadFromFile(PhotoFile());

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
    // Not quit(): it asks every window to close first, and a popup, which
    // only hides, makes it give up. Only a running loop can be left.
    if (event->isAccepted() && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
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

    if (InPortB(kProbePort) == PortDriverMissing)
        ShowDriverWarning(nullptr, TMsgButtons::OkCancel, TMsgIcon::None); // either answer goes on the same way
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
        const auto *panel = ExactCast<TRadioPanel>(ui->BaseEdit->parentWidget());
        setEditColor(ui->BaseEdit, ColorToQColor(panel ? panel->Color() : clBtnFace));
        return;
    }
    const TBaseJumpers jumpers(value);
    ui->BaseLabelFeedback->setText(jumpers.CorrectionText());
    TTwoJumper *const lines[]
        = {ui->BaseJumper5A, ui->BaseJumper6A, ui->BaseJumper7A, ui->BaseJumper8A, ui->BaseJumper9A};
    for (int i = 0; i < 5; ++i)
        lines[i]->setClosed(jumpers.Installed(0x20u << i));
    setEditColor(ui->BaseEdit, ColorToQColor(clWindow));
    ui->BaseJumper8B->setClosed(ui->BaseJumper8A->Closed());
    ui->BaseJumper9B->setClosed(ui->BaseJumper9A->Closed());
}

void TMainForm::BaseJumperClick()
{
    quint32 address = 0;
    const QPair<TTwoJumper *, quint32> lines[] = {{ui->BaseJumper5A, 0x020}, {ui->BaseJumper6A, 0x040},
        {ui->BaseJumper7A, 0x080}, {ui->BaseJumper8A, 0x100}, {ui->BaseJumper9A, 0x200}};
    for (const auto &line : lines)
        if (!line.first->Closed())
            address |= line.second;
    ui->BaseEdit->setText(HexText(address)); // runs BaseEditChange
}

void TMainForm::ModeComboChange()
{
    const bool rs422 = ui->ModeCombo->currentIndex() == 1;
    if (!rs422 && ui->ModeCombo->currentIndex() != 0)
        ui->ModeCombo->setCurrentIndex(0);
    TOptionJumpers options;
    options.Protocol = rs422 ? TOptionJumpers::prRS422 : TOptionJumpers::prRS485;
    ui->RS485JumperA->setClosed(options.Installed(TOptionJumpers::jpRS485));
    ui->RS485JumperB->setClosed(ui->RS485JumperA->Closed());
    ui->RS422JumperA->setClosed(options.Installed(TOptionJumpers::jp422));
    ui->RS422JumperB->setClosed(ui->RS422JumperA->Closed());
    ui->LoadCombo->clear();
    ui->LoadCombo->addItems(TOptionJumpers::TerminationItems(options.Protocol));
    // A change of protocol always starts without termination.
    ui->LoadCombo->setCurrentIndex(0);
    LoadComboChange();
}

void TMainForm::LoadComboChange()
{
    TOptionJumpers options;
    options.Protocol = ui->ModeCombo->currentIndex() == 1 ? TOptionJumpers::prRS422 : TOptionJumpers::prRS485;
    options.Termination = TOptionJumpers::TTermination(ui->LoadCombo->currentIndex() & 3);
    ui->TLDJumperA->setClosed(options.Installed(TOptionJumpers::jpTLD));
    ui->TLDJumperB->setClosed(ui->TLDJumperA->Closed());
    ui->RLDJumperA->setClosed(options.Installed(TOptionJumpers::jpRLD));
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
    TOptionJumpers options;
    options.Clock = ui->ClockCombo->currentIndex() != 0 ? TOptionJumpers::ckX8 : TOptionJumpers::ckX1;
    ui->ClockJumper->setClosed(options.Installed(TOptionJumpers::jpClock));
}

void TMainForm::DFJumperAClick()
{
    ui->DFCombo->setCurrentIndex(ui->DFJumperA->Closed() ? 1 : 0);
    ui->DFJumperB->setClosed(ui->DFJumperA->Closed());
}

void TMainForm::DFComboChange()
{
    TOptionJumpers options;
    options.ComPorts = ui->DFCombo->currentIndex() != 0 ? TOptionJumpers::cpDisabled : TOptionJumpers::cpEnabled;
    ui->DFJumperA->setClosed(options.Installed(TOptionJumpers::jpDF));
    ui->DFJumperB->setClosed(ui->DFJumperA->Closed());
}

QList<TUpDown *> TMainForm::PortUpDowns() const
{
    return {ui->BaseUDA, ui->BaseUDB, ui->BaseUDC, ui->BaseUDD, ui->BaseUDE, ui->BaseUDF, ui->BaseUDG, ui->BaseUDH};
}

QList<TEdit *> TMainForm::PortEdits() const
{
    return {ui->BaseEditA, ui->BaseEditB, ui->BaseEditC, ui->BaseEditD, ui->BaseEditE, ui->BaseEditF, ui->BaseEditG,
        ui->BaseEditH};
}

QWidget *TMainForm::ResourceBoxOwner() const
{
    // Modal to whichever window shows the panel (its popup).
    return ui->COMBasePanel->window();
}

void TMainForm::ShowDriverWarning(QWidget *owner, TMsgButtons buttons, TMsgIcon icon)
{
    TMessageRequest request;
    request.Owner = owner;
    request.Caption = QStringLiteral("Warning");
    request.Text = DriverMissingText;
    // What the driver text cannot know: why this computer gives no port access.
    request.InformativeText = PortAccessCause();
    request.Buttons = buttons;
    request.Icon = icon;
    ShowMessageBox(request);
}

bool TMainForm::CardReachable()
{
    // Where the program has to ask for authorisation, it asks now.
    if (AcquirePortAccess())
        return true;
    ShowDriverWarning(ResourceBoxOwner(), TMsgButtons::Ok, TMsgIcon::Warning);
    return false;
}

bool TMainForm::ControlBaseUsable(const TBaseJumpers &base)
{
    if (!base.InSystemBoardRange())
        return true;
    ShowMessageBox(ResourceBoxOwner(), AddressNotUsableCaption(), AddressNotUsableText(base.Settable()),
        TMsgButtons::Ok, TMsgIcon::Warning);
    return false;
}

quint8 TMainForm::ReadControlReg(quint8 index)
{
    return m_registers.Read(index);
}

void TMainForm::WriteControlReg(quint8 index, quint8 value)
{
    m_registers.Write(index, value);
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
    for (QWidget *unused : {static_cast<QWidget *>(ui->IRQComboB), static_cast<QWidget *>(ui->IRQComboC),
             static_cast<QWidget *>(ui->IRQComboD), static_cast<QWidget *>(ui->IRQComboEFGH)})
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
        throw EConvertError(ConversionErrorText(text).toStdString());
    const TBaseJumpers base(value);
    if (!ControlBaseUsable(base) || !CardReachable())
        return; // nothing read: the grid would show invented values
    // The card can only sit at the address its jumpers express: the one the
    // jumpers are drawn for and the "Actual:" line names.
    m_registers.SetBase(quint16(base.Settable()));

    int positions[8];
    for (int reg = 1; reg <= 8; ++reg)
        positions[reg - 1] = ReadControlReg(quint8(reg)) * 8;
    if (m_registers.AccessLost()) {
        // The helper went away halfway: these are not the card's values.
        ShowDriverWarning(ResourceBoxOwner(), TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }

    ToggleResourceView();
    const QList<TUpDown *> upDowns = PortUpDowns();
    for (int i = 0; i < 8; ++i)
        upDowns[i]->setPosition(positions[i]); // runs BaseUDChangingEx
    // The card's values are where the arrows start from; nothing counts as
    // chosen until the user moves it.
    for (TEdit *edit : PortEdits())
        edit->setText(QStringLiteral("***"));
    for (QComboBox *irq : {ui->IRQComboA, ui->IRQComboB, ui->IRQComboC, ui->IRQComboD, ui->IRQComboEFGH})
        irq->setCurrentIndex(-1);
}

void TMainForm::BaseUDChangingEx(bool &AllowChange, short NewValue, TUpDownDirection Direction)
{
    Q_UNUSED(AllowChange); // the change always goes ahead
    Q_UNUSED(Direction);
    auto *upDown = qobject_cast<TUpDown *>(sender());
    auto *edit = upDown ? qobject_cast<QLineEdit *>(upDown->Tag()) : nullptr;
    if (!edit)
        return;
    const int address = std::clamp(int(NewValue), int(TPortResources::AddressMin), int(TPortResources::AddressMax));
    edit->setText(PortAddressText(quint32(address)));
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
    case Qt::Key_PageUp:
        step = 32;
        break;
    case Qt::Key_PageDown:
        step = -32;
        break;
    case Qt::Key_Up:
        step = 8;
        break;
    case Qt::Key_Down:
        step = -8;
        break;
    default:
        return;
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

    // Two ports at one address are refused before anything is asked; what
    // the computer uses already is shown with the confirmation.
    const TSerialRequest request = SerialRequest();
    TKernelView kernel;
    kernel.Load(m_systemRoot);
    const TSerialPlan plan = TSerialPlan::Make(request, kernel);
    const TResourceConflicts conflicts = TResourceConflicts::Check(plan, kernel);
    if (conflicts.Refused()) {
        ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Address Conflict"), conflicts.RefusalText(), TMsgButtons::Ok,
            TMsgIcon::Warning);
        return;
    }

    // Without port access every write would vanish and "Success" would lie.
    if (!CardReachable())
        return;

    // Where nothing answers, the writes may reach another device: the user
    // is told before confirming.
    const bool nothingAnswers = m_registers.NothingAnswers();
    if (m_registers.AccessLost()) {
        ShowDriverWarning(ResourceBoxOwner(), TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }
    TMessageRequest confirmation;
    confirmation.Owner = ResourceBoxOwner();
    confirmation.Caption = QStringLiteral("Confirmation");
    confirmation.Text = ConfirmationText();
    confirmation.InformativeText = conflicts.WarningsText();
    if (nothingAnswers)
        confirmation.InformativeText.prepend(NothingAnswersText(m_registers.Base()) + QStringLiteral("\n\n"));
    confirmation.Buttons = TMsgButtons::OkCancel;
    confirmation.Icon = TMsgIcon::Question;
    if (ShowMessageBox(confirmation) != TMsgResult::Ok)
        return;

    TPortResources resources;
    resources.Addresses = request.Addresses;
    resources.Irq = request.Irq;
    const TRegisterValues values = resources.RegisterValues();

    QStringList lost;
    {
        m_writing = true;
        const auto done = qScopeGuard([this] { m_writing = false; });
        m_registers.StartPacing();
        for (int reg = 0; reg <= 12; ++reg)
            WriteControlReg(quint8(reg), values[reg]);
        lost = m_registers.LostPorts(values);
    }

    if (m_registers.AccessLost()) {
        // Nothing can be said of what the card holds now, only why.
        ShowDriverWarning(ResourceBoxOwner(), TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }
    if (!m_registers.RefusedWrites().isEmpty()) {
        // The read-back sees registers 1 to 8 only: a refused IRQ would pass it.
        ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Writes Refused"),
            WritesRefusedText(m_registers.RefusedWrites()), TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }
    if (!lost.isEmpty()) {
        // Keep the grid: the user can check the address and the card and try again.
        ShowMessageBox(ResourceBoxOwner(), QStringLiteral("Verification Failed"), VerificationFailedText(lost),
            TMsgButtons::Ok, TMsgIcon::Warning);
        return;
    }

    ToggleResourceView();
    TMessageRequest success;
    success.Owner = ResourceBoxOwner();
    success.Caption = QStringLiteral("Success");
    success.Text = SuccessText();
    // The card's job ends when Linux can use its ports: the step for exactly the values written.
    success.InformativeText = LinuxStepSentence();
    success.DetailedText = LinuxStepDetails(plan);
    success.Buttons = TMsgButtons::Ok;
    success.Icon = TMsgIcon::Information;
    ShowMessageBox(success);
}

TSerialRequest TMainForm::SerialRequest() const
{
    TSerialRequest request;
    const QList<TUpDown *> upDowns = PortUpDowns();
    for (int i = 0; i < TPortResources::PortCount; ++i)
        request.Addresses[i] = quint32(upDowns[i]->Position());
    request.Irq = TPortResources::IrqFromItem(ui->IRQComboA->currentText());
    request.Clock
        = TOptionJumpers::TClock(ui->ClockCombo->currentIndex() == 1 ? TOptionJumpers::ckX8 : TOptionJumpers::ckX1);
    request.ControlBase = m_registers.Base();
    return request;
}
