// The settings dialog as a screen reader and the keyboard meet it: every
// control has a name, the access keys are each used once, and Tab reaches
// every enabled control in reading order.
#include "Harness.h"
#include "color/ColorTable.h"
#include "res/resource.h"
#include <set>

namespace {

using ScreenReader = EndToEnd;

std::string ClassOf(HWND hWnd)
{
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hWnd)
{
    char text[256] = "";
    Send(hWnd, WM_GETTEXT, sizeof text, (LPARAM)text);
    return text;
}

// The letter after a single '&', or none.
char AccessKey(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return (char)toupper((unsigned char)text[i + 1]);
        ++i;
    }
    return 0;
}

std::string WithoutAccessKey(const std::string& text)
{
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        // "&&" stands for one '&'
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// Windows' accessibility names a list or an edit by the static control
// before it (searching back in the window order, which is the tab order, and
// stopping at a control that is both a group's start and a tab stop), and
// every other control by its own text. What counts as static is what answers
// WM_GETDLGCODE so, as the dialog manager asks: a group box does too.
HWND LabelOf(HWND hControl)
{
    for (HWND h = GetWindow(hControl, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) {
        if (Send(h, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)
            return h;
        if ((GetWindowLongA(h, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP))
            return nullptr;
    }
    return nullptr;
}

bool NamedByLabel(HWND hControl)
{
    std::string cls = ClassOf(hControl);
    return cls == "ComboBox" || cls == "Edit" || cls == "ListBox";
}

std::string NameOf(HWND hControl)
{
    if (!NamedByLabel(hControl))
        return WithoutAccessKey(TextOf(hControl));
    HWND hLabel = LabelOf(hControl);
    return hLabel ? WithoutAccessKey(TextOf(hLabel)) : "<no label>";
}

char AccessKeyOf(HWND hControl)
{
    HWND hLabel = NamedByLabel(hControl) ? LabelOf(hControl) : hControl;
    return hLabel ? AccessKey(TextOf(hLabel)) : 0;
}

struct Control
{
    int id;
    const char* cls;
    const char* name;
    char key;
};

// In window order, which is the tab order.
const Control CONTROLS[] = {
    {IDC_STATIC, "Static", "Text", 'T'},
    {IDC_TEXT_COLOR, "ComboBox", "Text", 'T'},
    {IDC_COLOR, "Button", "Color...", 'C'},
    {IDC_FONT, "Button", "Font...", 'F'},
    // a frame only: its caption is the label above
    {IDC_STATIC, "Button", "", 0},
    {IDC_ALL_COLORS, "Button", "Show Icons Using All Possible Colors", 'H'},
    {IDC_REAPPLY, "Button", "Re-Apply Settings When Necessary", 'R'},
    {IDC_TRAY_ICON, "Button", "Show In System Tray", 'S'},
    {IDC_RESTORE_WINDOWS_COLORS, "Button", "Restore Windows Colors", 'W'},
    {IDC_REMOVE_FROM_MEMORY, "Button", "Remove From Memory", 'M'},
    {IDC_ABOUT, "Button", "About...", 'B'},
    {IDOK, "Button", "OK", 0},
    {IDCANCEL, "Button", "Cancel", 0},
    {IDC_APPLY, "Button", "Apply", 'A'},
    {IDC_STATIC, "Static", "Preview", 0},
    {IDC_PREVIEW, "SysListView32", "Preview", 0},
};

std::string Row(int id, const std::string& cls, const std::string& name, char key)
{
    return std::to_string(id) + " " + cls + " \"" + name + "\" " + (key ? std::string(1, key) : "-");
}

TEST_F(ScreenReader, EveryControlHasANameAndTheAccessKeysAreEachUsedOnce)
{
    Opened o;
    ASSERT_TRUE(WaitFor(DialogReady));
    HWND hDlg = FindSettingsDialog();

    std::vector<std::string> expected, seen;
    for (const Control& c : CONTROLS)
        expected.push_back(Row(c.id, c.cls, c.name, c.key));
    std::multiset<char> keys;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        seen.push_back(Row((short)GetDlgCtrlID(h), ClassOf(h), NameOf(h), AccessKeyOf(h)));
        if (char key = AccessKey(TextOf(h)))
            keys.insert(key);
    }
    EXPECT_EQ(expected, seen);
    for (char key : keys)
        EXPECT_EQ(1u, keys.count(key)) << "access key " << key;
}

// Down the left column, then the About button beside it, then the row of
// OK, Cancel and Apply; the controls that are disabled are passed over.
TEST_F(ScreenReader, TabReachesEveryEnabledControlInReadingOrder)
{
    SetDword("Settings", "TextColorIndex", CUSTOM_TEXT_COLOR);
    Opened o;
    ASSERT_TRUE(WaitFor(DialogReady));
    HWND hDlg = FindSettingsDialog();

    const std::vector<int> expected = {IDC_TEXT_COLOR, IDC_COLOR, IDC_REAPPLY, IDC_TRAY_ICON,
                                       IDC_RESTORE_WINDOWS_COLORS, IDC_REMOVE_FROM_MEMORY, IDC_ABOUT,
                                       IDOK, IDCANCEL, IDC_APPLY};
    std::vector<int> reached;
    HWND hFirst = GetDlgItem(hDlg, IDC_TEXT_COLOR);
    HWND h = hFirst;
    do {
        reached.push_back(GetDlgCtrlID(h));
        h = GetNextDlgTabItem(hDlg, h, FALSE);
    } while (h && h != hFirst && reached.size() <= expected.size());
    EXPECT_EQ(expected, reached);
}

} // namespace
