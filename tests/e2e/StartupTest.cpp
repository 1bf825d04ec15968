// What one start of the program does: the five outcomes of start-up.
#include "Harness.h"
#include "res/resource.h"

namespace {

using StartUp = EndToEnd;
using StartUpOnEveryView = OnEveryView;
INSTANTIATE_ON_EVERY_VIEW(StartUpOnEveryView);

bool AnySetMessage(const std::vector<std::string>& messages)
{
    for (const std::string& m : messages)
        if (m.rfind("SET", 0) == 0)
            return true;
    return false;
}

TEST_P(StartUpOnEveryView, WithNoSettingsAppliesBlackAndStaysResident)
{
    Desktop desktop(View());
    Vireola program;
    ASSERT_TRUE(WaitFor(DialogReady));
    EXPECT_EQ(BLACK, desktop.TextColor());
    EXPECT_EQ(CLR_NONE, desktop.TextBkColor());
    EXPECT_TRUE(program.Running());
    EXPECT_FALSE(DialogVisible());
    // reading the custom colour has made the keys, but nothing is stored
    EXPECT_TRUE(KeyExists("Settings"));
    EXPECT_TRUE(ValueNames("Settings").empty());
}

TEST_P(StartUpOnEveryView, WithReApplyOffAppliesTheStoredColourOnceAndEnds)
{
    SetDword("Settings", "ReApply", 0);
    SetDword("Settings", "TextColorIndex", WHITE_INDEX);
    Desktop desktop(View());
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    // one application and no watch ticks afterwards
    EXPECT_EQ((std::vector<std::string>{"SETTEXTBKCOLOR 0 -1", "SETTEXTCOLOR 0 16777215", "GETITEMCOUNT 0 0",
                                        "REDRAWITEMS 0 " + std::to_string(desktop.ItemCount() - 1)}),
              desktop.NewMessages());
    EXPECT_EQ(WHITE, desktop.TextColor());
    EXPECT_EQ(CLR_NONE, desktop.TextBkColor());
}

TEST_F(StartUp, WithoutTheDesktopViewEndsAtOnceAndTouchesNoSetting)
{
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    EXPECT_FALSE(KeyExists(""));
}

TEST_F(StartUp, WithoutTheDefViewChildFindsNoDesktopView)
{
    Desktop desktop("--no-defview");
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    EXPECT_FALSE(KeyExists(""));
    EXPECT_TRUE(desktop.NewMessages().empty());
}

// File Explorer titles its window with the folder's name, and the installer
// makes a folder named Vireola; a dialog of the same title without the
// program's controls is no running copy either.
TEST_F(StartUp, AWindowThatOnlySharesTheTitleIsNotTheRunningCopy)
{
    for (const char* cls : {"CabinetWClass", "#32770"}) {
        SCOPED_TRACE(cls);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = cls;
        RegisterClassA(&wc);
        HWND hOther = CreateWindowExA(0, cls, "Vireola", WS_OVERLAPPEDWINDOW | WS_MAXIMIZE | WS_VISIBLE, 0, 0,
                                      300, 200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(IsZoomed(hOther));
        Desktop desktop;
        Vireola program;
        EXPECT_TRUE(WaitFor([&] { return DialogReady() && desktop.LabelsAre(BLACK); }));
        EXPECT_TRUE(program.Running());
        EXPECT_TRUE(IsZoomed(hOther) && IsWindowVisible(hOther));
        DestroyWindow(hOther);
    }
}

TEST_F(StartUp, TheSwitchOpensTheDialogWithoutTouchingTheDesktop)
{
    for (const char* args : {"/f", "-F", "/foo"}) {
        SCOPED_TRACE(args);
        Desktop desktop;
        Vireola program(args);
        ASSERT_TRUE(WaitFor(DialogVisible));
        EXPECT_FALSE(AnySetMessage(desktop.NewMessages()));
        Click(IDC_REMOVE_FROM_MEMORY);
        EXPECT_EQ(0u, program.Wait());
    }
}

TEST_F(StartUp, AnyOtherArgumentTextStartsSilently)
{
    SetDword("Settings", "ReApply", 0);
    SetDword("Settings", "TextColorIndex", 16);
    for (const char* args : {"f", "/g", "--f", "", "/logon", "/Restart"}) {
        SCOPED_TRACE(args);
        Desktop desktop;
        Vireola program(args);
        EXPECT_EQ(0u, program.Wait());
        EXPECT_EQ(RED, desktop.TextColor());
    }
}

// The system's own starts (at logon, after an update) bring nothing up.
TEST_F(StartUp, ASecondStartShowsTheResidentCopysDialogAndEnds)
{
    const struct { const char* args; bool shows; } rows[] = {{"", true}, {"/f", true}, {"/LOGON", false}, {"/restart", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        Desktop desktop;
        Vireola resident;
        ASSERT_TRUE(WaitFor(DialogReady));
        ASSERT_FALSE(DialogVisible());
        SetDword("Settings", "TextColorIndex", 20);

        Vireola second(row.args);
        EXPECT_EQ(0u, second.Wait());
        EXPECT_EQ(row.shows, WaitFor(DialogVisible, row.shows ? 5000 : 1500));
        // the second copy neither applied nor stored anything
        EXPECT_EQ(BLACK, desktop.TextColor());
        EXPECT_TRUE(resident.Running());
        resident.Kill();
        DeleteAllSettings();
    }
}

// Another process can see a thread's activation and focus, whatever the
// foreground is: a hidden dialog has neither until it is shown.
TEST_F(StartUp, ASilentStartTakesNeitherTheActivationNorTheFocus)
{
    Desktop desktop;
    Vireola program;
    ASSERT_TRUE(WaitFor(DialogReady));
    DWORD thread = GetWindowThreadProcessId(FindSettingsDialog(), nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    // the dialog is ready before its initialisation has ended: watch a while
    EXPECT_FALSE(WaitFor([&] { return GetGUIThreadInfo(thread, &info) && (info.hwndActive || info.hwndFocus); }, 500))
        << "active " << info.hwndActive << ", focus " << info.hwndFocus;

    OnInputDesktop input;
    Vireola second;
    EXPECT_EQ(0u, second.Wait());
    ASSERT_TRUE(WaitFor(DialogInFront));
    EXPECT_TRUE(WaitFor([&] { return GetGUIThreadInfo(thread, &info) && info.hwndFocus == DialogItem(IDC_TEXT_COLOR); }));
    EXPECT_EQ(FindSettingsDialog(), info.hwndActive);
}

// Logon, an installer and a double click can start copies at the same moment.
TEST_F(StartUp, CopiesStartedAtOnceLeaveOneResidentCopyWithOneIcon)
{
    // without a lock, some rounds leave one copy all the same
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Desktop desktop("--taskbar");
        std::vector<std::unique_ptr<Vireola>> copies;
        for (int i = 0; i < 6; ++i)
            copies.push_back(std::make_unique<Vireola>());
        auto running = [&] {
            int count = 0;
            for (auto& copy : copies)
                count += copy->Running();
            return count;
        };
        ASSERT_TRUE(WaitFor([&] { return running() <= 1 && DialogReady(); }, 15000)) << running();
        for (auto& copy : copies)
            EXPECT_TRUE(copy->Running() || copy->Wait() == 0);
        int dialogs = 0;
        for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, "#32770", "Vireola")) != nullptr;)
            ++dialogs;
        EXPECT_EQ(1, dialogs);
        EXPECT_EQ(1u, desktop.TrayRequests(2, 500).size());
        copies.clear();
    }
}

// A resident copy that does not answer (hung, or held in a debugger) holds up
// no later start: each hands over and ends, and the dialog comes up once the
// copy answers again.
TEST_F(StartUp, ASecondStartDoesNotWaitForACopyThatDoesNotAnswer)
{
    Desktop desktop;
    Vireola resident;
    // the watch ticks: the copy is past its start-up and in its message loop
    ASSERT_TRUE(WaitFor([&] { return DialogReady() && desktop.ChecksOver(0) > 0; }));
    HANDLE hThread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(FindSettingsDialog(), nullptr));
    ASSERT_TRUE(hThread);
    ASSERT_NE((DWORD)-1, SuspendThread(hThread));
    for (int i = 0; i < 2; ++i) {
        Vireola second;
        EXPECT_EQ(0u, second.Wait(5000)) << i;
    }
    ResumeThread(hThread);
    CloseHandle(hThread);
    EXPECT_TRUE(WaitFor(DialogVisible));
}

// A copy from before the hand-over's message is shown as it showed itself.
TEST_F(StartUp, ACopyOfAnEarlierVersionIsShownAllTheSame)
{
    HWND hOld = CreateWindowExA(0, "#32770", "Vireola", WS_POPUPWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    for (int id : {IDC_TEXT_COLOR, IDC_REMOVE_FROM_MEMORY})
        CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 9, 9, hOld, (HMENU)(INT_PTR)id, nullptr, nullptr);
    Desktop desktop;
    Vireola second;
    EXPECT_EQ(0u, second.Wait());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(hOld); }));
    DestroyWindow(hOld);
}

TEST_F(StartUp, ASecondStartWithoutTheDesktopViewLeavesTheResidentCopyHidden)
{
    auto desktop = std::make_unique<Desktop>();
    Vireola resident;
    ASSERT_TRUE(WaitFor(DialogReady));
    desktop.reset();

    Vireola second;
    EXPECT_EQ(0u, second.Wait());
    EXPECT_FALSE(DialogVisible());
}

} // namespace
