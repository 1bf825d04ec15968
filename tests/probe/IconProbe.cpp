// Hooked by the tests into the thread of a running Vireola.exe's settings
// dialog, whose icon, image-list and font handles mean nothing in another
// process.
// A question posted to the dialog is answered there, in the dialog's own
// thread, by a message posted back to the asker's window.
#include "IconProbe.h"
#include "framework/NewerWindows.h"
#include "res/resource.h"
#include "tests/support/IconSize.h"
#include <commctrl.h>

// Asked of the comctl32 whose code runs the list view: a process can hold
// two (the version 6 one of its manifest and the plain one), and an image
// list is known only to the one that made it.
static DWORD NormalImageListSize(HWND hList)
{
    typedef BOOL(WINAPI * GetIconSizeProc)(HIMAGELIST, int*, int*);
    HMODULE hComctl = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)GetWindowLongPtrW(hList, GWLP_WNDPROC), &hComctl);
    auto getIconSize = (GetIconSizeProc)(void (*)())GetProcAddress(hComctl, "ImageList_GetIconSize");
    HIMAGELIST hImages = (HIMAGELIST)SendMessageA(hList, LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
    int cx = 0, cy = 0;
    if (!getIconSize || !hImages || !getIconSize(hImages, &cx, &cy))
        return 0;
    return MAKELONG(cx, cy);
}

static ATOM FontFace(HWND hDlg)
{
    HDC hDC = GetDC(hDlg);
    HGDIOBJ hOld = SelectObject(hDC, (HGDIOBJ)SendMessageA(hDlg, WM_GETFONT, 0, 0));
    char face[LF_FACESIZE] = "";
    GetTextFaceA(hDC, sizeof face, face);
    SelectObject(hDC, hOld);
    ReleaseDC(hDlg, hDC);
    return GlobalAddAtomA(face);
}

static DWORD Answer(HWND hDlg, WPARAM question)
{
    switch (question) {
    // a per-monitor aware window's is its monitor's
    case PROBE_DPI: return Newer::GetDpiForWindow(hDlg);
    case PROBE_FONT_FACE: return FontFace(hDlg);
    case PROBE_SMALL_ICON: return IconSize((HICON)SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0));
    case PROBE_BIG_ICON: return IconSize((HICON)SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0));
    case PROBE_PREVIEW_IMAGES: return NormalImageListSize(GetDlgItem(hDlg, IDC_PREVIEW));
    }
    return 0;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = (const MSG*)lParam;
    UINT question = RegisterWindowMessageA(PROBE_MESSAGE);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == question)
        PostMessageA((HWND)msg->lParam, question, msg->wParam, Answer(msg->hwnd, msg->wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
