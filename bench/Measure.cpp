#include "Measure.h"
#include <algorithm>
#include <fstream>

const char APP_KEY[] = "Software\\Morvane\\Vireola\\Settings";

void SetSetting(const char* name, DWORD value)
{
    HKEY hKey;
    RegCreateKeyExA(HKEY_CURRENT_USER, APP_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    RegSetValueExA(hKey, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(hKey);
}

void SetReApply(DWORD value)
{
    SetSetting("ReApply", value);
}

// The wallpaper as Windows 7 keeps it (stretched), announced as Windows does.
void SetWallpaper(const std::string& path)
{
    HKEY hKey;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    RegSetValueExA(hKey, "Wallpaper", 0, REG_SZ, (const BYTE*)path.c_str(), (DWORD)path.size() + 1);
    RegSetValueExA(hKey, "WallpaperStyle", 0, REG_SZ, (const BYTE*)"2", 2);
    RegSetValueExA(hKey, "TileWallpaper", 0, REG_SZ, (const BYTE*)"0", 2);
    RegCloseKey(hKey);
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, (LPARAM) "Control Panel\\Desktop",
                        SMTO_ABORTIFHUNG, 5000, &result);
}

// A picture of one grey, as a 24-bit BMP.
std::string WriteGreyBmp(const char* name, BYTE grey, LONG cx, LONG cy)
{
    std::string path = BinPath(name);
    DWORD bytes = (cx * 3 + 3) / 4 * 4 * cy;
    BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof(BITMAPINFOHEADER) + bytes), 0, 0,
                             sizeof file + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER info = {sizeof info, cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)&file, sizeof file).write((const char*)&info, sizeof info);
    out << std::string(bytes, (char)grey);
    return path;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return double(to.QuadPart - from.QuadPart) / freq.QuadPart;
}

double Now()
{
    static LARGE_INTEGER start = [] { LARGE_INTEGER t; QueryPerformanceCounter(&t); return t; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return Seconds(start, t);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// A figure and its floor are measured in turns (A B, B A, ...), block by
// block, so that what the machine does meanwhile weighs on both alike; the
// ratio is the median of the blocks' ratios, with their middle half.
std::string RatioSpread(const std::vector<double>& ratios)
{
    char text[40];
    snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", Percentile(ratios, 0.5), Percentile(ratios, 0.25),
             Percentile(ratios, 0.75));
    return text;
}

std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (b[i] > 0)
            r.push_back(a[i] / b[i]);
    return r;
}

// The /proc folders of the Linux processes that run a Wine program, found
// through their command lines; Wine shows the Linux root as drive Z:.
std::vector<std::string> LinuxProcesses(const char* commandLine, bool bench)
{
    std::vector<std::string> dirs;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA("Z:\\proc\\*", &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return dirs;
    do {
        if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9')
            continue;
        std::string dir = std::string("Z:\\proc\\") + fd.cFileName;
        char cmdline[512] = "";
        FILE* f = fopen((dir + "\\cmdline").c_str(), "rb");
        if (!f)
            continue;
        size_t n = fread(cmdline, 1, sizeof cmdline - 1, f);
        fclose(f);
        std::string args(cmdline, n);
        std::replace(args.begin(), args.end(), '\0', ' ');
        // not the script that started it, nor this program, which may name it
        if (args.find(commandLine) != std::string::npos && args.find("winerun") == std::string::npos
            && (bench || args.find("Bench.exe") == std::string::npos))
            dirs.push_back(dir);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return dirs;
}

// CPU seconds of a Wine program as Linux counts them (Wine's own figures for
// other processes are too coarse).
double CpuSeconds(const char* commandLine)
{
    double seconds = 0;
    for (const std::string& dir : LinuxProcesses(commandLine)) {
        // time on a CPU in nanoseconds, the first field of schedstat
        FILE* f = fopen((dir + "\\schedstat").c_str(), "rb");
        if (!f)
            continue;
        unsigned long long ns = 0;
        if (fscanf(f, "%llu", &ns) == 1)
            seconds += ns / 1e9;
        fclose(f);
    }
    return seconds;
}

// One of the memory figures of /proc/PID/status ("VmRSS", "VmData"), in KiB.
unsigned long LinuxMemoryKiB(const char* commandLine, const char* field, bool bench)
{
    unsigned long total = 0;
    for (const std::string& dir : LinuxProcesses(commandLine, bench)) {
        FILE* f = fopen((dir + "\\status").c_str(), "rb");
        if (!f)
            continue;
        char line[256];
        unsigned long kib;
        while (fgets(line, sizeof line, f))
            if (!strncmp(line, field, strlen(field)) && sscanf(line + strlen(field) + 1, "%lu", &kib) == 1)
                total += kib;
        fclose(f);
    }
    return total;
}

// Committed private memory, counted region by region (Wine reports no
// private usage for other processes).
SIZE_T PrivateBytes(HANDLE hProcess)
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (BYTE* p = nullptr; VirtualQueryEx(hProcess, p, &mbi, sizeof mbi) == sizeof mbi; p += mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            total += mbi.RegionSize;
        if ((BYTE*)mbi.BaseAddress + mbi.RegionSize < p)
            break;
    }
    return total;
}

std::string Quoted(const char* file)
{
    return "\"" + BinPath(file) + "\"";
}

void Row(const char* what, const char* program, const char* floor, const std::string& ratio, const char* goal)
{
    printf("| %-38s | %-24s | %-30s | %-17s | %-13s |\n", what, program, floor, ratio.c_str(), goal);
}

// Latencies in milliseconds: the median and the 99th percentile, each as a
// share of what it is measured against.
void LatencyRow(const char* what, const std::vector<double>& ms, double medianScale, double p99Scale,
                const char* goal)
{
    char median[40], p99[40], ratio[40];
    snprintf(median, sizeof median, "median %.1f ms", Percentile(ms, 0.5));
    snprintf(p99, sizeof p99, "p99 %.1f ms (n=%zu)", Percentile(ms, 0.99), ms.size());
    snprintf(ratio, sizeof ratio, "%.2f / %.2f", Percentile(ms, 0.5) / medianScale, Percentile(ms, 0.99) / p99Scale);
    Row(what, median, p99, ratio, goal);
}

// Latencies in milliseconds: the median, the 90th and the 99th percentile.
void SpreadRow(const char* what, const std::vector<double>& ms, const char* goal)
{
    char median[40], tail[40];
    snprintf(median, sizeof median, "median %.1f ms", Percentile(ms, 0.5));
    snprintf(tail, sizeof tail, "p90 %.1f, p99 %.1f ms (n=%zu)", Percentile(ms, 0.9), Percentile(ms, 0.99),
             ms.size());
    Row(what, median, tail, "", goal);
}

void Broadcast(UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
}

// The system-wide changes that make a shell reset its labels, in turn.
void BroadcastChange(int kind)
{
    switch (kind % 5) {
    case 0: Broadcast(WM_SYSCOLORCHANGE); break;
    case 1: Broadcast(WM_SETTINGCHANGE); break;
    case 2: Broadcast(WM_THEMECHANGED); break;
    case 3: Broadcast(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)); break;
    case 4: PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); break;
    }
}
