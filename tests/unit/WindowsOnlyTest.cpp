// What the program asks of Windows that Wine does not show: the calls whose
// effects only Windows has (message filters, session and display news,
// restart after an update) and their arguments, the registrations Windows
// refuses at logon, and the hand-over to a running copy. The tests stand in
// for those functions through the layer that looks them up.
#include "DialogHost.h"
#include "app/RunningCopy.h"
#include "framework/NewerWindows.h"
#include "settings/Settings.h"
#include "tests/support/Launch.h"
#include "tests/support/Platform.h"
#include "ui/TrayIcon.h"
#include "watch/WatchPause.h"
#include <shellapi.h>
#include <wtsapi32.h>
#include <algorithm>
#include <string>

namespace {

std::vector<std::string> g_calls;
int g_sessionRefusals;
bool g_powerRefused;
// Session registrations alive, and unregistrations of what was never registered.
int g_sessionsHeld, g_unmatched;

BOOL WINAPI FakeFilter(HWND, UINT message, DWORD action, void*)
{
    g_calls.push_back("filter " + std::to_string(message) + " " + std::to_string(action));
    return TRUE;
}

BOOL WINAPI FakeRegisterSession(HWND, DWORD flags)
{
    g_calls.push_back("session " + std::to_string(flags));
    bool refused = g_sessionRefusals-- > 0;
    g_sessionsHeld += !refused;
    return !refused;
}

BOOL WINAPI FakeUnregisterSession(HWND)
{
    g_unmatched += g_sessionsHeld-- <= 0;
    return TRUE;
}

HANDLE WINAPI FakeRegisterPower(HANDLE, const GUID* setting, DWORD flags)
{
    const char* name = IsEqualGUID(*setting, CONSOLE_DISPLAY_STATE) ? "console display"
                       : IsEqualGUID(*setting, MONITOR_POWER_ON)    ? "monitor power"
                                                                    : "other";
    g_calls.push_back(std::string("power ") + name + " " + std::to_string(flags));
    return g_powerRefused ? nullptr : (HANDLE)(UINT_PTR)(g_calls.size());
}

BOOL WINAPI FakeUnregister(HANDLE hNotify)
{
    g_unmatched += !hNotify;
    return TRUE;
}

HRESULT WINAPI FakeRestart(const WCHAR* commandLine, DWORD flags)
{
    char text[64] = "";
    WideCharToMultiByte(CP_ACP, 0, commandLine ? commandLine : L"<null>", -1, text, sizeof text, nullptr, nullptr);
    g_calls.push_back(std::string("restart \"") + text + "\" " + std::to_string(flags));
    return S_OK;
}

class WindowsOnly : public HostedDialog
{
protected:
    void SetUp() override
    {
        HostedDialog::SetUp();
        g_calls.clear();
        g_sessionRefusals = 0;
    }

    StandIn m_filter{Newer::CHANGE_WINDOW_MESSAGE_FILTER_EX, (void*)FakeFilter};
    StandIn m_session{Newer::WTS_REGISTER_SESSION_NOTIFICATION, (void*)FakeRegisterSession};
    StandIn m_power{Newer::REGISTER_POWER_SETTING_NOTIFICATION, (void*)FakeRegisterPower};
    StandIn m_unregister{Newer::UNREGISTER_POWER_SETTING_NOTIFICATION, (void*)FakeUnregister};
    StandIn m_sessionEnd{Newer::WTS_UNREGISTER_SESSION_NOTIFICATION, (void*)FakeUnregisterSession};
    StandIn m_restart{Newer::REGISTER_APPLICATION_RESTART, (void*)FakeRestart};
};

// A copy started elevated hears the shell and a second start through its
// window's message filter; it hears its own session's news, not every
// session's; both display states; and the Restart Manager starts it again,
// silently, after an update, but not after a crash, a hang or a reboot
// (the start at logon brings it back then). Each once, in whatever order.
TEST_F(WindowsOnly, TheDialogMakesTheCallsWhoseEffectsOnlyWindowsHasWithTheirArguments)
{
    ASSERT_TRUE(CreateHiddenDialog());
    const std::string allow = " " + std::to_string(Newer::MSGFLT_ALLOW);
    for (const std::string& call : {
             "filter " + std::to_string(RegisterWindowMessageA("TaskbarCreated")) + allow,
             "filter " + std::to_string(WM_TRAYNOTIFY) + allow,
             "filter " + std::to_string(WM_SHOW_DIALOG) + allow,
             "restart \"/restart\" " + std::to_string(RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT),
             "power console display " + std::to_string(DEVICE_NOTIFY_WINDOW_HANDLE),
             "power monitor power " + std::to_string(DEVICE_NOTIFY_WINDOW_HANDLE),
             "session " + std::to_string(NOTIFY_FOR_THIS_SESSION)})
        EXPECT_EQ(1, std::count(g_calls.begin(), g_calls.end(), call)) << call;
}

// At logon the taskbar and Terminal Services may come up after the program:
// what they refuse is asked for again on the retry timer, once a second for
// a minute. The test ticks the timer itself rather than wait a minute.
TEST_F(WindowsOnly, WhatIsRefusedIsAskedForAgainForAMinuteAtMost)
{
    struct Row
    {
        const char* what;
        bool trayOn;
        bool trayRefuses;
        int sessionRefusals;
        size_t adds;          // NIM_ADD requests in all
        size_t registrations; // session registrations in all
        bool powerRefused = false;
    };
    const Row rows[] = {
        {"the taskbar takes the icon at once", true, false, 0, 1, 1},
        {"the taskbar never takes it", true, true, 0, 1 + RETRIES, 1},
        {"Terminal Services ready after three tries", false, false, 3, 0, 4},
        {"Terminal Services never ready", false, false, 1000, 0, 1 + RETRIES},
        {"both", true, true, 1000, 1 + RETRIES, 1 + RETRIES},
        {"the display's state cannot be had", false, false, 0, 0, 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        DWORD tray = row.trayOn;
        SetValue(SETTINGS_KEY, TRAY_ICON_VALUE, REG_DWORD, &tray, sizeof tray);
        RefuseTrayRequests(row.trayRefuses);
        g_sessionRefusals = row.sessionRefusals;
        g_powerRefused = row.powerRefused;
        g_sessionsHeld = g_unmatched = 0;
        g_calls.clear();
        TakeTrayRequests();
        HWND hDlg = CreateHiddenDialog();
        ASSERT_TRUE(hDlg);
        for (int tick = 0; tick < 2 * RETRIES; ++tick)
            for (UINT_PTR timer : {(UINT_PTR)TRAY_RETRY_TIMER_ID, (UINT_PTR)SESSION_RETRY_TIMER_ID})
                SendMessageA(hDlg, WM_TIMER, timer, 0);

        std::vector<DWORD> requests = TakeTrayRequests();
        EXPECT_EQ(row.adds, (size_t)std::count(requests.begin(), requests.end(), (DWORD)NIM_ADD));
        EXPECT_EQ(row.registrations, (size_t)std::count_if(g_calls.begin(), g_calls.end(), [](const std::string& c) {
                      return c.rfind("session ", 0) == 0;
                  }));
        DestroyDialog();
        EXPECT_EQ(0, g_unmatched) << "unregistered what was never registered";
    }
}

// Every function the program looks up is found by its name in the DLL it
// names, where this Windows has it: a misspelled name would silently fall
// back. Those Wine lacks are listed.
TEST(NewerFunctions, EachIsFoundByItsNameInItsDll)
{
    const std::vector<std::string> wineLacks = {"CoCancelCall"};
    for (int i = 0; i < Newer::FUNCTION_COUNT; ++i) {
        Newer::Function function = (Newer::Function)i;
        std::string name = Newer::NameOf(function);
        HMODULE hModule = LoadLibraryA(Newer::DllOf(function));
        bool found = hModule && GetProcAddress(hModule, name.c_str());
        bool lacking = RunningOnWine() && std::count(wineLacks.begin(), wineLacks.end(), name);
        EXPECT_NE(lacking, found) << name << " in " << Newer::DllOf(function);
    }
}

// The answer of the running copy's thread when the hand-over's message came:
// whether the start lock was free.
DWORD g_lockWhenAsked;
HANDLE g_asked;

LRESULT CALLBACK RunningCopyProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SHOW_DIALOG)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    HANDLE hLock = OpenMutexA(SYNCHRONIZE, FALSE, START_LOCK_NAME);
    g_lockWhenAsked = hLock ? WaitForSingleObject(hLock, 0) : WAIT_FAILED;
    if (g_lockWhenAsked == WAIT_OBJECT_0)
        ReleaseMutex(hLock);
    CloseHandle(hLock);
    SetEvent(g_asked);
    return 0;
}

DWORD WINAPI RunningCopyThread(LPVOID hReady)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RunningCopyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VireolaTestRunningCopy";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    *(HWND*)hReady = hWnd;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(hWnd);
    return 0;
}

// The second start lets the next copy start before it asks the running copy
// to show itself, and before it ends: the lock is free by the time the
// running copy hears of it, while the handing-over copy still lives.
TEST(HandOver, TheStartLockIsFreeWhenTheRunningCopyIsAsked)
{
    volatile HWND hRunning = nullptr;
    DWORD threadId;
    HANDLE hThread = CreateThread(nullptr, 0, RunningCopyThread, (LPVOID)&hRunning, 0, &threadId);
    ASSERT_TRUE(WaitFor([&] { return hRunning != nullptr; }));
    g_asked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        CStartLock lock;
        HandOver(hRunning, lock);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_asked, 5000));
    }
    EXPECT_EQ(WAIT_OBJECT_0, g_lockWhenAsked) << "held by the copy that handed over";
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(hThread, 5000);
    CloseHandle(hThread);
    CloseHandle(g_asked);
}

} // namespace
