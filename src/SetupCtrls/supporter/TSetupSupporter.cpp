#include "TSetupSupporter.h"

#include "Anchors.h"
#include "LLTRELOX.h"
#include "MessageSeam.h"
#include "TAccessibleFactory.h"
#include "TApplication.h"
#include "THelpText.h"
#include "TRtfReader.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimerEvent>

#include <cmath>

namespace {

const char *const ButtonClickName = "qt_supporter_click";

// Controls of a main window sit on its client area.
QWidget *clientArea(QWidget *window)
{
    if (auto *main = qobject_cast<QMainWindow *>(window); main && main->centralWidget())
        return main->centralWidget();
    return window;
}

QMenuBar *mainMenu(QWidget *window)
{
    if (!window)
        return nullptr;
    if (auto *main = qobject_cast<QMainWindow *>(window))
        return qobject_cast<QMenuBar *>(main->menuWidget());
    return window->findChild<QMenuBar *>(QString(), Qt::FindDirectChildrenOnly);
}

// The window's one-time fit to its controls: the client takes the controls'
// extent, with right and bottom margins mirroring the left and top ones.
// Top-aligned controls span the width and count for the height only.
QSize fittedClientSize(const QList<QWidget *> &controls, const QList<QWidget *> &topAligned = {})
{
    int left = INT_MAX, top = INT_MAX, right = 0, bottom = 0;
    for (const QWidget *c : controls) {
        left = qMin(left, c->x());
        top = qMin(top, c->y());
        right = qMax(right, c->x() + c->width());
        bottom = qMax(bottom, c->y() + c->height());
    }
    for (const QWidget *c : topAligned) {
        top = qMin(top, c->y());
        bottom = qMax(bottom, c->y() + c->height());
    }
    return QSize(right + qMax(0, left), bottom + qMax(0, top));
}

int roundHalfEven(double value)
{
    return int(std::nearbyint(value));
}

} // namespace

TSetupSupporter::TSetupSupporter(QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
{
    TAccessibleFactory::Install();
}

TSetupSupporter::~TSetupSupporter()
{
    // The timer must not outlive the poll; nothing may be started here.
    m_running = false;
    if (m_timerId)
        killTimer(m_timerId);
    m_timerId = 0;
}

void TSetupSupporter::setOnBeginCalib(TSupporterNotifyEvent handler)
{
    m_onBeginCalib = std::move(handler);
    UpdateTimer();
}

void TSetupSupporter::InstallIdleHandler()
{
    // First display, then the first idle moment: a loop may idle before the
    // window has painted (a modal box's loop at start-up, before it is even up).
    QWidget *client = clientArea(m_owner);
    m_ownerPainted = !client;
    if (client) {
        client->installEventFilter(this);
        client->update(); // a window painted long ago paints once more
    }
    QPointer<TSetupSupporter> self(this);
    TApplication::SetOnIdle([self] {
        if (!self)
            TApplication::SetOnIdle({});
        else if (self->m_ownerPainted)
            self->ApplicationIdle();
    });
}

bool TSetupSupporter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        m_ownerPainted = true;
        watched->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

void TSetupSupporter::ApplicationIdle()
{
    TApplication::SetOnIdle({});
    BuildWindows();
}

void TSetupSupporter::BuildWindows()
{
    const QString cardName = CardName();
    QWidget *client = clientArea(m_owner);

    // Title line across the top of the main window.
    auto *header = new QLabel(client);
    header->setObjectName(QStringLiteral("HeaderLabel"));
    header->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont headerFont(QStringLiteral("Tahoma"));
    headerFont.setPointSize(18);
    headerFont.setBold(true);
    header->setFont(headerFont);
    QPalette headerPalette = header->palette();
    headerPalette.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(headerPalette);
    header->setGeometry(0, 0, client ? client->width() : 0, header->fontMetrics().height());
    SetAnchors(header, akLeft | akTop | akRight);
    // A label is painted beneath the window's other controls.
    header->lower();
    if (client)
        header->show();
    m_headerLabel = header;

    // Help window.
    auto *help = new THelpForm(m_owner);
    m_helpForm = help;
    TRtfReader::Read(HelpText(), help->HelpRich->document());
    // The view's cursor rode along with the text; the reader starts at the heading.
    help->HelpRich->moveCursor(QTextCursor::Start);

    help->resize(help->HelpRich->width(), help->height());
    const QSize helpFit = fittedClientSize({help->HelpRich, help->StartButton}, {help->HelpLabel});
    help->resize(helpFit.width(), helpFit.height() + 8);
    SetAnchors(help->HelpRich, akLeft | akTop | akRight | akBottom);
    help->StartButton->move((help->width() - help->StartButton->width()) / 2, help->StartButton->y());
    SetAnchors(help->StartButton, akBottom);
    const double scale = HelpScale(ScreenSize());
    help->resize(roundHalfEven(help->width() * scale), roundHalfEven(help->height() * scale));

    // Technical-support window.
    auto *tech = new TTechForm(m_owner);
    m_techForm = tech;
    tech->TechMemo->setPlainText(
        THelpText::SupportText(m_companyName, m_callHow).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    connect(tech->CloseButton, &QPushButton::clicked, this, [this, tech] { CloseButtonClick(tech->CloseButton); });
    tech->resize(fittedClientSize({tech->TechMemo, tech->CloseButton}));
    SetAnchors(tech->TechMemo, akLeft | akTop | akRight | akBottom);
    tech->CloseButton->move((tech->width() - tech->CloseButton->width()) / 2, tech->CloseButton->y());
    SetAnchors(tech->CloseButton, akBottom);

    // Installed-cards list, only for a program that can name its cards.
    bool found = true;
    if (OnGetCardString) {
        if (QMenuBar *menu = mainMenu(m_owner)) {
            for (QAction *entry : menu->actions()) {
                QMenu *fileMenu = entry->menu();
                if (!fileMenu || entry->text() != QLatin1String("&File"))
                    continue;
                auto *displayPCI
                    = new QAction(QStringLiteral("Display ") + cardName + QStringLiteral(" Cards Installed"), fileMenu);
                displayPCI->setObjectName(QStringLiteral("DisplayPCI"));
                connect(displayPCI, &QAction::triggered, this, [this, displayPCI] { DisplayPCIClick(displayPCI); });
                fileMenu->insertAction(fileMenu->actions().value(0), displayPCI);
                break;
            }
        }

        auto *pci = new TPCIForm(m_owner);
        m_pciForm = pci;
        pci->setWindowTitle(cardName + QStringLiteral(" Cards installed"));
        connect(pci->CloseButton, &QPushButton::clicked, this, [this, pci] { CloseButtonClick(pci->CloseButton); });
        pci->resize(fittedClientSize({pci->PCIMemo, pci->CloseButton}));
        SetAnchors(pci->PCIMemo, akLeft | akTop | akRight | akBottom);
        SetAnchors(pci->CloseButton, akBottom);
        pci->show();

        BindDriverLibrary();
        const qint32 count = GetNumCards ? GetNumCards() : 0;
        found = false;
        if (count > 0) {
            pci->PCIMemo->clear();
            for (qint32 card = 0; card < count; ++card) {
                const QString line = OnGetCardString(this, card);
                if (line.isEmpty())
                    continue;
                pci->PCIMemo->appendPlainText(line);
                found = true;
            }
        }
    }

    const QString series = m_bSeries ? QStringLiteral(" Series") : QString();
    if (found) {
        header->setText(cardName + series + QStringLiteral(" Settings Program"));
    } else {
        m_pciForm->PCIMemo->setPlainText(QStringLiteral("No Card Found"));
        header->setText(QStringLiteral("No ") + cardName + (m_bSeries ? QStringLiteral(" Series Card") : QString())
            + QStringLiteral(" Found"));
    }

    m_helpPending = true;
    UpdateTimer();
}

void TSetupSupporter::UpdateTimer()
{
    if (m_timerId)
        killTimer(m_timerId);
    m_timerId = 0;
    if (!m_running && !m_helpPending)
        return;
    m_timerId = StartTimer(100);
    if (!m_timerId)
        throw EOutOfResources("Not enough timers available");
}

int TSetupSupporter::StartTimer(int interval)
{
    return startTimer(interval);
}

QSize TSetupSupporter::ScreenSize() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

double TSetupSupporter::HelpScale(const QSize &screen)
{
    const double scale = qMin(screen.height() / 450.0, screen.width() / 800.0);
    return scale < 1.0 ? 1.0 : scale;
}

void TSetupSupporter::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId || m_timerId == 0) {
        QObject::timerEvent(event);
        return;
    }
    // A handler that pumps messages must not start a second step inside the first.
    if (m_inTick)
        return;
    m_inTick = true;
    try {
        TimerTick();
    } catch (const std::exception &error) {
        TApplication::HandleException(error);
    } catch (...) {
        TApplication::HandleUnknownException();
    }
    m_inTick = false;
}

void TSetupSupporter::TimerTick()
{
    if (m_helpPending) {
        if (m_helpForm)
            m_helpForm->show();
        m_helpPending = false;
        UpdateTimer();
        return;
    }
    PollStep();
}

void TSetupSupporter::DisplayPCIClick(QObject *)
{
    if (!m_pciForm)
        return;
    m_pciForm->show();
    m_pciForm->raise();
}

void TSetupSupporter::CloseButtonClick(QObject *Sender)
{
    if (auto *control = qobject_cast<QWidget *>(Sender))
        control->window()->hide();
}

void TSetupSupporter::SetRunning(bool value)
{
    if (value == m_running)
        return;
    m_running = value;
    UpdateTimer();
}

void TSetupSupporter::PollStep()
{
    if (m_onBeginCalib)
        m_onBeginCalib(this);

    if (!OnGetCalibString) {
        SetRunning(false);
        ShowMessageBox(m_owner, QStringLiteral("OnGetCalibString Not Assigned"),
            QStringLiteral("Error: calibration begun, but OnGetCalibString isn't assigned."), TMsgButtons::Ok,
            TMsgIcon::Warning, true);
        ResetButtons();
        return;
    }

    // Copies: a handler may register further groups while these loops run.
    const QList<TCalibDisplay> displays = CalibDisplays;
    for (const TCalibDisplay &display : displays) {
        if (display.HideControl)
            display.HideControl->hide();
    }

    bool itsAllBad = true;
    // Copy: a handler may change Channels while the step runs.
    const quint8 channels = m_channels;
    for (int channel = 0; channel < channels; ++channel) {
        const QString text = OnGetCalibString(this, quint8(channel), itsAllBad);
        ShowChannelString(quint8(channel), text);
    }

    if (!itsAllBad)
        return;
    // Stopped before the box opens, so no step runs behind it.
    SetRunning(false);
    if (ShowMessageBox(m_owner, QStringLiteral("Total A/D failure"),
            QStringLiteral("Total A/D failure. The card may not be installed, or it may be installed at a "
                           "different base address."),
            TMsgButtons::RetryCancel, TMsgIcon::Warning, true)
        == TMsgResult::Retry)
        SetRunning(true);
    else
        ResetButtons();
}

void TSetupSupporter::ResetButtons()
{
    if (m_changeButtons) {
        // Copy: a Start handler may register further groups.
        const QList<TCalibDisplay> displays = CalibDisplays;
        for (const TCalibDisplay &display : displays) {
            if (!display.Button)
                continue;
            SetButtonClick(display.Button, OnStartButtonClick);
            display.Button->setText(QStringLiteral("Start"));
        }
    }
    SetRunning(false);
}

void TSetupSupporter::SetButtonClick(QAbstractButton *button, TSupporterNotifyEvent handler)
{
    if (!button)
        return;
    if (QObject *old = button->findChild<QObject *>(QLatin1String(ButtonClickName), Qt::FindDirectChildrenOnly)) {
        // The old handler may be the one running right now.
        QObject::disconnect(button, nullptr, old, nullptr);
        old->setObjectName(QString());
        old->deleteLater();
    }
    if (!handler)
        return;
    auto *relay = new QObject(button);
    relay->setObjectName(QLatin1String(ButtonClickName));
    connect(button, &QAbstractButton::clicked, relay, [button, handler] { handler(button); });
}

void TSetupSupporter::ShowChannelString(quint8 Channel, const QString &Text)
{
    const QString item = QStringLiteral("Channel ") + QString::number(Channel) + QLatin1Char('\t') + Text;
    const QList<TCalibDisplay> displays = CalibDisplays;
    for (const TCalibDisplay &display : displays) {
        // A list shorter than the channel count grows, so every channel shows;
        // one that cannot grow (its maxCount) keeps what it has.
        while (display.List && display.List->count() <= Channel) {
            const int before = display.List->count();
            display.List->addItem(QString());
            if (display.List && display.List->count() == before)
                break;
        }
        if (display.List)
            display.List->setItemText(Channel, item);
    }
}

void TSetupSupporter::AddCalibDisplay(const TCalibDisplay &display)
{
    CalibDisplays.append(display);
}

QString TSetupSupporter::HelpText() const
{
    THelpTextSettings settings;
    settings.CompanyName = m_companyName;
    settings.CardName = CardName();
    settings.bSeries = m_bSeries;
    settings.MultiPort = m_multiPort;
    settings.CardList = bool(OnGetCardString);
    return THelpText::Rtf(settings);
}

QString TSetupSupporter::CardName() const
{
    return m_useCardNameB ? m_cardNameB : m_cardNameA;
}
