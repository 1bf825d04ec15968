// The settings dialog: the program's main window, hidden while the program
// sits resident. It alone decides which colour the labels should have and
// applies it. Its re-apply watch, its notification-area icon and the
// wallpaper's evaluations are units of their own, whose messages it hands on.
#pragma once
#include "../color/ColorTable.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "PreviewList.h"
#include "TrayIcon.h"
#include "../wallpaper/WallpaperWatch.h"
#include "../watch/Watch.h"

class CVireolaDlg : public CDialog
{
public:
    CVireolaDlg();
    BOOL DestroyWindow() override;
    // The wallpaper's colour that a silent start judged, before the window
    // is made; CLR_NONE for none.
    void RememberWallpaperColor(COLORREF text) { m_Wallpaper.Remember(text); }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDpiChanged(UINT dpi) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCommand(UINT nID, UINT nCode);
    bool OnSysCommand(UINT nID);
    bool OnPaint();
    HICON OnQueryDragIcon();
    void OnSelChangeTextColor();
    void OnColor();
    void OnApply();
    void OnRestoreWindowsColors();
    void OnRemoveFromMemory();
    void OnActivate(UINT nState);
    void OnTimer(UINT_PTR nIDEvent);
    void OnWatchTimer();
    void OnSysColorChange();
    void OnEndSession(BOOL bEnding, LPARAM lParam);
    LRESULT OnTrayNotify(LPARAM lParam);
    void OnShowDialog();
    void OnTaskbarCreated();
    void OnSystemChange(UINT message, WPARAM wParam);
    void OnWallpaperEvaluated(WPARAM generation, LPARAM lParam);

    void LoadControls();
    void LoadImages(UINT dpi);
    void UpdatePreview();
    void UpdateColorButton();
    void OpenToOtherProcesses();
    void StartWatchIfTicked();
    COLORREF SelectedColor() const;
    COLORREF WantedColor() const;

    CComboBox m_TextColorCombo;
    CButton m_TrayIconCheck;
    CButton m_ReApplyCheck;
    CButton m_AllColorsCheck;
    CPreviewList m_PreviewList;
    CButton m_ColorButton;
    CButton m_ApplyButton;
    // Each icon at the size it is drawn at on the dialog's monitor, so that
    // none is stretched.
    CIcon m_hIcon;               // large: caption, minimised, dragging
    CIcon m_SmallIcon;
    ColorTable m_Colors;
    CWatch m_Watch;
    CTrayIcon m_TrayIcon;
    CWallpaperWatch m_Wallpaper;
};

extern CVireolaDlg g_VireolaDlg;
