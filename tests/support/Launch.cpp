#include "Launch.h"
#include <tlhelp32.h>

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

// those that live and hold
static int g_inputScopes;
// whether a desktop takes the input, asked of it (Windows Vista and later);
// the headers give it only to a build for those
#ifndef UOI_IO
#define UOI_IO 6
#endif

InputOnOwnDesktop::InputOnOwnDesktop() : m_hBefore(OpenInputDesktop(0, FALSE, DESKTOP_SWITCHDESKTOP))
{
    BOOL takesInput = FALSE;
    SetLastError(0);
    if (!g_hDesk)
        m_error = ERROR_INVALID_HANDLE;
    else if (!SwitchDesktop(g_hDesk))
        m_error = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    // Windows says which desktop takes the input (Wine 8 cannot tell: there
    // SwitchDesktop changes nothing, and every desktop takes the input)
    else if (GetUserObjectInformationA(g_hDesk, UOI_IO, &takesInput, sizeof takesInput, nullptr) && !takesInput)
        m_error = ERROR_ACCESS_DENIED;
    if (!m_error)
        ++g_inputScopes;
}

InputOnOwnDesktop::~InputOnOwnDesktop()
{
    if (!m_error)
        --g_inputScopes;
    if (m_hBefore) {
        SwitchDesktop(m_hBefore);
        CloseDesktop(m_hBefore);
    }
}

bool OwnDesktopIsInput()
{
    return g_inputScopes > 0;
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

bool Process::Start(const std::string& commandLine, HANDLE hToken, const char* desktop)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string onDesktop = desktop ? desktop : g_desktop;
    si.lpDesktop = onDesktop.empty() ? nullptr : &onDesktop[0];
    std::string cmd = commandLine;
    if (hToken) {
        // Windows' CreateProcessAsUser takes only a primary token; Wine's
        // takes an impersonation token too, so the rule is kept here, and a
        // test fails under Wine where it would on Windows
        TOKEN_TYPE type = TokenImpersonation;
        DWORD size;
        if (!GetTokenInformation(hToken, TokenType, &type, sizeof type, &size) || type != TokenPrimary) {
            SetLastError(ERROR_BAD_TOKEN_TYPE);
            return false;
        }
        return CreateProcessAsUserA(hToken, nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                    &m_pi) != 0;
    }
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

int ThreadCount(DWORD pid)
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    int count = 0;
    for (BOOL more = Thread32First(hSnapshot, &thread); more; more = Thread32Next(hSnapshot, &thread))
        count += thread.th32OwnerProcessID == pid;
    CloseHandle(hSnapshot);
    return count;
}
