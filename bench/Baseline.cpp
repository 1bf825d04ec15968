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
//   --wallpaper  resident, what a new wallpaper must cost: its notice taken,
//              the picture named in the registry decoded through the imaging
//              component (its factory made once) at the size the program
//              judges it at, on a thread started for it, and black or white,
//              by its mean, set on the labels with one message. Decoded on the
//              window's own thread, it would hold the broadcast up (every
//              top-level window hears it in turn, the thread's IME window
//              too), and the shell would begin its own change of picture only
//              once the colour was set
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <string.h>
#include <wincodec.h>
#include <initializer_list>


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

static IWICImagingFactory* g_pFactory;

// The picture scaled by the component's own scaler to at most 1024 pixels
// along its longer side; 0 to 255 for its mean grey, -1 where it cannot be read.
static int MeanGrey(const WCHAR* path)
{
    IWICBitmapDecoder* pDecoder = nullptr;
    IWICBitmapFrameDecode* pFrame = nullptr;
    IWICBitmapScaler* pScaler = nullptr;
    IWICFormatConverter* pConverter = nullptr;
    UINT cx = 0, cy = 0;
    int grey = -1;
    if (SUCCEEDED(g_pFactory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &pDecoder))
        && SUCCEEDED(pDecoder->GetFrame(0, &pFrame)) && SUCCEEDED(pFrame->GetSize(&cx, &cy)) && cx && cy) {
        UINT longer = cx > cy ? cx : cy, w = longer > 1024 ? cx * 1024 / longer : cx, h = longer > 1024 ? cy * 1024 / longer : cy;
        DWORD* pixels = (DWORD*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)w * h * 4);
        if (pixels && SUCCEEDED(g_pFactory->CreateBitmapScaler(&pScaler))
            && SUCCEEDED(pScaler->Initialize(pFrame, w ? w : 1, h ? h : 1, WICBitmapInterpolationModeFant))
            && SUCCEEDED(g_pFactory->CreateFormatConverter(&pConverter))
            && SUCCEEDED(pConverter->Initialize(pScaler, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                                WICBitmapPaletteTypeCustom))
            && SUCCEEDED(pConverter->CopyPixels(nullptr, w * 4, w * h * 4, (BYTE*)pixels))) {
            unsigned long long sum = 0;
            for (UINT i = 0; i < w * h; ++i)
                sum += ((pixels[i] >> 16 & 0xFF) + (pixels[i] >> 8 & 0xFF) + (pixels[i] & 0xFF)) / 3;
            grey = (int)(sum / ((unsigned long long)w * h));
        }
        HeapFree(GetProcessHeap(), 0, pixels);
    }
    for (IUnknown* p : {(IUnknown*)pConverter, (IUnknown*)pScaler, (IUnknown*)pFrame, (IUnknown*)pDecoder})
        if (p)
            p->Release();
    return grey;
}

static DWORD WINAPI JudgeWallpaper(void*)
{
    WCHAR path[MAX_PATH] = L"";
    DWORD size = sizeof path - sizeof(WCHAR);
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        RegQueryValueExW(hKey, L"Wallpaper", nullptr, nullptr, (BYTE*)path, &size);
        RegCloseKey(hKey);
    }
    int grey = MeanGrey(path);
    DWORD_PTR result;
    if (grey >= 0)
        SendMessageTimeoutA(BareLookUp(), LVM_SETTEXTCOLOR, 0, grey >= 128 ? RGB(0, 0, 0) : RGB(255, 255, 255),
                            SMTO_ABORTIFHUNG, 500, &result);
    return 0;
}

static INT_PTR CALLBACK WallpaperDialogProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_SETTINGCHANGE && wParam == SPI_SETDESKWALLPAPER)
        CloseHandle(CreateThread(nullptr, 0, JudgeWallpaper, nullptr, 0, nullptr));
    return message == WM_INITDIALOG;
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
    if (strstr(cmdLine, "--wallpaper")) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, (void**)&g_pFactory);
        hDlg = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(1), nullptr, WallpaperDialogProc, 0);
    } else if (strstr(cmdLine, "--dialog-watch"))
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
