// The supporter's windows: the title line, the help, technical-support and
// installed-cards windows, built at the first idle moment after the owner's
// first paint.
#include "TSetupSupporter.h"

#include "Anchors.h"
#include "LLTRELOX.h"
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

#include <cmath>

namespace {

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
    // Named once: a card-string handler may switch the name while the list is built.
    const QString cardName = CardName();
    BuildHeaderLabel();
    BuildHelpForm();
    BuildTechForm();
    // The installed-cards list, only for a program that can name its cards.
    const bool found = OnGetCardString ? BuildCardList(cardName) : true;
    const QString series = m_bSeries ? QStringLiteral(" Series") : QString();
    if (found) {
        m_headerLabel->setText(cardName + series + QStringLiteral(" Settings Program"));
    } else {
        m_pciForm->PCIMemo->setPlainText(QStringLiteral("No Card Found"));
        m_headerLabel->setText(QStringLiteral("No ") + cardName
            + (m_bSeries ? QStringLiteral(" Series Card") : QString()) + QStringLiteral(" Found"));
    }

    m_helpPending = true;
    UpdateTimer();
}

void TSetupSupporter::BuildHeaderLabel()
{
    // Title line across the top of the main window.
    QWidget *client = clientArea(m_owner);
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
}

void TSetupSupporter::BuildHelpForm()
{
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
}

void TSetupSupporter::BuildTechForm()
{
    auto *tech = new TTechForm(m_owner);
    m_techForm = tech;
    tech->TechMemo->setPlainText(
        THelpText::SupportText(m_companyName, m_callHow).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    connect(tech->CloseButton, &QPushButton::clicked, this, [this, tech] { CloseButtonClick(tech->CloseButton); });
    tech->resize(fittedClientSize({tech->TechMemo, tech->CloseButton}));
    SetAnchors(tech->TechMemo, akLeft | akTop | akRight | akBottom);
    tech->CloseButton->move((tech->width() - tech->CloseButton->width()) / 2, tech->CloseButton->y());
    SetAnchors(tech->CloseButton, akBottom);
}

bool TSetupSupporter::BuildCardList(const QString &cardName)
{
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
    bool found = false;
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
    return found;
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
