// Stand-in for the card-driver library: every entry point the program binds,
// doing nothing. GetNumCards answers the count in ZX_TRELOX_CARDS (0 without).
#include <cstdint>
#include <cstdlib>

namespace {
int numCardsCalls = 0;
}

extern "C" {

std::int32_t GetNumCards()
{
    ++numCardsCalls;
    const char *cards = std::getenv("ZX_TRELOX_CARDS");
    return cards ? std::int32_t(std::atoi(cards)) : 0;
}

// Not one of the library's entry points: lets a test see how often the
// program asked.
int StandInNumCardsCalls() { return numCardsCalls; }

#define ZX_STANDIN_ENTRY(name) void name() {}
ZX_STANDIN_ENTRY(QueryCardInfo)
ZX_STANDIN_ENTRY(QueryBARBase)
ZX_STANDIN_ENTRY(WaitForIRQ)
ZX_STANDIN_ENTRY(COSWaitForIRQ)
ZX_STANDIN_ENTRY(WDGHandleIRQ)
ZX_STANDIN_ENTRY(AbortRequest)
ZX_STANDIN_ENTRY(CloseCard)
ZX_STANDIN_ENTRY(WDGInit)
ZX_STANDIN_ENTRY(WDGSetTimeout)
ZX_STANDIN_ENTRY(WDGSetResetDuration)
ZX_STANDIN_ENTRY(WDGPet)
ZX_STANDIN_ENTRY(WDGReadTemp)
ZX_STANDIN_ENTRY(WDGReadStatus)
ZX_STANDIN_ENTRY(WDGStart)
ZX_STANDIN_ENTRY(WDGStop)
#ifndef ZX_STANDIN_WITHOUT_EMERGENCY_REBOOT
ZX_STANDIN_ENTRY(EmergencyReboot)
#endif
ZX_STANDIN_ENTRY(InPortB)
ZX_STANDIN_ENTRY(OutPortB)
ZX_STANDIN_ENTRY(InPort)
ZX_STANDIN_ENTRY(OutPort)
ZX_STANDIN_ENTRY(InPortL)
ZX_STANDIN_ENTRY(OutPortL)
ZX_STANDIN_ENTRY(InPortDWord)
ZX_STANDIN_ENTRY(OutPortDWord)
ZX_STANDIN_ENTRY(RelInPortB)
ZX_STANDIN_ENTRY(RelOutPortB)
ZX_STANDIN_ENTRY(RelInPort)
ZX_STANDIN_ENTRY(RelOutPort)
ZX_STANDIN_ENTRY(RelInPortL)
ZX_STANDIN_ENTRY(RelOutPortL)
ZX_STANDIN_ENTRY(RelInPortDWord)
ZX_STANDIN_ENTRY(RelOutPortDWord)

} // extern "C"
