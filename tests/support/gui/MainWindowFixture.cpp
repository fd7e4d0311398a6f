#include "MainWindowFixture.h"

MainWindowFixture::MainWindowFixture(const QStringList &panels, quint16 cardBase)
    : card(cardBase)
{
    form.SetSystemRoot(system.path());
    if (panels.isEmpty())
        return;
    int width = 0, height = 0;
    for (const QString &name : panels) {
        auto *panel = form.findChild<QWidget *>(name);
        panel->setParent(&host);
        panel->move(width, 0);
        panel->show();
        width += panel->width() + 4;
        height = qMax(height, panel->height());
    }
    host.resize(width, height);
    host.show();
}
