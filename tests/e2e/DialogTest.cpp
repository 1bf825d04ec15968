// The settings dialog, driven as the user drives it.
#include "Harness.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"

namespace {

using SettingsDialog = EndToEnd;
using SettingsDialogOnEveryView = OnEveryView;
INSTANTIATE_ON_EVERY_VIEW(SettingsDialogOnEveryView);

COLORREF PreviewTextColor()
{
    return (COLORREF)Send(DialogItem(IDC_PREVIEW), LVM_GETTEXTCOLOR, 0, 0);
}

// A resident program, its hidden dialog brought up by a second start, on the
// test's desktop made the input desktop.
struct Shown
{
    OnInputDesktop input;
    Desktop desktop;
    Vireola program;

    explicit Shown(const std::string& shellOptions = "") : desktop(shellOptions)
    {
        EXPECT_TRUE(WaitFor(DialogReady));
        Vireola second;
        EXPECT_EQ(0u, second.Wait());
        EXPECT_TRUE(WaitFor(DialogInFront));
    }
};

TEST_P(SettingsDialogOnEveryView, TheTypicalRoadFromTheResidentProgramToYellowLabels)
{
    Shown s(View());
    EXPECT_TRUE(s.desktop.LabelsAre(BLACK));
    s.desktop.NewMessages();

    SelectColor(YELLOW_INDEX);
    EXPECT_EQ(YELLOW, PreviewTextColor());
    EXPECT_EQ(CLR_NONE, (COLORREF)Send(DialogItem(IDC_PREVIEW), LVM_GETTEXTBKCOLOR, 0, 0));
    EXPECT_TRUE(s.desktop.NewMessages().empty());
    EXPECT_TRUE(ValueNames("Settings").empty());

    Click(IDOK);
    EXPECT_FALSE(DialogVisible());
    EXPECT_TRUE(s.desktop.LabelsAre(YELLOW));
    EXPECT_EQ((std::vector<std::string>{"ReApply", "TextColorIndex", "TrayIcon"}), ValueNames("Settings"));
    DWORD index = 0, reApply = 0, tray = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index));
    EXPECT_TRUE(GetDword("Settings", "ReApply", reApply));
    EXPECT_TRUE(GetDword("Settings", "TrayIcon", tray));
    EXPECT_EQ(18u, index);
    EXPECT_EQ(1u, reApply);
    EXPECT_EQ(1u, tray);

    // resident, hidden, and the watch runs
    s.desktop.Reset();
    EXPECT_TRUE(WaitFor([&] { return s.desktop.LabelsAre(YELLOW); }, 1000));
    EXPECT_TRUE(s.program.Running());
}

TEST_P(SettingsDialogOnEveryView, TheWatchStopsWhileTheDialogIsInFront)
{
    for (int how = 0; how < 2; ++how) {
        SCOPED_TRACE(how ? "shown by a second start" : "opened by the switch");
        std::unique_ptr<Opened> opened;
        std::unique_ptr<Shown> shown;
        const Desktop* desktop;
        if (how) {
            shown = std::make_unique<Shown>(View());
            desktop = &shown->desktop;
        } else {
            opened = std::make_unique<Opened>(View());
            desktop = &opened->desktop;
        }
        desktop->Reset();
        EXPECT_FALSE(WaitFor([&] { return desktop->LabelsAre(BLACK); }, 600));

        OtherWindow other;
        other.Activate();
        EXPECT_TRUE(WaitFor([&] { return desktop->LabelsAre(BLACK); }, 1000));

        // back in front, after another window was
        SetForegroundWindow(FindSettingsDialog());
        ASSERT_TRUE(WaitFor(DialogInFront));
        desktop->Reset();
        EXPECT_FALSE(WaitFor([&] { return desktop->LabelsAre(BLACK); }, 600));
    }
}

TEST_F(SettingsDialog, APickedColourReachesTheDesktopOnceTheDialogIsNotActive)
{
    Opened o;
    SelectColor(YELLOW_INDEX);
    OtherWindow other;
    other.Activate();
    EXPECT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(YELLOW); }, 1000));
    EXPECT_TRUE(ValueNames("Settings").empty());
}

TEST_F(SettingsDialog, WithTheBoxClearTheWatchNeverRuns)
{
    SetDword("Settings", "ReApply", 0);
    Opened o;
    EXPECT_EQ(BST_UNCHECKED, CheckState(IDC_REAPPLY));
    OtherWindow other;
    other.Activate();
    EXPECT_FALSE(WaitFor([&] { return o.desktop.LabelsAre(BLACK); }, 600));
}

// The shell of Windows Vista and later draws the labels on no background;
// the classic shell, on the desktop colour.
TEST_P(SettingsDialogOnEveryView, RestoreWindowsColorsPutsTheShellsLookBackAndStoresNothing)
{
    Opened o(View("--color 008080"));
    Click(IDC_APPLY);
    ASSERT_TRUE(o.desktop.LabelsAre(BLACK));
    DeleteAllSettings();
    o.desktop.NewMessages();

    Click(IDC_RESTORE_WINDOWS_COLORS);
    EXPECT_EQ(WHITE, o.desktop.TextColor());
    EXPECT_EQ(ClassicLook() ? RGB(0, 128, 128) : CLR_NONE, o.desktop.TextBkColor());
    for (const std::string& m : o.desktop.NewMessages())
        EXPECT_NE("SETBKCOLOR", m.substr(0, m.find(' '))) << "the view's own background is the shell's";
    EXPECT_EQ(0, ComboSelection());
    EXPECT_EQ(BST_UNCHECKED, CheckState(IDC_REAPPLY));
    EXPECT_EQ(WHITE, PreviewTextColor());
    EXPECT_FALSE(KeyExists("Settings") && !ValueNames("Settings").empty());

    // the watch is stopped: nothing puts the labels back when the dialog is left
    OtherWindow other;
    other.Activate();
    o.desktop.Reset();
    o.desktop.NewMessages();
    EXPECT_EQ(0, o.desktop.ChecksOver(600));
}

TEST_F(SettingsDialog, RestoreThenOkStoresEntryZeroWithReApplyOffAndEnds)
{
    Opened o("--color 000080");
    Click(IDC_RESTORE_WINDOWS_COLORS);
    Click(IDOK);
    EXPECT_EQ(0u, o.program.Wait());
    DWORD index = 99, reApply = 99;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index));
    EXPECT_TRUE(GetDword("Settings", "ReApply", reApply));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(0u, reApply);
    EXPECT_TRUE(o.desktop.LabelsAre(WHITE));   // contrast colour of the default desktop
}

TEST_F(SettingsDialog, RestoreThenCancelPutsTheStoredColourBackThroughTheWatch)
{
    SetDword("Settings", "ReApply", 1);
    SetDword("Settings", "TextColorIndex", YELLOW_INDEX);
    Opened o;
    Click(IDC_RESTORE_WINDOWS_COLORS);
    ASSERT_FALSE(o.desktop.LabelsAre(YELLOW));

    Click(IDCANCEL);
    EXPECT_FALSE(DialogVisible());
    EXPECT_EQ(YELLOW_INDEX, ComboSelection());
    EXPECT_EQ(BST_CHECKED, CheckState(IDC_REAPPLY));
    EXPECT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(YELLOW); }, 1000));
    EXPECT_TRUE(o.program.Running());
}

TEST_F(SettingsDialog, CancelPutsTheStoredValuesBackAndKeepsTheWatch)
{
    Opened o;
    SelectColor(5);
    Click(IDC_REAPPLY);    // cleared by the user, not applied
    Send(DialogItem(IDC_REAPPLY), BM_SETCHECK, BST_UNCHECKED, 0);
    Send(DialogItem(IDC_TRAY_ICON), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(IDCANCEL);
    EXPECT_EQ(3, ComboSelection());
    EXPECT_EQ(BST_CHECKED, CheckState(IDC_REAPPLY));
    EXPECT_EQ(BST_CHECKED, CheckState(IDC_TRAY_ICON));
    EXPECT_EQ(BLACK, PreviewTextColor());
    o.desktop.Reset();
    EXPECT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(BLACK); }, 1000));
    EXPECT_TRUE(ValueNames("Settings").empty());
}

TEST_F(SettingsDialog, OkAndCancelEndTheProgramWhenReApplyIsStoredOff)
{
    for (int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
        DeleteAllSettings();
        SetDword("Settings", "ReApply", 0);
        Opened o;
        if (button == IDCANCEL)
            Send(DialogItem(IDC_REAPPLY), BM_SETCHECK, BST_CHECKED, 0);   // ticked, not applied
        Click(button);
        EXPECT_EQ(0u, o.program.Wait());
    }
}

TEST_F(SettingsDialog, RemoveFromMemoryEndsTheProgramAndStoresNothing)
{
    Opened o;
    SelectColor(YELLOW_INDEX);
    Click(IDC_REMOVE_FROM_MEMORY);
    EXPECT_EQ(0u, o.program.Wait());
    EXPECT_TRUE(ValueNames("Settings").empty());
}

TEST_F(SettingsDialog, ColorIsEnabledOnlyForTheCustomEntry)
{
    SetDword("Settings", "TextColorIndex", 2);
    Opened o;
    EXPECT_TRUE(IsWindowEnabled(DialogItem(IDC_COLOR)));
    SelectColor(5);
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_COLOR)));
    SelectColor(2);
    EXPECT_TRUE(IsWindowEnabled(DialogItem(IDC_COLOR)));
    // Restore leaves the button as it was
    Click(IDC_RESTORE_WINDOWS_COLORS);
    EXPECT_TRUE(IsWindowEnabled(DialogItem(IDC_COLOR)));
    Click(IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(DialogItem(IDC_COLOR)));
    SetDword("Settings", "TextColorIndex", 7);
    Click(IDCANCEL);
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_COLOR)));
}

// The red, green and blue boxes of the full colour dialog, and its
// "Add to Custom Colors" button.
enum { COLOR_RED_EDIT = 706, COLOR_GREEN_EDIT = 707, COLOR_BLUE_EDIT = 708, COLOR_ADD_BUTTON = 712 };

// The colour dialog of the platform, once it is up.
HWND FindColorDialog()
{
    return FindWindowA("#32770", "Color");
}

void PressColor()
{
    PostMessageA(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(IDC_COLOR, BN_CLICKED), (LPARAM)DialogItem(IDC_COLOR));
    // a modal dialog is shown once its initialisation is done
    EXPECT_TRUE(WaitFor([] { return IsWindowVisible(FindColorDialog()) != FALSE; }));
}

void EndColorDialog(int button)
{
    HWND hColor = FindColorDialog();
    PostMessageA(hColor, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(hColor, button));
    EXPECT_TRUE(WaitFor([] { return FindColorDialog() == nullptr; }));
}

void TypeColor(BYTE r, BYTE g, BYTE b)
{
    HWND hColor = FindColorDialog();
    const int ids[] = {COLOR_RED_EDIT, COLOR_GREEN_EDIT, COLOR_BLUE_EDIT};
    const BYTE values[] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
        SetDlgItemInt(hColor, ids[i], values[i], FALSE);
        Send(hColor, WM_COMMAND, MAKEWPARAM(ids[i], EN_UPDATE), (LPARAM)GetDlgItem(hColor, ids[i]));
    }
}

TEST_F(SettingsDialog, AConfirmedCustomColourIsStoredAtOnceAndSurvivesCancel)
{
    SetDword("Settings", "TextColorIndex", 2);
    Opened o;
    PressColor();
    TypeColor(10, 20, 30);
    Send(FindColorDialog(), WM_COMMAND, MAKEWPARAM(COLOR_ADD_BUTTON, BN_CLICKED),
                 (LPARAM)GetDlgItem(FindColorDialog(), COLOR_ADD_BUTTON));
    EndColorDialog(IDOK);
    DWORD last = 0;
    ASSERT_TRUE(WaitFor([&] { return GetDword("CustomColors", "P", last); }));

    DWORD text = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColor", text));
    EXPECT_EQ(RGB(10, 20, 30), text);
    std::vector<std::string> slots;
    for (char c = 'A'; c <= 'P'; ++c)
        slots.push_back(std::string(1, c));
    EXPECT_EQ(slots, ValueNames("CustomColors"));
    DWORD first = 0;
    EXPECT_TRUE(GetDword("CustomColors", "A", first));
    EXPECT_EQ(RGB(10, 20, 30), first);
    EXPECT_EQ(WHITE, last);
    EXPECT_EQ(RGB(10, 20, 30), PreviewTextColor());

    Click(IDCANCEL);
    EXPECT_EQ(RGB(10, 20, 30), PreviewTextColor());
    EXPECT_TRUE(GetDword("Settings", "TextColor", text));
    Click(IDC_APPLY);
    EXPECT_TRUE(o.desktop.LabelsAre(RGB(10, 20, 30)));
}

TEST_F(SettingsDialog, ACancelledColourDialogStoresNothing)
{
    SetDword("Settings", "TextColorIndex", 2);
    SetDword("Settings", "TextColor", RGB(1, 2, 3));
    Opened o;
    PressColor();
    TypeColor(200, 100, 50);
    EndColorDialog(IDCANCEL);
    DWORD text = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColor", text));
    EXPECT_EQ(RGB(1, 2, 3), text);
    EXPECT_TRUE(ValueNames("CustomColors").empty());
    EXPECT_EQ(RGB(1, 2, 3), PreviewTextColor());
}

// Wine keeps each process's system colours as they were when it first read
// them, so the change is seen through entry 2, which is read again from the
// store on the same message.
TEST_F(SettingsDialog, ASystemColourChangeRefreshesTheAutomaticEntries)
{
    SetDword("Settings", "TextColorIndex", 1);
    Opened o("--color C0C0C0");
    EXPECT_EQ(RGB(192, 192, 192), PreviewTextColor());
    SelectColor(0);
    EXPECT_EQ(BLACK, PreviewTextColor());

    SelectColor(2);
    SetDword("Settings", "TextColor", RGB(1, 2, 3));
    Send(FindSettingsDialog(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(RGB(1, 2, 3), PreviewTextColor());
}

TEST_F(SettingsDialog, TheCloseBoxAndEscapeAreCancelAndEnterIsOk)
{
    Opened o;
    SelectColor(YELLOW_INDEX);
    PostMessageA(FindSettingsDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([] { return !DialogVisible(); }));
    EXPECT_EQ(3, ComboSelection());
    EXPECT_TRUE(ValueNames("Settings").empty());

    for (int key : {VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE(key == VK_ESCAPE ? "Esc" : "Enter");
        Vireola second;
        EXPECT_EQ(0u, second.Wait());
        ASSERT_TRUE(WaitFor(DialogInFront));
        SelectColor(YELLOW_INDEX);
        HWND hFocus = DialogItem(IDC_TEXT_COLOR);
        PostMessageA(hFocus, WM_KEYDOWN, key, 0);
        PostMessageA(hFocus, WM_KEYUP, key, 0xC0000000);
        EXPECT_TRUE(WaitFor([] { return !DialogVisible(); }));
    }
    DWORD index = 0;
    EXPECT_TRUE(WaitFor([&] { return GetDword("Settings", "TextColorIndex", index); }));
    EXPECT_EQ(18u, index);
    EXPECT_TRUE(o.desktop.LabelsAre(YELLOW));
}

} // namespace
