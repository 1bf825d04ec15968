// The settings dialog: the program's main window, hidden while the program
// sits resident, and the owner of the re-apply watch.
#pragma once
#include "../color/ColorTable.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "ReapplyBurst.h"
#include "WatchPause.h"

enum {
    WATCH_TIMER_ID = 1,
    WATCH_PERIOD_MS = 100,
    // a tick a little late costs nothing, and lets Windows wake the processor
    // for several timers at once
    WATCH_TOLERANCE_MS = 20,
    // What the system refuses at first is asked for again once a second, for
    // a minute at most: at logon the taskbar and Terminal Services may come
    // up long after the program.
    RETRY_TIMER_ID = 2,
    RETRY_MS = 1000,
    RETRIES = 60,
};

// Posted to itself for the first check of a burst.
#define WM_CHECK_NOW (WM_APP + 101)
// Posted by a second start of the program: show the dialog and come to the front.
#define WM_SHOW_DIALOG (WM_APP + 102)

// The command line the program is started with again after the Restart
// Manager closed it for an update: a silent start.
#define RESTART_COMMAND_LINE L"/restart"

class CVireolaDlg : public CDialog
{
public:
    CVireolaDlg();
    BOOL DestroyWindow() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDpiChanged(UINT dpi) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnCommand(UINT nID, UINT nCode);
    bool OnSysCommand(UINT nID);
    bool OnPaint();
    HICON OnQueryDragIcon();
    void OnAbout();
    void OnNotImplemented();
    void OnSelChangeTextColor();
    void OnColor();
    void OnApply();
    void OnRestoreWindowsColors();
    void OnRemoveFromMemory();
    void OnActivate(UINT nState);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSysColorChange();
    void OnEndSession(BOOL bEnding, LPARAM lParam);
    LRESULT OnTrayNotify(LPARAM lParam);
    void OnShowDialog();
    void OnRetry();
    void OnTaskbarCreated();
    void OnSystemChange(DWORD burstMs);
    void OnCheckNow();
    void OnViewRefilled();
    void OnSessionChange(WPARAM event, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM lParam);
    void OnSightChange(SightChange change);

    void LoadControls();
    void InitPreview();
    void LoadImages(UINT dpi);
    void UpdatePreview();
    void UpdateColorButton();
    void SyncTrayIcon();
    void BringUp();
    void AddIcon();
    bool TryAddIcon();
    void ListenToTheSession();
    bool TryListen();
    void StopListening();
    void ArmRetries();
    void StartWatchIfTicked();
    void StopWatch();
    void SetWatchPeriod();
    void Check();
    COLORREF SelectedColor() const;

    CComboBox m_TextColorCombo;
    CButton m_TrayIconCheck;
    CButton m_ReApplyCheck;
    CButton m_AllColorsCheck;
    CListCtrl m_PreviewList;
    CButton m_ColorButton;
    CButton m_ApplyButton;
    // Each icon at the size it is drawn at, so that none is stretched: the
    // caption's at the dialog's DPI, the notification area's at the taskbar's.
    CIcon m_hIcon;               // large: caption, minimised, dragging
    CIcon m_SmallIcon;
    CIcon m_TrayIcon;
    ColorTable m_Colors;
    bool m_bWatching = false;    // the box is ticked and the dialog not in front
    ReapplyBurst m_Burst;
    WatchPause m_Pause;
    bool m_bSessionHeard = false;      // registered for the session's changes
    HANDLE m_hDisplayNotify[2] = {};   // the display's state, as Windows 8 and Windows 7 tell it
    int m_nTrayRetries = 0;      // adds left to try while the taskbar refuses the icon
    int m_nListenRetries = 0;    // registrations left to try while the session's news cannot be had
};

extern CVireolaDlg g_VireolaDlg;
extern CImageList g_PreviewImageList;
