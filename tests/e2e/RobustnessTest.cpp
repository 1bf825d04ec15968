// A hung, restarted or rearranged shell, and bad input of every kind.
#include "Harness.h"
#include "res/resource.h"
#include "tools/StandInShell.h"
#include <map>

namespace {

using Robustness = EndToEnd;

const COLORREF BLACK = RGB(0, 0, 0);

bool LabelsAre(const Desktop& desktop, COLORREF text)
{
    return desktop.TextBkColor() == CLR_NONE && desktop.TextColor() == text;
}

bool Answers(HWND hWnd, DWORD timeoutMs)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

TEST_F(Robustness, AHungShellNeverFreezesTheProgram)
{
    Desktop desktop;
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return FindSettingsDialog() && LabelsAre(desktop, BLACK); }));

    desktop.Hang(4000, true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Answers(FindSettingsDialog(), 1000)) << i;
        Sleep(200);   // spread the probes over the hang
    }
    // posted input waits for nothing longer than one bounded message
    PostMessageA(FindSettingsDialog(), WM_APP + 100, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([] { return IsWindowVisible(FindSettingsDialog()) != FALSE; }, 1000));
    SelectColor(18);
    PostMessageA(FindSettingsDialog(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([] { return !IsWindowVisible(FindSettingsDialog()); }, 1000));

    // once the shell answers again, the watch puts the labels back
    EXPECT_TRUE(WaitFor([&] { return LabelsAre(desktop, BLACK); }, 6000));
    EXPECT_TRUE(program.Running());
}

TEST_F(Robustness, ARestartedShellGetsTheColoursAndTheIconBack)
{
    auto desktop = std::make_unique<Desktop>("--taskbar");
    Vireola program;
    ASSERT_EQ(1u, desktop->TrayRequests(1).size());
    desktop.reset();

    desktop = std::make_unique<Desktop>("--taskbar");
    EXPECT_TRUE(WaitFor([&] { return LabelsAre(*desktop, BLACK); }, 2000));
    std::vector<std::string> requests = desktop->TrayRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(0u, requests[0].find("TRAY 0 "));
}

TEST_F(Robustness, TheViewIsFoundUnderAWorkerWWindow)
{
    Desktop desktop("--workerw");
    SetDword("Settings", "TextColorIndex", 16);
    Vireola program;
    EXPECT_TRUE(WaitFor([&] { return LabelsAre(desktop, RGB(255, 0, 0)); }));
    desktop.Reset();
    EXPECT_TRUE(WaitFor([&] { return LabelsAre(desktop, RGB(255, 0, 0)); }, 1000));
}

// What the store holds under "Settings", to see that nothing was lost.
std::map<std::string, std::vector<BYTE>> StoredValues(const char* section)
{
    std::map<std::string, std::vector<BYTE>> values;
    HKEY hKey;
    std::string path = std::string("Software\\Morvane\\Vireola\\") + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return values;
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type;
        if (RegEnumValueA(hKey, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> v(data, data + dataSize);
        v.push_back((BYTE)type);
        values[name] = v;
    }
    RegCloseKey(hKey);
    return values;
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
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<BadValue> BadValues()
{
    std::vector<BadValue> values;
    for (DWORD type : {(DWORD)REG_SZ, (DWORD)REG_BINARY, (DWORD)REG_QWORD, (DWORD)REG_MULTI_SZ, (DWORD)REG_DWORD})
        for (size_t length : {0, 1, 2, 3, 4, 5, 6, 7, 8, 300}) {
            std::vector<BYTE> data(length, 0xFF);
            for (size_t i = 0; i < length; ++i)
                data[i] = (BYTE)(i % 2 ? 0x80 + i : '1' + i);
            values.push_back({type, data});
        }
    return values;
}

TEST_F(Robustness, BadStoredValuesOfEveryTypeAndLengthAreHandled)
{
    const char* names[] = {"TextColorIndex", "ReApply", "TrayIcon", "TextColor"};
    Desktop desktop;
    for (const BadValue& bad : BadValues()) {
        SCOPED_TRACE("type " + std::to_string(bad.type) + ", " + std::to_string(bad.data.size()) + " bytes");
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
        ASSERT_TRUE(WaitFor([] { return IsWindowVisible(FindSettingsDialog()) != FALSE; }));
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
    ASSERT_TRUE(WaitFor([] { return IsWindowVisible(FindSettingsDialog()) != FALSE; }));
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
    EXPECT_TRUE(LabelsAre(desktop, BLACK));
}

// A short soak: the shell resets the labels every 50 ms and the system
// colours change every second; the program repairs and does not leak.
TEST_F(Robustness, ASoakRepairsEveryResetWithoutLeakingHandles)
{
    Desktop desktop("--reset-every 50");
    Vireola program;
    ASSERT_TRUE(WaitFor(DialogReady));
    ASSERT_TRUE(WaitFor([&] { return desktop.Ask(SHELL_REPAIR_COUNT) > 0; }));
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(program.Handle(), &handlesBefore);
    DWORD userBefore = GetGuiResources(program.Handle(), GR_USEROBJECTS);
    DWORD gdiBefore = GetGuiResources(program.Handle(), GR_GDIOBJECTS);
    LRESULT resets = desktop.Ask(SHELL_RESET_COUNT), repairs = desktop.Ask(SHELL_REPAIR_COUNT);

    const COLORREF desktops[] = {RGB(0, 0, 128), RGB(192, 192, 192)};
    for (int second = 0; second < 20; ++second) {
        Send(desktop.Progman(), SHELL_SET_DESKTOP_COLOR, 0, desktops[second % 2]);
        WaitFor([] { return false; }, 1000);
    }
    resets = desktop.Ask(SHELL_RESET_COUNT) - resets;
    repairs = desktop.Ask(SHELL_REPAIR_COUNT) - repairs;
    GetProcessHandleCount(program.Handle(), &handlesAfter);

    // every tick that finds the labels reset repairs them
    EXPECT_GT(repairs, 100);
    EXPECT_GE(resets, repairs);
    EXPECT_LE(handlesAfter, handlesBefore + 2);
    EXPECT_LE(GetGuiResources(program.Handle(), GR_USEROBJECTS), userBefore + 2);
    EXPECT_LE(GetGuiResources(program.Handle(), GR_GDIOBJECTS), gdiBefore + 2);
    EXPECT_TRUE(Answers(FindSettingsDialog(), 1000));
    std::printf("soak: %ld resets, %ld repairs, handles %lu -> %lu\n", (long)resets, (long)repairs,
                handlesBefore, handlesAfter);
}

} // namespace
