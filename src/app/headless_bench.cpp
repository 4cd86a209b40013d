// headless_bench.cpp — the --bench mode.
#include "app/headless_bench.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/frame_driver.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "scene/flight_scene.h"

namespace {

constexpr const char kBenchClass[] = "Vexlar3DBenchWindow";
constexpr uint32_t kClockStartMs = 10000;
constexpr int kSimulatedFps = 60;
constexpr int kWarmUpFrames = 10;  // texture uploads and shader builds, not counted

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double Mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (double v : values) sum += v;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

}  // namespace

int RunHeadlessBench(const BenchOptions& options) {
    using Clock = std::chrono::steady_clock;
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::HeadlessSetScreenSize(options.width, options.height);

    CurrentSettings = BuiltInSettings;
    CurrentSettings.Music = 0;
    CurrentSettings.UseDesktopSettings = 0;
    CurrentSettings.Width = options.width;
    CurrentSettings.Height = options.height;
    CurrentSettings.BitCount = 32;
    ResetFlightScene();
    // The scene seeds its generator from the wall clock: the seed is the clock.
    platform::UseVirtualClock(kClockStartMs, static_cast<time_t>(options.seed));

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kBenchClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, kBenchClass, "Vexlar 3D", WS_POPUP | WS_VISIBLE, 0, 0, options.width,
                                  options.height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window || FAILED(InitApp(window)) || !Framework || !Framework->GetDevice()) {
        std::fprintf(stderr, "vexlar3d: cannot bench: no headless Direct3D device\n");
        if (window) DestroyWindow(window);
        platform::UseRealClock();
        return 1;
    }

    IDirect3DDevice7* device = Framework->GetDevice();
    std::vector<double> frameMs, updateMs, submitMs, processMs;
    const auto budget = std::chrono::duration<double>(options.seconds);
    Clock::time_point measuredStart{};
    uint64_t simulatedMs = 0;
    for (int frame = 0;; ++frame) {
        if (frame == kWarmUpFrames) measuredStart = Clock::now();
        if (frame > kWarmUpFrames && Clock::now() - measuredStart >= budget) break;

        const uint64_t next = static_cast<uint64_t>(frame + 1) * 1000u / kSimulatedFps;
        platform::AdvanceVirtualClock(static_cast<uint32_t>(next - simulatedMs));
        simulatedMs = next;

        const auto start = Clock::now();
        const double process0 = ProcessCpuMs();
        const double cpu0 = ThreadCpuMs();
        UpdateScene(device, static_cast<float>(timeGetTime()) * 0.001f);
        const double cpu1 = ThreadCpuMs();
        DrawScene(device);
        const double cpu2 = ThreadCpuMs();
        if (Framework->ShowFrame() == DDERR_SURFACELOST) Framework->RestoreSurfaces();
        platform::FinishRendering(Framework->GetDirectDraw());
        const double process1 = ProcessCpuMs();
        const auto end = Clock::now();

        if (frame < kWarmUpFrames) continue;
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        updateMs.push_back(cpu1 - cpu0);
        submitMs.push_back(cpu2 - cpu1);
        processMs.push_back(process1 - process0);
    }
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - measuredStart).count();

    ShutdownApp(window);
    DestroyWindow(window);
    UnregisterClassA(kBenchClass, GetModuleHandleA(nullptr));
    platform::UseRealClock();

    const double frames = static_cast<double>(frameMs.size());
    std::printf("vexlar3d: bench %dx%d, default scene, %.1f s after %d warm-up frames: %zu frames, %.1f fps\n",
                options.width, options.height, wallSeconds, kWarmUpFrames, frameMs.size(),
                wallSeconds > 0 ? frames / wallSeconds : 0.0);
    std::printf("  frame time ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", Percentile(frameMs, 0.5),
                Percentile(frameMs, 0.9), Percentile(frameMs, 0.99), Percentile(frameMs, 1.0));
    std::printf("  CPU ms per frame outside the GL rasteriser (main thread): update %.3f + drawing submission %.3f"
                " = %.3f\n",
                Mean(updateMs), Mean(submitMs), Mean(updateMs) + Mean(submitMs));
    std::printf("  CPU ms per frame of the whole process, rasteriser threads included: %.2f\n", Mean(processMs));
    return 0;
}
