// Nothing is allocated per frame: a counting operator new, switched on only
// around the frames, watches 1,000 frames of the scene after set-up, and
// 10,000 frames of the running saver through its message loop. The
// frames that load a new picture (a JPEG decoded into a fresh texture, as
// the programme asks) are the only ones allowed to allocate. A soak flies
// the saver through its message loop for a day of virtual time.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
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
#include "platform/platform_testing.h"
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

// The saver started as /s on a headless screen of width x height, its
// generator seeded by the virtual wall clock `seed`, music off.
bool StartSaver(int width, int height, time_t seed) {
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::HeadlessSetScreenSize(width, height);
    platform::UseVirtualClock(10000, seed);
    ResetHostState();
    Host.instance = GetModuleHandleA(nullptr);
    ResetSaverApp();
    SaverApp.musicAllowed = false;
    ResetFlightScene();
    CurrentSettings = AllocationSettings();
    platform::SetCommandLineText("vexlar3d /s");
    SetSaverApplicationProc(SaverAppProc);
    return CreateSaverWindow(nullptr) == SaverWindowOutcome::Created && SaverApp.running && Framework;
}

// The saver's own path on the headless device: window, timer, message loop,
// window procedures, frame driver, scene. After a warm-up, in which the
// device's buffers reach the size this flight needs, nothing of ours is
// allocated per frame but a picture's texture.
TEST(SaverLoopAllocationTest, TenThousandFramesThroughTheMessageLoopAllocateNothing) {
    ASSERT_TRUE(StartSaver(64, 48, 1357));

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

// Everything the programme keeps between frames stays a number and within
// its box; an empty string when it does, else what left it.
std::string StateOutsideItsBoxes() {
    const float values[] = {Scene.position.x, Scene.position.y, Scene.position.z, Scene.eye.x, Scene.eye.y,
                            Scene.eye.z, Scene.heading, Scene.pitch, Scene.phaseClock, Scene.climbSpeed,
                            Scene.flashLevel, Scene.flashPeak, Scene.flashWait, Scene.effectClock,
                            Scene.yawTurn.base, Scene.yawTurn.offset, Scene.pitchTurn.base, Scene.pitchTurn.offset,
                            Scene.rollTurn.base, Scene.rollTurn.offset, Scene.fpsValue};
    for (float v : values)
        if (!std::isfinite(v)) return "a value is not finite";
    const float position[3] = {Scene.position.x, Scene.position.y, Scene.position.z};
    const float period[3] = {Scene.repeatPeriod.x, Scene.repeatPeriod.y, Scene.repeatPeriod.z};
    for (int a = 0; a < 3; ++a)
        if (period[a] > 0.0f && std::fabs(position[a]) > 2.0f * period[a])
            return "the camera left its period on axis " + std::to_string(a) + ": " + std::to_string(position[a]);
    if (Scene.heading < -360.0f || Scene.heading > 720.0f) return "heading " + std::to_string(Scene.heading);
    if (std::fabs(Scene.pitch) > 90.0f) return "pitch " + std::to_string(Scene.pitch);
    if (Scene.effectClock < 0.0f || Scene.effectClock > 1.0f) return "effect clock " + std::to_string(Scene.effectClock);
    if (Scene.phase < PhaseRoam || Scene.phase > PhaseLookUp) return "phase " + std::to_string(Scene.phase);
    if (Scene.pictureCursor < 0 || Scene.pictureCursor >= Scene.pictureCount) return "picture cursor";
    return "";
}

// A day of the running saver on the headless device, in a few minutes: the
// frames come through the message loop under the virtual clock, a second
// or so apart, with spikes of seconds and, now and then, minutes (a machine
// that slept). Every phase of the programme and every stage of the picture
// cube is met, the state stays inside its boxes, and after the first hour
// nothing of ours is allocated but a picture's texture. VEXLAR_SOAK_HOURS
// asks for another length.
TEST(SaverSoakTest, ADayOfFlightStaysInItsBoxesAndAllocatesNothing) {
    double hours = 24.0;
    if (const char* asked = std::getenv("VEXLAR_SOAK_HOURS")) hours = std::atof(asked);
    ASSERT_GT(hours, 1.0);
    ASSERT_TRUE(StartSaver(32, 24, 97531));

    std::mt19937 random(20261208u);
    std::uniform_int_distribution<uint32_t> usual(0, 2000), spike(2000, 20000), sleep(60000, 1800000);
    std::uniform_int_distribution<int> dice(0, 9999);
    const auto realStart = std::chrono::steady_clock::now();
    const uint64_t dayMs = static_cast<uint64_t>(hours * 3600000.0);
    const uint64_t warmUpMs = 3600000;
    uint64_t elapsedMs = 0;
    long frames = 0, spikes = 0, sleeps = 0, allocatingFrames = 0, pictureFrames = 0;
    bool phases[8] = {}, stages[7] = {};
    std::string firstEscape;
    while (elapsedMs < dayMs) {
        const int roll = dice(random);
        uint32_t extra = usual(random);
        if (roll < 100) extra = spike(random), ++spikes;
        if (roll == 0) extra = sleep(random), ++sleeps;
        platform::AdvanceVirtualClock(extra);
        const DWORD before = timeGetTime();
        const int cursor = Scene.pictureCursor;
        const bool counting = elapsedMs >= warmUpMs;
        allocationCount = 0;
        sparingTheDriver = true;
        countingAllocations = counting;
        const bool framed = LoopOneFrame();
        countingAllocations = false;
        sparingTheDriver = false;
        ASSERT_TRUE(framed) << "the saver ended after " << frames << " frames";
        elapsedMs += extra + (timeGetTime() - before);
        ++frames;
        const bool pictureLoaded = Scene.pictureCursor != cursor;
        pictureFrames += pictureLoaded;
        if (counting && allocationCount != 0 && !pictureLoaded) ++allocatingFrames;
        phases[Scene.phase & 7] = true;
        if (Scene.sparks.stage >= 0 && Scene.sparks.stage < 7) stages[Scene.sparks.stage] = true;
        if (firstEscape.empty()) {
            firstEscape = StateOutsideItsBoxes();
            if (!firstEscape.empty()) firstEscape += " at frame " + std::to_string(frames);
        }
    }
    const double realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    std::printf("soak: %.1f simulated hours in %.0f s: %ld frames, %ld spikes of 2-20 s, %ld sleeps of 1-30 min, "
                "%ld pictures, %ld frames allocating after the first hour\n",
                static_cast<double>(elapsedMs) / 3600000.0, realSeconds, frames, spikes, sleeps, pictureFrames,
                allocatingFrames);

    EXPECT_EQ(firstEscape, "");
    EXPECT_EQ(allocatingFrames, 0);
    for (int phase = 0; phase < 8; ++phase) EXPECT_TRUE(phases[phase]) << "phase " << phase << " never ran";
    for (int stage = 0; stage < 7; ++stage) EXPECT_TRUE(stages[stage]) << "cube stage " << stage << " never shown";
    EXPECT_GT(pictureFrames, 24);

    DestroyWindow(Host.saverWindow);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    platform::UseRealClock();
    CurrentSettings = BuiltInSettings;
}

}  // namespace
