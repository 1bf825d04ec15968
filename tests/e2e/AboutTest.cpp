// The About box, its system-menu entry and the notice for the disabled controls.
#include "Harness.h"
#include "res/resource.h"

namespace {

using AboutBox = EndToEnd;

HWND FindAboutBox()
{
    return FindWindowA("#32770", "About...");
}

std::string ItemText(HWND hDlg, int id)
{
    char text[256] = "";
    GetDlgItemTextA(hDlg, id, text, sizeof text);
    return text;
}

void OpenedDialog(Desktop&, Vireola& program)
{
    program.Start("\"" + BinPath("Vireola.exe") + "\" /f");
    EXPECT_TRUE(WaitFor([] { return IsWindowVisible(FindSettingsDialog()) != FALSE; }));
}

void CloseAboutBox(bool withEscape)
{
    HWND hAbout = FindAboutBox();
    if (withEscape) {
        HWND hOk = GetDlgItem(hAbout, IDOK);
        PostMessageA(hOk, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(hOk, WM_KEYUP, VK_ESCAPE, 0xC0000000);
    } else {
        PostMessageA(hAbout, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(hAbout, IDOK));
    }
    EXPECT_TRUE(WaitFor([] { return FindAboutBox() == nullptr; }));
}

TEST_F(AboutBox, OpensFromTheSystemMenuEntryAndTheButton)
{
    Desktop desktop;
    Vireola program;
    OpenedDialog(desktop, program);
    SelectColor(18);

    struct Way { const char* what; UINT message; WPARAM wParam; bool escape; };
    const Way ways[] = {
        {"system command 16", WM_SYSCOMMAND, ID_SYSMENU_ABOUT, false},
        {"system command 31", WM_SYSCOMMAND, ID_SYSMENU_ABOUT + 15, true},
        {"the About button", WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), false},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        PostMessageA(FindSettingsDialog(), way.message, way.wParam,
                     way.message == WM_COMMAND ? (LPARAM)DialogItem(IDC_ABOUT) : 0);
        ASSERT_TRUE(WaitFor([] { return !ItemText(FindAboutBox(), IDC_VERSION_TEXT).empty(); }));
        HWND hAbout = FindAboutBox();
        EXPECT_EQ("Vireola 3.00.0001 (Development Version)", ItemText(hAbout, IDC_VERSION_TEXT));
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(hAbout, IDC_VERSION_TEXT), GWL_STYLE) & SS_LEFTNOWORDWRAP);
        EXPECT_EQ(FindSettingsDialog(), GetWindow(hAbout, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(FindSettingsDialog()));
        CloseAboutBox(way.escape);
        EXPECT_TRUE(IsWindowEnabled(FindSettingsDialog()));
    }
    // the settings dialog kept its state
    EXPECT_TRUE(IsWindowVisible(FindSettingsDialog()));
    EXPECT_EQ(18, ComboSelection());
}

TEST_F(AboutBox, TheCloseCommandDoesNotOpenIt)
{
    Desktop desktop;
    Vireola program;
    OpenedDialog(desktop, program);
    PostMessageA(FindSettingsDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([] { return !IsWindowVisible(FindSettingsDialog()); }));
    EXPECT_EQ(nullptr, FindAboutBox());
}

// No help file belongs to the program: F1 must not bring up anything.
TEST_F(AboutBox, TheHelpKeyShowsNothing)
{
    Desktop desktop;
    Vireola program;
    OpenedDialog(desktop, program);
    auto windows = [&] {
        int count = 0;
        for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            count += pid == program.Id() && IsWindowVisible(h);
        }
        return count;
    };
    int before = windows();
    HWND hFocus = DialogItem(IDC_TEXT_COLOR);
    PostMessageA(hFocus, WM_KEYDOWN, VK_F1, 0);
    PostMessageA(hFocus, WM_KEYUP, VK_F1, 0xC0000000);
    EXPECT_FALSE(WaitFor([&] { return windows() != before; }, 500));
    EXPECT_TRUE(IsWindowVisible(FindSettingsDialog()));
}

TEST_F(AboutBox, WhileItIsUpTheWatchRuns)
{
    Desktop desktop;
    Vireola program;
    OpenedDialog(desktop, program);
    PostMessageA(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), (LPARAM)DialogItem(IDC_ABOUT));
    ASSERT_TRUE(WaitFor([] { return FindAboutBox() != nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return desktop.TextBkColor() == CLR_NONE; }, 1000));
    CloseAboutBox(false);
}

// The text of a message box's static, whatever its id.
std::string MessageBoxText(HWND hBox)
{
    std::string found;
    for (HWND h = GetWindow(hBox, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        char cls[32], text[512];
        GetClassNameA(h, cls, sizeof cls);
        GetWindowTextA(h, text, sizeof text);
        if (!lstrcmpiA(cls, "Static") && text[0])
            found = text;
    }
    return found;
}

TEST_F(AboutBox, TheDisabledControlsAnswerWithTheNotice)
{
    Desktop desktop;
    Vireola program;
    OpenedDialog(desktop, program);
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_FONT)));
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_ALL_COLORS)));
    for (int id : {IDC_FONT, IDC_ALL_COLORS}) {
        SCOPED_TRACE(id);
        PostMessageA(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)DialogItem(id));
        HWND hBox = nullptr;
        // shown once its initialisation is done
        ASSERT_TRUE(WaitFor([&] {
            hBox = FindWindowA("#32770", "Feature Not Implemented");
            return IsWindowVisible(hBox) != FALSE;
        }));
        EXPECT_EQ("This feature is not implemented in the development version.\n\nNice try though.",
                  MessageBoxText(hBox));
        PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(hBox, IDOK));
        EXPECT_TRUE(WaitFor([] { return FindWindowA("#32770", "Feature Not Implemented") == nullptr; }));
    }
    EXPECT_EQ(3, ComboSelection());
    EXPECT_TRUE(ValueNames("Settings").empty());
    EXPECT_TRUE(IsWindowVisible(FindSettingsDialog()));
}

} // namespace
