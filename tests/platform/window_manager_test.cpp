// Windows, the message queue and timers on the headless backend: the Win32
// orders and rules the saver's procedures rely on.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/handles.h"

namespace {

std::vector<UINT> g_seen;
LRESULT g_createResult = 0;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back(msg);
    if (msg == WM_CREATE) return g_createResult;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::UseVirtualClock(1000, 0);
        g_seen.clear();
        g_createResult = 0;
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "TestClass";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override { platform::UseRealClock(); }

    HWND MakeWindow(DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr) {
        return CreateWindowExA(0, "TestClass", "Title", style, 0, 0, 320, 200, parent, nullptr, nullptr, nullptr);
    }
};

TEST_F(WindowManagerTest, CreationAndDestructionFollowWin32Order) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(platform::IsOwnWindowHandle(hwnd));
    std::vector<UINT> expected{WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_SIZE};
    EXPECT_EQ(g_seen, expected);

    // The first message fetched is the pending paint, which DefWindowProcA validates.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_PAINT});
    DispatchMessageA(&msg);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    g_seen.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    expected = {WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(g_seen, expected);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));

    // A window whose WM_CREATE answers -1 is not created.
    g_createResult = -1;
    EXPECT_EQ(MakeWindow(), nullptr);
    // Unknown classes and children of missing parents fail.
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    g_createResult = 0;
    EXPECT_EQ(MakeWindow(WS_CHILD, platform::HandleFromValue(0x1234)), nullptr);
}

TEST_F(WindowManagerTest, QueueOrderFiltersAndQuit) {
    HWND hwnd = MakeWindow(WS_POPUP);  // not visible: no paint pending
    ASSERT_NE(hwnd, nullptr);
    SetTimer(hwnd, 1, 0, nullptr);
    PostMessageA(hwnd, WM_USER + 1, 7, 8);
    PostMessageA(hwnd, WM_TIMER + 0, 99, 0);  // a posted timer-range message
    PostMessageA(hwnd, WM_USER + 2, 0, 0);

    MSG msg;
    // A range filter picks the matching message out of order.
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 2});
    // PM_NOREMOVE leaves it in place.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 1});
    EXPECT_EQ(msg.wParam, WPARAM{7});
    // Removing WM_TIMER messages takes the posted one, then the interval-0 timer's.
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD));
    EXPECT_EQ(msg.wParam, WPARAM{99});

    // Quit comes after posted messages, before timers.
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    PostQuitMessage(5);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT{WM_USER + 3});
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT{WM_QUIT});
    EXPECT_EQ(msg.wParam, WPARAM{5});

    // With an empty queue, an interval-0 timer fires every time.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        EXPECT_EQ(msg.message, UINT{WM_TIMER});
        EXPECT_EQ(msg.wParam, WPARAM{1});
    }
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Messages of a destroyed window are dropped.
    PostMessageA(hwnd, WM_USER, 0, 0);
    DestroyWindow(hwnd);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
}

TEST_F(WindowManagerTest, TimersWithAnIntervalWaitForTheClock) {
    HWND hwnd = MakeWindow(WS_POPUP);
    SetTimer(hwnd, 3, 50, nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    platform::AdvanceVirtualClock(50);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM{3});
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    // GetMessageA sleeps (on the virtual clock) until the timer is due.
    DWORD before = GetTickCount();
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT{WM_TIMER});
    EXPECT_GE(GetTickCount() - before, 50u);
}

TEST_F(WindowManagerTest, InputClosesAndCursorThroughTheBackend) {
    platform::HeadlessSetScreenSize(1024, 768);
    RECT screen;
    EXPECT_EQ(GetClipBox(GetDC(nullptr), &screen), SIMPLEREGION);
    EXPECT_EQ(screen.right, 1024);
    EXPECT_EQ(screen.bottom, 768);

    HWND hwnd = MakeWindow(WS_POPUP);
    g_seen.clear();
    // A mouse message is preceded by WM_SETCURSOR, sent at once.
    platform::HeadlessInjectMessage(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0], UINT{WM_SETCURSOR});
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_MOUSEMOVE});

    platform::HeadlessSetCursorPos(17, 23);
    POINT pt;
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 17);
    EXPECT_EQ(pt.y, 23);
    SetCursor(nullptr);
    EXPECT_FALSE(platform::HeadlessCursorVisible());

    // A termination signal becomes WM_CLOSE, which DefWindowProcA turns into destruction.
    platform::RequestCloseFromSignal();
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_CLOSE});
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowManagerTest, ForeignParentsAndOtherProcesses) {
    platform::HeadlessAddForeignWindow(0x2a00007, 155, 115);
    HWND parent = platform::HandleFromValue(0x2a00007);
    EXPECT_TRUE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(platform::HandleFromValue(0x2a00008)));
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    RECT rc;
    ASSERT_TRUE(GetClientRect(parent, &rc));
    EXPECT_EQ(rc.right, 155);
    EXPECT_EQ(rc.bottom, 115);
    // A child window is never activated.
    EXPECT_EQ(GetForegroundWindow(), nullptr);

    EXPECT_EQ(FindWindowA("TestClass", "Other"), nullptr);
    platform::HeadlessSetOtherSaverWindow(0x3c00001);
    HWND other = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
    EXPECT_EQ(other, platform::HandleFromValue(0x3c00001));
    EXPECT_TRUE(IsWindow(other));
    EXPECT_TRUE(SetForegroundWindow(other));
    EXPECT_EQ(platform::HeadlessLastRaisedWindow(), uintptr_t{0x3c00001});
    // Our own window is found first.
    EXPECT_EQ(FindWindowA("testclass", "Title"), child);
}

}  // namespace
