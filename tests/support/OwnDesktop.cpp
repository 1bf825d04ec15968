// Each test program runs on a desktop of its own, from before its first
// window: the programs it starts never find the real desktop shell of the
// machine it runs on (which they would colour), nor the stand-ins of test
// programs running beside it.
#include "Launch.h"
#include "Platform.h"
#include <stdio.h>
#include <stdlib.h>

namespace {

// Under Wine a new desktop gets a process of its own for its window
// (explorer.exe /desktop), started with the first window on it. It outlives
// the test program by a second or more and holds the program's error output
// open meanwhile, so that whoever reads that output (ctest) waits for it: it
// ends with the program instead. Nothing else runs on the desktop by then.
BOOL CALLBACK NoteWindow(HWND, LPARAM found)
{
    *(BOOL*)found = TRUE;
    return FALSE;
}

void EndTheDesktopsOwnProcess()
{
    BOOL anyWindow = FALSE;
    EnumDesktopWindows(GetThreadDesktop(GetCurrentThreadId()), NoteWindow, (LPARAM)&anyWindow);
    DWORD pid = 0;
    if (!RunningOnWine() || !anyWindow || !GetWindowThreadProcessId(GetDesktopWindow(), &pid)
        || pid == GetCurrentProcessId())
        return;
    if (HANDLE hProcess = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        TerminateProcess(hProcess, 0);
        CloseHandle(hProcess);
    }
}

const bool g_onOwnDesktop = [] {
    if (!RunOnOwnDesktop()) {
        fprintf(stderr, "cannot make a desktop of the test's own (error %lu)\n", GetLastError());
        ExitProcess(2);
    }
    atexit(EndTheDesktopsOwnProcess);
    return true;
}();

} // namespace
