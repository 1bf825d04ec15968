// The icons at the common display scales: each loaded at the size it is
// drawn at, in the notification area, the caption and the preview.
#include "Harness.h"
#include "tools/IconProbe.h"
#include "tools/Platform.h"
#include <map>

namespace {

// Every Wine process takes the display scale from here as it starts.
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const char LOG_PIXELS[] = "LogPixels";

struct Scale
{
    DWORD dpi;
    int smallIcon;   // SM_CXSMICON at that scale
    int largeIcon;   // SM_CXICON
};

const Scale SCALES[] = {{96, 16, 32}, {120, 20, 40}, {144, 24, 48}, {192, 32, 64}};

void PrintTo(const Scale& scale, std::ostream* os)
{
    *os << scale.dpi << " DPI";
}

// The scale the prefix had, or none; a test puts it back when it ends, for
// the tests that run after it.
class SavedScale
{
public:
    SavedScale()
    {
        DWORD type, size = sizeof m_dpi;
        RegCreateKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
        m_had = RegQueryValueExA(m_hKey, LOG_PIXELS, nullptr, &type, (BYTE*)&m_dpi, &size) == ERROR_SUCCESS;
    }
    ~SavedScale()
    {
        if (m_had)
            Set(m_dpi);
        else
            RegDeleteValueA(m_hKey, LOG_PIXELS);
        RegCloseKey(m_hKey);
    }
    void Set(DWORD dpi) { RegSetValueExA(m_hKey, LOG_PIXELS, 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi); }

private:
    HKEY m_hKey = nullptr;
    bool m_had = false;
    DWORD m_dpi = 0;
};

std::string SizeText(DWORD size)
{
    return std::to_string(LOWORD(size)) + "x" + std::to_string(HIWORD(size));
}

std::string SquareText(int side)
{
    return SizeText(MAKELONG(side, side));
}

// The icon size a tray request carried, as the stand-in taskbar logs it.
std::string TrayIconSize(const std::string& line)
{
    size_t at = line.find(" icon=");
    return at == std::string::npos ? "<none>" : line.substr(at + 6);
}

std::map<WPARAM, LPARAM> g_answers;

LRESULT CALLBACK AnswerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != RegisterWindowMessageA(PROBE_MESSAGE))
        return DefWindowProcA(hWnd, message, wParam, lParam);
    g_answers[wParam] = lParam;
    return 0;
}

// IconProbe.dll hooked into the thread of a running program's settings
// dialog, where it answers what only that process can see.
class Probe
{
public:
    explicit Probe(HWND hDlg) : m_hDlg(hDlg), m_hDll(LoadLibraryA(BinPath("IconProbe.dll").c_str()))
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AnswerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VireolaTestProbeAnswers";
        RegisterClassA(&wc);
        m_hAnswers = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                     nullptr);
        auto proc = (HOOKPROC)(void (*)())GetProcAddress(m_hDll, PROBE_HOOK_PROC);
        m_hHook = SetWindowsHookExA(WH_GETMESSAGE, proc, m_hDll, GetWindowThreadProcessId(hDlg, nullptr));
    }
    ~Probe()
    {
        UnhookWindowsHookEx(m_hHook);
        DestroyWindow(m_hAnswers);
        FreeLibrary(m_hDll);
    }
    bool Hooked() const { return m_hHook != nullptr; }
    std::string Ask(WPARAM question)
    {
        g_answers.erase(question);
        PostMessageA(m_hDlg, RegisterWindowMessageA(PROBE_MESSAGE), question, (LPARAM)m_hAnswers);
        if (!WaitFor([&] { return g_answers.count(question) != 0; }))
            return "<no answer>";
        return SizeText((DWORD)g_answers[question]);
    }

private:
    HWND m_hDlg;
    HMODULE m_hDll;
    HWND m_hAnswers = nullptr;
    HHOOK m_hHook = nullptr;
};

class DisplayScale : public EndToEnd, public ::testing::WithParamInterface<Scale>
{
};

TEST_P(DisplayScale, EveryIconIsLoadedAtTheSizeItIsDrawnAt)
{
    // Windows takes the scale at logon, not as each process starts
    if (!RunningOnWine())
        GTEST_SKIP() << "a process's display scale is set per process only under Wine, not on " << PlatformName();
    const Scale& scale = GetParam();
    SavedScale saved;
    saved.Set(scale.dpi);
    Desktop desktop("--taskbar");
    Vireola program("/f");
    // generous: a first start at another scale can be slow on a busy machine
    ASSERT_TRUE(WaitFor(DialogReady, 15000));

    std::vector<std::string> tray = desktop.TrayRequests(1);
    ASSERT_EQ(1u, tray.size());
    EXPECT_EQ(SquareText(scale.smallIcon), TrayIconSize(tray[0]));

    Probe probe(FindSettingsDialog());
    ASSERT_TRUE(probe.Hooked());
    EXPECT_EQ(SquareText(scale.smallIcon), probe.Ask(PROBE_SMALL_ICON));
    EXPECT_EQ(SquareText(scale.largeIcon), probe.Ask(PROBE_BIG_ICON));
    EXPECT_EQ(SquareText(scale.largeIcon), probe.Ask(PROBE_PREVIEW_IMAGES));
}

INSTANTIATE_TEST_SUITE_P(CommonScales, DisplayScale, ::testing::ValuesIn(SCALES),
                         [](const ::testing::TestParamInfo<Scale>& info) {
                             return "Dpi" + std::to_string(info.param.dpi);
                         });

} // namespace
