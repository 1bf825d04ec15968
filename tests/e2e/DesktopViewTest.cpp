// The messages the program sends to the shell's desktop icon view.
#include "Harness.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"
#include <algorithm>

namespace {

using DesktopView = EndToEnd;
using DesktopViewOnEveryView = OnEveryView;
INSTANTIATE_ON_EVERY_VIEW(DesktopViewOnEveryView);

std::vector<std::string> Apply(COLORREF text, int items)
{
    return {"SETTEXTBKCOLOR 0 -1", "SETTEXTCOLOR 0 " + std::to_string(text), "GETITEMCOUNT 0 0",
            "REDRAWITEMS 0 " + std::to_string(items - 1)};
}

// Waits until the log holds at least n messages, and returns them.
std::vector<std::string> Collect(Desktop& desktop, std::vector<std::string>& log, size_t n)
{
    WaitFor([&] {
        for (const std::string& m : desktop.NewMessages())
            log.push_back(m);
        return log.size() >= n;
    });
    return log;
}

// The first n messages of a log, or all of it if it is shorter.
std::vector<std::string> First(const std::vector<std::string>& log, size_t n)
{
    return std::vector<std::string>(log.begin(), log.begin() + std::min(n, log.size()));
}

// A resident program that has applied black to an 8-icon desktop.
struct Resident
{
    Desktop desktop;
    Vireola program;
    std::vector<std::string> log;

    Resident(const std::string& shellOptions = "") : desktop(shellOptions)
    {
        Collect(desktop, log, 4);
        EXPECT_EQ(Apply(BLACK, 8), First(log, 4));
        log.erase(log.begin(), log.begin() + std::min<size_t>(4, log.size()));
    }
};

TEST_F(DesktopView, ATickThatFindsTheColoursInPlaceOnlyAsks)
{
    Resident r;
    ASSERT_GE(Collect(r.desktop, r.log, 10).size(), 10u);
    for (size_t i = 0; i + 1 < r.log.size(); i += 2) {
        EXPECT_EQ("GETTEXTBKCOLOR 0 0", r.log[i]);
        EXPECT_EQ("GETTEXTCOLOR 0 0", r.log[i + 1]);
    }
}

TEST_F(DesktopView, ATickReappliesAnOpaqueBackgroundWithoutAskingForTheText)
{
    Resident r("--classic");
    r.desktop.Reset();
    r.log.clear();
    r.desktop.NewMessages();
    std::vector<std::string> log;
    ASSERT_FALSE(Collect(r.desktop, log, 5).empty());
    std::vector<std::string> expected = {"GETTEXTBKCOLOR 0 0"};
    for (const std::string& m : Apply(BLACK, 8))
        expected.push_back(m);
    // the reset may have come between the two queries of a tick
    if (log[0] == "GETTEXTCOLOR 0 0")
        log.erase(log.begin());
    EXPECT_EQ(expected, First(Collect(r.desktop, log, 5), 5));
    EXPECT_TRUE(r.desktop.LabelsAre(BLACK));
}

TEST_F(DesktopView, ATickReappliesAChangedTextColourOnATransparentBackground)
{
    Resident r;
    const std::string testsOwnSet = "SETTEXTCOLOR 0 " + std::to_string(RGB(1, 2, 3));
    Send(r.desktop.ListView(), LVM_SETTEXTCOLOR, 0, RGB(1, 2, 3));
    WaitFor([&] {
        for (const std::string& m : r.desktop.NewMessages())
            if (m != testsOwnSet)
                r.log.push_back(m);
        return std::find(r.log.begin(), r.log.end(), "REDRAWITEMS 0 7") != r.log.end();
    });
    // the tick that saw the wrong colour: both queries, then the whole apply
    std::vector<std::string> expected = {"GETTEXTBKCOLOR 0 0", "GETTEXTCOLOR 0 0"};
    for (const std::string& m : Apply(BLACK, 8))
        expected.push_back(m);
    auto set = std::find(r.log.begin(), r.log.end(), "SETTEXTBKCOLOR 0 -1");
    ASSERT_NE(r.log.end(), set);
    ASSERT_GE(set - r.log.begin(), 2);
    EXPECT_EQ(expected, std::vector<std::string>(set - 2, std::min(set + 4, r.log.end())));
    EXPECT_TRUE(WaitFor([&] { return r.desktop.TextColor() == BLACK; }));
}

TEST_F(DesktopView, AnEmptyViewGetsBothColoursAndNoItemIsRedrawn)
{
    SetDword("Settings", "ReApply", 0);
    Desktop desktop("--items 0");
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    EXPECT_EQ(Apply(BLACK, 0), desktop.NewMessages());
}

// The shell repaints the marked labels itself as soon as it is idle; the
// program never waits for its painting.
TEST_P(DesktopViewOnEveryView, TheShellRepaintsTheLabelsSoonAfterAnApply)
{
    SetDword("Settings", "ReApply", 0);
    Desktop desktop(View());
    ASSERT_TRUE(WaitFor([&] { return desktop.Ask(SHELL_PAINT_COUNT) > 0; }));
    LRESULT paints = desktop.Ask(SHELL_PAINT_COUNT);
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    EXPECT_TRUE(WaitFor([&] { return desktop.Ask(SHELL_PAINT_COUNT) > paints; }, 1000));
    EXPECT_TRUE(desktop.LabelsAre(BLACK));
}

TEST_P(DesktopViewOnEveryView, TheWatchRepairsResetsWithinAFewTicks)
{
    Desktop desktop(View());
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }));
    for (int i = 0; i < 5; ++i) {
        desktop.Reset();
        EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 1000)) << i;
    }
}

TEST_P(DesktopViewOnEveryView, AShellThatComesBackIsFoundAgain)
{
    auto desktop = std::make_unique<Desktop>(View());
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return desktop->LabelsAre(BLACK); }));
    desktop.reset();
    desktop = std::make_unique<Desktop>(View());
    EXPECT_TRUE(WaitFor([&] { return desktop->LabelsAre(BLACK); }, 2000));
}

} // namespace
