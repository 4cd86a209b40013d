// Nothing is allocated per frame: a counting operator new, switched on only
// around the frames, watches 1,000 frames of the scene after set-up, and
// 10,000 frames of the running saver through its message loop. The
// frames that load a new picture (a JPEG decoded into a fresh texture, as
// the programme asks) are the only ones allowed to allocate.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/frame_driver.h"
#include "app/headless_render.h"
#include "app/saver_app.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "scene/flight_scene.h"
#include "scene_test_support.h"

namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<long> allocationCount{0};
std::atomic<bool> sparingTheDriver{false};  // allocations inside the GL driver are not counted

// Whether an allocation is made inside the GL driver: its shader compiler
// allocates when it first meets a combination of states. That is the
// driver's own, done once, and not an allocation of ours.
bool FromGlDriver() {
    void* frames[64];
    const int count = backtrace(frames, 64);
    for (int i = 0; i < count; ++i) {
        Dl_info info{};
        if (dladdr(frames[i], &info) && info.dli_fname &&
            (std::strstr(info.dli_fname, "_dri.so") || std::strstr(info.dli_fname, "libLLVM"))) {
            return true;
        }
    }
    return false;
}

void* CountedAllocation(std::size_t size) {
    if (countingAllocations.exchange(false, std::memory_order_relaxed)) {
        if (!sparingTheDriver || !FromGlDriver()) allocationCount.fetch_add(1, std::memory_order_relaxed);
        countingAllocations.store(true, std::memory_order_relaxed);
    }
    return std::malloc(size == 0 ? 1 : size);
}
// Kept out of line, so that the compiler does not pair the replaced new with
// a bare free() and warn about a mismatch that is none.
[[gnu::noinline]] void CountedRelease(void* p) noexcept { std::free(p); }
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = CountedAllocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = CountedAllocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void operator delete(void* p) noexcept { CountedRelease(p); }
void operator delete[](void* p) noexcept { CountedRelease(p); }
void operator delete(void* p, std::size_t) noexcept { CountedRelease(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedRelease(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedRelease(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedRelease(p); }

namespace {

struct AllocationReport {
    std::vector<int> allocatingFrames;  // outside the frames that load a picture
    int pictureFrames = 0;
};

// Counts the allocations of each call of `frame` (0..count-1).
template <typename Frame>
AllocationReport WatchFrames(int count, Frame frame) {
    AllocationReport report;
    for (int i = 0; i < count; ++i) {
        const int cursor = Scene.pictureCursor;
        allocationCount = 0;
        countingAllocations = true;
        frame();
        countingAllocations = false;
        const bool pictureLoaded = Scene.pictureCursor != cursor;
        report.pictureFrames += pictureLoaded;
        if (allocationCount != 0 && !pictureLoaded) report.allocatingFrames.push_back(i);
    }
    return report;
}

Settings AllocationSettings() {
    Settings settings = BuiltInSettings;
    settings.VexlarStream = 1;
    settings.ShowFPS = 1;
    settings.ShowTime = 1;
    return settings;
}

// The scene's own code (update, effects, drawing) on a device that
// allocates nothing itself: 1,000 frames through roaming, the rays and a
// picture.
class SceneAllocationTest : public scenetest::SceneTest {};

TEST_F(SceneAllocationTest, SceneCodeAllocatesNothingPerFrame) {
    device.recording = false;
    Start(AllocationSettings(), 97);
    Scene.phase = PhaseRoam;  // reach the rays before the picture
    Scene.phaseClock = 0.0f;
    bool sawRays = false, sawPicture = false;
    AllocationReport report = WatchFrames(1000, [&] {
        Frame(150);
        sawRays = sawRays || Scene.phase == PhaseRays;
        sawPicture = sawPicture || Scene.sparks.stage == SparkField::StagePictureShown;
    });
    EXPECT_TRUE(report.allocatingFrames.empty())
        << report.allocatingFrames.size() << " frames allocated, the first " << report.allocatingFrames.front();
    EXPECT_TRUE(sawRays);
    EXPECT_TRUE(sawPicture);
    EXPECT_EQ(report.pictureFrames, 1);
}

// The whole frame on the headless device. The device compiles a pipeline
// the first time it meets a combination of states, so a first flight warms
// it up; the same flight again, from a fresh scene set-up on the same
// device, must then allocate nothing at all.
TEST(SceneDeviceAllocationTest, SecondFlightOnTheDeviceAllocatesNothing) {
    CurrentSettings = AllocationSettings();
    HeadlessRenderer renderer;
    ASSERT_EQ(renderer.Open(64, 48, 10, 2468, 1000000), "");
    AllocationReport warmUp = WatchFrames(1000, [&] { renderer.Step(); });
    EXPECT_EQ(warmUp.pictureFrames, 1);

    ReleaseSceneTextures();
    ResetFlightScene();
    platform::UseVirtualClock(50000, 2468);
    SetupScene();
    CreateSceneDeviceObjects(nullptr, renderer.Device());
    renderer.Step();  // the new textures reach the device
    AllocationReport report = WatchFrames(1000, [&] { renderer.Step(); });
    renderer.Close();
    CurrentSettings = BuiltInSettings;
    EXPECT_TRUE(report.allocatingFrames.empty())
        << report.allocatingFrames.size() << " frames allocated, the first " << report.allocatingFrames.front();
    EXPECT_EQ(report.pictureFrames, 1);
}

// One frame of the running saver, the way it runs: messages fetched and
// dispatched to the window procedures until a frame timer tick was handled.
// Under the virtual clock, waiting for the timer moves time on.
bool LoopOneFrame() {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_TIMER) return true;
    }
    return false;
}

// The saver's own path on the headless device: window, timer, message loop,
// window procedures, frame driver, scene. After a warm-up, in which the
// device's buffers reach the size this flight needs, nothing of ours is
// allocated per frame but a picture's texture.
TEST(SaverLoopAllocationTest, TenThousandFramesThroughTheMessageLoopAllocateNothing) {
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::HeadlessSetScreenSize(64, 48);
    platform::UseVirtualClock(10000, 1357);
    ResetHostState();
    Host.instance = GetModuleHandleA(nullptr);
    ResetSaverApp();
    SaverApp.musicAllowed = false;
    ResetFlightScene();
    CurrentSettings = AllocationSettings();
    platform::SetCommandLineText("vexlar3d /s");
    ASSERT_EQ(CreateSaverWindow(nullptr), SaverWindowOutcome::Created);
    ASSERT_TRUE(SaverApp.running && Framework);

    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(LoopOneFrame());
    bool ended = false;
    sparingTheDriver = true;
    AllocationReport report = WatchFrames(10000, [&] { ended = ended || !LoopOneFrame(); });
    sparingTheDriver = false;
    EXPECT_FALSE(ended);
    EXPECT_TRUE(report.allocatingFrames.empty())
        << report.allocatingFrames.size() << " frames allocated, the first " << report.allocatingFrames.front();

    DestroyWindow(Host.saverWindow);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    platform::UseRealClock();
    CurrentSettings = BuiltInSettings;
}

}  // namespace
