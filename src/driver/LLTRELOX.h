#pragma once

#include <cstdint>

// Run-time binding to the card-driver library (libtrelox.so; TRELOX.dll on
// Windows). Loaded on request, never unloaded; silent on failure.
extern "C" {
typedef std::int32_t (*TGetNumCards)();
typedef void (*TDriverEntry)();
}

// Entry 0 of DriverEntries, typed: the only entry point the program calls.
// Set together with DriverEntries[0]; call it only when it is set.
extern TGetNumCards GetNumCards;
// The 33 entry references in binding order (index 0 is GetNumCards). The
// other 32 are bound for completeness; their signatures are the library's.
constexpr int DriverEntryCount = 33;
extern const char *const DriverEntryNames[DriverEntryCount];
extern void *DriverEntries[DriverEntryCount];
// True once one binding pass found all 33 entry points.
extern bool DriverLibraryBound;
// The library's file name as handed to the platform loader.
extern const char *const DriverLibraryName;

// Loads the library with the platform's default search order and looks up
// every entry point. Returns at once when already fully bound; a missing
// library changes nothing; a partly bound library is loaded and looked up
// again on the next call. Safe to call more than once.
void BindDriverLibrary();
