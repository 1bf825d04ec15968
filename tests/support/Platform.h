// Where the tests and tools are running: under Wine, or on Windows itself.
// A few of them read what only one of the two provides (Wine's handle
// values, the counters Windows keeps per process) and take their path from
// here, saying which.
#pragma once
#include <windows.h>

// Wine's version text ("8.0"), or none on Windows: Wine's ntdll exports
// wine_get_version, Windows' does not.
const char* WineVersion();
bool RunningOnWine();
// "Wine 8.0" or "Windows 10.0.22631", for output.
const char* PlatformName();
