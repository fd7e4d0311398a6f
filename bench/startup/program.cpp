// The program as Settings starts it, ready when its main window is on screen
// with every ring prepared and every ring's menu entry registered. The port
// driver answers, as on a machine set up for the card (no warning box).
#include "ReadySignal.h"

#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TDecodeAhead.h"
#include "VORTAN32.h"
#include "template.h"

#include <QMenu>
#include <QMenuBar>

namespace {

class DriverPresent : public TPortBackend
{
public:
    std::uint16_t In(std::uint16_t port) override { return port == 0x61 ? 0x20 : 0xFF; }
    void Out(std::uint16_t, std::uint8_t) override { }
};

int menuEntries(const QMenuBar *bar)
{
    int entries = 0;
    for (const QAction *top : bar->actions())
        if (top->menu() && (top->text() == QLatin1String("&Settings") || top->text() == QLatin1String("&Options")))
            entries += int(top->menu()->actions().size());
    return entries;
}

} // namespace

int main(int argc, char *argv[])
{
    const TDecodeAhead photo(TMainForm::PhotoFile());
    DriverPresent ports;
    SetPortBackend(&ports);
    TApplication app(argc, argv);
    TMainForm form;
    const QList<TBoardHighlight *> rings = form.findChildren<TBoardHighlight *>();
    const QMenuBar *bar = form.menuBar();
    ReadySignal ready(&form, [&] {
        for (const TBoardHighlight *ring : rings)
            if (!ring->Prepared())
                return false;
        return menuEntries(bar) == int(rings.size()); // one entry per link group; each ring is its own
    });
    form.showMaximized();
    return app.exec();
}
