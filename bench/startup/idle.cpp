// What the program does once the help window is up and the user does nothing:
// which timers fire and how much CPU five idle seconds cost.
//   QT_QPA_PLATFORM=offscreen ./idle_probe [seconds]
#include "TApplication.h"
#include "TDecodeAhead.h"
#include "VORTAN32.h"
#include "template.h"

#include <QEvent>
#include <QEventLoop>
#include <QMap>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

class DriverPresent : public TPortBackend
{
public:
    std::uint16_t In(std::uint16_t port) override { return port == 0x61 ? 0x20 : 0xFF; }
    void Out(std::uint16_t, std::uint8_t) override { }
};

// Counts timer events by receiver, except the probe's own end-of-watch timer.
class TimerCounter : public QObject
{
public:
    QMap<QString, int> fired;
    QObject *own = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && watched != own) {
            const QString name = QString::fromLatin1(watched->metaObject()->className())
                + (watched->objectName().isEmpty() ? QString() : QLatin1Char(' ') + watched->objectName());
            ++fired[name];
        }
        return false;
    }
};

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program starts: the photograph's decoder thread must leave nothing behind.
    const TDecodeAhead photo(TMainForm::PhotoFile());
    DriverPresent ports;
    SetPortBackend(&ports);
    TApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;

    TMainForm form;
    form.showMaximized();
    // The real loop, idle moments included: the supporter builds its windows
    // at the first one and shows the help window 100 ms later.
    const auto helpShown = [&form] { return form.SetSup()->HelpForm() && form.SetSup()->HelpForm()->isVisible(); };
    // A loop of its own: quitting the application would close its windows.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (helpShown())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    poll.stop();
    if (!helpShown()) {
        std::fprintf(stderr, "the help window did not appear\n");
        return 1;
    }
    // Let the showing settle (first paints of the help window) before watching.
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();

    TimerCounter counter;
    QTimer end;
    end.setSingleShot(true);
    counter.own = &end;
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    app.installEventFilter(&counter);
    const double before = cpuMs();
    end.start(seconds * 1000);
    loop.exec();
    const double used = cpuMs() - before;
    app.removeEventFilter(&counter);
    const bool stillShown = helpShown();

    std::printf("idle for %d s after the help window was shown:\n", seconds);
    std::printf("  help window still shown: %s\n", stillShown ? "yes" : "no");
    std::printf("  supporter timer running: %s\n", form.SetSup()->TimerActive() ? "yes" : "no");
    if (counter.fired.isEmpty())
        std::printf("  timer events: none\n");
    for (auto it = counter.fired.cbegin(); it != counter.fired.cend(); ++it)
        std::printf("  timer events for %s: %d\n", qPrintable(it.key()), it.value());
    std::printf("  CPU: %.2f ms (rounds to %.0f ms)\n", used, used);
    return 0;
}
