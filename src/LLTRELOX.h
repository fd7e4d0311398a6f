#pragma once

#include <cstdint>

// Run-time binding to the card-driver library (libtrelox.so; TRELOX.dll on
// Windows). Loaded on request, never unloaded; silent on failure.
extern "C" {
typedef std::int32_t (*TGetNumCards)();
typedef void (*TDriverEntry)();
}

extern TGetNumCards GetNumCards;
// The 33 entry references in binding order (index 0 is GetNumCards).
constexpr int DriverEntryCount = 33;
extern const char *const DriverEntryNames[DriverEntryCount];
extern void *DriverEntries[DriverEntryCount];
extern bool DriverLibraryBound;

void BindDriverLibrary();
