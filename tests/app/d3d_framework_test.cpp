// D3DFramework against the fake DirectDraw / Direct3D objects: the creation
// arguments, the mode and z-buffer decisions, the result code of each
// failing step, presentation and the reference counts of the tear-down.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/d3d_framework.h"
#include "app/fake_directx.h"
#include "platform/platform_testing.h"

namespace {

using fakedx::W;
using Dwords = std::vector<DWORD>;

Dwords Corners(const RECT& r) {
    return {static_cast<DWORD>(r.left), static_cast<DWORD>(r.top), static_cast<DWORD>(r.right),
            static_cast<DWORD>(r.bottom)};
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

class D3DFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "FrameworkTestWindow";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 100, 50, 320, 200, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
        fakedx::Install();
    }
    void TearDown() override {
        EXPECT_EQ(W().liveObjects, 0) << "DirectDraw or Direct3D objects left alive";
        fakedx::Uninstall();
    }

    HRESULT FullScreen(D3DFramework& fw, DWORD width, DWORD height, DWORD bits, DWORD flags = 0) {
        mode = fakedx::Mode(width, height, bits);
        mode.dwRefreshRate = 75;
        return fw.Initialize(window, nullptr, &IID_IDirect3DHALDevice, &mode, kFrameworkFullscreen | flags);
    }
    HRESULT Windowed(D3DFramework& fw, DWORD flags, const GUID& type = IID_IDirect3DHALDevice) {
        return fw.Initialize(window, nullptr, &type, nullptr, flags);
    }
    static void ExpectEmpty(const D3DFramework& fw) {
        EXPECT_TRUE(!fw.directDraw && !fw.direct3D && !fw.device && !fw.frontBuffer && !fw.backBuffer &&
                    !fw.backBufferRight && !fw.zBuffer);
    }

    HWND window = nullptr;
    DDSURFACEDESC2 mode{};
};

TEST_F(D3DFrameworkTest, FullScreenDeviceIsCreatedWithItsArgumentsInOrder) {
    D3DFramework fw;
    ASSERT_EQ(FullScreen(fw, 800, 600, 32, kFrameworkZBuffer), S_OK);

    EXPECT_EQ(W().cooperativeLevels, Dwords{0x13 | 0x800});
    EXPECT_EQ(W().setDisplayMode, (Dwords{800, 600, 32, 75, 0}));
    ASSERT_EQ(W().createdSurfaces.size(), 2u);
    const DDSURFACEDESC2& primary = W().createdSurfaces[0];
    EXPECT_EQ((Dwords{primary.dwFlags, primary.ddsCaps.dwCaps, primary.ddsCaps.dwCaps2, primary.dwBackBufferCount}),
              (Dwords{0x21, 0x2218, 0, 1}));
    // The z-buffer: the back buffer's size, video memory for the hardware
    // device, the enumerated format copied whole.
    const DDSURFACEDESC2& depth = W().createdSurfaces[1];
    EXPECT_EQ((Dwords{depth.dwFlags, depth.ddsCaps.dwCaps, depth.dwWidth, depth.dwHeight}),
              (Dwords{0x1007, 0x20000 | 0x4000, 800, 600}));
    EXPECT_TRUE(SameFormat(depth.ddpfPixelFormat, fakedx::ZFormat(32)));
    EXPECT_TRUE(W().zFormatDeviceType == IID_IDirect3DHALDevice && W().deviceType == IID_IDirect3DHALDevice);
    ASSERT_EQ(W().attachments.size(), 1u);
    EXPECT_EQ(W().attachments[0], std::make_pair(fw.backBuffer, fw.zBuffer));
    EXPECT_EQ(W().renderTarget, fw.backBuffer);
    const D3DVIEWPORT7& vp = W().viewport;
    EXPECT_EQ((Dwords{vp.dwX, vp.dwY, vp.dwWidth, vp.dwHeight}), (Dwords{0, 0, 800, 600}));
    EXPECT_EQ(vp.dvMinZ, 0.0f);
    EXPECT_EQ(vp.dvMaxZ, 1.0f);
    EXPECT_EQ(Corners(fw.screenRect), (Dwords{0, 0, 800, 600}));
    EXPECT_EQ(fw.deviceMemoryType, DWORD{DDSCAPS_VIDEOMEMORY});

    // The desktop depth is judged before the mode changes.
    std::vector<std::string> order;
    for (const std::string& call : W().calls) {
        if (call != "GetAttachedSurface" && call != "GetCaps") order.push_back(call);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"DirectDrawCreateEx", "SetCooperativeLevel", "GetDisplayMode",
                                               "SetDisplayMode", "CreatePrimary", "QueryDirect3D", "CreateDevice",
                                               "SetViewport", "EnumZBufferFormats", "CreateZBuffer",
                                               "AddAttachedSurface", "SetRenderTarget"}));

    EXPECT_EQ(fw.ShowFrame(), S_OK);
    EXPECT_EQ(W().flips, Dwords{DDFLIP_WAIT});
    W().failures["Flip"] = DDERR_SURFACELOST;
    EXPECT_EQ(fw.ShowFrame(), DDERR_SURFACELOST);
    EXPECT_EQ(fw.RestoreSurfaces(), S_OK);
    EXPECT_EQ(fakedx::Count("RestoreAllSurfaces"), 1);

    EXPECT_EQ(fw.DestroyObjects(), S_OK);
    EXPECT_EQ(W().cooperativeLevels.back(), DWORD{DDSCL_NORMAL});
    ExpectEmpty(fw);
    EXPECT_EQ(W().liveObjects, 0);
    EXPECT_EQ(fw.ShowFrame(), kFrameworkNoFrontBuffer);
}

TEST_F(D3DFrameworkTest, WindowedDeviceBlitsItsBackBufferToTheClientArea) {
    D3DFramework fw;
    ASSERT_EQ(Windowed(fw, kFrameworkZBuffer | kFrameworkNoFpuSetup, IID_IDirect3DRGBDevice), S_OK);
    EXPECT_EQ(W().cooperativeLevels, Dwords{DDSCL_NORMAL});
    EXPECT_TRUE(W().setDisplayMode.empty());
    EXPECT_EQ(W().clipperWindow, window);
    ASSERT_EQ(W().createdSurfaces.size(), 3u);
    EXPECT_EQ((Dwords{W().createdSurfaces[0].dwFlags, W().createdSurfaces[0].ddsCaps.dwCaps}), (Dwords{1, 0x200}));
    const DDSURFACEDESC2& back = W().createdSurfaces[1];
    EXPECT_EQ((Dwords{back.dwFlags, back.ddsCaps.dwCaps, back.dwWidth, back.dwHeight}), (Dwords{7, 0x2040, 320, 200}));
    EXPECT_EQ(W().createdSurfaces[2].ddsCaps.dwCaps, 0x20000u | 0x800u);  // software device: system memory
    EXPECT_EQ((Dwords{W().viewport.dwWidth, W().viewport.dwHeight}), (Dwords{320, 200}));
    EXPECT_EQ(Corners(fw.screenRect), (Dwords{100, 50, 420, 250}));

    EXPECT_EQ(fw.ShowFrame(), S_OK);
    EXPECT_TRUE(W().flips.empty());
    EXPECT_EQ(W().bltSource, fw.backBuffer);
    EXPECT_FALSE(W().bltHadSourceRect);
    EXPECT_EQ(W().bltFlags, DWORD{DDBLT_WAIT});
    EXPECT_EQ(Corners(W().bltDest), (Dwords{100, 50, 420, 250}));

    // Initialize again on the same object: the first set of objects goes.
    ASSERT_EQ(Windowed(fw, 0), S_OK);
    EXPECT_EQ(W().cooperativeLevels.back(), DWORD{DDSCL_NORMAL | DDSCL_FPUSETUP});
    EXPECT_EQ(fw.zBuffer, nullptr);
}

TEST_F(D3DFrameworkTest, StereoNeedsFullScreenAndAStereoMode) {
    D3DFramework fw;
    mode = fakedx::Mode(1024, 768, 32);
    mode.ddsCaps.dwCaps2 = DDSCAPS2_STEREOSURFACELEFT;
    DWORD stereo = kFrameworkFullscreen | kFrameworkStereo;
    ASSERT_EQ(fw.Initialize(window, nullptr, &IID_IDirect3DHALDevice, &mode, stereo | kFrameworkZBuffer), S_OK);
    EXPECT_TRUE(fw.isStereo);
    EXPECT_EQ((Dwords{W().createdSurfaces[0].ddsCaps.dwCaps, W().createdSurfaces[0].ddsCaps.dwCaps2}),
              (Dwords{0x6218, DDSCAPS2_STEREOSURFACELEFT}));
    ASSERT_NE(fw.backBufferRight, nullptr);
    EXPECT_NE(fw.backBufferRight, fw.backBuffer);
    ASSERT_EQ(W().attachments.size(), 2u);
    EXPECT_EQ(W().attachments[1], std::make_pair(fw.backBufferRight, fw.zBuffer));
    EXPECT_EQ(fw.ShowFrame(), S_OK);
    EXPECT_EQ(W().flips, Dwords{DDFLIP_WAIT | DDFLIP_STEREO});

    // The flag with a plain mode, or without full screen, gives a plain chain.
    mode.ddsCaps.dwCaps2 = 0;
    ASSERT_EQ(fw.Initialize(window, nullptr, &IID_IDirect3DHALDevice, &mode, stereo), S_OK);
    EXPECT_FALSE(fw.isStereo);
    EXPECT_EQ(fw.backBufferRight, nullptr);
    ASSERT_EQ(Windowed(fw, kFrameworkStereo), S_OK);
    EXPECT_FALSE(fw.isStereo);
}

TEST_F(D3DFrameworkTest, DisplayModeDecisions) {
    // A palettized desktop holds no device, and its mode is never changed.
    for (DWORD bits : {8u, 4u}) {
        W().displayMode = fakedx::Mode(1024, 768, bits);
        D3DFramework fw;
        EXPECT_EQ(Windowed(fw, kFrameworkZBuffer), kFrameworkPalettizedDesktop);
        EXPECT_EQ(FullScreen(fw, 640, 480, 16, kFrameworkZBuffer), kFrameworkPalettizedDesktop);
        EXPECT_TRUE(W().setDisplayMode.empty());
        ExpectEmpty(fw);
    }
    // Only 320 x 200 x 8 is set as the standard VGA mode.
    for (Dwords m : {Dwords{320, 200, 8, DDSDM_STANDARDVGAMODE}, Dwords{320, 200, 16, 0}, Dwords{320, 240, 8, 0},
                     Dwords{640, 480, 8, 0}}) {
        W().displayMode = fakedx::Mode(1024, 768, 32);
        D3DFramework fw;
        ASSERT_EQ(FullScreen(fw, m[0], m[1], m[2]), S_OK);
        EXPECT_EQ(W().setDisplayMode, (Dwords{m[0], m[1], m[2], 75, m[3]}));
    }
}

TEST_F(D3DFrameworkTest, ZBufferFollowsTheDeviceAndTheBackBufferDepth) {
    D3DFramework fw;
    // A device that removes hidden surfaces itself gets none; so does a request without the flag.
    W().rasterCaps = D3DPRASTERCAPS_ZBUFFERLESSHSR;
    ASSERT_EQ(FullScreen(fw, 800, 600, 32, kFrameworkZBuffer), S_OK);
    EXPECT_EQ(fw.zBuffer, nullptr);
    W().rasterCaps = 0;
    ASSERT_EQ(FullScreen(fw, 800, 600, 32), S_OK);
    EXPECT_EQ(fw.zBuffer, nullptr);
    EXPECT_EQ(fakedx::Count("EnumZBufferFormats"), 0);

    // No 32-bit depth format for a 32-bit back buffer: the first 16-bit one.
    W().zFormats = {fakedx::ZFormat(24), fakedx::ZFormat(16), fakedx::ZFormat(16)};
    W().zFormats[2].dwRGBAlphaBitMask = 0;
    ASSERT_EQ(FullScreen(fw, 800, 600, 32, kFrameworkZBuffer), S_OK);
    ASSERT_NE(fw.zBuffer, nullptr);
    EXPECT_TRUE(SameFormat(W().createdSurfaces.back().ddpfPixelFormat, fakedx::ZFormat(16)));

    // A 16-bit back buffer takes the 16-bit format even when 32 comes first.
    W().zFormats = {fakedx::ZFormat(32), fakedx::ZFormat(16)};
    ASSERT_EQ(FullScreen(fw, 640, 480, 16, kFrameworkZBuffer), S_OK);
    EXPECT_EQ(W().createdSurfaces.back().ddpfPixelFormat.dwZBufferBitDepth, 16u);
}

TEST_F(D3DFrameworkTest, EachFailingStepGivesItsCodeAndLeavesNothingBehind) {
    struct Case {
        bool fullscreen;
        const char* call;  // null: no z-buffer format at all
        HRESULT injected;
        HRESULT expected;
    };
    const Case cases[] = {
        {true, "DirectDrawCreateEx", DDERR_GENERIC, kFrameworkNoDirectDraw},
        {false, "SetCooperativeLevel", DDERR_EXCLUSIVEMODEALREADYSET, kFrameworkNoCooperativeLevel},
        {true, "GetDisplayMode", DDERR_GENERIC, kFrameworkPalettizedDesktop},
        {true, "SetDisplayMode", DDERR_INVALIDMODE, kFrameworkBadDisplayMode},
        {true, "CreatePrimary", DDERR_GENERIC, kFrameworkNoPrimarySurface},
        {false, "CreatePrimary", DDERR_GENERIC, kFrameworkNoPrimarySurface},
        {true, "CreatePrimary", DDERR_OUTOFVIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY},
        {true, "GetAttachedSurface", DDERR_NOTFOUND, kFrameworkNoBackBuffer},
        {false, "CreateClipper", DDERR_GENERIC, kFrameworkNoClipper},
        {false, "SetHWnd", DDERR_INVALIDPARAMS, kFrameworkNoClipper},
        {false, "CreateBackBuffer", DDERR_GENERIC, kFrameworkNoBackBuffer},
        {false, "CreateBackBuffer", DDERR_OUTOFVIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY},
        {true, "QueryDirect3D", E_NOINTERFACE, kFrameworkNoDirect3D},
        {true, "CreateDevice", D3DERR_INVALID_DEVICE, kFrameworkNoDevice},
        {false, "SetViewport", DDERR_INVALIDPARAMS, kFrameworkNoViewport},
        {true, nullptr, S_OK, kFrameworkNoZBuffer},
        {true, "CreateZBuffer", DDERR_GENERIC, kFrameworkNoZBuffer},
        {false, "CreateZBuffer", DDERR_OUTOFVIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY},
        {true, "AddAttachedSurface", DDERR_GENERIC, kFrameworkNoZBuffer},
        {false, "SetRenderTarget", DDERR_GENERIC, kFrameworkNoZBuffer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call ? c.call : "no depth format") + (c.fullscreen ? ", full screen" : ""));
        fakedx::Install();
        if (c.call) W().failures[c.call] = c.injected;
        else W().zFormats.clear();
        D3DFramework fw;
        EXPECT_EQ(c.fullscreen ? FullScreen(fw, 800, 600, 32, kFrameworkZBuffer) : Windowed(fw, kFrameworkZBuffer),
                  c.expected);
        EXPECT_GE(fakedx::Count(c.call ? c.call : "EnumZBufferFormats"), 1) << "the failure was never reached";
        ExpectEmpty(fw);
        EXPECT_EQ(W().liveObjects, 0);
        if (!W().cooperativeLevels.empty()) {
            EXPECT_EQ(W().cooperativeLevels.back(), DWORD{DDSCL_NORMAL});
        }
    }

    D3DFramework fw;
    EXPECT_EQ(fw.Initialize(nullptr, nullptr, &IID_IDirect3DHALDevice, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(fw.Initialize(window, nullptr, nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(fw.Initialize(window, nullptr, &IID_IDirect3DHALDevice, nullptr, kFrameworkFullscreen), E_INVALIDARG);
}

TEST_F(D3DFrameworkTest, DestroyObjectsReportsObjectsStillReferenced) {
    D3DFramework fw;
    EXPECT_EQ(fw.DestroyObjects(), S_OK);  // empty: nothing to do
    EXPECT_EQ(fw.RestoreSurfaces(), S_OK);
    EXPECT_TRUE(W().calls.empty());

    ASSERT_EQ(FullScreen(fw, 640, 480, 16, kFrameworkZBuffer), S_OK);
    IDirect3DDevice7* device = fw.GetDevice();
    device->AddRef();
    EXPECT_EQ(fw.DestroyObjects(), kFrameworkStillReferenced);
    ExpectEmpty(fw);
    device->Release();
    EXPECT_EQ(W().liveObjects, 0);

    ASSERT_EQ(Windowed(fw, 0), S_OK);
    IDirectDraw7* directDraw = fw.GetDirectDraw();
    directDraw->AddRef();
    EXPECT_EQ(fw.DestroyObjects(), kFrameworkStillReferenced);
    directDraw->Release();

    {
        D3DFramework scoped;  // destruction tears an initialised framework down
        ASSERT_EQ(FullScreen(scoped, 640, 480, 16, kFrameworkZBuffer), S_OK);
    }
    EXPECT_EQ(W().liveObjects, 0);
}

}  // namespace
