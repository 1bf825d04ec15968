#include "Launch.h"

// "window station\desktop" for the processes started here; empty: the caller's.
static std::string g_desktop;
static HDESK g_hDesk;

bool RunOnOwnDesktop()
{
    char station[64] = "", name[64];
    GetUserObjectInformationA(GetProcessWindowStation(), UOI_NAME, station, sizeof station, nullptr);
    wsprintfA(name, "VireolaTest%lu", GetCurrentProcessId());
    // kept open for the process's life: the desktop goes when its last handle does
    g_hDesk = CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (!g_hDesk || !SetThreadDesktop(g_hDesk))
        return false;
    g_desktop = std::string(station) + "\\" + name;
    return true;
}

TypingOnOwnDesktop::TypingOnOwnDesktop() : m_hBefore(OpenInputDesktop(0, FALSE, DESKTOP_SWITCHDESKTOP))
{
    if (g_hDesk)
        SwitchDesktop(g_hDesk);
}

TypingOnOwnDesktop::~TypingOnOwnDesktop()
{
    if (m_hBefore) {
        SwitchDesktop(m_hBefore);
        CloseDesktop(m_hBefore);
    }
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    WaitFor([] { return false; }, ms);
}

LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return (LRESULT)result;
}

std::string BinPath(const char* file)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + file;
}

Process::Process(const std::string& commandLine) { Start(commandLine); }

Process::~Process()
{
    Kill();
}

bool Process::Start(const std::string& commandLine, HANDLE hToken)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.lpDesktop = g_desktop.empty() ? nullptr : &g_desktop[0];
    std::string cmd = commandLine;
    if (hToken)
        return CreateProcessAsUserA(hToken, nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                    &m_pi) != 0;
    return CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi) != 0;
}

DWORD Process::Wait(DWORD timeoutMs)
{
    if (!m_pi.hProcess)
        return (DWORD)-1;
    WaitFor([&] { return WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

bool Process::Running() const
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

void Process::Kill()
{
    if (!m_pi.hProcess)
        return;
    if (Running()) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
}
