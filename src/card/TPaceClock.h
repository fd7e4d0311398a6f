#pragma once

#include <QtGlobal>

// The millisecond clock the register writes are paced by: a 64-bit monotonic
// count, so a wait cannot collapse when a narrower tick count wraps. Tests
// install a clock of their own.
class TPaceClock
{
public:
    virtual ~TPaceClock();
    virtual quint64 NowMs() = 0;
    // Lets a moment pass between two readings while the program waits.
    virtual void Rest() = 0;
};

// Installs a clock (not owned); nullptr restores the steady system clock.
// Returns the clock installed before (nullptr for the system clock).
TPaceClock *SetPaceClock(TPaceClock *clock);

// The clock installed now.
TPaceClock &PaceClock();
