#include "TPaceClock.h"

#include <chrono>
#include <thread>

namespace {

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

} // namespace

TPaceClock::~TPaceClock() = default;

TPaceClock *SetPaceClock(TPaceClock *clock)
{
    TPaceClock *previous = g_paceClock;
    g_paceClock = clock;
    return previous;
}

TPaceClock &PaceClock()
{
    static SteadyClock steady;
    return g_paceClock ? *g_paceClock : steady;
}
