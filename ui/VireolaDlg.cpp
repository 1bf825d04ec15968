#include "VireolaDlg.h"
#include "../shell/DesktopView.h"
#include "../framework/NewerWindows.h"
#include "../res/resource.h"
#include "../wallpaper/KeptColor.h"
#include "../settings/Settings.h"
#include "AboutDlg.h"
#include "CustomColor.h"

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

    m_PreviewList.InsertSample();
    AddColorNames(m_TextColorCombo.m_hWnd, m_Colors);
    FillAutoColors(m_Colors, m_Wallpaper.TextColor());
    m_Wallpaper.Attach(m_hWnd, m_PreviewList.m_hWnd);
    LoadControls();
    UpdatePreview();

    m_TrayIcon.Attach(m_hWnd);
    m_TrayIcon.Show(m_TrayIconCheck.GetCheck() == BST_CHECKED);
    OpenToOtherProcesses();
    m_Watch.Attach(m_hWnd);
    StartWatchIfTicked();

    // A hidden dialog must not take the activation or the keyboard focus, or
    // the user's typing would go into an invisible window. Shown and active,
    // the dialog manager gives the focus to its first tab stop, the colour list.
    return FALSE;
}

// The caption's icons and the preview's image, at the size each is drawn at
// on a display of that DPI.
void CVireolaDlg::LoadImages(UINT dpi)
{
    LoadCaptionIcons(m_hIcon, m_SmallIcon, IDR_MAINFRAME, dpi);
    m_PreviewList.LoadImages(dpi);
}

void CVireolaDlg::OnDpiChanged(UINT dpi)
{
    LoadImages(dpi);
    m_Wallpaper.Evaluate();
}

// A stored option counts as on when it is nonzero, as at start-up; a box
// shows only ticked or clear, whatever the number.
void CVireolaDlg::LoadControls()
{
    m_TextColorCombo.SetCurSel(ValidColorIndex(ReadTextColorIndex()));
    m_ReApplyCheck.SetCheck(ReadReApply() ? BST_CHECKED : BST_UNCHECKED);
    m_TrayIconCheck.SetCheck(ReadSetting(SETTINGS_SECTION, TRAY_ICON_VALUE, DEFAULT_TRAY_ICON) ? BST_CHECKED
                                                                                              : BST_UNCHECKED);
    UpdateColorButton();
}

COLORREF CVireolaDlg::SelectedColor() const
{
    return ColorAt(m_Colors, m_TextColorCombo.GetCurSel());
}

// What the labels are given: nothing for the wallpaper's entry before its
// first judgement, where the list shows the desktop colour's contrast.
COLORREF CVireolaDlg::WantedColor() const
{
    bool unjudged = m_TextColorCombo.GetCurSel() == WALLPAPER_CONTRAST_COLOR && m_Wallpaper.TextColor() == CLR_NONE;
    return unjudged ? CLR_NONE : SelectedColor();
}

// The wallpaper is followed only while its entry is the list's.
void CVireolaDlg::UpdatePreview()
{
    m_Wallpaper.Follow(m_TextColorCombo.GetCurSel() == WALLPAPER_CONTRAST_COLOR);
    m_PreviewList.ShowPicture(m_Wallpaper.PreviewPixels(), m_Wallpaper.PreviewSize());
    m_PreviewList.ShowColors(SelectedColor(), m_Colors.entry[SYSTEM_BACKGROUND_COLOR].color);
}

// Only the custom entry has a colour of the user's to choose.
void CVireolaDlg::UpdateColorButton()
{
    m_ColorButton.EnableWindow(m_TextColorCombo.GetCurSel() == CUSTOM_TEXT_COLOR);
}

// A copy started elevated (by an installer run as administrator) still
// hears a second start, which runs with less integrity than it. A copy that
// the Restart Manager closes for an update is started again.
void CVireolaDlg::OpenToOtherProcesses()
{
    Newer::ChangeWindowMessageFilterEx(m_hWnd, WM_SHOW_DIALOG, Newer::MSGFLT_ALLOW, nullptr);
    Newer::RegisterApplicationRestart(RESTART_COMMAND_LINE, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}

void CVireolaDlg::StartWatchIfTicked()
{
    if (m_ReApplyCheck.GetCheck() == BST_CHECKED)
        m_Watch.Start();
}

void CVireolaDlg::OnSelChangeTextColor()
{
    UpdatePreview();
    UpdateColorButton();
}

void CVireolaDlg::OnColor()
{
    ChooseCustomColor(m_hWnd, m_Colors.entry[CUSTOM_TEXT_COLOR].color);
    UpdatePreview();
}

// A contrast theme's user keeps the shell's own look, whatever is applied.
void CVireolaDlg::OnApply()
{
    if (!HighContrastOn() && WantedColor() != CLR_NONE)
        ApplyDesktopColors(WantedColor(), CLR_NONE);
    SaveDialogSettings(ValidColorIndex(m_TextColorCombo.GetCurSel()), m_ReApplyCheck.GetCheck(),
                       m_TrayIconCheck.GetCheck());
    // the icon follows its box only when the settings are applied
    m_TrayIcon.Show(m_TrayIconCheck.GetCheck() == BST_CHECKED);
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
    m_Watch.Stop();
    m_TextColorCombo.SetCurSel(SYSTEM_TEXT_COLOR);
    m_ReApplyCheck.SetCheck(BST_UNCHECKED);
    UpdatePreview();
    RestoreDesktopColors();
}

void CVireolaDlg::OnRemoveFromMemory()
{
    // never a window that freezes while the wallpaper's threads end
    ShowWindow(m_hWnd, SW_HIDE);
    m_TrayIcon.Show(false);
    DestroyWindow();
}

BOOL CVireolaDlg::DestroyWindow()
{
    m_Watch.Detach();
    m_Wallpaper.Detach();
    return CDialog::DestroyWindow();
}

// The watch runs while the dialog is hidden or another window is active, and
// stops while the user has the dialog in front.
void CVireolaDlg::OnActivate(UINT nState)
{
    if (nState == WA_INACTIVE)
        StartWatchIfTicked();
    else if (IsWindowVisible(m_hWnd))
        m_Watch.Stop();
}

void CVireolaDlg::OnSysColorChange()
{
    m_PreviewList.OnSysColorChange();
    FillAutoColors(m_Colors, m_Wallpaper.TextColor());
    UpdatePreview();
    OnSystemChange(WM_SYSCOLORCHANGE, 0);
}

// The shell resets the labels as it handles the same change (and sets them
// as it ends a refill of its view), and what shows behind them may be
// another picture.
void CVireolaDlg::OnSystemChange(UINT message, WPARAM wParam)
{
    m_Watch.OnContrastTheme();
    m_Watch.OnSystemChange(BURST_MS);
    if (ChangesWhatShows(message, wParam))
        m_Wallpaper.Evaluate();
}

// The wallpaper's colour becomes its entry's, and reaches the labels as any
// colour does: the watch, while it runs, puts on them what the list shows.
void CVireolaDlg::OnWallpaperEvaluated(WPARAM generation, LPARAM lParam)
{
    if (!m_Wallpaper.OnEvaluated(generation, lParam))
        return;
    m_Colors.entry[WALLPAPER_CONTRAST_COLOR].color = m_Wallpaper.TextColor();
    // the labels first: the kept colour and the preview can wait for them
    m_Watch.OnCheckNow(WantedColor());
    KeepColor(m_Wallpaper.TextColor(), m_Wallpaper.Judged());
    UpdatePreview();
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
        m_Watch.Stop();
}

LRESULT CVireolaDlg::OnTrayNotify(LPARAM lParam)
{
    if ((UINT)lParam != WM_LBUTTONDBLCLK)
        return 0;
    OnShowDialog();
    return 1;
}

// Also what a second start asks for, once it has let this copy take the
// foreground and ended.
void CVireolaDlg::OnShowDialog()
{
    m_Watch.Stop();
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    SetForegroundWindow(m_hWnd);
}

// A restarted shell has forgotten the icon, and makes a new desktop view.
void CVireolaDlg::OnTaskbarCreated()
{
    m_TrayIcon.OnTaskbarCreated();
    m_Watch.OnSystemChange(RESTART_BURST_MS);
    m_Wallpaper.OnNewView();
}

// One turn with the shell a tick, which waits on it for a bounded time in all.
void CVireolaDlg::OnWatchTimer()
{
    ShellTurn turn(ShellTurn::WATCH);
    m_Watch.OnTimer(WantedColor(), turn);
    m_Wallpaper.OnWatchTick(turn);
}
