// Measures, against the real clock, how "Use These Resources" spaces its
// thirteen control-register writes, and how often a 1 ms window timer fires
// while it waits. Runs headless:
//   QT_QPA_PLATFORM=offscreen ./bench_pacing [runs]
#include "MessageSeam.h"
#include "TApplication.h"
#include "TUpDown.h"
#include "VORTAN32.h"
#include "template.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// A card at 0x300 that keeps what is written and stamps every data-port write.
class TimedCard : public TPortBackend
{
public:
    std::uint16_t In(std::uint16_t port) override
    {
        if (port == 0x61)
            return 0x20;
        if (port == 0x302)
            return index < registers.size() ? registers[index] : 0xFF;
        return 0xFF;
    }
    void Out(std::uint16_t port, std::uint8_t value) override
    {
        if (port == 0x301) {
            index = value;
        } else if (port == 0x302) {
            writes.push_back(Clock::now());
            if (index < registers.size())
                registers[index] = value;
        }
    }

    std::array<quint8, 13> registers {};
    quint8 index = 0;
    std::vector<Clock::time_point> writes;
};

} // namespace

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    TimedCard card;
    SetPortBackend(&card);
    int failures = 0;
    SetMessageHandler([&](const TMessageRequest &request) {
        if (request.Caption != QLatin1String("Access Warning") && request.Caption != QLatin1String("Confirmation")
            && request.Caption != QLatin1String("Success")) {
            std::printf("unexpected box: %s: %s\n", qPrintable(request.Caption), qPrintable(request.Text));
            ++failures;
        }
        return TMsgResult::Ok;
    });

    TMainForm form;
    auto *button1 = form.findChild<QPushButton *>(QStringLiteral("Button1"));
    auto *button2 = form.findChild<QPushButton *>(QStringLiteral("Button2"));
    auto *irq = form.findChild<QComboBox *>(QStringLiteral("IRQComboA"));
    const QString letters = QStringLiteral("ABCDEFGH");

    int ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });

    double minGap = 1e9, maxGap = 0, minLast = 1e9, maxLast = 0, minDone = 1e9, maxDone = 0;
    int minTicks = 1 << 30;
    std::printf("run  gaps between consecutive writes (ms)%*s last   done  ticks\n", 56, "");
    for (int run = 0; run < runs; ++run) {
        button1->click();
        for (int port = 0; port < 8; ++port) {
            auto *ud = form.findChild<TUpDown *>(QStringLiteral("BaseUD") + letters[port]);
            ud->setPosition(0x100 + 8 * port + 8);
            ud->setPosition(0x100 + 8 * port);
        }
        irq->setCurrentIndex(run % irq->count());
        card.writes.clear();
        ticks = 0;
        timer.start();
        const Clock::time_point start = Clock::now();
        button2->click();
        const Clock::time_point done = Clock::now();
        timer.stop();

        if (card.writes.size() != 13) {
            std::printf("run %d: %zu writes\n", run, card.writes.size());
            return 1;
        }
        std::printf("%3d ", run);
        for (size_t i = 1; i < card.writes.size(); ++i) {
            const double gap = msBetween(card.writes[i - 1], card.writes[i]);
            minGap = std::min(minGap, gap);
            maxGap = std::max(maxGap, gap);
            std::printf(" %5.2f", gap);
        }
        const double last = msBetween(start, card.writes.back());
        const double total = msBetween(start, done);
        minLast = std::min(minLast, last);
        maxLast = std::max(maxLast, last);
        minDone = std::min(minDone, total);
        maxDone = std::max(maxDone, total);
        minTicks = std::min(minTicks, ticks);
        std::printf("  %6.2f %6.2f %4d\n", last, total, ticks);
    }
    std::printf("\n%d runs: gaps %.2f .. %.2f ms; 13th write %.2f .. %.2f ms after the start; "
                "sequence done %.2f .. %.2f ms after the start; at least %d ticks of a 1 ms timer per run\n",
        runs, minGap, maxGap, minLast, maxLast, minDone, maxDone, minTicks);
    SetPortBackend(nullptr);
    return failures ? 1 : 0;
}
