// Command line text, UTF-8 stepping and the end of the process.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/platform.h"

TEST(Process, CommandLineQuotesArguments) {
    const char* argv[] = {"/opt/vexlar 3d/vexlar3d", "/c:12", "", "a\tb", "say \"hi\"", "end\\"};
    platform::SetCommandLine(6, argv);
    EXPECT_STREQ(GetCommandLineA(), "\"/opt/vexlar 3d/vexlar3d\" /c:12 \"\" \"a\tb\" \"say \\\"hi\\\"\" end\\");
    const char* plain[] = {"vexlar3d", "/s"};
    platform::SetCommandLine(2, plain);
    EXPECT_STREQ(GetCommandLineA(), "vexlar3d /s");
    platform::SetCommandLineText("x  /p 5");
    EXPECT_STREQ(GetCommandLineA(), "x  /p 5");
}

TEST(Process, CharNextStepsOverUtf8Characters) {
    const char text[] = "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E!";  // a, e acute, euro sign, G clef, !
    const char* p = text;
    const int steps[] = {1, 2, 3, 4, 1};
    for (int step : steps) {
        const char* next = CharNextA(p);
        EXPECT_EQ(next - p, step);
        p = next;
    }
    EXPECT_EQ(*p, '\0');
    EXPECT_EQ(CharNextA(p), p);  // never past the end

    const char invalid[] = "\xFF\xC0\xAF\xED\xA0\x80\xE2\x82";  // bad byte, overlong, surrogate, cut short
    p = invalid;
    int count = 0;
    while (*p) {
        p = CharNextA(p);
        ++count;
    }
    EXPECT_EQ(count, 8);  // one byte at a time
    EXPECT_EQ(p, invalid + 8);
}

TEST(Process, ExitProcessCallsHookAndNeverReturns) {
    platform::SetExitProcessHook([](UINT code) { throw std::runtime_error(std::to_string(code)); });
    try {
        ExitProcess(static_cast<UINT>(-1));
        FAIL() << "ExitProcess returned";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "4294967295");
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::SetExitProcessHook([](UINT) {});
            ExitProcess(7);
        },
        ::testing::ExitedWithCode(7), "");
    platform::SetExitProcessHook(nullptr);
}
