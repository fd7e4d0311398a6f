// A scripted, headless tour of the whole program, as a user takes it: start,
// the help window, every ring hovered and pinned, Next and Previous, the
// port-resource procedure against a simulated card, the help and support
// windows from the menu, exit. Run under valgrind by tools/leak-tour.sh; it
// also stands alone and says what failed:
//   QT_QPA_PLATFORM=offscreen ./zx_tour
#include "MessageRecorder.h"
#include "RunLoop.h"
#include "SimulatedCard.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TPopupForm.h"
#include "TSetupSupporter.h"
#include "TUpDown.h"
#include "template.h"

#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

int g_failures = 0;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    ++g_failures;
    std::fprintf(stderr, "tour: %s\n", what);
}

void settle(int ms)
{
    RunLoopUntil([] { return false; }, 0, ms);
}

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

QAction *menuEntry(TMainForm &form, const char *name)
{
    return form.findChild<QAction *>(QLatin1String(name));
}

void tour()
{
    SimulatedCard card(0x300);
    MessageRecorder boxes(TMsgResult::Ok);

    TMainForm form;
    form.showMaximized();
    const QList<TBoardHighlight *> rings = form.findChildren<TBoardHighlight *>();
    check(rings.size() == 7, "seven rings");
    check(RunLoopUntil([&] {
        for (const TBoardHighlight *ring : rings)
            if (!ring->Prepared())
                return false;
        return true;
    }),
        "every ring prepared at the first paint");
    TSetupSupporter *sup = form.SetSup();
    check(RunLoopUntil([&] { return sup->HelpForm() && sup->HelpForm()->isVisible(); }), "help window at start-up");

    // Start opens the first ring's popup, pinned.
    click(sup->HelpForm()->StartButton);
    check(RunLoopUntil([&] { return !sup->HelpForm()->isVisible(); }), "Start closes the help window");

    // Hover every ring, then click it: its popup opens and stays.
    for (TBoardHighlight *ring : rings) {
        QTest::mouseMove(ring, ring->rect().center());
        check(RunLoopUntil([&] { return ring->Popup() && ring->Popup()->isVisible(); }), "hover opens the popup");
        click(ring);
        check(ring->Pinned(), "a click pins the popup");
        QTest::mouseMove(&form, QPoint(5, form.height() - 5));
        settle(20);
        check(ring->Popup()->isVisible(), "a pinned popup stays");
    }

    // Next and Previous walk the menu's entries.
    TPopupForm *popup = rings.first()->Popup();
    for (int step = 0; step < 8; ++step) {
        click(popup->NextButton());
        settle(10);
    }
    for (int step = 0; step < 8; ++step) {
        click(popup->PreviousButton());
        settle(10);
    }
    for (TBoardHighlight *ring : rings)
        if (ring->Popup() && ring->Popup()->isVisible())
            click(ring->Popup()->DoneButton());
    settle(20);

    // The port-resource procedure against the simulated card.
    auto *resources = form.findChild<TBoardHighlight *>(QStringLiteral("COMBaseHighlight"));
    QTest::mouseMove(resources, resources->rect().center());
    click(resources);
    TPopupForm *panel = resources->Popup();
    check(RunLoopUntil([&] { return panel->isVisible(); }), "port resources popup");
    click(panel->findChild<QPushButton *>(QStringLiteral("Button1")));
    const QList<TUpDown *> upDowns = panel->findChildren<TUpDown *>();
    check(upDowns.size() == 8, "eight port up-downs");
    for (int port = 0; port < upDowns.size(); ++port) {
        upDowns[port]->setPosition(0x100 + 8 * port + 8);
        upDowns[port]->setPosition(0x100 + 8 * port);
    }
    panel->findChild<QComboBox *>(QStringLiteral("IRQComboA"))->setCurrentIndex(6);
    click(panel->findChild<QPushButton *>(QStringLiteral("Button2")));
    check(!boxes.requests.isEmpty() && boxes.last().Caption == QLatin1String("Success"), "resources written");
    check(card.RegisterWrites().size() == 13, "thirteen register writes");
    click(panel->DoneButton());

    // Help and technical support from the Help menu.
    menuEntry(form, "Howtousethisprogram1")->trigger();
    check(RunLoopUntil([&] { return sup->HelpForm()->isVisible(); }), "help from the menu");
    sup->HelpForm()->close();
    menuEntry(form, "TechnicalSupport1")->trigger();
    check(RunLoopUntil([&] { return sup->TechForm()->isVisible(); }), "support from the menu");
    click(sup->TechForm()->CloseButton);
    check(!sup->TechForm()->isVisible(), "Close hides the support window");

    // Exit through the File menu.
    menuEntry(form, "Exit2")->trigger();
    check(!form.isVisible(), "Exit closes the main window");
    settle(20);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    tour();
    std::fprintf(stderr, "tour: %s\n", g_failures ? "FAILED" : "done");
    return g_failures ? 1 : 0;
}
