// The About box, its system-menu entry, and the notice for the controls that
// the settings dialog keeps disabled.
#pragma once
#include "../framework/Controls.h"
#include "../framework/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnDpiChanged(UINT dpi) override;

private:
    void LoadImages(UINT dpi);

    CStatic m_VersionText;
    CIcon m_Icon;   // at the size it is drawn at on the box's monitor
};

void AddAboutMenuEntry(HWND hDlg);
// True when the system command was the About entry (any of ids 16 to 31).
bool IsAboutCommand(UINT nID);
void ShowAboutBox();
void ShowNotImplemented(HWND hOwner);
