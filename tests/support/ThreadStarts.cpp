// A test program ends only once each of its threads has started. Under Wine 8
// a 32-bit process that ends while one of its threads is still starting can
// die of SIGSEGV, after it has printed its results: the kill reaches the
// thread before it has saved the segment register that Wine's signal handler
// loads. GoogleTest starts a thread at a thread's first SCOPED_TRACE or
// failure (to free that thread's values when it ends), so a test that ends
// a moment after one ended that way now and then under load.
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const DWORD START_TIMEOUT_MS = 5000;

// Ids of the threads that have started and not ended, 0 in free places: few
// threads run at once in a test program.
volatile LONG g_started[256];
HANDLE g_aThreadStarted;

void Replace(DWORD from, DWORD to)
{
    for (volatile LONG& id : g_started) {
        if (InterlockedCompareExchange(&id, (LONG)to, (LONG)from) == (LONG)from)
            return;
    }
}

bool HasStarted(DWORD threadId)
{
    for (LONG id : g_started) {
        if (id == (LONG)threadId)
            return true;
    }
    return false;
}

// Called in each thread once it has started (and in the first), and as it ends.
void NTAPI OnThread(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH) {
        Replace(0, GetCurrentThreadId());
        if (g_aThreadStarted)
            SetEvent(g_aThreadStarted);
    } else if (reason == DLL_THREAD_DETACH) {
        Replace(GetCurrentThreadId(), 0);
    }
}

bool AThreadIsStarting()
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return false;
    bool starting = false;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(hSnapshot, &entry); more && !starting; more = Thread32Next(hSnapshot, &entry))
        starting = entry.th32OwnerProcessID == GetCurrentProcessId() && !HasStarted(entry.th32ThreadID);
    CloseHandle(hSnapshot);
    return starting;
}

void WaitForStartingThreads()
{
    // Windows ends a starting thread safely, and its loader's own threads
    // need not call back.
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        return;
    DWORD start = GetTickCount();
    while (AThreadIsStarting()) {
        if (GetTickCount() - start > START_TIMEOUT_MS) {
            fprintf(stderr, "a thread of the test program had not started after %lu ms\n", START_TIMEOUT_MS);
            return;
        }
        WaitForSingleObject(g_aThreadStarted, 100);
    }
}

const bool g_waitsAtExit = [] {
    g_aThreadStarted = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    atexit(WaitForStartingThreads);
    return true;
}();

} // namespace

// Listed with the runtime's own thread callbacks, which the loader calls in
// every thread of the program.
extern "C" {
__attribute__((section(".CRT$XLV"), used)) PIMAGE_TLS_CALLBACK g_onThread = OnThread;
}
