// tools/SuiteRunner.exe, which runs the suite where there is no ctest, on a
// sample test program of each outcome: a line a test and a summary as
// ctest's, the release tests held back unless asked for, and the user's
// settings put back after tests that delete them.
#include "Harness.h"
#include <fstream>
#include <iterator>

namespace {

struct RunnerRun
{
    DWORD exitCode;
    std::string output;
};

RunnerRun RunRunner(const std::string& arguments)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "run", 0, path);
    std::string command = "cmd /c \"\"" + BinPath("SuiteRunner.exe") + "\" " + arguments + " > \"" + path + "\"\"";
    Process runner(command);
    RunnerRun run = {runner.Wait(120000), ""};
    std::ifstream file(path);
    run.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileA(path);
    std::printf("%s", run.output.c_str());
    return run;
}

bool Has(const std::string& output, const std::string& text)
{
    return output.find(text) != std::string::npos;
}

using SuiteRunner = EndToEnd;

TEST_F(SuiteRunner, RunsEachTestAloneAndSumsUpAsCtestDoes)
{
    SetDword("Settings", "TextColorIndex", 7);
    RunnerRun run = RunRunner("suite_runner_sample.exe");

    EXPECT_EQ(8u, run.exitCode);
    EXPECT_TRUE(Has(run.output, "    Start 1: Sample.Passes\n"));
    EXPECT_TRUE(Has(run.output, "1/4 Test #1: Sample.Passes ...............   Passed"));
    EXPECT_TRUE(Has(run.output, "2/4 Test #2: Sample.Fails ................***Failed"));
    EXPECT_TRUE(Has(run.output, "the sample's failure"));
    EXPECT_TRUE(Has(run.output, "3/4 Test #3: Sample.IsSkipped ............***Skipped"));
    EXPECT_TRUE(Has(run.output, "4/4 Test #4: Sample.DeletesTheSettings ...   Passed"));
    EXPECT_TRUE(Has(run.output, "\n75% tests passed, 1 tests failed out of 4\n"));
    EXPECT_TRUE(Has(run.output, "The following tests did not run:\n\t 3 - Sample.IsSkipped (Skipped)\n"));
    EXPECT_TRUE(Has(run.output, "The following tests FAILED:\n\t 2 - Sample.Fails (Failed)\n"));
    DWORD index = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index) && index == 7) << "the settings were not put back";
}

TEST_F(SuiteRunner, RunsOnlyTheTestsNamedAndPassesWhenTheyPass)
{
    RunnerRun run = RunRunner("-R Passes suite_runner_sample.exe");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.output, "1/1 Test #1: Sample.Passes ...   Passed"));
    EXPECT_TRUE(Has(run.output, "\n100% tests passed, 0 tests failed out of 1\n"));
    EXPECT_FALSE(KeyExists("")) << "settings left where there were none";
}

TEST_F(SuiteRunner, HoldsTheReleaseTestsBackUnlessAsked)
{
    SetEnvironmentVariableA("VIREOLA_TEST_INSTALL", nullptr);
    RunnerRun run = RunRunner("package_tests.exe");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.output, "package_tests.exe installs into this user's profile: not run unless VIREOLA_TEST_INSTALL=1"));
    EXPECT_TRUE(Has(run.output, "***Not Run (Disabled)"));
    EXPECT_FALSE(Has(run.output, "   Passed"));
    EXPECT_TRUE(Has(run.output, "\n100% tests passed, 0 tests failed out of 0\n"));
}

} // namespace
