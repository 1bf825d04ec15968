// Clicks a button of another program's window, as the button itself would
// report it: Press.exe "Window title" CONTROL_ID. For demos and pictures.
#include <windows.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 2;
    HWND hWnd = FindWindowA(nullptr, __argv[1]);
    int id = atoi(__argv[2]);
    HWND hButton = GetDlgItem(hWnd, id);
    if (!hButton)
        return 1;
    PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)hButton);
    return 0;
}
