// The screen-saver password on the older Windows family: when the provider
// is loaded, the question before a close, the running flag, AutoPlay, the
// password change, and the guard that clears the flag after a failure.
#include "host/password.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/dispatch.h"
#include "host_test_support.h"

namespace {

using hosttest::SetPasswordSwitch;
using hosttest::TakeClose;

template <typename F>
FARPROC AsFarProc(F* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Answers as told, and meanwhile pokes the window as a fidgeting user would.
struct Question {
    int asked = 0;
    BOOL answer = FALSE;
    LRESULT nestedClose = -1;
} question;

BOOL FakeVerifyScreenSavePwd(HWND window) {
    ++question.asked;
    platform::HeadlessSetCursorPos(500, 500);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    SendMessageA(window, WM_KEYDOWN, 'Q', 0);
    question.nestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
    return question.answer;
}

struct Change {
    int calls = 0;
    std::string provider;
    HWND parent = nullptr;
    DWORD flags = 99;
} change;

DWORD FakePwdChangePassword(LPCSTR provider, HWND parent, DWORD flags, LPVOID) {
    ++change.calls;
    change.provider = provider;
    change.parent = parent;
    change.flags = flags;
    return 0;
}

LRESULT ThrowingApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) throw std::runtime_error("device lost");
    return DefSaverProc(window, message, wParam, lParam);
}

class PasswordTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        question = Question{};
        change = Change{};
    }
    void RegisterProvider(const char* entry = "VerifyScreenSavePwd") {
        platform::RegisterModule("PASSWORD.CPL", {{entry, AsFarProc(FakeVerifyScreenSavePwd)}});
    }
};

TEST_F(PasswordTest, ProviderLoadsOnlyOnTheOlderFamilyWithTheSwitchOn) {
    RegisterProvider();
    SetPasswordSwitch(1);
    LoadPasswordProvider();  // newer family: nothing, whatever the registry says
    EXPECT_EQ(platform::LoadedModuleCount(), 0);

    UseOlderFamily();
    SetPasswordSwitch(0);
    LoadPasswordProvider();
    EXPECT_EQ(platform::LoadedModuleCount(), 0);
    HKEY key = nullptr;  // a value longer than four bytes counts as off
    RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key);
    const BYTE eight[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_BINARY, eight, sizeof eight);
    RegCloseKey(key);
    LoadPasswordProvider();
    EXPECT_EQ(platform::LoadedModuleCount(), 0);

    SetPasswordSwitch(1);
    RegisterProvider("SomethingElse");  // the library without its entry point
    LoadPasswordProvider();
    EXPECT_EQ(platform::LoadedModuleCount(), 0);
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 0);

    RegisterProvider();
    LoadPasswordProvider();
    LoadPasswordProvider();  // again: the first is replaced
    EXPECT_NE(Host.verifyPassword, nullptr);
    EXPECT_EQ(platform::LoadedModuleCount(), 1);
    EXPECT_TRUE(platform::ScreenSaverRunningFlag());
    UnloadPasswordProvider();
    EXPECT_EQ(Host.verifyPassword, nullptr);
    EXPECT_EQ(platform::LoadedModuleCount(), 0);
    EXPECT_FALSE(platform::ScreenSaverRunningFlag());
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 4);
}

TEST_F(PasswordTest, RefusedPasswordKeepsTheSaverAndIsNotAskedAgainAtOnce) {
    UseOlderFamily();
    RegisterProvider();
    SetPasswordSwitch(1);
    ASSERT_EQ(CreateSaverWindow(nullptr), SaverWindowOutcome::Created);
    HWND window = Host.saverWindow;
    EXPECT_TRUE(platform::ScreenSaverRunningFlag());
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(TakeClose(window));
    PostMessageA(window, WM_TIMER, 1, 0);
    PostMessageA(window, WM_TIMER, 1, 0);
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCE(32512)));

    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(question.asked, 1);
    EXPECT_EQ(question.nestedClose, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(Host.closeApproved || Host.verifying);
    // Nothing done during the question closes; the piled-up frames are gone.
    EXPECT_FALSE(TakeClose(window));
    MSG pending = {};
    EXPECT_FALSE(PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_FALSE(platform::HeadlessCursorVisible());
    EXPECT_EQ(Host.lastCursorPos.x, 500);  // the reference is where the pointer was left

    platform::AdvanceVirtualClock(199);
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(question.asked, 1);

    platform::AdvanceVirtualClock(1);
    question.answer = TRUE;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(question.asked, 2);
    EXPECT_TRUE(Host.closeApproved);
    EXPECT_FALSE(IsWindow(window));
    UnloadPasswordProvider();
    EXPECT_FALSE(platform::ScreenSaverRunningFlag());
}

TEST_F(PasswordTest, WithoutProviderClosesAtOnceAndAutoPlayCloses) {
    UseOlderFamily();
    SetPasswordSwitch(1);  // but no PASSWORD.CPL on the system
    ASSERT_EQ(CreateSaverWindow(nullptr), SaverWindowOutcome::Created);
    HWND window = Host.saverWindow;
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 1);
    ASSERT_EQ(Host.autoPlayMessage, RegisterWindowMessageA("QueryCancelAutoPlay"));
    EXPECT_EQ(SendMessageA(window, Host.autoPlayMessage, 0, 0), 0);
    EXPECT_TRUE(TakeClose(window));
    Host.verifyPassword = [](HWND) -> BOOL { return FALSE; };  // guarded: AutoPlay is cancelled
    EXPECT_EQ(SendMessageA(window, Host.autoPlayMessage, 0, 0), 1);
    EXPECT_TRUE(TakeClose(window));
    Host.verifyPassword = nullptr;

    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 0);
}

TEST_F(PasswordTest, PasswordChangeSwitch) {
    platform::RegisterModule("MPR.DLL", {{"PwdChangePasswordA", AsFarProc(FakePwdChangePassword)}});
    platform::HeadlessAddForeignWindow(0x1234, 300, 200);
    EXPECT_EQ(DispatchMode(GetModuleHandleA(nullptr), "/a 4660"), -1);  // newer family
    EXPECT_EQ(change.calls, 0);

    platform::SetReportedPlatform(VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_EQ(DispatchMode(GetModuleHandleA(nullptr), "-A   4660"), 0);
    EXPECT_EQ(change.calls, 1);
    EXPECT_EQ(change.provider, "SCRSAVE");
    EXPECT_EQ(change.parent, hosttest::Handle(0x1234));
    EXPECT_EQ(change.flags, 0u);
    EXPECT_EQ(platform::LoadedModuleCount(), 0);
    EXPECT_EQ(DispatchMode(GetModuleHandleA(nullptr), "/a 999"), 0);
    EXPECT_EQ(change.parent, GetForegroundWindow());

    platform::UnregisterAllModules();  // no MPR.DLL: nothing happens, still 0
    EXPECT_EQ(DispatchMode(GetModuleHandleA(nullptr), "/a 4660"), 0);
    EXPECT_EQ(change.calls, 2);
}

TEST_F(PasswordTest, FailureInsideTheSaverClearsTheRunningState) {
    platform::SetReportedPlatform(VER_PLATFORM_WIN32_WINDOWS);
    RegisterProvider();
    SetPasswordSwitch(1);
    SetSaverApplicationProc(ThrowingApp);
    testing::internal::CaptureStderr();
    EXPECT_EQ(DispatchMode(GetModuleHandleA(nullptr), "/s"), kCrashExitCode);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("device lost"), std::string::npos);
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 2);
    EXPECT_FALSE(platform::ScreenSaverRunningFlag());
}

}  // namespace
