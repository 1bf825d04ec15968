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

// Posted, as the user's click would come: the box runs a modal loop.
void PostClick(HWND hDlg, int id)
{
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(hDlg, id));
}

void OpenAboutBox()
{
    PostClick(FindSettingsDialog(), IDC_ABOUT);
    ASSERT_TRUE(WaitFor([] { return !ItemText(FindAboutBox(), IDC_VERSION_TEXT).empty(); }));
}

void CloseAboutBox(bool withEscape)
{
    HWND hAbout = FindAboutBox();
    if (withEscape) {
        HWND hOk = GetDlgItem(hAbout, IDOK);
        PostMessageA(hOk, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(hOk, WM_KEYUP, VK_ESCAPE, 0xC0000000);
    } else {
        PostClick(hAbout, IDOK);
    }
    EXPECT_TRUE(WaitFor([] { return FindAboutBox() == nullptr; }));
}

// The visible top-level windows of a process.
int VisibleWindows(DWORD processId)
{
    int count = 0;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        count += pid == processId && IsWindowVisible(h);
    }
    return count;
}

TEST_F(AboutBox, OpensFromTheSystemMenuEntryAndTheButton)
{
    Opened o;
    SelectColor(YELLOW_INDEX);

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
    // the settings dialog kept its state, and only one box was ever up
    EXPECT_TRUE(DialogVisible());
    EXPECT_EQ(YELLOW_INDEX, ComboSelection());
    EXPECT_EQ(1, VisibleWindows(o.program.Id()));
}

TEST_F(AboutBox, TheCloseCommandDoesNotOpenIt)
{
    Opened o;
    PostMessageA(FindSettingsDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([] { return !DialogVisible(); }));
    EXPECT_EQ(nullptr, FindAboutBox());
    EXPECT_TRUE(o.program.Running());
}

void PressKey(WORD vk)
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = vk;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(2u, SendInput(2, keys, sizeof keys[0]));
}

// No help file belongs to the program: F1 must not bring up anything. The
// key is pressed for real, so that the system turns it into a help request
// (on the input desktop, which the opened dialog's test desktop is); a key
// after it shows that the keys reach the dialog.
TEST_F(AboutBox, TheHelpKeyShowsNothing)
{
    Opened o;
    ASSERT_EQ(1, VisibleWindows(o.program.Id()));
    ASSERT_TRUE(WaitFor([] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(FindSettingsDialog(), nullptr), &info)
               && info.hwndFocus == DialogItem(IDC_TEXT_COLOR);
    }));
    int selection = ComboSelection();
    PressKey(VK_F1);
    EXPECT_FALSE(WaitFor([&] { return VisibleWindows(o.program.Id()) != 1; }, 500));
    EXPECT_TRUE(DialogVisible());
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return ComboSelection() == selection + 1; })) << "the keys never reached the dialog";
}

TEST_F(AboutBox, WhileItIsUpTheWatchRuns)
{
    Opened o;
    Click(IDC_APPLY);
    ASSERT_TRUE(o.desktop.LabelsAre(BLACK));
    OpenAboutBox();
    o.desktop.Reset();
    EXPECT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(BLACK); }, 1000));
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
    Opened o;
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_FONT)));
    EXPECT_FALSE(IsWindowEnabled(DialogItem(IDC_ALL_COLORS)));
    for (int id : {IDC_FONT, IDC_ALL_COLORS}) {
        SCOPED_TRACE(id);
        PostClick(FindSettingsDialog(), id);
        HWND hBox = nullptr;
        // shown once its initialisation is done
        ASSERT_TRUE(WaitFor([&] {
            hBox = FindWindowA("#32770", "Feature Not Implemented");
            return IsWindowVisible(hBox) != FALSE;
        }));
        EXPECT_EQ(FindSettingsDialog(), GetWindow(hBox, GW_OWNER));
        EXPECT_EQ("This feature is not implemented in the development version.\n\nNice try though.",
                  MessageBoxText(hBox));
        PostClick(hBox, IDOK);
        EXPECT_TRUE(WaitFor([] { return FindWindowA("#32770", "Feature Not Implemented") == nullptr; }));
    }
    EXPECT_EQ(3, ComboSelection());
    EXPECT_TRUE(ValueNames("Settings").empty());
    EXPECT_TRUE(DialogVisible());
}

} // namespace
