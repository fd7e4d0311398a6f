#include "LLTRELOX.h"

#include <dlfcn.h>

TGetNumCards GetNumCards = nullptr;

const char *const DriverEntryNames[DriverEntryCount] = {
    "GetNumCards",
    "QueryCardInfo",
    "QueryBARBase",
    "WaitForIRQ",
    "COSWaitForIRQ",
    "WDGHandleIRQ",
    "AbortRequest",
    "CloseCard",
    "WDGInit",
    "WDGSetTimeout",
    "WDGSetResetDuration",
    "WDGPet",
    "WDGReadTemp",
    "WDGReadStatus",
    "WDGStart",
    "WDGStop",
    "EmergencyReboot",
    "InPortB",
    "OutPortB",
    "InPort",
    "OutPort",
    "InPortL",
    "OutPortL",
    "InPortDWord",
    "OutPortDWord",
    "RelInPortB",
    "RelOutPortB",
    "RelInPort",
    "RelOutPort",
    "RelInPortL",
    "RelOutPortL",
    "RelInPortDWord",
    "RelOutPortDWord",
};

void *DriverEntries[DriverEntryCount] = {};
bool DriverLibraryBound = false;
const char *const DriverLibraryName = "libtrelox.so";

void BindDriverLibrary()
{
    if (DriverLibraryBound)
        return;
    // The handle is deliberately dropped: a loaded library stays loaded until
    // the process ends, so the references never dangle.
    void *library = dlopen(DriverLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return;
    int found = 0;
    for (int i = 0; i < DriverEntryCount; ++i) {
        DriverEntries[i] = dlsym(library, DriverEntryNames[i]);
        if (DriverEntries[i])
            ++found;
    }
    GetNumCards = reinterpret_cast<TGetNumCards>(DriverEntries[0]);
    DriverLibraryBound = found == DriverEntryCount;
}
