#include "VireolaDlg.h"
#include "../color/DesktopView.h"
#include "../framework/NewerWindows.h"
#include "../res/resource.h"
#include "../settings/Settings.h"
#include "AboutDlg.h"
#include "TrayIcon.h"
#include "ViewEvents.h"
#include <commdlg.h>
#include <wtsapi32.h>

// Sent by the shell when it has made a new taskbar, with an empty notification area.
static const UINT WM_TASKBARCREATED = RegisterWindowMessageA("TaskbarCreated");

CVireolaDlg::CVireolaDlg() : CDialog(IDD_VIREOLA_DIALOG), m_Colors(g_ColorTemplate) {}

void CVireolaDlg::DoDataExchange()
{
    DDX_Control(IDC_TEXT_COLOR, m_TextColorCombo);
    DDX_Control(IDC_TRAY_ICON, m_TrayIconCheck);
    DDX_Control(IDC_REAPPLY, m_ReApplyCheck);
    DDX_Control(IDC_ALL_COLORS, m_AllColorsCheck);
    DDX_Control(IDC_PREVIEW, m_PreviewList);
    DDX_Control(IDC_COLOR, m_ColorButton);
    DDX_Control(IDC_APPLY, m_ApplyButton);
}

BOOL CVireolaDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    AddAboutMenuEntry(m_hWnd);
    LoadImages(Newer::GetDpiForWindow(m_hWnd));
    SetWindowTextA(m_hWnd, AfxGetAppName());

    InitPreview();
    AddColorNames(m_TextColorCombo.m_hWnd, m_Colors);
    FillAutoColors(m_Colors);
    LoadControls();
    UpdatePreview();

    if (m_TrayIconCheck.GetCheck() == BST_CHECKED)
        AddIcon();
    ListenToTheSession();
    StartWatchIfTicked();

    // A hidden dialog must not take the activation or the keyboard focus: the
    // user's typing would go into an invisible window. Once it is shown and
    // active, the dialog manager gives the focus to the first tab stop, the
    // colour list.
    return FALSE;
}

// The caption's icons and the preview's image, at the size each is drawn at
// on a display of that DPI.
void CVireolaDlg::LoadImages(UINT dpi)
{
    HINSTANCE hInst = AfxGetApp()->m_hInstance;
    m_hIcon.Load(hInst, IDR_MAINFRAME, SM_CXICON, dpi);
    m_SmallIcon.Load(hInst, IDR_MAINFRAME, SM_CXSMICON, dpi);
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)(HICON)m_hIcon);
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)(HICON)m_SmallIcon);

    // 32-bit colour keeps the alpha of the sample icon's images (with fewer
    // bits their edges come out dark and jagged)
    CIcon sample;
    sample.Load(hInst, IDI_DESKTOP_ICON, SM_CXICON, dpi);
    int size = Newer::GetSystemMetricsForDpi(SM_CXICON, dpi);
    g_PreviewImageList.Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 1);
    g_PreviewImageList.Add(sample);
    SendMessageA(m_PreviewList.m_hWnd, LVM_SETIMAGELIST, LVSIL_NORMAL, (LPARAM)g_PreviewImageList.m_hImageList);
}

void CVireolaDlg::OnDpiChanged(UINT dpi)
{
    LoadImages(dpi);
}

// One item that looks like a desktop icon, with its label as real text.
void CVireolaDlg::InitPreview()
{
    char label[255];
    LoadStringA(AfxGetApp()->m_hInstance, IDS_PREVIEW_LABEL, label, sizeof label);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = label;
    item.iImage = 0;
    SendMessageA(m_PreviewList.m_hWnd, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

// A stored option counts as on when it is nonzero, as at start-up; a box
// shows only ticked or clear, whatever the number.
static int CheckState(LONG stored)
{
    return stored ? BST_CHECKED : BST_UNCHECKED;
}

void CVireolaDlg::LoadControls()
{
    m_TextColorCombo.SetCurSel(ValidColorIndex(ReadTextColorIndex()));
    m_ReApplyCheck.SetCheck(CheckState(ReadReApply()));
    m_TrayIconCheck.SetCheck(CheckState(ReadSetting(SETTINGS_SECTION, TRAY_ICON_VALUE, DEFAULT_TRAY_ICON)));
    UpdateColorButton();
}

COLORREF CVireolaDlg::SelectedColor() const
{
    return ColorAt(m_Colors, m_TextColorCombo.GetCurSel());
}

// The sample stands on the desktop's colour, whatever colours the dialog
// itself has (a high-contrast theme may give it the chosen colour).
void CVireolaDlg::UpdatePreview()
{
    SendMessageA(m_PreviewList.m_hWnd, LVM_SETBKCOLOR, 0, (LPARAM)m_Colors.entry[SYSTEM_BACKGROUND_COLOR].color);
    InvalidateRect(m_PreviewList.m_hWnd, nullptr, TRUE);
    SetListViewColors(m_PreviewList.m_hWnd, SelectedColor(), CLR_NONE);
}

// Only the custom entry has a colour of the user's to choose.
void CVireolaDlg::UpdateColorButton()
{
    m_ColorButton.EnableWindow(m_TextColorCombo.GetCurSel() == CUSTOM_TEXT_COLOR);
}

// Lock, unlock, the display and the resume come as messages; a copy started
// elevated (by an installer run as administrator) still hears the shell and
// a second start, which run with less integrity than it. A copy that the
// Restart Manager closes for an update is started again.
void CVireolaDlg::ListenToTheSession()
{
    const UINT allowed[] = {WM_TASKBARCREATED, WM_TRAYNOTIFY, WM_SHOW_DIALOG};
    for (UINT message : allowed)
        Newer::ChangeWindowMessageFilterEx(m_hWnd, message, Newer::MSGFLT_ALLOW, nullptr);
    Newer::RegisterApplicationRestart(RESTART_COMMAND_LINE, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
    const GUID* settings[2] = {&CONSOLE_DISPLAY_STATE, &MONITOR_POWER_ON};
    for (int i = 0; i < 2; ++i)
        m_hDisplayNotify[i] = Newer::RegisterPowerSettingNotification(m_hWnd, settings[i], DEVICE_NOTIFY_WINDOW_HANDLE);
    m_nListenRetries = TryListen() ? 0 : RETRIES;
    ArmRetries();
}

// Terminal Services refuses the registration until it is ready, which at
// logon may be after the program has started.
bool CVireolaDlg::TryListen()
{
    m_bSessionHeard = Newer::WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    return m_bSessionHeard;
}

void CVireolaDlg::StopListening()
{
    if (m_bSessionHeard)
        Newer::WTSUnRegisterSessionNotification(m_hWnd);
    m_bSessionHeard = false;
    m_nListenRetries = 0;
    for (HANDLE& hNotify : m_hDisplayNotify) {
        Newer::UnregisterPowerSettingNotification(hNotify);
        hNotify = nullptr;
    }
}

void CVireolaDlg::StartWatchIfTicked()
{
    if (m_ReApplyCheck.GetCheck() != BST_CHECKED)
        return;
    m_bWatching = true;
    EndBurst(m_Burst);
    SetWatchPeriod();
    if (!IsPaused(m_Pause))
        ListenToView(FindDesktopListView(), m_hWnd);
}

// The watch's own period, while anybody can see the desktop.
void CVireolaDlg::SetWatchPeriod()
{
    if (IsPaused(m_Pause))
        KillTimer(m_hWnd, WATCH_TIMER_ID);
    else
        Newer::SetCoalescableTimer(m_hWnd, WATCH_TIMER_ID, WATCH_PERIOD_MS, nullptr, WATCH_TOLERANCE_MS);
}

void CVireolaDlg::StopWatch()
{
    m_bWatching = false;
    EndBurst(m_Burst);
    KillTimer(m_hWnd, WATCH_TIMER_ID);
    StopListeningToView();
}

// A check finds the view, which may be another since the last: a restarted
// shell makes a new one, and its refills are listened to then.
void CVireolaDlg::Check()
{
    HWND hView = ReapplyIfReset(SelectedColor());
    if (m_bWatching && !IsPaused(m_Pause))
        ListenToView(hView, m_hWnd);
}

bool CVireolaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_TASKBARCREATED) {
        OnTaskbarCreated();
        return false;
    }
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand((UINT)wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = (LRESULT)OnQueryDragIcon();
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_CHECK_NOW:
        OnCheckNow();
        return true;
    case WM_VIEW_REFILLED:
        OnViewRefilled();
        return true;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam));
        return false;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange();
        return false;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
        OnSystemChange(BURST_MS);
        return false;
    case WM_ENDSESSION:
        OnEndSession((BOOL)wParam, lParam);
        return false;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(wParam, lParam);
        return false;
    case WM_POWERBROADCAST:
        result = OnPowerBroadcast(wParam, lParam);
        return true;
    case WM_TRAYNOTIFY:
        result = OnTrayNotify(lParam);
        return true;
    case WM_SHOW_DIALOG:
        OnShowDialog();
        return true;
    }
    return false;
}

bool CVireolaDlg::OnCommand(UINT nID, UINT nCode)
{
    if (nID == IDC_TEXT_COLOR) {
        if (nCode != CBN_SELCHANGE)
            return false;
        OnSelChangeTextColor();
        return true;
    }
    if (nCode != BN_CLICKED)
        return false;
    switch (nID) {
    case IDC_REMOVE_FROM_MEMORY: OnRemoveFromMemory(); return true;
    case IDC_COLOR: OnColor(); return true;
    case IDC_ABOUT: OnAbout(); return true;
    case IDC_APPLY: OnApply(); return true;
    case IDC_ALL_COLORS:
    case IDC_FONT: OnNotImplemented(); return true;
    case IDC_RESTORE_WINDOWS_COLORS: OnRestoreWindowsColors(); return true;
    }
    return false;
}

void CVireolaDlg::OnSelChangeTextColor()
{
    UpdatePreview();
    UpdateColorButton();
}

void CVireolaDlg::OnColor()
{
    COLORREF customColors[CUSTOM_COLOR_COUNT];
    LoadCustomColors(customColors);

    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = m_Colors.entry[CUSTOM_TEXT_COLOR].color;
    cc.lpCustColors = customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorA(&cc)) {
        WriteSetting(SETTINGS_SECTION, TEXT_COLOR_VALUE, (LONG)cc.rgbResult);
        m_Colors.entry[CUSTOM_TEXT_COLOR].color = cc.rgbResult;
        SaveCustomColors(customColors);
    }
    UpdatePreview();
}

void CVireolaDlg::OnApply()
{
    ApplyDesktopColors(SelectedColor(), CLR_NONE);
    SaveDialogSettings(ValidColorIndex(m_TextColorCombo.GetCurSel()), m_ReApplyCheck.GetCheck(),
                       m_TrayIconCheck.GetCheck());
    SyncTrayIcon();
}

// The icon follows its box only when the settings are applied.
void CVireolaDlg::SyncTrayIcon()
{
    bool ticked = m_TrayIconCheck.GetCheck() == BST_CHECKED;
    if (g_bTrayIconShown && !ticked) {
        DeleteTrayIcon(m_hWnd, TRAY_ICON_ID);
        g_bTrayIconShown = 0;
    } else if (!g_bTrayIconShown && ticked) {
        AddIcon();
    }
}

// What the user asked for is kept apart from what the taskbar has: at logon
// it may not be ready yet and refuse the icon, which is then tried again.
void CVireolaDlg::AddIcon()
{
    // The notification area draws the icon at the DPI of the taskbar's
    // monitor, which need not be the dialog's. A taskbar whose DPI changes is
    // made anew, and says so ("TaskbarCreated"): the icon then comes here
    // again, at the new size.
    UINT dpi = Newer::GetDpiForWindow(FindWindowA("Shell_TrayWnd", nullptr));
    m_TrayIcon.Load(AfxGetApp()->m_hInstance, IDR_MAINFRAME, SM_CXSMICON, dpi);
    g_bTrayIconShown = 1;
    m_nTrayRetries = TryAddIcon() ? 0 : RETRIES;
    ArmRetries();
}

// An add that timed out against a busy taskbar may have been made all the
// same, and one may race the taskbar's own "TaskbarCreated": the taskbar then
// refuses every further add as a duplicate, but takes a change to the icon.
bool CVireolaDlg::TryAddIcon()
{
    return AddTrayIcon(m_hWnd, TRAY_ICON_ID, m_TrayIcon, AfxGetAppName())
           || ModifyTrayIcon(m_hWnd, TRAY_ICON_ID, m_TrayIcon, AfxGetAppName());
}

void CVireolaDlg::OnRetry()
{
    // clearing the box and applying stops asking for the icon
    if (!g_bTrayIconShown)
        m_nTrayRetries = 0;
    if (m_nTrayRetries > 0)
        m_nTrayRetries = TryAddIcon() ? 0 : m_nTrayRetries - 1;
    if (m_nListenRetries > 0)
        m_nListenRetries = TryListen() ? 0 : m_nListenRetries - 1;
    ArmRetries();
}

void CVireolaDlg::ArmRetries()
{
    if (m_nTrayRetries > 0 || m_nListenRetries > 0)
        SetTimer(m_hWnd, RETRY_TIMER_ID, RETRY_MS, nullptr);
    else
        KillTimer(m_hWnd, RETRY_TIMER_ID);
}

void CVireolaDlg::OnOK()
{
    ShowWindow(m_hWnd, SW_HIDE);
    OnApply();
    if (!ReadReApply())
        OnRemoveFromMemory();
}

void CVireolaDlg::OnCancel()
{
    ShowWindow(m_hWnd, SW_HIDE);
    LoadControls();
    UpdatePreview();
    StartWatchIfTicked();
    if (!ReadReApply())
        OnRemoveFromMemory();
}

void CVireolaDlg::OnRestoreWindowsColors()
{
    // the watch would put the chosen colour straight back
    StopWatch();
    m_TextColorCombo.SetCurSel(SYSTEM_TEXT_COLOR);
    m_ReApplyCheck.SetCheck(BST_UNCHECKED);
    UpdatePreview();
    RestoreDesktopColors(m_Colors);
}

void CVireolaDlg::OnRemoveFromMemory()
{
    if (g_bTrayIconShown)
        DeleteTrayIcon(m_hWnd, TRAY_ICON_ID);
    DestroyWindow();
}

BOOL CVireolaDlg::DestroyWindow()
{
    StopWatch();
    StopListening();
    return CDialog::DestroyWindow();
}

// The watch runs while the dialog is hidden or another window is active, and
// stops while the user has the dialog in front.
void CVireolaDlg::OnActivate(UINT nState)
{
    if (nState == WA_INACTIVE)
        StartWatchIfTicked();
    else if (IsWindowVisible(m_hWnd))
        StopWatch();
}

// Every timer but the retries' is the watch's.
void CVireolaDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == RETRY_TIMER_ID) {
        OnRetry();
        return;
    }
    // a fast tick past its burst or its budget gives the watch its period back
    if (m_Burst.active && !TakeBurstCheck(m_Burst, GetTickCount()))
        SetWatchPeriod();
    Check();
}

// The shell is resetting the labels as it handles the same change: while the
// watch runs, it checks at once and then at the fast rate for a while.
void CVireolaDlg::OnSystemChange(DWORD burstMs)
{
    DWORD now = GetTickCount();
    if (!m_bWatching || IsPaused(m_Pause) || !StartBurst(m_Burst, now, burstMs))
        return;
    // a budget spent by a flood of broadcasts leaves the watch at its period
    if (!TakeBurstCheck(m_Burst, now))
        return;
    SetTimer(m_hWnd, WATCH_TIMER_ID, BURST_PERIOD_MS, nullptr);
    // once the broadcast's sender, which waits on every window, is let go
    PostMessageA(m_hWnd, WM_CHECK_NOW, 0, 0);
}

void CVireolaDlg::OnCheckNow()
{
    if (m_bWatching && !IsPaused(m_Pause))
        Check();
}

// The shell has filled its view again, and sets its colours as it ends.
void CVireolaDlg::OnViewRefilled()
{
    OnSystemChange(BURST_MS);
}

void CVireolaDlg::OnSysColorChange()
{
    // the common controls draw with the system colours they were told of
    SendMessageA(m_PreviewList.m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
    FillAutoColors(m_Colors);
    UpdatePreview();
    OnSystemChange(BURST_MS);
}

// A shutdown that the user cancelled leaves the watch as it was. The Restart
// Manager closes programs so that an installer or an update can replace
// their files: the program then ends as Remove From Memory ends it.
void CVireolaDlg::OnEndSession(BOOL bEnding, LPARAM lParam)
{
    if (!bEnding)
        return;
    if (lParam & ENDSESSION_CLOSEAPP)
        OnRemoveFromMemory();
    else
        StopWatch();
}

// Whether this session is the console's is asked at each message: a session
// moves between the console and a remote screen while the program runs.
void CVireolaDlg::OnSessionChange(WPARAM event, LPARAM lParam)
{
    OnSightChange(::OnSessionChange(m_Pause, event, (DWORD)lParam, CurrentSessionFacts()));
}

LRESULT CVireolaDlg::OnPowerBroadcast(WPARAM event, LPARAM lParam)
{
    OnSightChange(::OnPowerBroadcast(m_Pause, event, lParam, CurrentSessionFacts()));
    return TRUE;
}

void CVireolaDlg::OnSightChange(SightChange change)
{
    if (change == SIGHT_LOST) {
        EndBurst(m_Burst);
        KillTimer(m_hWnd, WATCH_TIMER_ID);
        StopListeningToView();
    } else if (change == SIGHT_BACK && m_bWatching) {
        SetWatchPeriod();
        OnSystemChange(BURST_MS);
    }
}

LRESULT CVireolaDlg::OnTrayNotify(LPARAM lParam)
{
    if ((UINT)lParam != WM_LBUTTONDBLCLK)
        return 0;
    BringUp();
    return 1;
}

// A second start has let this copy take the foreground, and ended.
void CVireolaDlg::OnShowDialog()
{
    BringUp();
}

void CVireolaDlg::BringUp()
{
    StopWatch();
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    SetForegroundWindow(m_hWnd);
}

// A restarted shell has forgotten the icon, and makes a new desktop view.
void CVireolaDlg::OnTaskbarCreated()
{
    if (g_bTrayIconShown)
        AddIcon();
    OnSystemChange(RESTART_BURST_MS);
}

bool CVireolaDlg::OnSysCommand(UINT nID)
{
    if (!IsAboutCommand(nID))
        return false;
    OnAbout();
    return true;
}

void CVireolaDlg::OnAbout()
{
    ShowAboutBox();
}

void CVireolaDlg::OnNotImplemented()
{
    ShowNotImplemented(m_hWnd);
}

HICON CVireolaDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

// Only the minimised window is painted here: the program icon, centred.
bool CVireolaDlg::OnPaint()
{
    if (!IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, (WPARAM)hDC, 0);
    int size = Newer::GetSystemMetricsForDpi(SM_CXICON, Newer::GetDpiForWindow(m_hWnd));
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    int x = (rect.right - rect.left - size + 1) / 2;
    int y = (rect.bottom - rect.top - size + 1) / 2;
    DrawIconEx(hDC, x, y, m_hIcon, size, size, 0, nullptr, DI_NORMAL);
    EndPaint(m_hWnd, &ps);
    return true;
}
