// Stand-in for the card-driver library: every entry point the program binds,
// doing nothing. GetNumCards answers the count in ZX_TRELOX_CARDS (0 without).
#include <cstdint>
#include <cstdlib>

extern "C" {

std::int32_t GetNumCards()
{
    const char *cards = std::getenv("ZX_TRELOX_CARDS");
    return cards ? std::int32_t(std::atoi(cards)) : 0;
}

// In the library's order; each does nothing.
#define ENTRY(name)                                                                                                    \
    void name() { }
ENTRY(QueryCardInfo)
ENTRY(QueryBARBase)
ENTRY(WaitForIRQ)
ENTRY(COSWaitForIRQ)
ENTRY(WDGHandleIRQ)
ENTRY(AbortRequest)
ENTRY(CloseCard)
ENTRY(WDGInit)
ENTRY(WDGSetTimeout)
ENTRY(WDGSetResetDuration)
ENTRY(WDGPet)
ENTRY(WDGReadTemp)
ENTRY(WDGReadStatus)
ENTRY(WDGStart)
ENTRY(WDGStop)
#ifndef ZX_STANDIN_WITHOUT_EMERGENCY_REBOOT
ENTRY(EmergencyReboot)
#endif
ENTRY(InPortB)
ENTRY(OutPortB)
ENTRY(InPort)
ENTRY(OutPort)
ENTRY(InPortL)
ENTRY(OutPortL)
ENTRY(InPortDWord)
ENTRY(OutPortDWord)
ENTRY(RelInPortB)
ENTRY(RelOutPortB)
ENTRY(RelInPort)
ENTRY(RelOutPort)
ENTRY(RelInPortL)
ENTRY(RelOutPortL)
ENTRY(RelInPortDWord)
ENTRY(RelOutPortDWord)

} // extern "C"
