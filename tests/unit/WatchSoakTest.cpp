// The re-apply watch, resident for a while under constant resets, leaks no
// object of any kind. Measured inside this process, which runs the real
// dialog and its watch: on Windows by GetGuiResources and
// GetProcessHandleCount; under Wine, where they read 0, by the handle values
// the system hands out, which show how many objects of each kind are alive.
#include "DialogHost.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Launch.h"
#include "tests/support/Platform.h"
#include <algorithm>
#include <vector>

namespace {

// One kind of object: how to make and end one, where its handle keeps the
// slot number, and whether a new handle's slot had never been used (Wine
// starts a slot's generation at 1 and counts every reuse); and the count
// Windows keeps of the kind for a process.
struct ObjectKind
{
    const char* name;
    HANDLE (*create)();
    void (*destroy)(HANDLE);
    UINT (*slot)(HANDLE);
    bool (*fresh)(HANDLE);
    long (*counted)();
};

const ObjectKind KINDS[] = {
    {"GDI", [] { return (HANDLE)CreateSolidBrush(0); }, [](HANDLE h) { DeleteObject((HGDIOBJ)h); },
     [](HANDLE h) { return (UINT)LOWORD((UINT_PTR)h); },
     [](HANDLE h) { return ((UINT_PTR)h >> 24 & 0xFF) == 1; },
     [] { return (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }},
    // window-system handles are shared by every process of the session
    {"USER", [] { return (HANDLE)CreateMenu(); }, [](HANDLE h) { DestroyMenu((HMENU)h); },
     [](HANDLE h) { return (UINT)LOWORD((UINT_PTR)h) >> 1; },
     [](HANDLE h) { return HIWORD((UINT_PTR)h) == 1; },
     [] { return (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); }},
    // the lowest free slot is always taken, so every slot below a new one is in use
    {"kernel", [] { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }, [](HANDLE h) { CloseHandle(h); },
     [](HANDLE h) { return (UINT)((UINT_PTR)h >> 2); }, [](HANDLE) { return true; },
     [] {
         DWORD count = 0;
         GetProcessHandleCount(GetCurrentProcess(), &count);
         return (long)count;
     }},
};

// How many objects of the kind are alive, up to a constant. New handles take
// the free slots while there are any, and fresh ones only then; once they
// come fresh, every slot below the highest is in use, so the highest slot
// less the number made is the number alive.
long LiveObjectsBySlots(const ObjectKind& kind)
{
    const int RUN = 16, MOST = 60000;
    std::vector<HANDLE> made;
    UINT highest = 0;
    for (int run = 0; run < RUN && (int)made.size() < MOST;) {
        made.push_back(kind.create());
        run = kind.fresh(made.back()) ? run + 1 : 0;
        highest = std::max(highest, kind.slot(made.back()));
    }
    for (HANDLE h : made)
        kind.destroy(h);
    return (long)highest - (long)made.size();
}

// Where the count comes from, named in every soak test's output.
const char* LeakCountSource()
{
    return RunningOnWine() ? "handle slots (Wine)" : "GetGuiResources and GetProcessHandleCount (Windows)";
}

long LiveObjects(const ObjectKind& kind)
{
    return RunningOnWine() ? LiveObjectsBySlots(kind) : kind.counted();
}

std::vector<long> LiveObjectsOfEachKind()
{
    std::vector<long> live;
    for (const ObjectKind& kind : KINDS)
        live.push_back(LiveObjects(kind));
    return live;
}

// Objects made by other processes of the session while the watch runs.
const long NOISE = 8;

class WatchSoak : public HostedDialog
{
protected:
    void SetUp() override
    {
        HostedDialog::SetUp();
        std::printf("objects counted by %s\n", LeakCountSource());
        RecordProperty("leak_count", LeakCountSource());
    }
};

TEST_F(WatchSoak, TheProbeSeesADeliberateLeakOfEachKind)
{
    const int LEAK = 50;
    for (const ObjectKind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        long before = LiveObjects(kind);
        ASSERT_GT(before, 0) << "the probe reads nothing";
        std::vector<HANDLE> leaked;
        for (int i = 0; i < LEAK; ++i)
            leaked.push_back(kind.create());
        long during = LiveObjects(kind);
        for (HANDLE h : leaked)
            kind.destroy(h);
        EXPECT_NEAR(before + LEAK, during, NOISE);
        EXPECT_NEAR(before, LiveObjects(kind), NOISE);
    }
}

TEST_F(WatchSoak, RepairingEveryTickUnderColourChangesLeaksNothing)
{
    Process shell("\"" + BinPath("StandInShell.exe") + "\" --reset-every 50");
    ASSERT_TRUE(WaitFor([] { return FindWindowA("Progman", "Program Manager") != nullptr; }));
    HWND hProgman = FindWindowA("Progman", "Program Manager");
    ASSERT_TRUE(CreateHiddenDialog());
    auto repairs = [&] { return SendMessageA(hProgman, SHELL_REPAIR_COUNT, 0, 0); };
    // first uses of the platform's code set up what it keeps for good
    ASSERT_TRUE(WaitFor([&] { return repairs() > 5; }));
    PumpFor(1000);

    std::vector<long> before = LiveObjectsOfEachKind();
    LRESULT repairsBefore = repairs();
    const COLORREF desktops[] = {RGB(0, 0, 128), RGB(192, 192, 192)};
    for (int second = 0; second < 8; ++second) {
        SendMessageA(hProgman, SHELL_SET_DESKTOP_COLOR, 0, desktops[second % 2]);
        PumpFor(1000);
    }
    LRESULT repaired = repairs() - repairsBefore;
    std::vector<long> after = LiveObjectsOfEachKind();

    EXPECT_GT(repaired, 50) << "the watch did not repair every tick";
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_LE(after[i], before[i] + NOISE) << KINDS[i].name << " objects, after " << repaired << " repairs";
    std::printf("soak: %ld repairs; live GDI %ld -> %ld, USER %ld -> %ld, kernel %ld -> %ld\n", (long)repaired,
                before[0], after[0], before[1], after[1], before[2], after[2]);
    PostMessageA(hProgman, WM_CLOSE, 0, 0);
    shell.Wait();
}

} // namespace
