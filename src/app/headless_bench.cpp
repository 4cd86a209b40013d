// headless_bench.cpp — the --bench mode.
#include "app/headless_bench.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame_driver.h"
#include "app/headless_render.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace {

constexpr int kSimulatedFps = 60;
// Texture uploads and shader builds, not counted: this many frames, or fewer
// when they take a quarter of --seconds.
constexpr int kWarmUpFrames = 10;
// Frames recorded for the fill bound: a second of the flight, or fewer when
// they take half of --seconds.
constexpr int kRecordedFrames = 60;
// What a frame of the headless device holds per pixel, about: the surfaces
// (back buffer, depth, primary) in memory and again as GL's, rounded up.
constexpr double kBytesPerPixel = 32.0;

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

// Seconds since the process started, from its start time in /proc (in clock
// ticks since boot) and the boot-time clock; negative when unknown.
double SecondsSinceProcessStart() {
    std::FILE* file = std::fopen("/proc/self/stat", "r");
    if (!file) return -1.0;
    char text[1024] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = 0;
    // Fields after the command name, which is in parentheses and may hold spaces.
    const char* rest = std::strrchr(text, ')');
    if (!rest) return -1.0;
    unsigned long long startTicks = 0;
    const char* start = rest + 1;
    // rest + 1 is the space before field 3; each step moves one field on, to field 22.
    for (int f = 3; f < 22 && start; ++f) start = std::strchr(start + 1, ' ');
    if (!start || std::sscanf(start, " %llu", &startTicks) != 1) return -1.0;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - static_cast<double>(startTicks) / ticks;
}

// The peak resident size so far, in megabytes (VmHWM); 0 when unknown.
double PeakResidentMb() {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file) return 0.0;
    char line[256];
    double kb = 0.0;
    while (std::fgets(line, sizeof line, file))
        if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1) break;
    std::fclose(file);
    return kb / 1024.0;
}

// The memory this process could still be given, in megabytes: what the
// system has available (MemAvailable), or less under an address-space limit
// (ulimit -v); 0 when unknown.
double AvailableMemoryMb() {
    double mb = 0.0;
    if (FILE* file = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        double kb = 0.0;
        while (std::fgets(line, sizeof line, file))
            if (std::sscanf(line, "MemAvailable: %lf kB", &kb) == 1) break;
        std::fclose(file);
        mb = kb / 1024.0;
    }
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const double limitMb = static_cast<double>(limit.rlim_cur) / (1024.0 * 1024.0);
        mb = mb > 0.0 ? std::min(mb, limitMb) : limitMb;
    }
    return mb;
}

// Benches one size: prints its figures, returns false when no device could be
// brought up or the size cannot be drawn in the memory there is.
bool BenchSize(const BenchOptions& options, int width, int height, bool firstSize) {
    using Clock = std::chrono::steady_clock;
    const double neededMb = kBytesPerPixel * width * height / (1024.0 * 1024.0);
    const double availableMb = AvailableMemoryMb();
    if (availableMb > 0.0 && neededMb > availableMb * 0.75) {
        std::fprintf(stderr, "vexlar3d: cannot bench %dx%d: it needs about %.0f MB and %.0f MB are available\n",
                     width, height, neededMb, availableMb);
        return false;
    }
    CurrentSettings = BuiltInSettings;
    ApplyOverrides(options.overrides, CurrentSettings);
    CurrentSettings.Music = 0;
    // The seed is the wall clock the scene seeds its generator from.
    HeadlessRenderer renderer;
    const std::string failure =
        renderer.Open(width, height, kSimulatedFps, options.seed, static_cast<time_t>(options.seed));
    if (!failure.empty()) {
        std::fprintf(stderr, "vexlar3d: cannot bench: %s\n", failure.c_str());
        return false;
    }

    std::vector<double> frameMs, threadMs, processMs;
    const auto budget = std::chrono::duration<double>(options.seconds);
    Clock::time_point measuredStart{};
    const Clock::time_point warmUpStart = Clock::now();
    double firstFrameSeconds = -1.0;
    int warmUpFrames = kWarmUpFrames;
    for (int frame = 0;; ++frame) {
        if (warmUpFrames == kWarmUpFrames && frame > 0 && frame < kWarmUpFrames &&
            Clock::now() - warmUpStart >= budget / 4)
            warmUpFrames = frame;
        if (frame == warmUpFrames) measuredStart = Clock::now();
        if (frame > warmUpFrames && Clock::now() - measuredStart >= budget) break;

        const auto start = Clock::now();
        const double process0 = ProcessCpuMs();
        const double thread0 = ThreadCpuMs();
        renderer.Step();
        const double thread1 = ThreadCpuMs();
        platform::FinishRendering(Framework->GetDirectDraw());
        const double process1 = ProcessCpuMs();
        const auto end = Clock::now();
        if (frame == 0) firstFrameSeconds = SecondsSinceProcessStart();

        if (frame < warmUpFrames) continue;
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        threadMs.push_back(thread1 - thread0);
        processMs.push_back(process1 - process0);
    }
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - measuredStart).count();
    const double peakMb = PeakResidentMb();

    // The frames that follow, recorded and replayed through GL alone: their
    // mean time is the fill bound of the flight's frames (recording slows
    // these frames, so the frames measured above are the ones compared).
    platform::StartDrawRecording(Framework->GetDirectDraw());
    const Clock::time_point recordStart = Clock::now();
    int recordedFrames = 0;
    while (recordedFrames < kRecordedFrames && (recordedFrames == 0 || Clock::now() - recordStart < budget / 2)) {
        renderer.Step();
        ++recordedFrames;
    }
    platform::FillBound bound;
    const bool haveBound =
        platform::ReplayDrawRecording(Framework->GetDirectDraw(), std::min(options.seconds, 3.0), &bound);
    renderer.Close();

    const double frames = static_cast<double>(frameMs.size());
    const double mean = Mean(frameMs);
    std::printf("vexlar3d: bench %dx%d, Background %d, %.1f s after %s: %s, %.1f fps\n", width, height,
                CurrentSettings.Background, wallSeconds, Counted(warmUpFrames, "warm-up frame").c_str(),
                Counted(static_cast<long long>(frameMs.size()), "frame").c_str(),
                wallSeconds > 0 ? frames / wallSeconds : 0.0);
    std::printf("  frame time ms: mean %.2f  p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", mean,
                Percentile(frameMs, 0.5), Percentile(frameMs, 0.9), Percentile(frameMs, 0.99),
                Percentile(frameMs, 1.0));
    if (haveBound) {
        const double perFrame = bound.passMs / recordedFrames;
        const std::string next =
            recordedFrames == 1 ? "the next frame" : "the next " + Counted(recordedFrames, "frame");
        std::printf("  fill bound (%s recorded, replayed through GL alone in %s, %.2f screens"
                    " of triangles a frame): %.2f ms a frame; ratio of the mean frame time to it %.2f\n",
                    next.c_str(), Counted(bound.drawCalls, "draw").c_str(),
                    bound.shadedPixels / recordedFrames / (double(width) * height), perFrame,
                    perFrame > 0.0 ? mean / perFrame : 0.0);
    } else {
        std::printf("  fill bound: could not be measured\n");
    }
    std::printf("  CPU ms per frame on the main thread (the saver's frame: update, drawing submission, present;"
                " the GL rasteriser's threads apart): %.3f\n",
                Mean(threadMs));
    std::printf("  CPU ms per frame of the whole process, rasteriser threads included: %.2f\n", Mean(processMs));
    if (firstSize) std::printf("  first frame presented %.0f ms after the process started\n", firstFrameSeconds * 1000.0);
    std::printf("  peak resident size of the process so far %.1f MB\n", peakMb);
    std::fflush(stdout);
    return true;
}

}  // namespace

int RunHeadlessBench(const BenchOptions& options) {
    bool first = true;
    for (const auto& [width, height] : options.sizes) {
        if (!BenchSize(options, width, height, first)) return 1;
        first = false;
    }
    return 0;
}
