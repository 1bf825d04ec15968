// tools/RealDesktopCheck.exe, run here against the stand-in shell, which
// resets the labels on a broadcast as the real shell does: it prints the
// stand-in's facts, passes with the real program, fails with one that never
// applies a colour, and leaves the shell's colours and the user's settings
// as they were either way.
#include "Harness.h"
#include "tools/StandInShell.h"
#include <fstream>
#include <iterator>

namespace {

using RealDesktopCheck = EndToEnd;

const COLORREF DESKTOP = RGB(0x3A, 0x6E, 0xA5);

struct CheckRun
{
    DWORD exitCode;
    std::string output;
};

// The check's exit code and what it printed, run on this thread's desktop.
CheckRun RunCheck(const std::string& arguments = "")
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "rdc", 0, path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE hOut = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    char desktop[256] = "";
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desktop, sizeof desktop, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.lpDesktop = desktop;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = hOut;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + BinPath("RealDesktopCheck.exe") + "\" " + arguments;
    CheckRun run = {(DWORD)-1, ""};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        WaitFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(hOut);
    std::ifstream file(path);
    run.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileA(path);
    std::printf("%s", run.output.c_str());
    return run;
}

bool Has(const std::string& output, const std::string& text)
{
    return output.find(text) != std::string::npos;
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

TEST_F(RealDesktopCheck, PassesWithTheProgramAndPrintsTheShellsFacts)
{
    for (bool classic : {false, true}) {
        SCOPED_TRACE(classic ? "classic look" : "current look");
        Desktop desktop(std::string("--reset-on-broadcast --color 3A6EA5") + (classic ? " --classic" : ""));
        SetUsersSettings();
        LRESULT resetsBefore = desktop.Ask(SHELL_RESET_COUNT);
        CheckRun run = RunCheck();

        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(Has(run.output, "desktop view: Progman > SHELLDLL_DefView > SysListView32"));
        EXPECT_TRUE(Has(run.output, classic ? "the shell's own look                         #FFFFFF   #3A6EA5   #3A6EA5"
                                            : "the shell's own look                         #FFFFFF   none      #3A6EA5"));
        EXPECT_TRUE(Has(run.output, classic ? "extended list-view style 0x00000000" : "extended list-view style 0x00800000"));
        EXPECT_TRUE(Has(run.output, "labels back after the broadcast"));
        EXPECT_FALSE(Has(run.output, "FAILED"));
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
    CheckRun run = RunCheck("--program \"" + BinPath("Press.exe") + "\" --timeout 1500");

    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(Has(run.output, "labels take the colour on no background"));
    EXPECT_TRUE(Has(run.output, "FAILED"));
    ExpectTheShellsLook(desktop);
    ExpectUsersSettings();
}

TEST_F(RealDesktopCheck, LeavesNoSettingsBehindWhereThereWereNone)
{
    Desktop desktop("--reset-on-broadcast --color 3A6EA5");
    CheckRun run = RunCheck();
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.output, "no settings left behind"));
    EXPECT_FALSE(KeyExists(""));
}

TEST_F(RealDesktopCheck, DoesNotRunWithoutADesktopViewOrBesideARunningCopy)
{
    CheckRun none = RunCheck();
    EXPECT_EQ(2u, none.exitCode);
    EXPECT_TRUE(Has(none.output, "no desktop icon view"));

    Desktop desktop("--color 3A6EA5");
    Vireola resident;
    ASSERT_TRUE(WaitFor(DialogReady));
    SetUsersSettings();
    CheckRun beside = RunCheck();
    EXPECT_EQ(2u, beside.exitCode);
    EXPECT_TRUE(Has(beside.output, "running already"));
    ExpectUsersSettings();
}

} // namespace
