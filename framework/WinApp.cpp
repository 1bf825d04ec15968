#include "WinApp.h"
#include <string.h>

static CWinApp* g_pApp;

CWinApp::CWinApp(UINT nIDTitle) : m_nIDTitle(nIDTitle) { g_pApp = this; }

CWinApp::~CWinApp() { g_pApp = nullptr; }

CWinApp* AfxGetApp() { return g_pApp; }

const char* AfxGetAppName() { return g_pApp->m_szAppName; }

const char* SkipProgramName(const char* p)
{
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {}
        if (*p == '"')
            ++p;
    } else {
        while ((unsigned char)*p > ' ')
            ++p;
    }
    while (*p && (unsigned char)*p <= ' ')
        ++p;
    return p;
}

static void LoadAppName(CWinApp& app)
{
    if (LoadStringA(app.m_hInstance, app.m_nIDTitle, app.m_szAppName, sizeof app.m_szAppName) > 0)
        return;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[n < MAX_PATH ? n : MAX_PATH - 1] = '\0';
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    lstrcpynA(app.m_szAppName, name, sizeof app.m_szAppName);
    if (char* dot = strrchr(app.m_szAppName, '.'))
        *dot = '\0';
}

int CWinApp::Run()
{
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        HWND hMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
        if (hMain && IsDialogMessageA(hMain, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp& app = *AfxGetApp();
    app.m_hInstance = hInstance;
    app.m_lpCmdLine = SkipProgramName(GetCommandLineA());
    LoadAppName(app);

    int exitCode = 0;
    if (app.StartInstance())
        exitCode = app.Run();
    else if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd)
        DestroyWindow(app.m_pMainWnd->m_hWnd);
    return exitCode;
}
