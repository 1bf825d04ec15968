#include "ShellViewHost.h"
#include <shlobj.h>

namespace {

// The least of a browser that a shell view needs to live in: a window to sit
// in and answers to its questions; menus, toolbars and navigation it has none.
class CDesktopBrowser : public IShellBrowser
{
public:
    explicit CDesktopBrowser(HWND hWnd) : m_hWnd(hWnd) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IShellBrowser) {
            *ppv = static_cast<IShellBrowser*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // lives as long as the stand-in
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        *phwnd = m_hWnd;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    STDMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModelessSB(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return S_FALSE; }
    STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStateStream(DWORD, IStream** ppStrm) override
    {
        *ppStrm = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetControlWindow(UINT, HWND* phwnd) override
    {
        *phwnd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* pret) override
    {
        if (pret)
            *pret = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP QueryActiveShellView(IShellView** ppshv) override
    {
        *ppshv = m_pView;
        if (!m_pView)
            return E_FAIL;
        m_pView->AddRef();
        return S_OK;
    }
    STDMETHODIMP OnViewWindowActive(IShellView*) override { return S_OK; }
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return S_OK; }

    HWND m_hWnd;
    IShellView* m_pView = nullptr;
};

CDesktopBrowser* g_pBrowser;

} // namespace

void RefreshDesktopFolderView()
{
    if (g_pBrowser && g_pBrowser->m_pView)
        g_pBrowser->m_pView->Refresh();
}

HWND HostDesktopFolderView(HWND hParent, const char*& failed)
{
    static CDesktopBrowser* browser = g_pBrowser = new CDesktopBrowser(hParent);
    OleInitialize(nullptr);
    IShellFolder* pDesktop = nullptr;
    failed = "SHGetDesktopFolder";
    if (FAILED(SHGetDesktopFolder(&pDesktop)))
        return nullptr;
    IShellView* pView = nullptr;
    failed = "CreateViewObject";
    HRESULT hr = pDesktop->CreateViewObject(hParent, IID_IShellView, (void**)&pView);
    pDesktop->Release();
    if (FAILED(hr))
        return nullptr;
    browser->m_pView = pView;

    FOLDERSETTINGS settings = {FVM_ICON, FWF_DESKTOP | FWF_NOCLIENTEDGE | FWF_NOSCROLL};
    RECT rect;
    GetClientRect(hParent, &rect);
    HWND hDefView = nullptr;
    failed = "CreateViewWindow";
    if (FAILED(pView->CreateViewWindow(nullptr, &settings, browser, &rect, &hDefView)) || !hDefView)
        return nullptr;
    pView->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
    failed = "no list view in the view";
    HWND hList = FindWindowExA(hDefView, nullptr, "SysListView32", nullptr);
    if (!hList)
        pView->DestroyViewWindow();
    return hList;
}
