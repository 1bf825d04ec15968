// The floors the benchmarks measure Vireola against, built with the same
// toolchain:
//   --exit     a Windows program that does nothing and ends
//   --find     one that looks up the shell's window once and ends: the price
//              of the first window-system call (Wine connects to X here)
//   --apply    one that sets the label colours once, with the calls a silent
//              start makes to the shell's view, and ends
//   --dialog   a hidden modeless dialog and a message loop, nothing else
//   --watch    the re-apply watch written bare: every 100 ms the same window
//              look-ups and the two label-colour queries, in a plain loop
//   --dialog-watch  the same calls on the timer of a hidden dialog, through
//              the dialog message loop, as the program makes them
#include <windows.h>
#include <commctrl.h>
#include <string.h>


static HWND BareLookUp()
{
    HWND hProgman = FindWindowA("ProgMan", "Program Manager");
    HWND hDefView = hProgman ? FindWindowExA(hProgman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    return hDefView ? FindWindowExA(hDefView, nullptr, "SysListView32", nullptr) : nullptr;
}

static void CALLBACK BareTick(HWND, UINT, UINT_PTR, DWORD)
{
    DWORD_PTR result;
    SendMessageTimeoutA(BareLookUp(), LVM_GETTEXTBKCOLOR, 0, 0, SMTO_ABORTIFHUNG, 500, &result);
    SendMessageTimeoutA(BareLookUp(), LVM_GETTEXTCOLOR, 0, 0, SMTO_ABORTIFHUNG, 500, &result);
}

static void BareApply()
{
    HWND hView = BareLookUp();
    DWORD_PTR count = 0;
    SendMessageTimeoutA(hView, LVM_SETTEXTBKCOLOR, 0, CLR_NONE, SMTO_ABORTIFHUNG, 500, &count);
    SendMessageTimeoutA(hView, LVM_SETTEXTCOLOR, 0, 0, SMTO_ABORTIFHUNG, 500, &count);
    SendMessageTimeoutA(hView, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 500, &count);
    SendMessageTimeoutA(hView, LVM_REDRAWITEMS, 0, (LPARAM)count - 1, SMTO_ABORTIFHUNG, 500, &count);
}

static INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

static INT_PTR CALLBACK WatchDialogProc(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        SetTimer(hDlg, 1, 100, nullptr);
    else if (message == WM_TIMER)
        BareTick(hDlg, 0, 0, 0);
    else
        return FALSE;
    return TRUE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR cmdLine, int)
{
    if (strstr(cmdLine, "--exit"))
        return 0;
    if (strstr(cmdLine, "--find"))
        return FindWindowA("ProgMan", "Program Manager") ? 0 : 1;
    if (strstr(cmdLine, "--apply")) {
        BareApply();
        return 0;
    }
    HWND hDlg = nullptr;
    if (strstr(cmdLine, "--dialog-watch"))
        hDlg = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(1), nullptr, WatchDialogProc, 0);
    else if (strstr(cmdLine, "--dialog"))
        hDlg = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(1), nullptr, IdleDialogProc, 0);
    else if (strstr(cmdLine, "--watch"))
        SetTimer(nullptr, 0, 100, BareTick);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (hDlg && IsDialogMessageA(hDlg, &msg))
            continue;
        DispatchMessageA(&msg);
    }
    return 0;
}
