// Vireola on a real desktop: finds the shell's icon view as the program does,
// prints the shell's own label colours and the view's styles before anything
// runs, where the labels and the wallpaper are read from, and which events the view raises when the shell fills it again (on
// F5, and with "Show desktop icons" turned off and on) with their timing
// against the shell's reset of the label colours; then starts Vireola.exe
// silently with "Re-Apply Settings When Necessary" on, checks that the labels
// take the chosen colour on a transparent background, prints the DPI and
// font face of the program's dialog as Windows made them, resets the labels
// as the shell does, broadcasts a real WM_SETTINGCHANGE and checks that the
// program puts them back, ends the program with "Remove From Memory", and
// puts the shell's colours and the user's settings back exactly as they
// were. The desktop's labels change colour, and its icons go and come back,
// for a few seconds. F5 must raise the view's EVENT_OBJECT_REORDER: the
// program hears of the shell's refills by nothing else.
//
//   --program PATH   the program to check (default: Vireola.exe beside this one)
//   --timeout MS     how long each wait may take (default 10000)
//
// Prints a table of what it saw. Exit code 0 when every check passed, 1 when
// one failed, 2 when it could not run (no desktop view, a copy of the program
// already running, the program missing).
#include "RefillTiming.h"
#include "WallpaperFacts.h"
#include "color/ColorTable.h"
#include "framework/NewerWindows.h"
#include "shell/FolderView.h"
#include "shell/DesktopView.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "tests/probe/ProbeClient.h"
#include "tests/support/Launch.h"
#include "tests/support/Platform.h"
#include "tests/support/RegistrySnapshot.h"
#include "tests/support/ViewState.h"
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

enum { EXIT_PASSED = 0, EXIT_FAILED = 1, EXIT_NOT_RUN = 2 };

const char COMPANY_KEY[] = "Software\\Morvane";
const char SETTINGS_KEY[] = "Software\\Morvane\\Vireola\\" SETTINGS_SECTION;
const DWORD BROADCAST_TIMEOUT_MS = 5000;
const DWORD CLICK_TIMEOUT_MS = 5000;
// the two entries tried, so that the chosen colour is never the shell's own
const int RED_INDEX = 16, YELLOW_INDEX = 18;

struct Options
{
    std::string program = BinPath("Vireola.exe");
    DWORD timeoutMs = 10000;
};

struct Row
{
    std::string step;
    ViewState view;
    long ms;            // -1: not timed
    std::string result; // "fact", "ok", "FAILED", ...
};

class Table
{
public:
    void Add(const std::string& step, const ViewState& view, long ms, const std::string& result)
    {
        m_rows.push_back({step, view, ms, result});
        if (result == "FAILED")
            m_failed = true;
        printf("  %s: %s\n", step.c_str(), result.c_str());
        fflush(stdout);
    }
    void Check(const std::string& step, const ViewState& view, long ms, bool passed)
    {
        Add(step, view, ms, passed ? "ok" : "FAILED");
    }
    bool Failed() const { return m_failed; }
    void Print() const
    {
        printf("\n%-44s %-9s %-9s %-9s %8s  %s\n", "step", "text", "text bk", "bk", "ms", "result");
        for (const Row& r : m_rows) {
            char ms[16] = "";
            if (r.ms >= 0)
                snprintf(ms, sizeof ms, "%ld", r.ms);
            printf("%-44s %-9s %-9s %-9s %8s  %s\n", r.step.c_str(), Cell(r.view, r.view.text).c_str(),
                   Cell(r.view, r.view.textBk).c_str(), Cell(r.view, r.view.bk).c_str(), ms, r.result.c_str());
        }
        fflush(stdout);
    }

private:
    // CLR_NONE and CLR_INVALID are the same value: a row without a reading shows "-"
    static std::string Cell(const ViewState& view, COLORREF color)
    {
        return view.answered ? ColorText(color) : "-";
    }

    std::vector<Row> m_rows;
    bool m_failed = false;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--program") && i + 1 < argc)
            options.program = argv[++i];
        else if (!strcmp(argv[i], "--timeout") && i + 1 < argc)
            options.timeoutMs = strtoul(argv[++i], nullptr, 10);
        else
            return false;
    }
    return true;
}

std::string ClassName(HWND hWnd)
{
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

// The facts the project had none of before a run on a real shell.
void PrintViewFacts(HWND hView)
{
    std::string path = ClassName(hView);
    for (HWND h = GetParent(hView); h; h = GetParent(h))
        path = ClassName(h) + " > " + path;
    DWORD pid = 0;
    GetWindowThreadProcessId(hView, &pid);
    DWORD_PTR items = 0;
    SendMessageTimeoutA(hView, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, VIEW_TIMEOUT_MS, &items);
    printf("desktop view: %s (window %p, shell process %lu, %lu items, %s)\n", path.c_str(), (void*)hView,
           (unsigned long)pid, (unsigned long)items, IsWindowVisible(hView) ? "visible" : "hidden");
    printf("window style 0x%08lX, extended window style 0x%08lX\n",
           (unsigned long)GetWindowLongA(hView, GWL_STYLE), (unsigned long)GetWindowLongA(hView, GWL_EXSTYLE));
    printf("system desktop colour %s\n", ColorText(GetSysColor(COLOR_DESKTOP)).c_str());
    fflush(stdout);
}

// The first labels where the program reads them, beside the items as
// accessibility has them and the folder view's icon size and spacing.
void PrintLabelFacts(HWND hView)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);   // for the rest of the run
    HeapArray<RECT> labels;
    ViewShape shape;
    ReadLabels(hView, labels, shape);
    ViewGeometry view = {{}, 0, {}, {}, 96, false};
    ReadFolderView(hView, view, nullptr, nullptr);
    printf("folder view's icons %ld, spacing %ld x %ld (0: none); the view's DPI %u, this process's %u\n",
           view.icon.cx, view.spacing.cx, view.spacing.cy, Newer::GetDpiForWindow(hView), Newer::GetDpiForWindow(nullptr));
    IAccessible* pAccessible = nullptr;
    Newer::AccessibleObjectFromWindow(hView, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&pAccessible);
    for (int i = 0; i < labels.Count() && i < 5; ++i) {
        long x = 0, y = 0, cx = 0, cy = 0;
        VARIANT child = {{{VT_I4, 0, 0, 0, {i + 1}}}};
        if (pAccessible)
            pAccessible->accLocation(&x, &y, &cx, &cy, child);
        printf("item %d: label read at (%ld, %ld)-(%ld, %ld); accessibility's item at (%ld, %ld), %ld x %ld\n", i,
               labels[i].left, labels[i].top, labels[i].right, labels[i].bottom, x, y, cx, cy);
    }
    if (pAccessible)
        pAccessible->Release();
}

// A running copy would take this start for a second one and only show itself.
bool CopyRunning()
{
    for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, "#32770", "Vireola")) != nullptr;)
        if (GetDlgItem(h, IDC_REMOVE_FROM_MEMORY))
            return true;
    return false;
}

bool WriteSettings(int index)
{
    HKEY hKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr)
        != ERROR_SUCCESS)
        return false;
    DWORD on = 1, color = (DWORD)index;
    bool ok = RegSetValueExA(hKey, TEXT_COLOR_INDEX_VALUE, 0, REG_DWORD, (const BYTE*)&color, sizeof color)
                  == ERROR_SUCCESS
              && RegSetValueExA(hKey, REAPPLY_VALUE, 0, REG_DWORD, (const BYTE*)&on, sizeof on) == ERROR_SUCCESS;
    RegCloseKey(hKey);
    return ok;
}

// The program's settings dialog, hidden while it stays resident.
HWND ProgramDialog(DWORD pid)
{
    for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, "#32770", "Vireola")) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid && GetDlgItem(h, IDC_REMOVE_FROM_MEMORY))
            return h;
    }
    return nullptr;
}

// As a click on "Remove From Memory" reports itself to the dialog.
bool RemoveFromMemory(HWND hDlg)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_REMOVE_FROM_MEMORY, BN_CLICKED),
                               (LPARAM)GetDlgItem(hDlg, IDC_REMOVE_FROM_MEMORY), SMTO_ABORTIFHUNG,
                               CLICK_TIMEOUT_MS, &result)
           != 0;
}

class Stopwatch
{
public:
    Stopwatch() : m_start(GetTickCount()) {}
    long Ms() const { return (long)(GetTickCount() - m_start); }

private:
    DWORD m_start;
};

// The steps with the program running; false stops the sequence early.
struct Check
{
    const Options& options;
    Table& table;
    const ViewState& shell;
    COLORREF wanted;

    ViewState Now() const { return ReadView(FindDesktopListView()); }
    bool Applied(ViewState& seen) const
    {
        seen = Now();
        return seen.answered && seen.textBk == CLR_NONE && seen.text == wanted;
    }

    bool ColoursApplied() const
    {
        ViewState seen;
        Stopwatch clock;
        bool applied = WaitFor([&] { return Applied(seen); }, options.timeoutMs);
        table.Check("labels take the colour on no background", seen, clock.Ms(), applied);
        return applied;
    }

    bool BackAfterABroadcast() const
    {
        WriteView(FindDesktopListView(), shell);
        table.Add("reset to the shell's look, as it does", Now(), -1, "done");
        Stopwatch clock;
        DWORD_PTR result;
        SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                            BROADCAST_TIMEOUT_MS, &result);
        table.Add("WM_SETTINGCHANGE to every top-level window", Now(), clock.Ms(), "sent");
        ViewState seen;
        bool back = WaitFor([&] { return Applied(seen); }, options.timeoutMs);
        table.Check("labels back after the broadcast", seen, clock.Ms(), back);
        return back;
    }
};

// Explorer's command for its "Show desktop icons" menu entry, sent to its
// "SHELLDLL_DefView": not documented, and the one way to toggle them from
// another program.
const WPARAM SHOW_DESKTOP_ICONS_COMMAND = 0x7402;
const DWORD REFILL_WATCH_MS = 2000;

void PrintRefillTiming(const char* what, const RefillTiming& timing)
{
    printf("%s:", what);
    if (!timing.listened)
        printf(" its events could not be listened to;");
    if (timing.events.empty())
        printf(" no object events;");
    for (const ViewEvent& e : timing.events)
        printf("\n  %s from %s at %+.1f ms", EventName(e.event).c_str(), e.window.c_str(), e.ms);
    if (timing.resetMs < 0)
        printf("\n  label colours not reset within %lu ms\n", (unsigned long)REFILL_WATCH_MS);
    else
        printf("\n  label colours reset at %+.1f ms\n", timing.resetMs);
    fflush(stdout);
}

// What the shell raises when it fills its view again, and when it resets
// the label colours against that: on F5 on the desktop, and when "Show
// desktop icons" is turned off and on again (which makes the view anew).
// The program hears a refill only by the view's EVENT_OBJECT_REORDER.
void PrintRefillFacts(COLORREF marker, Table& table)
{
    auto pressF5 = [] {
        HWND hView = FindDesktopListView();
        PostMessageA(hView, WM_KEYDOWN, VK_F5, 0x003F0001);
        PostMessageA(hView, WM_KEYUP, VK_F5, 0xC03F0001);
    };
    auto toggleIcons = [] {
        PostMessageA(GetParent(FindDesktopListView()), WM_COMMAND, SHOW_DESKTOP_ICONS_COMMAND, 0);
    };
    RefillTiming f5 = TimeRefill(FindDesktopListView(), marker, pressF5, REFILL_WATCH_MS);
    PrintRefillTiming("refill on F5", f5);
    bool heard = false;
    for (const ViewEvent& e : f5.events)
        heard = heard || (e.event == EVENT_OBJECT_REORDER && e.window == "the view");
    table.Check("F5: EVENT_OBJECT_REORDER from the view", ViewState{}, -1, heard);
    PrintRefillTiming("\"Show desktop icons\" off",
                      TimeRefill(FindDesktopListView(), marker, toggleIcons, REFILL_WATCH_MS));
    PrintRefillTiming("\"Show desktop icons\" on again",
                      TimeRefill(FindDesktopListView(), marker, toggleIcons, REFILL_WATCH_MS));
}

// What Windows made of the dialog on this display: its DPI (its monitor's,
// for a per-monitor aware window) and the face that "MS Shell Dlg" maps to.
void PrintDialogFacts(DWORD pid, const Options& options)
{
    // the program colours the labels first, then makes its dialog
    HWND hDlg = nullptr;
    WaitFor([&] { return (hDlg = ProgramDialog(pid)) != nullptr; }, options.timeoutMs);
    ProbeClient probe(hDlg);
    LPARAM dpi = 0;
    if (!probe.Hooked() || !probe.Ask(PROBE_DPI, dpi)) {
        puts("settings dialog: not measured (no dialog, or IconProbe.dll could not be hooked into it)");
        return;
    }
    printf("settings dialog: %u DPI, font \"%s\"\n", (unsigned)dpi, probe.AskText(PROBE_FONT_FACE).c_str());
    fflush(stdout);
}

void EndProgram(Process& program, Table& table, const Options& options)
{
    Stopwatch clock;
    HWND hDlg = ProgramDialog(program.Id());
    bool clicked = hDlg && RemoveFromMemory(hDlg);
    DWORD code = clicked ? program.Wait(options.timeoutMs) : STILL_ACTIVE;
    ViewState unread = {};
    table.Check("program ended by Remove From Memory", unread, clock.Ms(), code == 0);
    program.Kill();
}

int Run(const Options& options)
{
    printf("Vireola on the desktop of %s\n", PlatformName());
    HWND hView = FindDesktopListView();
    if (!hView) {
        puts("no desktop icon view: no \"Progman\" titled \"Program Manager\" with a \"SHELLDLL_DefView\" "
             "(nor one under a \"WorkerW\") holding a \"SysListView32\"");
        return EXIT_NOT_RUN;
    }
    if (CopyRunning()) {
        puts("a copy of Vireola is running already: end it (Remove From Memory) and run the check again");
        return EXIT_NOT_RUN;
    }
    if (GetFileAttributesA(options.program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        printf("no program at %s\n", options.program.c_str());
        return EXIT_NOT_RUN;
    }
    PrintViewFacts(hView);
    PrintLabelFacts(hView);
    PrintWallpaperFacts();
    PrintEvaluationFacts();
    const ViewState shell = ReadView(hView);
    if (!shell.answered) {
        puts("the desktop view did not answer");
        return EXIT_NOT_RUN;
    }
    printf("the view's extended list-view style 0x%08lX: %s\n", (unsigned long)shell.exStyle,
           ExtendedStyleNames(shell.exStyle).c_str());

    Table table;
    table.Add("the shell's own look", shell, -1, "fact");
    int index = shell.text == g_ColorTemplate.entry[RED_INDEX].color ? YELLOW_INDEX : RED_INDEX;
    const COLORREF wanted = g_ColorTemplate.entry[index].color;
    printf("colour chosen: %s, entry %d (%s)\n", ColorText(wanted).c_str(), index, g_ColorTemplate.entry[index].name);

    PrintRefillFacts(wanted, table);
    WriteView(FindDesktopListView(), shell);

    RegistrySnapshot userSettings(HKEY_CURRENT_USER, COMPANY_KEY);
    if (WriteSettings(index)) {
        Process program;
        if (program.Start("\"" + options.program + "\"")) {
            Check check = {options, table, shell, wanted};
            if (check.ColoursApplied()) {
                PrintDialogFacts(program.Id(), options);
                check.BackAfterABroadcast();
            }
            EndProgram(program, table, options);
        } else {
            table.Add("program started", shell, -1, "FAILED");
        }
    } else {
        table.Add("settings written", shell, -1, "FAILED");
    }

    // what the shell and the user had, whatever happened above
    hView = FindDesktopListView();
    WriteView(hView, shell);
    ViewState restored = ReadView(hView);
    table.Check("the shell's look put back", restored, -1, SameColours(restored, shell));
    bool settingsBack = userSettings.Restore()
                        && RegistrySnapshot(HKEY_CURRENT_USER, COMPANY_KEY).Text() == userSettings.Text();
    table.Check(userSettings.Existed() ? "the user's settings put back" : "no settings left behind", restored, -1,
                settingsBack);
    table.Print();
    printf("\n%s\n", table.Failed() ? "FAILED" : "passed");
    return table.Failed() ? EXIT_FAILED : EXIT_PASSED;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        puts("usage: RealDesktopCheck [--program PATH] [--timeout MS]");
        return EXIT_NOT_RUN;
    }
    return Run(options);
}
