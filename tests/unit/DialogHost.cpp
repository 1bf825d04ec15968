#include "DialogHost.h"
#include "settings/Settings.h"

// The program-wide objects that the dialog's code refers to.
CVireolaDlg g_VireolaDlg;
CImageList g_PreviewImageList;

static TrayRecord g_lastTrayRequest;
static std::vector<DWORD> g_trayRequests;
static bool g_trayRefuses;

static LRESULT CALLBACK TestTaskbarProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COPYDATA)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lParam;
    ReadTrayRecord(cds->dwData, cds->lpData, cds->cbData, g_lastTrayRequest);
    g_trayRequests.push_back(g_lastTrayRequest.request);
    return !g_trayRefuses;
}

TrayRecord LastTrayRequest()
{
    return g_lastTrayRequest;
}

std::vector<DWORD> TakeTrayRequests()
{
    std::vector<DWORD> requests;
    requests.swap(g_trayRequests);
    return requests;
}

void RefuseTrayRequests(bool refuse)
{
    g_trayRefuses = refuse;
}

// A taskbar of the test's own takes the notification-icon requests, so that
// they never wait on whatever notification area the system has.
static void MakeTestTaskbar()
{
    static HWND hTaskbar;
    if (hTaskbar)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestTaskbarProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    hTaskbar = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

HWND CreateHiddenDialog()
{
    MakeTestTaskbar();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    g_VireolaDlg.Create(nullptr);
    return g_VireolaDlg.m_hWnd;
}

void DestroyDialog()
{
    if (g_VireolaDlg.m_hWnd)
        g_VireolaDlg.DestroyWindow();
}

void HostedDialog::SetUp()
{
    RedirectedHive::SetUp();
    MakeSoftwareKey();
    DWORD off = 0;
    SetValue(SETTINGS_KEY, TRAY_ICON_VALUE, REG_DWORD, &off, sizeof off);
}

void HostedDialog::TearDown()
{
    DestroyDialog();
    RefuseTrayRequests(false);
    TakeTrayRequests();
    RedirectedHive::TearDown();
}

void* ReplaceImport(const char* name, void* pfn)
{
    BYTE* base = (BYTE*)GetModuleHandleA(nullptr);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR* dll = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports); dll->Name; ++dll) {
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + dll->OriginalFirstThunk);
        for (void** slot = (void**)(base + dll->FirstThunk); *slot; ++slot, ++names) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                || lstrcmpA((char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name, name))
                continue;
            DWORD protect;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protect);
            void* before = *slot;
            *slot = pfn;
            VirtualProtect(slot, sizeof *slot, protect, &protect);
            return before;
        }
    }
    return nullptr;
}
