// SuiteRunner.exe, which runs the suite where there is no ctest, on a
// sample test program of each outcome: a line a test and a summary as
// ctest's, the release tests held back unless asked for, and the user's
// settings put back after tests that delete them.
#include "Harness.h"

namespace {

// The runner's exit code and output, through cmd as the script runs it.
Output RunRunner(const std::string& arguments)
{
    return RunToEnd("\"" + BinPath("SuiteRunner.exe") + "\" " + arguments, 120000);
}

using SuiteRunner = EndToEnd;

TEST_F(SuiteRunner, RunsEachTestAloneAndSumsUpAsCtestDoes)
{
    SetDword("Settings", "TextColorIndex", 7);
    Output run = RunRunner("suite_runner_sample.exe");

    EXPECT_EQ(8u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "    Start 1: Sample.Passes\n"));
    EXPECT_TRUE(Has(run.text, "1/4 Test #1: Sample.Passes ...............   Passed"));
    EXPECT_TRUE(Has(run.text, "2/4 Test #2: Sample.Fails ................***Failed"));
    EXPECT_TRUE(Has(run.text, "the sample's failure"));
    EXPECT_TRUE(Has(run.text, "3/4 Test #3: Sample.IsSkipped ............***Skipped"));
    EXPECT_TRUE(Has(run.text, "4/4 Test #4: Sample.DeletesTheSettings ...   Passed"));
    EXPECT_TRUE(Has(run.text, "\n75% tests passed, 1 tests failed out of 4\n"));
    EXPECT_TRUE(Has(run.text, "The following tests did not run:\n\t 3 - Sample.IsSkipped (Skipped)\n"));
    EXPECT_TRUE(Has(run.text, "The following tests FAILED:\n\t 2 - Sample.Fails (Failed)\n"));
    DWORD index = 0;
    EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index) && index == 7) << "the settings were not put back";
}

TEST_F(SuiteRunner, RunsOnlyTheTestsNamedAndPassesWhenTheyPass)
{
    Output run = RunRunner("-R Passes suite_runner_sample.exe");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "1/1 Test #1: Sample.Passes ...   Passed"));
    EXPECT_TRUE(Has(run.text, "\n100% tests passed, 0 tests failed out of 1\n"));
    EXPECT_FALSE(KeyExists("")) << "settings left where there were none";
}

TEST_F(SuiteRunner, HoldsTheReleaseTestsBackUnlessAsked)
{
    SetEnvironmentVariableA("VIREOLA_TEST_INSTALL", nullptr);
    Output run = RunRunner("package_tests.exe");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Has(run.text, "package_tests.exe installs into this user's profile: not run unless VIREOLA_TEST_INSTALL=1"));
    EXPECT_TRUE(Has(run.text, "***Not Run (Disabled)"));
    EXPECT_FALSE(Has(run.text, "   Passed"));
    EXPECT_TRUE(Has(run.text, "\n100% tests passed, 0 tests failed out of 0\n"));
}

} // namespace
