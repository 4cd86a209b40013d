// The saver window: its two shapes, what closes it and what does not, the
// single-instance rule, and one whole run through the message loop.
#include "host/saver_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host_test_support.h"

namespace {

using hosttest::PumpUntilQuit;
using hosttest::TakeClose;

std::vector<UINT> appMessages;

LRESULT RecordingApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    appMessages.push_back(message);
    return DefSaverProc(window, message, wParam, lParam);
}

bool AppSaw(UINT message) {
    return std::find(appMessages.begin(), appMessages.end(), message) != appMessages.end();
}

std::vector<HIMC> imeContexts;
const HIMC kOldContext = reinterpret_cast<HIMC>(uintptr_t{0x5150});

HIMC FakeImmAssociateContext(HWND, HIMC context) {
    imeContexts.push_back(context);
    return context ? nullptr : kOldContext;
}

LRESULT KeyOnCreateApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) platform::HeadlessInjectMessage(window, WM_KEYDOWN, VK_SPACE, 0);
    return RecordingApp(window, message, wParam, lParam);
}

class SaverWindowTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        appMessages.clear();
        imeContexts.clear();
        platform::HeadlessSetScreenSize(1024, 768);
    }
    HWND CreateFullScreen() {
        EXPECT_EQ(CreateSaverWindow(nullptr), SaverWindowOutcome::Created);
        return Host.saverWindow;
    }
    static bool MoveCloses(HWND window, int x, int y) {
        platform::HeadlessSetCursorPos(x, y);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        return TakeClose(window);
    }
};

TEST_F(SaverWindowTest, FullScreenWindowCoversTheScreenHidesTheCursorAndIgnoresSwitching) {
    SetSaverApplicationProc(RecordingApp);
    HWND window = CreateFullScreen();
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 1024);
    EXPECT_EQ(client.bottom, 768);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), window);
    EXPECT_FALSE(platform::HeadlessCursorVisible());
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("other")), 0);

    for (WPARAM command : {WPARAM{SC_NEXTWINDOW}, WPARAM{SC_PREVWINDOW}, WPARAM{SC_SCREENSAVE}}) {
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
    }
    EXPECT_FALSE(AppSaw(WM_SYSCOMMAND));
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE | 2, 0);  // the whole wParam is compared
    EXPECT_TRUE(AppSaw(WM_SYSCOMMAND));
    EXPECT_FALSE(TakeClose(window));
}

TEST_F(SaverWindowTest, MouseMustMoveMoreThanFourPixelsInSum) {
    HWND window = CreateFullScreen();
    EXPECT_FALSE(MoveCloses(window, 103, 101));  // 3 + 1
    EXPECT_TRUE(MoveCloses(window, 103, 102));   // 3 + 2, and the reference moves there
    // Creeping adds up against a reference that stays put.
    EXPECT_FALSE(MoveCloses(window, 104, 102));
    EXPECT_FALSE(MoveCloses(window, 106, 103));
    EXPECT_TRUE(MoveCloses(window, 107, 103));
    EXPECT_TRUE(MoveCloses(window, 105, 100));  // up and left: 2 + 3
    // The message's own coordinates do not count, only the pointer's.
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(900, 700));
    EXPECT_FALSE(TakeClose(window));
}

TEST_F(SaverWindowTest, KeysButtonsActivationLossAndPowerClose) {
    HWND window = CreateFullScreen();
    struct Case {
        UINT message;
        WPARAM wParam;
        bool closes;
    };
    for (Case c : {Case{WM_KEYDOWN, 'A', true}, Case{WM_SYSKEYDOWN, VK_RETURN, true}, Case{WM_LBUTTONDOWN, 0, true},
                   Case{WM_RBUTTONDOWN, 0, true}, Case{WM_MBUTTONDOWN, 0, true}, Case{WM_POWERBROADCAST, 7, true},
                   Case{WM_ACTIVATEAPP, FALSE, true}, Case{WM_POWER, PWR_CRITICALRESUME, true},
                   Case{WM_ACTIVATEAPP, TRUE, false}, Case{WM_POWER, 1, false}, Case{WM_KEYUP, 'A', false},
                   Case{WM_LBUTTONUP, 0, false}}) {
        SendMessageA(window, c.message, c.wParam, 0);
        EXPECT_EQ(TakeClose(window), c.closes) << "message 0x" << std::hex << c.message;
    }
    // Once approved, input and frames no longer reach the application.
    SetSaverApplicationProc(RecordingApp);
    Host.closeApproved = true;
    for (UINT message : {UINT{WM_TIMER}, UINT{WM_KEYDOWN}, UINT{WM_MOUSEMOVE}, UINT{WM_MBUTTONDOWN}, UINT{WM_PAINT}}) {
        SendMessageA(window, message, 0, 0);
        EXPECT_FALSE(AppSaw(message)) << "message 0x" << std::hex << message;
    }
    EXPECT_FALSE(TakeClose(window));
}

TEST_F(SaverWindowTest, PreviewIgnoresInputAndForwardsHelpToTheParent) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "HostTestParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "HostTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 155, 115, nullptr, nullptr,
                                  nullptr, nullptr);
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCE(32512)));
    ASSERT_EQ(CreateSaverWindow(parent), SaverWindowOutcome::Created);
    HWND window = Host.saverWindow;
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Preview"), window);
    EXPECT_EQ(GetParent(window), parent);

    platform::HeadlessSetCursorPos(600, 600);
    for (UINT message : {UINT{WM_KEYDOWN}, UINT{WM_LBUTTONDOWN}, UINT{WM_RBUTTONDOWN}, UINT{WM_MBUTTONDOWN},
                         UINT{WM_MOUSEMOVE}, UINT{WM_POWERBROADCAST}, UINT{WM_ACTIVATEAPP}, UINT{WM_PAINT}}) {
        SendMessageA(window, message, 0, 0);
    }
    SendMessageA(window, WM_POWER, PWR_CRITICALRESUME, 0);
    EXPECT_FALSE(TakeClose(window));
    EXPECT_TRUE(platform::HeadlessCursorVisible());

    for (UINT message : {UINT{WM_HELP}, UINT{WM_CONTEXTMENU}}) {
        EXPECT_EQ(SendMessageA(window, message, 0, 0x1234), 1);
        MSG forwarded = {};
        ASSERT_TRUE(PeekMessageA(&forwarded, parent, message, message, PM_REMOVE));
        EXPECT_EQ(forwarded.wParam, reinterpret_cast<WPARAM>(parent));
        EXPECT_EQ(forwarded.lParam, 0x1234);
    }
    DestroyWindow(parent);  // only the parent ends the preview
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(PumpUntilQuit());
}

TEST_F(SaverWindowTest, SecondFullScreenStartActivatesTheFirst) {
    platform::HeadlessSetOtherSaverWindow(0x2345);
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    EXPECT_EQ(platform::HeadlessLastRaisedWindow(), 0x2345u);
    EXPECT_EQ(Host.saverWindow, nullptr);
}

TEST_F(SaverWindowTest, WholeRunDetachesTheInputMethodAndEndsOnAKey) {
    platform::RegisterModule("IMM32.DLL", {{"ImmAssociateContext", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(
                                                                      FakeImmAssociateContext))}});
    SetSaverApplicationProc(KeyOnCreateApp);
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    EXPECT_TRUE(imeContexts.empty());  // not loaded in the process: left alone

    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::MarkModuleLoaded("imm32.dll");
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    HWND window = Host.saverWindow;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(platform::HeadlessLastRaisedWindow(), reinterpret_cast<uintptr_t>(window));
    EXPECT_TRUE(AppSaw(WM_CREATE) && AppSaw(WM_DESTROY));
    EXPECT_EQ(imeContexts, (std::vector<HIMC>{nullptr, kOldContext}));
}

}  // namespace
