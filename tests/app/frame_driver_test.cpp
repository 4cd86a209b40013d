// The frame driver against the fake DirectDraw / Direct3D objects: each
// fall-back of InitApp, the display gate and the lost-surface restore of
// RenderFrame, the tear-down with and without a framework, released texture
// handles, and a windowed flight following its window's size.
#include "app/frame_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/app_test_support.h"
#include "app/saver_app.h"
#include "platform/platform_testing.h"
#include "scene/flight_scene.h"

namespace {

using apptest::IndexOf;
using fakedx::W;
using Dwords = std::vector<DWORD>;
using Calls = std::vector<std::string>;

class FrameDriverTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "FrameDriverTestWindow";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        CurrentSettings.Width = 1024;
        CurrentSettings.Height = 768;
        CurrentSettings.BitCount = 32;
    }
    void TearDown() override {
        ShutdownApp(window);
        DestroyWindow(window);
        UnregisterClassA("FrameDriverTestWindow", nullptr);
        AppTest::TearDown();
    }

    HWND window = nullptr;
};

TEST_F(FrameDriverTest, EachFallBackIsTriedInTurn) {
    W().refuseUnlistedModes = true;
    struct Case {
        std::vector<DDSURFACEDESC2> modes;
        bool hardware;
        std::vector<Dwords> tried;
        GUID device;
    };
    const std::vector<Case> cases = {
        // The configured mode works.
        {{fakedx::Mode(1024, 768, 32)}, true, {{1024, 768, 32}}, IID_IDirect3DHALDevice},
        // The same size at 16 bits.
        {{fakedx::Mode(1024, 768, 16)}, true, {{1024, 768, 32}, {1024, 768, 16}}, IID_IDirect3DHALDevice},
        // 640 x 480 x 16.
        {{fakedx::Mode(640, 480, 16)}, true, {{1024, 768, 32}, {1024, 768, 16}, {640, 480, 16}},
         IID_IDirect3DHALDevice},
        // No hardware device: the software rasteriser at 640 x 480 x 16.
        {{fakedx::Mode(1024, 768, 32), fakedx::Mode(640, 480, 16)},
         false,
         {{1024, 768, 32}, {1024, 768, 16}, {640, 480, 16}, {640, 480, 16}},
         IID_IDirect3DRGBDevice},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        W().drivers[0].modes = c.modes;
        W().failHardwareDevice = !c.hardware;
        W().displayModes.clear();
        W().deviceTypes.clear();
        ASSERT_EQ(InitApp(window), S_OK) << "case " << i;
        EXPECT_EQ(W().displayModes, c.tried) << "case " << i;
        EXPECT_EQ(W().deviceTypes.back(), c.device) << "case " << i;
        EXPECT_TRUE(Framework && Framework->GetDevice() && Framework->isFullscreen) << "case " << i;
        ShutdownApp(window);
        EXPECT_EQ(W().liveObjects, 0) << "case " << i;
    }

    // Nothing works: E_FAIL, and every attempt let go of what it made.
    W().drivers[0].modes = {fakedx::Mode(800, 600, 32)};
    W().failHardwareDevice = true;
    W().displayModes.clear();
    EXPECT_EQ(InitApp(window), E_FAIL);
    EXPECT_EQ(W().displayModes.size(), 4u);
    EXPECT_EQ(W().liveObjects, 0);
    ASSERT_NE(Framework, nullptr);  // the framework stays, empty, until ShutdownApp
    EXPECT_EQ(Framework->GetDevice(), nullptr);
}

TEST_F(FrameDriverTest, DesktopSettingsTryTheDesktopsModeFirst) {
    platform::SetDisplayForTest(1280, 1024, 32, {});
    CurrentSettings.UseDesktopSettings = 1;
    ASSERT_EQ(InitApp(window), S_OK);
    EXPECT_EQ(W().displayModes, (std::vector<Dwords>{{1280, 1024, 32}}));
}

TEST_F(FrameDriverTest, FramesPauseWhileTheDisplayIsLostAndResume) {
    ASSERT_EQ(InitApp(window), S_OK);
    W().calls.clear();
    ASSERT_EQ(RenderFrame(), S_OK);
    EXPECT_EQ(W().calls, (Calls{"TestCooperativeLevel", "BeginScene", "EndScene", "Flip"}));

    // Another program owns the display: nothing is drawn, and no error.
    W().failures["TestCooperativeLevel"] = DDERR_NOEXCLUSIVEMODE;
    const DWORD lastFrame = Scene.lastFrameTime;
    platform::AdvanceVirtualClock(500);
    W().calls.clear();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(RenderFrame(), S_OK);
    EXPECT_EQ(W().calls, Calls(3, "TestCooperativeLevel"));
    EXPECT_EQ(Scene.lastFrameTime, lastFrame);

    // Back: frames resume.
    W().failures.erase("TestCooperativeLevel");
    W().calls.clear();
    EXPECT_EQ(RenderFrame(), S_OK);
    EXPECT_EQ(W().calls, (Calls{"TestCooperativeLevel", "BeginScene", "EndScene", "Flip"}));
    EXPECT_NE(Scene.lastFrameTime, lastFrame);

    // A frame the scene cannot begin is not presented.
    W().failures["BeginScene"] = DDERR_GENERIC;
    W().calls.clear();
    EXPECT_EQ(RenderFrame(), E_FAIL);
    EXPECT_EQ(IndexOf("Flip"), -1);
}

TEST_F(FrameDriverTest, ALostSurfaceIsRestoredAndOtherPresentFailuresIgnored) {
    ASSERT_EQ(InitApp(window), S_OK);
    W().failures["Flip"] = DDERR_SURFACELOST;
    W().calls.clear();
    EXPECT_EQ(RenderFrame(), S_OK);
    const int flip = IndexOf("Flip");
    EXPECT_TRUE(flip >= 0 && IndexOf("RestoreAllSurfaces") == flip + 1);

    W().failures["Flip"] = DDERR_GENERIC;
    W().calls.clear();
    EXPECT_EQ(RenderFrame(), S_OK);
    EXPECT_EQ(IndexOf("RestoreAllSurfaces"), -1);
}

TEST_F(FrameDriverTest, ShutdownWithoutAFrameworkAndReleasedTexturesBecomeNull) {
    // Creation failed early: only `running` is cleared.
    SaverApp.running = true;
    ShutdownApp(window);
    EXPECT_FALSE(SaverApp.running);
    EXPECT_EQ(Framework, nullptr);
    EXPECT_TRUE(W().calls.empty());

    // Released handles are cleared, so a second release frees nothing twice.
    ASSERT_EQ(InitApp(window), S_OK);
    IDirectDrawSurface7* texture = nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = desc.dwHeight = 8;
    ASSERT_EQ(Framework->GetDirectDraw()->CreateSurface(&desc, &texture, nullptr), S_OK);
    // Two handles of the scene and one of the test's own.
    texture->AddRef();
    texture->AddRef();
    Scene.pictureTexture = texture;
    Scene.digitTextures[3] = texture;
    ReleaseDeviceObjects(window, Framework->GetDevice());
    EXPECT_EQ(Scene.pictureTexture, nullptr);
    EXPECT_EQ(Scene.digitTextures[3], nullptr);
    ReleaseDeviceObjects(window, Framework->GetDevice());
    EXPECT_EQ(texture->Release(), 0u);  // exactly the test's own reference was left
}

TEST_F(FrameDriverTest, AWindowedFlightFollowsTheSizeOfItsWindow) {
    constexpr uintptr_t kParent = 0x4321;
    platform::HeadlessAddForeignWindow(kParent, 320, 240);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FrameDriverChild";
    RegisterClassA(&wc);
    HWND child = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 320, 240,
                                 reinterpret_cast<HWND>(kParent), nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(InitApp(child), S_OK);
    EXPECT_FALSE(Framework->isFullscreen);
    EXPECT_EQ((Dwords{Framework->width, Framework->height}), (Dwords{320, 240}));
    EXPECT_EQ(ResizeApp(child), S_OK);  // same size: nothing to do
    EXPECT_EQ(fakedx::Count("CreateDevice"), 1);

    platform::HeadlessResizeForeignWindow(kParent, 500, 280);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ((Dwords{DWORD(client.right), DWORD(client.bottom)}), (Dwords{500, 280}));
    EXPECT_EQ(ResizeApp(child), S_OK);
    EXPECT_EQ((Dwords{Framework->width, Framework->height}), (Dwords{500, 280}));
    EXPECT_EQ(fakedx::Count("CreateDevice"), 2);
    EXPECT_EQ(W().liveObjects > 0, true);
    ShutdownApp(child);
    EXPECT_EQ(W().liveObjects, 0);
    DestroyWindow(child);
    UnregisterClassA("FrameDriverChild", nullptr);
}

}  // namespace
