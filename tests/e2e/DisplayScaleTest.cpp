// The icons at the common display scales: each loaded at the size it is
// drawn at, in the notification area, the caption and the preview.
#include "Harness.h"
#include "tests/probe/ProbeClient.h"
#include "tests/support/Platform.h"

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

    ProbeClient probe(FindSettingsDialog());
    ASSERT_TRUE(probe.Hooked());
    EXPECT_EQ(SquareText(scale.smallIcon), probe.AskSize(PROBE_SMALL_ICON));
    EXPECT_EQ(SquareText(scale.largeIcon), probe.AskSize(PROBE_BIG_ICON));
    EXPECT_EQ(SquareText(scale.largeIcon), probe.AskSize(PROBE_PREVIEW_IMAGES));
}

INSTANTIATE_TEST_SUITE_P(CommonScales, DisplayScale, ::testing::ValuesIn(SCALES),
                         [](const ::testing::TestParamInfo<Scale>& info) {
                             return "Dpi" + std::to_string(info.param.dpi);
                         });

} // namespace
