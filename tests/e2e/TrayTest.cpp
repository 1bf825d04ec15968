// The notification-area icon, as the taskbar receives its requests.
#include "Harness.h"
#include "res/resource.h"
#include "ui/TrayIcon.h"

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

// The request without its size, and whether it carried an icon (an add's
// icon pixels make it larger than a delete).
std::string Request(const std::string& line)
{
    return line.substr(0, line.find(" bytes="));
}

size_t Bytes(const std::string& line)
{
    return std::stoul(line.substr(line.find(" bytes=") + 7));
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
    Desktop desktop{"--taskbar"};
    Vireola program;

    Resident()
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
    EXPECT_LT(Bytes(log[1]), Bytes(log[0]));

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
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    std::vector<std::string> log = r.desktop.TrayRequests(2);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(log[0], log[1]);
}

TEST_F(TrayIcon, ADoubleClickBringsUpTheDialogAndStopsTheWatch)
{
    Resident r;
    for (UINT mouse : {(UINT)WM_LBUTTONDOWN, (UINT)WM_LBUTTONUP, (UINT)WM_MOUSEMOVE, (UINT)WM_RBUTTONUP,
                       (UINT)WM_RBUTTONDBLCLK}) {
        EXPECT_EQ(0, Notify(mouse)) << mouse;
        EXPECT_FALSE(DialogVisible()) << mouse;
    }
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    EXPECT_TRUE(WaitFor(DialogInFront));
    r.desktop.Reset();
    EXPECT_FALSE(WaitFor([&] { return r.desktop.TextBkColor() == CLR_NONE; }, 600));

    // on the visible dialog while another window is in front, and the watch
    // runs: a double click brings it back and stops the watch again
    OtherWindow other;
    other.Activate();
    EXPECT_TRUE(WaitFor([&] { return r.desktop.LabelsAre(BLACK); }, 1000));
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    r.desktop.Reset();
    EXPECT_FALSE(WaitFor([&] { return r.desktop.TextBkColor() == CLR_NONE; }, 600));
}

} // namespace
