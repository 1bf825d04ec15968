// The application object: per-instance start hook, main window and message loop.
#pragma once
#include <windows.h>

class CWnd
{
public:
    HWND m_hWnd = nullptr;
};

class CWinApp
{
public:
    // The title is the string nIDTitle of the program's resources.
    explicit CWinApp(UINT nIDTitle);
    virtual ~CWinApp();

    // Runs once after the framework's own set-up; nonzero runs the message
    // loop until the main window is destroyed, zero ends the program.
    virtual BOOL StartInstance() = 0;

    int Run();

    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";   // the argument text, without the program path
    CWnd* m_pMainWnd = nullptr;
    UINT m_nIDTitle;
    char m_szAppName[256] = "";     // the title, or the executable's base name
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();

// The argument text of a command line: what follows the program path and the
// blanks after it. A quoted path is skipped up to its closing quote.
const char* SkipProgramName(const char* commandLine);
