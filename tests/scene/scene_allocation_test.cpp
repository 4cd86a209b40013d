// Nothing is allocated per frame: a counting operator new, switched on only
// around the frames, watches 1,000 frames of the scene after set-up. The
// frames that load a new picture (a JPEG decoded into a fresh texture, as
// the programme asks) are the only ones allowed to allocate.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "app/headless_render.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "scene/flight_scene.h"
#include "scene_test_support.h"

namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<long> allocationCount{0};

void* CountedAllocation(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed)) allocationCount.fetch_add(1, std::memory_order_relaxed);
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

}  // namespace
