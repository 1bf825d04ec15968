#include "res/Copies.h"
#include "framework/WinApp.h"
#include <gtest/gtest.h>

namespace {

TEST(CommandLine, SkipsTheProgramPathAndTheBlanksAfterIt)
{
    EXPECT_STREQ("/f", SkipProgramName("Vireola.exe /f"));
    EXPECT_STREQ("/f x", SkipProgramName("\"C:\\Program Files\\Vireola.exe\"  \t/f x"));
    EXPECT_STREQ("/f", SkipProgramName("\"C:\\a b\\V.exe\"/f"));
    EXPECT_STREQ("", SkipProgramName("Vireola.exe"));
    EXPECT_STREQ("", SkipProgramName("\"unclosed quote /f"));
    EXPECT_STREQ("", SkipProgramName(""));
}

TEST(CommandLine, TheSecondCharacterFSelectsTheSettingsDialog)
{
    for (const char* args : {"/f", "-F", "/foo", "xf", "/F extra"})
        EXPECT_TRUE(IsSettingsSwitch(args)) << args;
    for (const char* args : {"", "f", "F", "/g", "-", "/ f"})
        EXPECT_FALSE(IsSettingsSwitch(args)) << args;
}

} // namespace
