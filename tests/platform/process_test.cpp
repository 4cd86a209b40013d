// Command line text, UTF-8 stepping, the end of the process and the music
// lock shared by the copies of one user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/platform_testing.h"
#include "test_support.h"

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

TEST(Process, ProgramNameIsWrittenAsItIsReadBack) {
    // The dispatcher reads the name to its first byte up to the blank, or in
    // quotes to the next quote, with no escapes: a control byte gets the name
    // quoted, and quotes inside it, which that reading cannot carry, go.
    const char* controls[] = {"/opt/\x03saver\x1f", "/l", "71"};
    platform::SetCommandLine(3, controls);
    EXPECT_STREQ(GetCommandLineA(), "\"/opt/\x03saver\x1f\" /l 71");
    const char* quoted[] = {"/opt/my \"best\" savers/vexlar3d", "/l", "71"};
    platform::SetCommandLine(3, quoted);
    EXPECT_STREQ(GetCommandLineA(), "\"/opt/my best savers/vexlar3d\" /l 71");
    const char* bare[] = {"a\"b\\", "say \"hi\""};
    platform::SetCommandLine(2, bare);
    EXPECT_STREQ(GetCommandLineA(), "ab\\ \"say \\\"hi\\\"\"");
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

namespace {

// TakeMusicLock in a child process, as another copy of the saver would call
// it; the child's exit status says whether it got the lock.
bool ChildGetsMusicLock(const std::string& runtimeDir, bool dieHolding = false) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        const bool got = platform::TakeMusicLock();
        if (dieHolding) raise(SIGKILL);
        _exit(got ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(MusicLockTest, OnlyTheFirstCopyPlaysAndAKilledCopyLetsGo) {
    const std::string dir = testsupport::MakeTempDir("vexlar-music-lock-");
    const std::string path = dir + "/vexlar3d-music.lock";
    EXPECT_TRUE(ChildGetsMusicLock(dir));  // nobody holds it

    const int holder = open(path.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(ChildGetsMusicLock(dir)) << "a second copy must stay silent";
    close(holder);
    EXPECT_TRUE(ChildGetsMusicLock(dir));

    // A copy killed while holding it leaves nothing behind that blocks the next.
    ChildGetsMusicLock(dir, true);
    EXPECT_TRUE(ChildGetsMusicLock(dir));

    // A link planted where the lock goes is not followed: that copy plays
    // rather than lock someone else's file, and the target stays untouched.
    std::remove(path.c_str());
    const std::string target = dir + "/elsewhere";
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    EXPECT_TRUE(ChildGetsMusicLock(dir));
    EXPECT_NE(access(target.c_str(), F_OK), 0);
    testsupport::RemoveTree(dir);
}

}  // namespace
