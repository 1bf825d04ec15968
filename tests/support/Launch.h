// Starting and waiting for the build's Windows programs, for the tests and
// the benchmarks.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Moves this thread, which must own no window yet, to a new desktop of the
// process's own, on which every Process it starts runs as well. Window
// look-ups and messages stay within a desktop, so the programs under test
// never meet the real desktop shell, nor those of other test programs
// running beside them. True when the thread is on it.
bool RunOnOwnDesktop();

// Real keyboard input (SendInput) reaches only the input desktop, and on
// Windows GetForegroundWindow answers only there (NULL on any other): while
// one of these lives, the desktop of the process's own is the input desktop,
// and the one before comes back after. On Windows the screen shows the empty
// desktop meanwhile.
class InputOnOwnDesktop
{
public:
    InputOnOwnDesktop();
    ~InputOnOwnDesktop();
    InputOnOwnDesktop(const InputOnOwnDesktop&) = delete;
    InputOnOwnDesktop& operator=(const InputOnOwnDesktop&) = delete;
    // 0 when the desktop of the process's own is the input desktop now, else
    // why not (SwitchDesktop's error, or ERROR_ACCESS_DENIED when the system
    // says that another desktop takes the input all the same)
    DWORD Error() const { return m_error; }

private:
    HDESK m_hBefore;
    DWORD m_error = 0;
};

// One of them lives and its switch held.
bool OwnDesktopIsInput();

// Handles whatever messages this thread has waiting.
void PumpMessages();

// Polls until the condition holds or the bound passes, handling this
// thread's messages meanwhile; never sleeps blindly.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// The threads a process has now.
int ThreadCount(DWORD pid);

// Handles this thread's messages for a fixed while: for what is measured or
// counted over a span of time, never to wait for something to happen.
void PumpFor(DWORD ms);

// SendMessage to another process's window, bounded so that a hung or
// crashed receiver fails the caller instead of freezing it; 0 on timeout.
LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A program next to the running one.
std::string BinPath(const char* file);

class Process
{
public:
    Process() = default;
    explicit Process(const std::string& commandLine);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // With a token (a primary one), the process runs with its rights instead
    // of this one's. With a desktop ("window station\desktop"), it runs
    // there instead of on the process's own.
    bool Start(const std::string& commandLine, HANDLE hToken = nullptr, const char* desktop = nullptr);
    // The exit code, or STILL_ACTIVE if the process did not end in time.
    DWORD Wait(DWORD timeoutMs = 5000);
    bool Running() const;
    void Kill();
    DWORD Id() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }

private:
    PROCESS_INFORMATION m_pi = {};
};
