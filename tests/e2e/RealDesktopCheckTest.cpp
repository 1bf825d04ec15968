// RealDesktopCheck.exe, run here against the stand-in shell, which
// resets the labels on a broadcast as the real shell does: it prints the
// stand-in's facts, passes with the real program, fails with one that never
// applies a colour, and leaves the shell's colours and the user's settings
// as they were either way.
#include "Harness.h"
#include "framework/NewerWindows.h"
#include "tests/standin/StandInShell.h"

namespace {

using RealDesktopCheck = EndToEnd;

const COLORREF DESKTOP = RGB(0x3A, 0x6E, 0xA5);

// The check's exit code and what it printed, run on this thread's desktop.
Output RunCheck(const std::string& arguments = "")
{
    return RunToEnd("\"" + BinPath("RealDesktopCheck.exe") + "\" " + arguments, 60000);
}

// A user's own settings, which the check must leave as they were.
void SetUsersSettings()
{
    SetDword("Settings", "TextColorIndex", 5);
    SetDword("Settings", "ReApply", 0);
    SetDword("CustomColors", "Color3", RGB(1, 2, 3));
}

void ExpectUsersSettings()
{
    DWORD index = 0, reApply = 1, custom = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index) && index == 5);
    EXPECT_TRUE(GetDword("Settings", "ReApply", reApply) && reApply == 0);
    EXPECT_TRUE(GetDword("CustomColors", "Color3", custom) && custom == RGB(1, 2, 3));
    EXPECT_EQ(2u, ValueNames("Settings").size());
}

// The stand-in's own look: white text, on no background with shadows (the
// current look) or on the desktop colour (the classic one).
void ExpectTheShellsLook(const Desktop& desktop, bool classic = false)
{
    EXPECT_EQ(WHITE, desktop.TextColor());
    EXPECT_EQ(classic ? DESKTOP : CLR_NONE, desktop.TextBkColor());
}

// The face "MS Shell Dlg" maps to here.
std::string ShellDlgFace()
{
    HFONT hFont = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    HDC hDC = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hDC, hFont);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(hDC, sizeof face, face);
    SelectObject(hDC, hOld);
    ReleaseDC(nullptr, hDC);
    DeleteObject(hFont);
    return face;
}

TEST_F(RealDesktopCheck, PassesWithTheProgramAndPrintsTheShellsFacts)
{
    for (bool classic : {false, true}) {
        SCOPED_TRACE(classic ? "classic look" : "current look");
        Desktop desktop(std::string("--reset-on-broadcast --color 3A6EA5") + (classic ? " --classic" : ""));
        SetUsersSettings();
        LRESULT resetsBefore = desktop.Ask(SHELL_RESET_COUNT);
        Output run = RunCheck();

        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(Has(run.text, "desktop view: Progman > SHELLDLL_DefView > SysListView32"));
        EXPECT_TRUE(Has(run.text, classic ? "the shell's own look                         #FFFFFF   #3A6EA5   #3A6EA5"
                                            : "the shell's own look                         #FFFFFF   none      #3A6EA5"));
        EXPECT_TRUE(Has(run.text, classic ? "extended list-view style 0x00000000" : "extended list-view style 0x00800000"));
        EXPECT_TRUE(Has(run.text, "labels back after the broadcast"));
        // the stand-in fills its view again on F5, as the shell does, and
        // knows nothing of "Show desktop icons"
        EXPECT_TRUE(Has(run.text, "refill on F5:\n  EVENT_OBJECT_REORDER from the view at")) << run.text;
        EXPECT_TRUE(Has(run.text, "\"Show desktop icons\" off: no object events;\n  label colours not reset"));
        EXPECT_TRUE(Has(run.text, "settings dialog: " + std::to_string(Newer::GetDpiForWindow(nullptr)) + " DPI, font \"" + ShellDlgFace() + "\""))
            << run.text;
        // Wine has no per-monitor class: one picture (none here) on the one monitor
        EXPECT_TRUE(Has(run.text, "per-monitor wallpaper class: 0x80040154\nmonitor 0 (0, 0)-(")) << run.text;
        EXPECT_TRUE(Has(run.text, "\"\": no picture: the desktop colour\nwatched: \"\"")) << run.text;
        EXPECT_FALSE(Has(run.text, "FAILED"));
        // the broadcast was a real one: the stand-in reset its labels on it
        EXPECT_GT(desktop.Ask(SHELL_RESET_COUNT), resetsBefore);
        EXPECT_GE(desktop.Ask(SHELL_REPAIR_COUNT), 1);
        EXPECT_EQ(nullptr, FindSettingsDialog());
        ExpectTheShellsLook(desktop, classic);
        ExpectUsersSettings();
        DeleteAllSettings();
    }
}

TEST_F(RealDesktopCheck, FailsWithAProgramThatAppliesNothingAndStillPutsEverythingBack)
{
    Desktop desktop("--reset-on-broadcast --color 3A6EA5");
    SetUsersSettings();
    Output run = RunCheck("--program \"" + BinPath("Press.exe") + "\" --timeout 1500");

    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "labels take the colour on no background"));
    EXPECT_TRUE(Has(run.text, "FAILED"));
    ExpectTheShellsLook(desktop);
    ExpectUsersSettings();
}

// Without the view's event on a refill, the program would miss the resets.
TEST_F(RealDesktopCheck, FailsWhenF5RaisesNoReorderFromTheView)
{
    Desktop desktop("--reset-on-broadcast --color 3A6EA5 --f5-unannounced");
    Output run = RunCheck();
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "F5: EVENT_OBJECT_REORDER from the view: FAILED")) << run.text;
}

TEST_F(RealDesktopCheck, LeavesNoSettingsBehindWhereThereWereNone)
{
    Desktop desktop("--reset-on-broadcast --color 3A6EA5");
    Output run = RunCheck();
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "no settings left behind"));
    EXPECT_FALSE(KeyExists(""));
}

TEST_F(RealDesktopCheck, DoesNotRunWithoutADesktopViewOrBesideARunningCopy)
{
    Output none = RunCheck();
    EXPECT_EQ(2u, none.exitCode);
    EXPECT_TRUE(Has(none.text, "no desktop icon view"));

    Desktop desktop("--color 3A6EA5");
    Vireola resident;
    ASSERT_TRUE(WaitFor(DialogReady));
    SetUsersSettings();
    Output beside = RunCheck();
    EXPECT_EQ(2u, beside.exitCode);
    EXPECT_TRUE(Has(beside.text, "running already"));
    ExpectUsersSettings();
}

} // namespace
