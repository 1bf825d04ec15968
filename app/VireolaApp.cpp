#include "VireolaApp.h"
#include "RunningCopy.h"
#include "../shell/DesktopView.h"
#include "../res/resource.h"
#include "../wallpaper/KeptColor.h"
#include "../settings/Settings.h"
#include "../ui/VireolaDlg.h"
#include "../watch/WatchPause.h"

// The program-wide objects, constructed in this order and destroyed in reverse.
CVireolaApp theApp;
CVireolaDlg g_VireolaDlg;
CImageList g_PreviewImageList;

// The settings dialog becomes the main window; the program lives as long as it.
static bool CreateMainDialog(CWinApp& app)
{
    // the preview is a list view
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    if (!g_VireolaDlg.Create(nullptr))
        return false;
    app.m_pMainWnd = &g_VireolaDlg;
    return true;
}

// Within a bound: a picture on a share that does not answer is given up.
static void JudgeBeforeEnd(COLORREF applied)
{
    JudgedOn on;
    COLORREF judged = EvaluateBeforeStart(on);
    if (judged == CLR_NONE)
        return;
    KeepColor(judged, on);
    if (judged != applied)
        ApplyDesktopColors(judged, CLR_NONE);
}

CVireolaApp::CVireolaApp() : CWinApp(IDS_APP_TITLE) {}

BOOL CVireolaApp::StartInstance()
{
    if (!FindDesktopListView())
        return FALSE;

    char title[30];
    LoadStringA(m_hInstance, IDS_APP_TITLE, title, sizeof title);
    // held until this copy's dialog exists or this copy has ended
    CStartLock lock;
    if (HWND hRunning = NextRunningCopy(title)) {
        // the system's own starts bring no dialog up: at sign-in Windows can
        // make both, the start at logon and the restart
        if (!IsAutomaticStart(m_lpCmdLine))
            HandOver(hRunning, lock);
        return FALSE;
    }

    SetSettingsCompanyKey();
    // the wallpaper's colour as last judged, where it was judged on what
    // shows now, which the dialog judges afresh
    COLORREF wallpaper = ReadKeptColorForWhatShows();
    g_VireolaDlg.RememberWallpaperColor(wallpaper);
    if (IsSettingsSwitch(m_lpCmdLine)) {
        if (!CreateMainDialog(*this))
            return FALSE;
        ShowWindow(g_VireolaDlg.m_hWnd, SW_SHOWNORMAL);
        return TRUE;
    }

    ColorTable table = g_ColorTemplate;
    FillAutoColors(table, wallpaper);
    int index = ValidColorIndex(ReadTextColorIndex());
    // a contrast theme's user needs the shell's own look; with nothing judged
    // on this wallpaper, the labels keep their colour until the judgement
    bool contrastTheme = HighContrastOn();
    COLORREF wanted = index == WALLPAPER_CONTRAST_COLOR ? wallpaper : ColorAt(table, index);
    if (!contrastTheme && wanted != CLR_NONE)
        ApplyDesktopColors(wanted, CLR_NONE);
    if (ReadReApply())
        return CreateMainDialog(*this);
    // No resident copy will judge the wallpaper: this one does, once the
    // next copy may start, and puts a new colour on before it ends.
    lock.Release();
    if (index == WALLPAPER_CONTRAST_COLOR && !contrastTheme)
        JudgeBeforeEnd(wanted);
    return FALSE;
}
