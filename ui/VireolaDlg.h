// The settings dialog: the program's main window, hidden while the program
// sits resident, and the owner of the re-apply watch.
#pragma once
#include "../color/ColorTable.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "ReapplyBurst.h"

enum {
    WATCH_TIMER_ID = 1,
    WATCH_PERIOD_MS = 100,
};

// Posted to itself for the first check of a burst.
#define WM_CHECK_NOW (WM_APP + 101)

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
    void OnTimer();
    void OnSysColorChange();
    void OnEndSession();
    LRESULT OnTrayNotify(LPARAM lParam);
    void OnTaskbarCreated();
    void OnSystemChange(DWORD burstMs);
    void OnCheckNow();

    void LoadControls();
    void InitPreview();
    void UpdatePreview();
    void UpdateColorButton();
    void SyncTrayIcon();
    void AddIcon();
    void StartWatchIfTicked();
    void StopWatch();
    COLORREF SelectedColor() const;

    CComboBox m_TextColorCombo;
    CButton m_TrayIconCheck;
    CButton m_ReApplyCheck;
    CButton m_AllColorsCheck;
    CListCtrl m_PreviewList;
    CButton m_ColorButton;
    CButton m_ApplyButton;
    HICON m_hIcon = nullptr;     // large, shared by the system
    CIcon m_SmallIcon;
    ColorTable m_Colors;
    bool m_bWatching = false;
    ReapplyBurst m_Burst;
};

extern CVireolaDlg g_VireolaDlg;
extern CImageList g_PreviewImageList;
