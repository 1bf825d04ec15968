// The notification-area icon, as the taskbar receives its requests.
#include "Harness.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Platform.h"
#include "ui/TrayIcon.h"
#include "ui/VireolaDlg.h"
#include <shellapi.h>
#include <cstring>

namespace {

using TrayIcon = EndToEnd;

// Requests as the stand-in taskbar logs them, for the settings dialog's window.
std::string AddRequest(HWND hDlg)
{
    return "TRAY 0 hwnd=" + std::to_string((DWORD)(UINT_PTR)hDlg) + " id=1 flags=7 callback=0x8064 tip=\"Vireola\"";
}

std::string DeleteRequest(HWND hDlg)
{
    return "TRAY 2 hwnd=" + std::to_string((DWORD)(UINT_PTR)hDlg) + " id=1 flags=7 callback=0x8064 tip=\"\"";
}

// The request without its size, and the icon it carried ("" for none): Wine
// sends the icon's pixels, Windows its handle, and the taskbar measures either.
std::string Request(const std::string& line)
{
    return line.substr(0, line.find(" bytes="));
}

std::string Icon(const std::string& line)
{
    size_t at = line.find(" icon=");
    return at == std::string::npos ? "" : line.substr(at + 6, line.find(' ', at + 6) - at - 6);
}

// Which platform's record the taskbar read, said in the test's output.
std::string Layout(const std::string& line)
{
    size_t at = line.find(" layout=");
    return at == std::string::npos ? "" : line.substr(at + 8, line.find(' ', at + 8) - at - 8);
}

std::string SmallIconSize()
{
    return std::to_string(GetSystemMetrics(SM_CXSMICON)) + "x" + std::to_string(GetSystemMetrics(SM_CYSMICON));
}

LRESULT Notify(UINT mouseMessage)
{
    DWORD_PTR result = 99;
    SendMessageTimeoutA(FindSettingsDialog(), WM_TRAYNOTIFY, 1, mouseMessage, SMTO_NORMAL, 5000, &result);
    return (LRESULT)result;
}

// A resident program on a desktop whose taskbar logs icon requests.
struct Resident
{
    Desktop desktop;
    Vireola program;

    explicit Resident(const std::string& taskbarOptions = "") : desktop("--taskbar " + taskbarOptions)
    {
        EXPECT_TRUE(WaitFor(DialogReady));
    }
    void Show()
    {
        Vireola second;
        EXPECT_EQ(0u, second.Wait());
        EXPECT_TRUE(WaitFor(DialogVisible));
    }
};

TEST_F(TrayIcon, TheStandInTaskbarIsTheOneThatGetsTheRequests)
{
    Desktop desktop("--taskbar");
    DWORD pid = 0;
    GetWindowThreadProcessId(FindWindowA("Shell_TrayWnd", nullptr), &pid);
    EXPECT_EQ(desktop.ProcessId(), pid);
}

TEST_F(TrayIcon, FollowsTheBoxWhenTheSettingsAreApplied)
{
    Resident r;
    HWND hDlg = FindSettingsDialog();
    std::vector<std::string> log = r.desktop.TrayRequests(1);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(AddRequest(hDlg), Request(log[0]));

    r.Show();
    Send(DialogItem(IDC_TRAY_ICON), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(IDC_APPLY);
    log = r.desktop.TrayRequests(2);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(DeleteRequest(hDlg), Request(log[1]));
    std::printf("taskbar record: %s layout%s\n", Layout(log[0]).c_str(),
                Layout(log[0]) == "windows" ? " (undocumented: read up to the tip, nothing after it)" : "");
    EXPECT_EQ(SmallIconSize(), Icon(log[0])) << log[0];
    EXPECT_EQ("", Icon(log[1])) << log[1];

    Click(IDC_APPLY);
    Send(DialogItem(IDC_TRAY_ICON), BM_SETCHECK, BST_CHECKED, 0);
    Click(IDC_APPLY);
    Click(IDC_APPLY);
    log = r.desktop.TrayRequests(4, 500);
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(log[0], log[2]);   // the same icon, the same tip

    Click(IDC_REMOVE_FROM_MEMORY);
    EXPECT_EQ(0u, r.program.Wait());
    log = r.desktop.TrayRequests(4);
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(DeleteRequest(hDlg), Request(log[3]));
}

TEST_F(TrayIcon, IsNotAddedWhenSwitchedOffAndNotDeletedWhenAbsent)
{
    SetDword("Settings", "TrayIcon", 0);
    Resident r;
    r.Show();
    Click(IDC_REMOVE_FROM_MEMORY);
    EXPECT_EQ(0u, r.program.Wait());
    EXPECT_TRUE(r.desktop.TrayRequests(1, 300).empty());
}

TEST_F(TrayIcon, ComesBackWhenTheTaskbarIsMadeAgain)
{
    Resident r;
    ASSERT_EQ(1u, r.desktop.TrayRequests(1).size());
    Send(r.desktop.Progman(), SHELL_NEW_TASKBAR, 0, 0);
    std::vector<std::string> log = r.desktop.TrayRequests(2);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(log[0], log[1]);
}

bool EndsWith(const std::string& line, const std::string& end)
{
    return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
}

std::string ModifyRequest(HWND hDlg)
{
    return "TRAY 1" + AddRequest(hDlg).substr(6);
}

// At logon the taskbar may not be ready for the icon when the program starts.
// Each refused add is told from an icon the taskbar has already by asking
// for a change to it, which fails too.
TEST_F(TrayIcon, AnIconTheTaskbarRefusesIsAskedForAgain)
{
    Resident r("--tray-refuse 2");
    std::vector<std::string> log = r.desktop.TrayRequests(5, 5000);
    ASSERT_EQ(5u, log.size());
    HWND hDlg = FindSettingsDialog();
    for (int i : {0, 2}) {
        EXPECT_EQ(AddRequest(hDlg), Request(log[i]));
        EXPECT_TRUE(EndsWith(log[i], " refused")) << log[i];
        EXPECT_EQ(ModifyRequest(hDlg), Request(log[i + 1]));
        EXPECT_TRUE(EndsWith(log[i + 1], " unknown")) << log[i + 1];
    }
    EXPECT_EQ(AddRequest(hDlg), Request(log[4]));
    EXPECT_FALSE(EndsWith(log[4], " refused") || EndsWith(log[4], " duplicate")) << log[4];
    // taken: no more requests
    EXPECT_EQ(5u, r.desktop.TrayRequests(6, 2 * RETRY_MS).size());
}

// A busy taskbar's add may time out and be made all the same: the taskbar
// then refuses every further add as a duplicate, but has the icon.
TEST_F(TrayIcon, AnAddThatWasMadeThoughAnsweredRefusedIsNotMadeAgain)
{
    Resident r("--tray-lost-adds 1");
    std::vector<std::string> log = r.desktop.TrayRequests(3, 2 * RETRY_MS + 500);
    ASSERT_EQ(2u, log.size()) << log.back();
    HWND hDlg = FindSettingsDialog();
    EXPECT_EQ(AddRequest(hDlg), Request(log[0]));
    EXPECT_TRUE(EndsWith(log[0], " added but answered refused")) << log[0];
    EXPECT_EQ(ModifyRequest(hDlg), Request(log[1]));
    EXPECT_FALSE(EndsWith(log[1], " unknown")) << log[1];
}

TEST_F(TrayIcon, ClearingTheBoxStopsAskingForARefusedIcon)
{
    Resident r("--tray-refuse 100");
    ASSERT_EQ(2u, r.desktop.TrayRequests(2, 5000).size());
    r.Show();
    Send(DialogItem(IDC_TRAY_ICON), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(IDC_APPLY);
    std::vector<std::string> log = r.desktop.TrayRequests(100, 2 * RETRY_MS + 500);
    EXPECT_EQ(0u, log.back().find("TRAY 2 ")) << log.back();
}

TEST_F(TrayIcon, ADoubleClickBringsUpTheDialogAndStopsTheWatch)
{
    OnInputDesktop input;
    Resident r;
    for (UINT mouse : {(UINT)WM_LBUTTONDOWN, (UINT)WM_LBUTTONUP, (UINT)WM_MOUSEMOVE, (UINT)WM_RBUTTONUP,
                       (UINT)WM_RBUTTONDBLCLK}) {
        EXPECT_EQ(0, Notify(mouse)) << mouse;
        EXPECT_FALSE(DialogVisible()) << mouse;
    }
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    EXPECT_TRUE(WaitFor(DialogInFront));
    r.desktop.Reset();
    EXPECT_FALSE(WaitFor([&] { return r.desktop.LabelsAre(BLACK); }, 600));

    // on the visible dialog while another window is in front, and the watch
    // runs: a double click brings it to the front again
    OtherWindow other;
    other.Activate();
    ASSERT_TRUE(WaitFor([] { return !DialogInFront(); }));
    EXPECT_TRUE(WaitFor([&] { return r.desktop.LabelsAre(BLACK); }, 1000));
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    EXPECT_TRUE(WaitFor(DialogInFront));
    r.desktop.Reset();
    EXPECT_FALSE(WaitFor([&] { return r.desktop.LabelsAre(BLACK); }, 600));
}

// What Windows' shell32 sends (TrayRecord.h), put together byte by byte at
// the offsets every reading of it agrees on, as Windows would send it to the
// stand-in. An icon handle of another process can be measured on Windows;
// Wine keeps an icon's image in the process that made it.
TEST_F(TrayIcon, TheStandInTaskbarReadsTheRecordWindowsSends)
{
    Desktop desktop("--taskbar");
    BYTE record[964] = {};
    auto put = [&](size_t offset, DWORD value) { std::memcpy(record + offset, &value, sizeof value); };
    put(0, 0x34753423);   // the signature
    put(4, NIM_ADD);
    put(8, 956);          // cbSize of the 32-bit NOTIFYICONDATAW
    put(12, 0x1234);      // hWnd
    put(16, 7);           // uID
    put(20, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    put(24, 0x8064);      // uCallbackMessage
    put(28, (DWORD)(UINT_PTR)LoadIconA(nullptr, IDI_APPLICATION));
    std::memcpy(record + 32, L"Vireola", sizeof L"Vireola");
    COPYDATASTRUCT cds = {1, sizeof record, record};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(FindWindowA("Shell_TrayWnd", nullptr), WM_COPYDATA, 0, (LPARAM)&cds, SMTO_NORMAL, 5000,
                        &result);

    std::vector<std::string> log = desktop.TrayRequests(1);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("TRAY 0 hwnd=4660 id=7 flags=7 callback=0x8064 tip=\"Vireola\"", Request(log[0]));
    EXPECT_EQ("windows", Layout(log[0]));
    std::string large = std::to_string(GetSystemMetrics(SM_CXICON)) + "x" + std::to_string(GetSystemMetrics(SM_CYICON));
    std::printf("icon of another process: %s on %s\n", Icon(log[0]).empty() ? "not measurable" : "measured",
                PlatformName());
    EXPECT_EQ(RunningOnWine() ? "" : large, Icon(log[0]));
}

} // namespace
