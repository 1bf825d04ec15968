// Measures what Vireola costs, each figure beside its floor, and prints one
// table. Run under Wine in a prefix of its own (scripts/bench.sh).
//   Bench [--quick]        the measurements
//   Bench --soak MINUTES   resident under constant resets, start and end figures
//   Bench --against EXE [SECONDS]   idle CPU against another build of the program
//   Bench --wallpaper      the wallpaper's rows alone
//   Bench --evaluate PICTURE   one evaluation of the wallpaper, in a process of its own
#include "Measure.h"

int main(int argc, char** argv)
{
    if (argc > 2 && !strcmp(argv[1], "--soak")) {
        Soak(atoi(argv[2]));
        return 0;
    }
    if (argc > 2 && !strcmp(argv[1], "--against")) {
        IdleAgainst(argv[2], argc > 3 ? atoi(argv[3]) : 60);
        return 0;
    }
    if (argc > 2 && !strcmp(argv[1], "--evaluate")) {
        EvaluateOnce(argv[2]);
        return 0;
    }
    bool quick = argc > 1 && !strcmp(argv[1], "--quick");
    if (argc > 1 && !strcmp(argv[1], "--wallpaper")) {
        WallpaperRows(false);
        return 0;
    }
    Row("measure", "Vireola", "floor", "ratio", "goal");
    printf("|%s|%s|%s|%s|%s|\n", std::string(40, '-').c_str(), std::string(26, '-').c_str(),
           std::string(32, '-').c_str(), std::string(19, '-').c_str(), std::string(15, '-').c_str());
    ReapplyLatency(quick ? 30 : 200);
    double idle = IdleCost(quick ? 5 : 60);
    BroadcastLatency(quick ? 20 : 120, idle);
    RefreshLatency(quick ? 20 : 100);
    LockedSession(quick ? 5 : 30, quick ? 10 : 60);
    BroadcastFlood(quick ? 3 : 10);
    TickCost(quick ? 200 : 2000);
    StartUp(quick ? 10 : 60);
    Size();
    WallpaperRows(quick);
    return 0;
}
