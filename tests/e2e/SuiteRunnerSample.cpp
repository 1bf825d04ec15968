// A test program for the suite runner's own tests: one test passes, one
// fails, one is skipped, and one deletes the program's settings as the
// end-to-end tests do.
#include <windows.h>
#include <gtest/gtest.h>

TEST(Sample, Passes)
{
    SUCCEED();
}

TEST(Sample, Fails)
{
    ADD_FAILURE() << "the sample's failure";
}

TEST(Sample, IsSkipped)
{
    GTEST_SKIP() << "the sample's skip";
}

TEST(Sample, DeletesTheSettings)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Morvane\\Vireola\\Settings");
    HKEY hKey;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Morvane\\Vireola\\Settings", 0, KEY_READ, &hKey));
}
