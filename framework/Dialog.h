// Dialogs from templates, modeless or modal, with their messages routed to
// virtual handlers.
#pragma once
#include "WinApp.h"

class CIcon;

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}
    virtual ~CDialog() {}

    // Modeless: the window is created and initialised, but shown only if the
    // template says so.
    BOOL Create(HWND hParent);
    // Modal, owned by the application's main window.
    INT_PTR DoModal();
    virtual BOOL DestroyWindow();

protected:
    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The window has moved to a monitor of another DPI, or the monitor's
    // scale has changed: images drawn for the old DPI are loaded anew.
    virtual void OnDpiChanged(UINT /*dpi*/) {}
    // Handles one message; returns false to leave it to the default dialog
    // handling. A handled message's result goes back to its sender.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // A minimised window shows the icon, centred at the size of its DPI;
    // false when the window is not minimised and paints as usual.
    bool PaintMinimised(HICON hIcon);
    // The caption's icons, big (caption, minimised, dragging) and small, at
    // the sizes they are drawn at on a display of that DPI; the ones they
    // replace are destroyed once the window has let them go.
    void LoadCaptionIcons(CIcon& big, CIcon& small, UINT nID, UINT dpi);

    void DDX_Control(int nIDC, CWnd& control) { control.m_hWnd = GetDlgItem(m_hWnd, nIDC); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void CenterOverOwner();

    UINT m_nIDTemplate;
    bool m_bModal = false;
};
