// The installer's custom action that ends a running Vireola before an upgrade
// or an uninstall replaces or removes its file. It asks the way the user
// would, with a click on "Remove From Memory" in the copy's settings dialog:
// the copy takes its notification-area icon away and ends with exit code 0.
// Vireola.exe needs no switch for this, and a copy of any version answers.
// Windows Installer runs it on Vista and later, which name a process's file.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "res/Copies.h"
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

namespace {

// Only one copy runs at a time; a few more rounds cover one started meanwhile.
const int MAX_COPIES = 4;
// The copy answers a click at once; it may need a while to end after it.
const DWORD SEND_TIMEOUT_MS = 5000;
const DWORD QUIT_TIMEOUT_MS = 15000;

// Lines in the installation log (msiexec /l*v), so that what happened to a
// copy can be told afterwards.
void Log(MSIHANDLE hInstall, const char* format, DWORD pid)
{
    char text[200];
    wsprintfA(text, format, (unsigned long)pid);
    PMSIHANDLE hRecord = MsiCreateRecord(0);
    MsiRecordSetStringA(hRecord, 0, text);
    MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord);
}

// The settings dialog of a copy running from the installed file. A portable
// copy elsewhere runs on no file of this package, and is not ended.
HWND FindRunningCopy(const char* installedFile)
{
    for (HWND hDlg = nullptr; (hDlg = NextRunningCopy("Vireola", hDlg)) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hDlg, &pid);
        HANDLE hProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!hProcess)
            continue;
        char image[MAX_PATH];
        DWORD size = MAX_PATH;
        BOOL known = QueryFullProcessImageNameA(hProcess, 0, image, &size);
        CloseHandle(hProcess);
        if (known && !lstrcmpiA(image, installedFile))
            return hDlg;
    }
    return nullptr;
}

// The installed program's path: the package's INSTALLDIR and the file name.
bool InstalledFile(MSIHANDLE hInstall, char path[MAX_PATH])
{
    DWORD size = MAX_PATH;
    if (MsiGetPropertyA(hInstall, "INSTALLDIR", path, &size) != ERROR_SUCCESS || size + 12 > MAX_PATH)
        return false;
    lstrcatA(path, "Vireola.exe");
    return true;
}

// BN_CLICKED from the button, as a click on it sends.
void ClickRemoveFromMemory(HWND hDlg)
{
    DWORD_PTR result;
    SendMessageTimeoutA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_REMOVE_FROM_MEMORY, BN_CLICKED),
                        (LPARAM)GetDlgItem(hDlg, IDC_REMOVE_FROM_MEMORY), SMTO_ABORTIFHUNG,
                        SEND_TIMEOUT_MS, &result);
}

// Asks one copy to quit and waits for its process to end. A copy that does
// not end in time is ended all the same: its file is about to go.
void EndCopy(MSIHANDLE hInstall, HWND hDlg)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hDlg, &pid);
    HANDLE hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!hProcess) {
        Log(hInstall, "Vireola: cannot open the running copy (process %lu)", pid);
        return;
    }
    Log(hInstall, "Vireola: asking the running copy (process %lu) to quit", pid);
    ClickRemoveFromMemory(hDlg);
    if (WaitForSingleObject(hProcess, QUIT_TIMEOUT_MS) == WAIT_OBJECT_0) {
        Log(hInstall, "Vireola: the running copy (process %lu) has ended", pid);
    } else {
        Log(hInstall, "Vireola: the running copy (process %lu) did not end in time; ending it", pid);
        TerminateProcess(hProcess, 1);
        WaitForSingleObject(hProcess, QUIT_TIMEOUT_MS);
    }
    CloseHandle(hProcess);
}

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall EndRunningCopy(MSIHANDLE hInstall)
{
    char installedFile[MAX_PATH];
    if (!InstalledFile(hInstall, installedFile))
        return ERROR_SUCCESS;
    for (int i = 0; i < MAX_COPIES; ++i) {
        HWND hDlg = FindRunningCopy(installedFile);
        if (!hDlg)
            break;
        EndCopy(hInstall, hDlg);
    }
    // the installer's own handling of files in use takes over from here
    return ERROR_SUCCESS;
}
