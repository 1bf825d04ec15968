// A hung, restarted or rearranged shell, and bad input of every kind.
#include "Harness.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/RegistryDump.h"

namespace {

using Robustness = EndToEnd;
using RobustnessOnEveryView = OnEveryView;
INSTANTIATE_ON_EVERY_VIEW(RobustnessOnEveryView);

bool Answers(HWND hWnd, DWORD timeoutMs)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

// The longest a message posted to the dialog waits to be handled: a thread in
// SendMessageTimeout answers sent messages (Answers cannot tell) but no posted one.
DWORD LongestPostedWait()
{
    DWORD longest = 0;
    for (int i = 0; i < 8; ++i, Sleep(100)) {
        DWORD start = GetTickCount();
        PostMessageA(DialogItem(IDC_ABOUT), BM_SETSTATE, i % 2 == 0, 0);
        WaitFor([&] { return !(Send(DialogItem(IDC_ABOUT), BM_GETSTATE, 0, 0) & BST_PUSHED) == (i % 2 != 0); });
        longest = std::max(longest, GetTickCount() - start);
    }
    return longest;
}
TEST_F(Robustness, AHungShellNeverFreezesTheProgram)
{
    Desktop desktop;
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return FindSettingsDialog() && desktop.LabelsAre(BLACK); }));

    desktop.Hang(4000, true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Answers(FindSettingsDialog(), 1000)) << i;
        Sleep(200);   // spread the probes over the hang
    }
    // posted input waits for nothing longer than one bounded message
    PostMessageA(FindSettingsDialog(), WM_APP + 100, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor(DialogVisible, 1000));
    SelectColor(18);
    PostMessageA(FindSettingsDialog(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([] { return !DialogVisible(); }, 1000));

    // once the shell answers again, the watch puts the labels back
    EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 6000));
    EXPECT_TRUE(program.Running());

    // a shell busy with every message while it keeps resetting the labels:
    // the dialog's thread waits on it half a second at a time at most
    Send(desktop.Progman(), SHELL_BUSY, 400, 0);
    Send(desktop.Progman(), SHELL_RESET_PERIOD, 300, 0);
    EXPECT_GT(1000u, LongestPostedWait());
}

TEST_P(RobustnessOnEveryView, ARestartedShellGetsTheColoursAndTheIconBack)
{
    auto desktop = std::make_unique<Desktop>(View("--taskbar"));
    Vireola program;
    ASSERT_EQ(1u, desktop->TrayRequests(1).size());
    desktop.reset();

    desktop = std::make_unique<Desktop>(View("--taskbar"));
    EXPECT_TRUE(WaitFor([&] { return desktop->LabelsAre(BLACK); }, 2000));
    std::vector<std::string> requests = desktop->TrayRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(0u, requests[0].find("TRAY 0 "));
}

TEST_F(Robustness, TheViewIsFoundUnderAWorkerWWindow)
{
    Desktop desktop("--workerw");
    SetDword("Settings", "TextColorIndex", 16);
    Vireola program;
    EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(RED); }));
    desktop.Reset();
    EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(RED); }, 1000));
}

// What the store holds under a section, to see that nothing was lost.
std::string StoredValues(const char* section)
{
    return DumpKey(HKEY_CURRENT_USER, std::string("Software\\Morvane\\Vireola\\") + section);
}

// Runs the program with the argument text and ends it as a user would; false
// if it crashed or hung.
bool RunsAndEnds(const std::string& args)
{
    Vireola program(args);
    WaitFor([&] { return !program.Running() || DialogReady(); });
    if (!program.Running())
        return program.Wait() == 0;
    if (!Answers(FindSettingsDialog(), 1000))
        return false;
    Click(IDC_REMOVE_FROM_MEMORY);
    return program.Wait() == 0;
}

TEST_F(Robustness, BadArgumentTextsAreHandled)
{
    SetDword("Settings", "ReApply", 0);
    SetDword("Settings", "TextColorIndex", 16);
    const std::string cases[] = {
        "x", std::string(32000, 'a'), std::string(32000, 'f'), "\xE9\xFF\xA0\x80", "\xE9" "f",
        "\"", "\"/f\"", "\"\" /f", "/f\"", "/\x01", "\t/f",
    };
    Desktop desktop;
    auto before = StoredValues("Settings");
    for (const std::string& args : cases) {
        SCOPED_TRACE(args.substr(0, 20));
        EXPECT_TRUE(RunsAndEnds(args));
        EXPECT_EQ(before, StoredValues("Settings"));
    }
}

struct BadValue
{
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
};

// Every type and length is read in process by the store and the dialog; the
// whole program starts and ends on a few of them.
TEST_F(Robustness, BadStoredValuesAreHandledFromStartToEnd)
{
    const char* names[] = {"TextColorIndex", "ReApply", "TrayIcon", "TextColor"};
    const BadValue values[] = {
        {"a long string", REG_SZ, std::vector<BYTE>(300, '7')},
        {"one byte", REG_BINARY, {0x95}},
        {"a 64-bit number", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0x80}},
    };
    Desktop desktop;
    for (const BadValue& bad : values) {
        SCOPED_TRACE(bad.what);
        DeleteAllSettings();
        for (const char* name : names)
            SetValue("Settings", name, bad.type, bad.data.data(), (DWORD)bad.data.size());
        for (char slot = 'A'; slot <= 'P'; ++slot)
            SetValue("CustomColors", std::string(1, slot).c_str(), bad.type, bad.data.data(), (DWORD)bad.data.size());
        auto before = StoredValues("Settings");
        auto customBefore = StoredValues("CustomColors");

        EXPECT_TRUE(RunsAndEnds(""));
        // the dialog reads every value; the colour dialog reads the custom colours
        Vireola program("/f");
        ASSERT_TRUE(WaitFor(DialogVisible));
        int selection = ComboSelection();
        EXPECT_TRUE(selection >= 0 && selection <= 20) << selection;
        PostMessageA(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(IDC_COLOR, BN_CLICKED), (LPARAM)DialogItem(IDC_COLOR));
        HWND hColor = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (hColor = FindWindowA("#32770", "Color")) != nullptr; }));
        PostMessageA(hColor, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(hColor, IDCANCEL));
        EXPECT_TRUE(WaitFor([] { return FindWindowA("#32770", "Color") == nullptr; }));
        Click(IDCANCEL);
        EXPECT_TRUE(program.Wait(300) == 0 || Answers(FindSettingsDialog(), 1000));
        program.Kill();

        EXPECT_EQ(before, StoredValues("Settings"));
        EXPECT_EQ(customBefore, StoredValues("CustomColors"));
    }
}

TEST_F(Robustness, OutOfRangeNumbersShowAsTheNearestSensibleState)
{
    SetDword("Settings", "TextColorIndex", (DWORD)-1);
    SetDword("Settings", "ReApply", 2);
    SetDword("Settings", "TrayIcon", (DWORD)-1);
    Desktop desktop("--taskbar");
    Vireola program("/f");
    ASSERT_TRUE(WaitFor(DialogVisible));
    EXPECT_EQ(3, ComboSelection());
    EXPECT_EQ(BST_CHECKED, CheckState(IDC_REAPPLY));
    EXPECT_EQ(BST_CHECKED, CheckState(IDC_TRAY_ICON));
    EXPECT_EQ(1u, desktop.TrayRequests(1).size());

    Click(IDC_APPLY);
    DWORD index = 0, reApply = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index));
    EXPECT_TRUE(GetDword("Settings", "ReApply", reApply));
    EXPECT_EQ(3u, index);
    EXPECT_EQ(1u, reApply);
    EXPECT_TRUE(desktop.LabelsAre(BLACK));
}

// A short soak of the real program: the shell resets the labels every 50 ms
// and the system colours change every second. (What it leaks is measured in
// process, where it can be seen.)
TEST_F(Robustness, ASoakRepairsEveryResetAndStaysResponsive)
{
    Desktop desktop("--reset-every 50");
    Vireola program;
    ASSERT_TRUE(WaitFor(DialogReady));
    ASSERT_TRUE(WaitFor([&] { return desktop.Ask(SHELL_REPAIR_COUNT) > 0; }));
    LRESULT resets = desktop.Ask(SHELL_RESET_COUNT), repairs = desktop.Ask(SHELL_REPAIR_COUNT);

    const COLORREF desktops[] = {RGB(0, 0, 128), RGB(192, 192, 192)};
    for (int second = 0; second < 6; ++second) {
        Send(desktop.Progman(), SHELL_SET_DESKTOP_COLOR, 0, desktops[second % 2]);
        PumpFor(1000);
    }
    resets = desktop.Ask(SHELL_RESET_COUNT) - resets;
    repairs = desktop.Ask(SHELL_REPAIR_COUNT) - repairs;

    // every tick that finds the labels reset repairs them
    EXPECT_GT(repairs, 40);
    EXPECT_GE(resets, repairs);
    EXPECT_TRUE(Answers(FindSettingsDialog(), 1000));
    EXPECT_TRUE(program.Running());
}

} // namespace
