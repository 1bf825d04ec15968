// Runs the test suite where there is no ctest: on Windows itself, from a build
// directory or from a folder of the build's binaries. Each test of each test
// program runs in a process of its own, as ctest runs them here, and the
// output reads as ctest's: a line a test, the summary, the tests that did
// not run and the ones that failed, with a failed test's output.
//
//   SuiteRunner [--bin DIR] [-R TEXT] [PROGRAM...]
//
// DIR is where the test programs are (default: beside this one); -R runs only
// the tests whose names hold TEXT; the programs default to the suite's own.
// The release tests install into the user's profile, so they run only when
// VIREOLA_TEST_INSTALL=1 says so; otherwise they are listed as not run.
// The tests delete the program's settings: the user's are put back after.
// Exit code 0 when no test failed, 8 (as ctest's) when one did.
#include "tests/support/Platform.h"
#include "tests/support/RegistrySnapshot.h"
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const DWORD TEST_TIMEOUT_MS = 600000;
const DWORD LIST_TIMEOUT_MS = 120000;
const int EXIT_TESTS_FAILED = 8;
const char INSTALL_VARIABLE[] = "VIREOLA_TEST_INSTALL";

struct Program
{
    const char* file;
    bool changesTheMachine;   // installs into the user's profile
};

const Program SUITE[] = {
    {"unit_tests.exe", false},
    {"e2e_tests.exe", false},
    {"package_tests.exe", true},
};

struct Test
{
    std::string program, name;
    bool enabled;
};

enum Outcome { PASSED, FAILED, SKIPPED, TIMEOUT, NOT_RUN };

struct Result
{
    Outcome outcome;
    double seconds;
    std::string output;
};

std::string TempPath()
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "tst", 0, path);
    return path;
}

// Runs a command with its output into a file; its exit code, or
// STILL_ACTIVE if it had to be ended after the bound.
DWORD RunCaptured(const std::string& command, DWORD timeoutMs, std::string& output)
{
    std::string path = TempPath();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE hOut = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = hOut;
    PROCESS_INFORMATION pi = {};
    std::string cmd = command;
    DWORD code = (DWORD)-1;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
            code = STILL_ACTIVE;
        } else {
            GetExitCodeProcess(pi.hProcess, &code);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    } else {
        output = "cannot start: " + command + "\n";
    }
    CloseHandle(hOut);
    FILE* file = fopen(path.c_str(), "rb");
    if (file) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
            output.append(buffer, n);
        fclose(file);
    }
    DeleteFileA(path.c_str());
    return code;
}

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

// gtest's list: "Suite." lines, then its tests indented, each line perhaps
// with a "# GetParam() = ..." comment.
std::vector<std::string> ParseTestList(const std::string& list)
{
    std::vector<std::string> names;
    std::string suite;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        std::string name = Trim(line.substr(0, line.find('#')));
        if (name.empty())
            continue;
        if (line[0] != ' ')
            suite = name;
        else if (!suite.empty())
            names.push_back(suite + name);
    }
    return names;
}

bool InstallAllowed()
{
    const char* value = getenv(INSTALL_VARIABLE);
    return value && !strcmp(value, "1");
}

bool ChangesTheMachine(const std::string& file)
{
    for (const Program& p : SUITE)
        if (!_stricmp(p.file, file.c_str()))
            return p.changesTheMachine;
    return false;
}

bool ListTests(const std::string& bin, const std::string& file, const std::string& filter, std::vector<Test>& tests)
{
    std::string list;
    DWORD code = RunCaptured("\"" + bin + "\\" + file + "\" --gtest_list_tests", LIST_TIMEOUT_MS, list);
    if (code != 0) {
        printf("cannot list the tests of %s (exit code %lu):\n%s\n", file.c_str(), (unsigned long)code, list.c_str());
        return false;
    }
    bool enabled = !ChangesTheMachine(file) || InstallAllowed();
    for (const std::string& name : ParseTestList(list))
        if (filter.empty() || name.find(filter) != std::string::npos)
            tests.push_back({file, name, enabled});
    return true;
}

Result RunTest(const std::string& bin, const Test& test)
{
    Result result = {NOT_RUN, 0, ""};
    if (!test.enabled)
        return result;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DWORD code = RunCaptured("\"" + bin + "\\" + test.program + "\" --gtest_filter=" + test.name
                                 + " --gtest_also_run_disabled_tests",
                             TEST_TIMEOUT_MS, result.output);
    QueryPerformanceCounter(&end);
    result.seconds = (double)(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (code == STILL_ACTIVE)
        result.outcome = TIMEOUT;
    else if (code != 0)
        result.outcome = FAILED;
    else
        result.outcome = result.output.find("[  SKIPPED ]") != std::string::npos ? SKIPPED : PASSED;
    return result;
}

const char* OutcomeText(Outcome outcome)
{
    switch (outcome) {
    case PASSED: return "   Passed";
    case FAILED: return "***Failed";
    case SKIPPED: return "***Skipped";
    case TIMEOUT: return "***Timeout";
    default: return "***Not Run (Disabled)";
    }
}

const char* SummaryText(Outcome outcome)
{
    switch (outcome) {
    case FAILED: return "Failed";
    case TIMEOUT: return "Timeout";
    case SKIPPED: return "Skipped";
    default: return "Disabled";
    }
}

int Digits(size_t n)
{
    int digits = 1;
    while (n >= 10)
        n /= 10, ++digits;
    return digits;
}

int RunSuite(const std::string& bin, const std::vector<std::string>& programs, const std::string& filter)
{
    printf("Test project %s (%s)\n", bin.c_str(), PlatformName());
    std::vector<Test> tests;
    bool listed = true;
    for (const std::string& file : programs)
        listed &= ListTests(bin, file, filter, tests);
    if (!InstallAllowed())
        for (const std::string& file : programs)
            if (ChangesTheMachine(file))
                printf("%s installs into this user's profile: not run unless %s=1\n", file.c_str(),
                       INSTALL_VARIABLE);
    fflush(stdout);

    size_t width = 0;
    for (const Test& t : tests)
        width = std::max(width, t.name.size());
    int digits = Digits(tests.size());
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<std::pair<size_t, Outcome>> notPassed;
    size_t failed = 0;
    for (size_t i = 0; i < tests.size(); ++i) {
        const Test& t = tests[i];
        printf("%*sStart %*zu: %s\n", 2 * digits + 2, "", digits, i + 1, t.name.c_str());
        fflush(stdout);
        Result r = RunTest(bin, t);
        std::string dots = " " + std::string(width - t.name.size() + 3, '.');
        printf("%*zu/%zu Test %*s#%zu: %s%s%s %7.2f sec\n", digits, i + 1, tests.size(), digits - Digits(i + 1), "",
               i + 1, t.name.c_str(), dots.c_str(), OutcomeText(r.outcome), r.seconds);
        if (r.outcome == FAILED || r.outcome == TIMEOUT) {
            printf("%s", r.output.c_str());
            ++failed;
        }
        if (r.outcome != PASSED)
            notPassed.push_back({i, r.outcome});
        fflush(stdout);
    }
    QueryPerformanceCounter(&end);

    // tests that were not to run count for nothing, skipped ones as passed
    size_t counted = 0;
    for (const Test& t : tests)
        counted += t.enabled;
    size_t passed = counted - failed;
    int percent = counted ? (int)(passed * 100 / counted) : 100;
    printf("\n%d%% tests passed, %zu tests failed out of %zu\n", percent, failed, counted);
    printf("\nTotal Test time (real) = %7.2f sec\n",
           (double)(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    bool anyNotRun = false;
    for (const auto& n : notPassed)
        if (n.second == SKIPPED || n.second == NOT_RUN) {
            if (!anyNotRun)
                printf("\nThe following tests did not run:\n");
            anyNotRun = true;
            printf("\t%*zu - %s (%s)\n", digits + 1, n.first + 1, tests[n.first].name.c_str(), SummaryText(n.second));
        }
    if (failed) {
        printf("\nThe following tests FAILED:\n");
        for (const auto& n : notPassed)
            if (n.second == FAILED || n.second == TIMEOUT)
                printf("\t%*zu - %s (%s)\n", digits + 1, n.first + 1, tests[n.first].name.c_str(),
                       SummaryText(n.second));
        printf("Errors while running the suite\n");
    }
    if (!listed) {
        printf("Errors while listing the tests\n");
        return EXIT_TESTS_FAILED;
    }
    if (tests.empty()) {
        printf("No tests were found!!!\n");
        return EXIT_TESTS_FAILED;
    }
    return failed ? EXIT_TESTS_FAILED : 0;
}

std::string OwnFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/"));
}

} // namespace

int main(int argc, char** argv)
{
    std::string bin = OwnFolder(), filter;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--bin") && i + 1 < argc)
            bin = argv[++i];
        else if (!strcmp(argv[i], "-R") && i + 1 < argc)
            filter = argv[++i];
        else if (argv[i][0] == '-') {
            puts("usage: SuiteRunner [--bin DIR] [-R TEXT] [PROGRAM...]");
            return 2;
        } else
            programs.push_back(argv[i]);
    }
    if (programs.empty())
        for (const Program& p : SUITE)
            programs.push_back(p.file);
    while (!bin.empty() && (bin.back() == '\\' || bin.back() == '/'))
        bin.pop_back();

    // the tests delete the program's settings: the user's come back after
    RegistrySnapshot userSettings(HKEY_CURRENT_USER, "Software\\Morvane");
    int code = RunSuite(bin, programs, filter);
    fflush(stdout);
    if (!userSettings.Restore())
        printf("could not put the settings under HKCU\\Software\\Morvane back\n");
    return code;
}
