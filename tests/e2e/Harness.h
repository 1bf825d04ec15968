// Drives the real Vireola.exe against the stand-in desktop shell, each in a
// process of its own, and reads back what they show and store.
#pragma once
#include "tests/support/Launch.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <vector>

const COLORREF BLACK = RGB(0, 0, 0);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF YELLOW = RGB(255, 255, 0);
const int RED_INDEX = 16;
const int YELLOW_INDEX = 18;
const int WHITE_INDEX = 20;

// The stand-in shell, started with the given options and a message log. On
// another desktop ("window station\desktop") than the test's own, it is made
// and asked from a thread on that desktop (look-ups stay within a desktop).
class Desktop
{
public:
    explicit Desktop(const std::string& options = "", const char* onDesktop = nullptr);
    ~Desktop();

    HWND Progman() const;
    HWND ListView() const;
    COLORREF TextColor() const;
    COLORREF TextBkColor() const;
    // Label colours as the shell's own look puts them back.
    void Reset() const;
    void Hang(DWORD ms, bool resetFirst = false) const;
    // One of the stand-in's counters (SHELL_RESET_COUNT, SHELL_REPAIR_COUNT, ...).
    LRESULT Ask(UINT message) const;
    // The watch's checks from the last read of the log until a while from
    // now: each asks for the label background first.
    int ChecksOver(DWORD ms);
    // The labels show the text colour on a transparent background.
    bool LabelsAre(COLORREF text) const;
    int ItemCount() const;
    void Close();
    // The list-view messages sent to it from other processes, and the
    // notification-icon requests its taskbar received, since the last call
    // (or since it started).
    std::vector<std::string> NewMessages();
    // Collects notification-icon requests until there are n of them.
    std::vector<std::string> TrayRequests(size_t n, DWORD timeoutMs = 3000);
    DWORD ProcessId() const { return m_process.Id(); }

private:
    std::string m_logPath;
    size_t m_logRead = 0;
    std::vector<std::string> m_tray;
    Process m_process;
};

// Twice what the watch makes in its own period over a while: fewer come at
// the period, even on a slow machine, and a burst brings more.
int TwicePeriodChecks(DWORD ms);

// A program's exit code and what it printed, run to its end on the test's
// desktop (STILL_ACTIVE, and ended, if it outlived the bound).
struct Output
{
    DWORD exitCode;
    std::string text;
};
Output RunToEnd(const std::string& commandLine, DWORD timeoutMs);
bool Has(const std::string& text, const std::string& part);

// Vireola.exe with an argument text.
class Vireola : public Process
{
public:
    explicit Vireola(const std::string& args = "");
};

// The test's desktop made the input desktop (InputOnOwnDesktop) for the
// moments that the dialog must come to the front, or that keys are pressed
// for real; a switch that does not hold fails the test there and then.
class OnInputDesktop : public InputOnOwnDesktop
{
public:
    OnInputDesktop();
};

// The program started with the switch on the stand-in shell: the dialog
// visible and in front, on the test's desktop made the input desktop.
struct Opened
{
    OnInputDesktop input;
    Desktop desktop;
    Vireola program{"/f"};

    explicit Opened(const std::string& shellOptions = "");
};

// The running program's settings dialog, or none.
HWND FindSettingsDialog();
// The dialog exists and has loaded its controls from the store.
bool DialogReady();
bool DialogVisible();
// Visible and the foreground window. Asked while the test's desktop is not
// the input desktop, where Windows has no foreground window to tell, it fails
// the test (under Wine as well, which tells one all the same).
bool DialogInFront();
HWND DialogItem(int id);
int ComboSelection();
int CheckState(int id);
void Click(int id);          // BN_CLICKED, sent as the control itself would
void SelectColor(int index); // as the user picks an entry: selection, then CBN_SELCHANGE

// Registry under HKCU\Software\Morvane\Vireola.
void DeleteAllSettings();
bool KeyExists(const char* subKey);
void SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size);
void SetDword(const char* section, const char* name, DWORD value);
// false when the value is missing
bool GetDword(const char* section, const char* name, DWORD& value);
std::vector<std::string> ValueNames(const char* section);

// A top-level window of the test's own, to take the activation away.
class OtherWindow
{
public:
    OtherWindow();
    ~OtherWindow();
    void Activate();
    HWND m_hWnd;
};

// Every test starts with no settings, no copy of the program and no shell.
class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
};

// Tests that run against both desktop views the stand-in can show, its own
// hand-made list view and the platform's view of the desktop folder (which
// nobody here wrote), each in both looks of the labels: the current one
// (shadowed white text on no background) and the classic one. The parameter
// is the stand-in's options for them.
class OnEveryView : public EndToEnd, public ::testing::WithParamInterface<std::string>
{
protected:
    std::string View(const std::string& moreOptions = "") const { return GetParam() + " " + moreOptions; }
    bool ClassicLook() const { return GetParam().find("--classic") != std::string::npos; }
};
std::string ViewName(const ::testing::TestParamInfo<std::string>& info);
#define INSTANTIATE_ON_EVERY_VIEW(suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(, suite,                                                                    \
                             ::testing::Values(std::string(), std::string("--classic"),                  \
                                               std::string("--shell-view"),                              \
                                               std::string("--shell-view --classic")),                   \
                             ViewName)
