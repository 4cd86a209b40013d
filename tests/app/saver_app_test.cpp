// SaverAppProc in the real saver window: the start-up and tear-down order
// across the display list, settings, device, scene, music and timer; the
// mode validation; the preview flag and picture; the mouse-move budget; when
// music plays; and the black inert window when no device comes up.
#include "app/saver_app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app_test_support.h"
#include "app/frame_driver.h"
#include "app/video_modes.h"
#include "config/registry_settings.h"
#include "config/setting_table.h"
#include "host/host_state.h"
#include "platform/platform_testing.h"
#include "platform/win32/gdi_objects.h"
#include "scene/flight_scene.h"

namespace {

using apptest::CallsStartingWith;
using apptest::IndexOf;
using fakedx::W;
using Dwords = std::vector<DWORD>;

constexpr uintptr_t kParent = 0x1234;  // a window of another program (4660)

bool TimerPending(HWND window) {
    MSG msg{};
    return PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE) != FALSE;
}

bool ClosePending(HWND window) {
    MSG msg{};
    return PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
}

class SaverAppTest : public apptest::AppTest {};

TEST_F(SaverAppTest, StartUpAndTearDownRunInOrderAcrossTheSubsystems) {
    Scene.eye = Vec3{1.0f, 2.0f, 3.0f};  // the window procedure must set the start point before SetupScene
    Scene.fovX = Scene.fovY = Scene.nearPlane = Scene.farPlane = 0.0f;
    const size_t gdiBefore = platform::gdi::LiveGdiObjectCount();

    HWND window = StartSaver("vexlar3d /s");
    ASSERT_NE(window, nullptr);
    // The display list first (a DirectDraw object per driver), then the
    // framework at the configured mode, then music, then the timer.
    const int enumerate = IndexOf("DirectDrawCreateEx");
    const int framework = IndexOf("DirectDrawCreateEx", enumerate + 1);
    const int device = IndexOf("CreateDevice", framework);
    const int music = IndexOf("music.CreateLoader");
    const int play = IndexOf("music.PlaySegment");
    ASSERT_TRUE(enumerate >= 0 && framework > enumerate && device > framework && music > device && play > music)
        << enumerate << " " << framework << " " << device << " " << music << " " << play;
    EXPECT_EQ(W().enumerateCalls, 1);
    EXPECT_EQ(W().displayModes, (std::vector<Dwords>{{800, 600, 32}}));
    EXPECT_EQ(W().cooperativeLevels.front(), DWORD{0x13 | 0x800});  // full screen, exclusive
    EXPECT_EQ(W().deviceType, IID_IDirect3DHALDevice);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), gdiBefore + 1);  // the preview picture
    EXPECT_TRUE(SaverApp.running && !SaverApp.isPreview && Framework);
    // The start values were in place when the scene was set up.
    EXPECT_TRUE(Scene.position.x == -4.7f && Scene.position.y == -2.6f && Scene.position.z == -73.9f);
    EXPECT_TRUE(Scene.nearPlane == 0.05f && Scene.farPlane == 100.0f && Scene.fovX == 0.9424778f &&
                Scene.fovY == 0.9424778f);
    EXPECT_EQ(Scene.lastFrameTime, timeGetTime());
    // Without vertical sync, the frame timer waits the period of 60 frames a second.
    EXPECT_EQ(FrameTimerInterval(), 17u);
    platform::AdvanceVirtualClock(16);
    EXPECT_FALSE(TimerPending(window));
    platform::AdvanceVirtualClock(1);
    EXPECT_TRUE(TimerPending(window));

    // Each tick is one frame: the display check, the scene, the flip.
    W().calls.clear();
    RunTicks(2);
    EXPECT_EQ(W().calls, (std::vector<std::string>{"TestCooperativeLevel", "BeginScene", "EndScene", "Flip",
                                                    "TestCooperativeLevel", "BeginScene", "EndScene", "Flip"}));

    // Tear-down: the music stops before the framework lets go of the display.
    W().calls.clear();
    DestroyWindow(window);
    const int stop = IndexOf("music.Stop");
    const int closeDown = IndexOf("music.CloseDown");
    const int normal = IndexOf("SetCooperativeLevel");
    EXPECT_TRUE(stop >= 0 && closeDown > stop && normal > closeDown) << stop << " " << closeDown << " " << normal;
    EXPECT_EQ(W().cooperativeLevels.back(), DWORD{DDSCL_NORMAL});
    EXPECT_EQ(W().liveObjects, 0);
    EXPECT_EQ(apptest::LiveMusicObjects(), 0);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), gdiBefore);
    EXPECT_TRUE(!SaverApp.running && !Framework && !SaverApp.previewBitmap);
    EXPECT_TRUE(PumpMessages());  // the host posted the quit message
}

TEST_F(SaverAppTest, AnUnlistedModeIsReplacedInMemoryOnly) {
    Settings stored = BuiltInSettings;
    stored.Width = 1234;
    stored.Height = 567;
    stored.BitCount = 24;
    stored.UseDesktopSettings = 0;
    StoreSettings(stored);

    // 800 x 600 x 16 is listed: it replaces the configured mode.
    W().drivers[0].modes = {fakedx::Mode(640, 480, 16), fakedx::Mode(800, 600, 16), fakedx::Mode(800, 600, 32)};
    ASSERT_NE(StartSaver("vexlar3d /s"), nullptr);
    EXPECT_EQ((Dwords{DWORD(CurrentSettings.Width), DWORD(CurrentSettings.Height), DWORD(CurrentSettings.BitCount)}),
              (Dwords{800, 600, 16}));
    EXPECT_EQ(W().displayModes.front(), (Dwords{800, 600, 16}));
    DestroyWindow(Host.saverWindow);

    // Not listed either: the first mode of the list.
    W().drivers[0].modes = {fakedx::Mode(1024, 768, 32), fakedx::Mode(640, 480, 16)};
    W().displayModes.clear();
    ASSERT_NE(StartSaver("vexlar3d /s"), nullptr);
    EXPECT_EQ((Dwords{DWORD(CurrentSettings.Width), DWORD(CurrentSettings.Height), DWORD(CurrentSettings.BitCount)}),
              (Dwords{1024, 768, 32}));
    EXPECT_EQ(W().displayModes.front(), (Dwords{1024, 768, 32}));
    DestroyWindow(Host.saverWindow);

    // Nothing was written back.
    Settings reread = BuiltInSettings;
    ReadSettings(reread);
    EXPECT_EQ((Dwords{DWORD(reread.Width), DWORD(reread.Height), DWORD(reread.BitCount)}), (Dwords{1234, 567, 24}));
}

TEST_F(SaverAppTest, CommandLineSettingsHoldForTheRunAndAreNeverStored) {
    Settings stored = BuiltInSettings;
    stored.Background = 3;
    stored.MusicVolume = 90;
    StoreSettings(stored);
    SetOverride(CommandLineOverrides, &Settings::Background, 1);
    SetOverride(CommandLineOverrides, &Settings::Music, 0);
    SaverApp.frameDelayMs = 40;  // --delay 40000

    HWND window = StartSaver("vexlar3d /s");
    CommandLineOverrides = SettingOverrides{};
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CurrentSettings.Background, 1);
    EXPECT_EQ(CurrentSettings.MusicVolume, 90);  // what was not given stays as stored
    EXPECT_LT(IndexOf("music.PlaySegment"), 0);
    // The frame timer waits the delay: nothing is due before 40 ms have passed.
    EXPECT_FALSE(TimerPending(window));
    platform::AdvanceVirtualClock(40);
    EXPECT_TRUE(TimerPending(window));
    DestroyWindow(window);

    Settings reread = BuiltInSettings;
    ReadSettings(reread);
    EXPECT_EQ(reread.Background, 3);
    EXPECT_EQ(reread.Music, 1);
}

TEST_F(SaverAppTest, FramesArePacedByTheCapTheDelayOrTheDisplay) {
    struct Case {
        bool verticalSync;
        int32_t maxFps;
        UINT delayMs;
        UINT interval;
        const char* renderer = "Mesa Intel(R) UHD Graphics 620 (KBL GT2)";
    };
    const char* llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
    for (const Case& c : {Case{false, kAutomaticMaxFps, 0, 17}, Case{true, kAutomaticMaxFps, 0, 0},
                          Case{false, 0, 0, 0}, Case{true, 25, 0, 40}, Case{false, 1000, 0, 1},
                          Case{false, kAutomaticMaxFps, 50, 50}, Case{false, 30, 20, 34},
                          // Software GL: 30 a second unless the display paces, --max-fps or --delay says.
                          Case{false, kAutomaticMaxFps, 0, 34, llvmpipe},
                          Case{false, kAutomaticMaxFps, 0, 34, "softpipe"},
                          Case{false, kAutomaticMaxFps, 0, 34, "Mesa X11 swrast"},
                          Case{true, kAutomaticMaxFps, 0, 0, llvmpipe}, Case{false, 60, 0, 17, llvmpipe},
                          Case{false, kAutomaticMaxFps, 50, 50, llvmpipe}}) {
        platform::NoteVerticalSync(c.verticalSync);
        platform::NoteRenderer(c.renderer);
        SaverApp.maxFps = c.maxFps;
        SaverApp.frameDelayMs = c.delayMs;
        EXPECT_EQ(FrameTimerInterval(), c.interval)
            << c.verticalSync << " " << c.maxFps << " " << c.delayMs << " " << c.renderer;
    }
    platform::NoteVerticalSync(false);
    platform::NoteRenderer("");

    // Uncapped, the timer still waits Win32's 10 ms: at most a hundred frames a second.
    SaverApp.maxFps = 0;
    SaverApp.frameDelayMs = 0;
    HWND window = StartSaver("vexlar3d /s");
    ASSERT_NE(window, nullptr);
    RunTicks(1);
    const DWORD start = timeGetTime();
    RunTicks(100);
    EXPECT_EQ(timeGetTime() - start, 1000u);
    EXPECT_EQ(Scene.lastFrameTime, timeGetTime());  // the flight steps by the time that passed
}

TEST_F(SaverAppTest, NothingIsDrawnWhileNothingIsSeenAndTheFlightGoesOnWithoutAJump) {
    platform::HeadlessAddForeignWindow(kParent, 320, 240);
    HWND window = StartSaver("vexlar3d /l 4660", reinterpret_cast<HWND>(kParent));
    ASSERT_NE(window, nullptr);
    RunTicks(3);
    const Vec3 before = Scene.position;

    // The window we draw into is hidden (xscreensaver's settings dialog closed).
    platform::HeadlessShowForeignWindow(kParent, false);
    EXPECT_TRUE(SaverApp.unseen);
    platform::AdvanceVirtualClock(60000);
    EXPECT_FALSE(TimerPending(window)) << "no frame timer while unseen";
    W().calls.clear();
    RunTicks(1);
    EXPECT_TRUE(W().calls.empty());

    // Shown again a minute later: frames come again, from where the flight was.
    platform::HeadlessShowForeignWindow(kParent, true);
    EXPECT_FALSE(SaverApp.unseen);
    EXPECT_EQ(Scene.lastFrameTime, timeGetTime());
    RunTicks(1);
    EXPECT_EQ(CallsStartingWith("BeginScene").size(), 1u);
    const Vec3 after = Scene.position;
    const float dx = after.x - before.x, dy = after.y - before.y, dz = after.z - before.z;
    EXPECT_LT(dx * dx + dy * dy + dz * dz, 1.0f) << "the flight jumped ahead by the time it was unseen";
}

TEST_F(SaverAppTest, AWindowThatGoesAwayEndsTheSaverInOrder) {
    for (const char* commandLine : {"vexlar3d /p 4660", "vexlar3d /l 4660"}) {
        platform::HeadlessAddForeignWindow(kParent, 320, 240);
        CurrentSettings.Music = 1;
        HWND window = StartSaver(commandLine, reinterpret_cast<HWND>(kParent));
        ASSERT_NE(window, nullptr) << commandLine;
        RunTicks(2);
        platform::HeadlessDestroyForeignWindow(kParent);
        EXPECT_FALSE(IsWindow(window)) << commandLine;
        EXPECT_TRUE(PumpMessages()) << commandLine << ": the loop ends";
        EXPECT_TRUE(!SaverApp.running && !Framework) << commandLine;
        EXPECT_EQ(W().liveObjects, 0) << commandLine;
        EXPECT_EQ(apptest::LiveMusicObjects(), 0) << commandLine;
    }
}

TEST_F(SaverAppTest, DesktopSettingsUseTheDesktopsModeWhateverIsConfigured) {
    platform::SetDisplayForTest(1152, 864, 16, {});
    DEVMODEA desktop{};
    desktop.dmSize = sizeof desktop;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
    EXPECT_EQ((Dwords{desktop.dmPelsWidth, desktop.dmPelsHeight, desktop.dmBitsPerPel}), (Dwords{1152, 864, 16}));
    EXPECT_FALSE(EnumDisplaySettingsA("\\\\.\\DISPLAY2", ENUM_CURRENT_SETTINGS, &desktop));
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, &desktop));

    CurrentSettings.UseDesktopSettings = 1;  // configured: 800 x 600 x 32, which is listed
    ASSERT_NE(StartSaver("vexlar3d /s"), nullptr);
    EXPECT_EQ(W().displayModes.front(), (Dwords{1152, 864, 16}));
    EXPECT_EQ(CurrentSettings.Width, 800);  // the configured mode itself is left as it is
}

TEST_F(SaverAppTest, NoDeviceLeavesABlackInertWindowThatAKeyStillCloses) {
    W().failures["CreateDevice"] = DDERR_GENERIC;
    HWND window = StartSaver("vexlar3d /s");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fakedx::Count("CreateDevice"), 4);  // every fall-back was tried
    EXPECT_FALSE(SaverApp.running);
    EXPECT_FALSE(TimerPending(window));
    EXPECT_TRUE(CallsStartingWith("music.").empty());
    EXPECT_EQ(W().liveObjects, 0);  // each failed attempt let go of its objects

    platform::HeadlessInjectMessage(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(PumpMessages());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(CallsStartingWith("music.").empty());
}

TEST_F(SaverAppTest, MouseMovesAreSwallowedByTheBudget) {
    // ExitOnMouseMove on: the first 18 moves never close, then the host's threshold decides.
    HWND window = StartSaver("vexlar3d /s");
    ASSERT_NE(window, nullptr);
    for (int i = 1; i <= 18; ++i) {
        platform::HeadlessSetCursorPos(300 + 50 * i, 200);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        ASSERT_FALSE(ClosePending(window)) << "move " << i;
    }
    EXPECT_EQ(SaverApp.mouseMoveBudget, 0);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(ClosePending(window));
    DestroyWindow(window);

    // Off: the mouse never closes the saver; a key still does.
    CurrentSettings.ExitOnMouseMove = 0;
    platform::HeadlessSetCursorPos(300, 200);
    window = StartSaver("vexlar3d /s");
    ASSERT_NE(window, nullptr);
    for (int i = 1; i <= 100; ++i) {
        platform::HeadlessSetCursorPos(300 + 7 * i, 200 + 5 * i);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    }
    EXPECT_FALSE(ClosePending(window));
    EXPECT_EQ(SaverApp.mouseMoveBudget, kMouseMoveBudget);
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ClosePending(window));
}

TEST_F(SaverAppTest, MusicPlaysOnlyOutsidePreviewWithMusicOn) {
    platform::HeadlessAddForeignWindow(kParent, 200, 150);
    struct Case {
        const char* commandLine;
        int32_t music;
        bool allowed;
        bool plays;
    };
    const Case cases[] = {
        {"vexlar3d /s", 1, true, true},      {"vexlar3d /s", 0, true, false},
        {"vexlar3d /p 4660", 1, true, false}, {"vexlar3d /l 4660", 1, true, true},
        {"vexlar3d /l 4660", 1, false, false},  // xscreensaver's -window-id
    };
    for (const Case& c : cases) {
        CurrentSettings.Music = c.music;
        SaverApp.musicAllowed = c.allowed;
        W().calls.clear();
        const bool child = std::strstr(c.commandLine, "4660") != nullptr;
        HWND window = StartSaver(c.commandLine, child ? reinterpret_cast<HWND>(kParent) : nullptr);
        ASSERT_NE(window, nullptr) << c.commandLine;
        ASSERT_TRUE(Framework && Framework->GetDevice()) << c.commandLine;
        EXPECT_EQ(IndexOf("music.PlaySegment") >= 0, c.plays) << c.commandLine << " music " << c.music;
        DestroyWindow(window);
        // StopMusic only where StartMusic ran.
        EXPECT_EQ(IndexOf("music.CloseDown") >= 0, c.plays) << c.commandLine << " music " << c.music;
    }
}

TEST_F(SaverAppTest, PreviewShowsItsPictureTopLeftAndRendersNoFrame) {
    platform::HeadlessAddForeignWindow(kParent, 200, 150);
    CurrentSettings.Music = 1;
    HWND window = StartSaver("vexlar3d /p 4660", reinterpret_cast<HWND>(kParent));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SaverApp.isPreview && SaverApp.running && Scene.isPreview);
    EXPECT_EQ(W().cooperativeLevels.front(), DWORD{DDSCL_NORMAL | 0x800});  // a windowed device in the child
    EXPECT_TRUE(W().displayModes.empty());
    ASSERT_NE(SaverApp.previewBitmap, nullptr);
    BITMAP size{};
    ASSERT_EQ(GetObjectA(SaverApp.previewBitmap, sizeof size, &size), static_cast<int>(sizeof size));
    EXPECT_EQ(size.bmWidth, 155);
    EXPECT_EQ(size.bmHeight, 115);
    const std::vector<uint32_t> picture = platform::gdi::FindBitmap(SaverApp.previewBitmap)->pixels;

    W().calls.clear();
    EXPECT_FALSE(PumpMessages());  // the first paint
    RunTicks(3);
    EXPECT_TRUE(PumpMessages() == false && W().calls.empty()) << "no frame in preview";

    std::vector<uint32_t> image;
    int width = 0, height = 0;
    ASSERT_TRUE(platform::ReadWindowImage(window, &image, &width, &height));
    ASSERT_EQ(width, 200);
    ASSERT_EQ(height, 150);
    int wrong = 0, lit = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t got = image[static_cast<size_t>(y) * width + x];
            const bool inside = x < 155 && y < 115;
            const uint32_t want = inside ? picture[static_cast<size_t>(y) * 155 + x] & 0xFFFFFF : 0;
            wrong += got != want;
            lit += inside && got != 0;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(lit, 155 * 115 / 4) << "the preview picture is mostly black";

    // A repaint (the parent uncovered it) paints the same picture.
    InvalidateRect(window, nullptr, TRUE);
    PumpMessages();
    std::vector<uint32_t> again;
    ASSERT_TRUE(platform::ReadWindowImage(window, &again, &width, &height));
    EXPECT_EQ(again, image);

    // Input never closes a preview; only the parent's end does.
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(ClosePending(window));
}

TEST_F(SaverAppTest, PreviewFlagComesFromTheLetterAfterTheFirstSwitch) {
    EXPECT_TRUE(PreviewFromCommandLine("vexlar3d /p 12"));
    EXPECT_TRUE(PreviewFromCommandLine("vexlar3d -P12"));
    EXPECT_TRUE(PreviewFromCommandLine("\"C:\\My Savers\\vexlar3d.scr\" /p 12"));
    EXPECT_TRUE(PreviewFromCommandLine("vexlar3d x-p"));  // the first dash, wherever it is
    EXPECT_FALSE(PreviewFromCommandLine("vexlar3d /l 12"));  // /l runs the flight
    EXPECT_FALSE(PreviewFromCommandLine("vexlar3d /s /p"));  // only the first switch counts
    EXPECT_FALSE(PreviewFromCommandLine("\"/p\" /s"));       // the quoted program name is skipped
    EXPECT_FALSE(PreviewFromCommandLine("/usr/bin/vexlar3d /c"));
    EXPECT_FALSE(PreviewFromCommandLine("vexlar3d"));
    EXPECT_FALSE(PreviewFromCommandLine("vexlar3d /"));
    EXPECT_FALSE(PreviewFromCommandLine("\"unterminated /p"));
    EXPECT_FALSE(PreviewFromCommandLine(""));
}

}  // namespace
