#include "LLTRELOX.h"

TGetNumCards GetNumCards = nullptr;
const char *const DriverEntryNames[DriverEntryCount] = {"GetNumCards"};
void *DriverEntries[DriverEntryCount] = {};
bool DriverLibraryBound = false;
void BindDriverLibrary() {}
