// headless_render.cpp — the --render mode: scene, headless device, virtual
// clock and PNG frames.
#include "app/headless_render.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/frame_driver.h"
#include "config/registry_settings.h"
#include "platform/image/image_writer.h"
#include "platform/image/video_writer.h"
#include "platform/platform.h"
#include "scene/flight_scene.h"

namespace {

constexpr const char kWindowClass[] = "Vexlar3DRenderWindow";
constexpr uint32_t kClockStartMs = 10000;
constexpr UINT_PTR kRenderTimerId = 1;

// The channel's value widened to 8 bits.
uint32_t Channel(uint32_t raw, DWORD mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u)) ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u)) ++bits;
    const uint32_t value = (raw & mask) >> shift;
    if (bits >= 8) return value >> (bits - 8);
    uint32_t widened = value << (8 - bits);
    for (int s = bits; s < 8; s *= 2) widened |= widened >> s;
    return widened & 0xFFu;
}

}  // namespace

std::string Counted(long long count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

time_t WallTimeForTimeOfDay(int hour, int minute, int second) {
    time_t now = std::time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return mktime(&local);
}

namespace {

constexpr const char kParentClass[] = "Vexlar3DRenderParent";

// The render window's procedure: a frame per timer message, as the saver's
// own procedure draws one per tick of its frame timer.
LRESULT CALLBACK RenderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        RenderFrame();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

std::string HeadlessRenderer::Open(int width, int height, int frameRate, uint32_t seed, time_t wallSeconds) {
    Close();
    width_ = width;
    height_ = height;
    frameRate_ = frameRate > 0 ? frameRate : 30;
    frameNumber_ = 0;
    elapsedMs_ = 0;

    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::HeadlessSetScreenSize(width, height);

    // The render window is a child, as the saver's preview is: the device is
    // a windowed one whose back buffer keeps the frame after it is shown.
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = DefWindowProcA;
    parentClass.hInstance = instance;
    parentClass.lpszClassName = kParentClass;
    RegisterClassA(&parentClass);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RenderWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    open_ = true;
    parent_ = CreateWindowExA(0, kParentClass, "Vexlar 3D", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              instance, nullptr);
    window_ = parent_ ? CreateWindowExA(0, kWindowClass, "Vexlar 3D", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                        parent_, nullptr, instance, nullptr)
                      : nullptr;
    if (!window_) return "no headless window could be created";

    // The saver's own start: InitApp sets the scene up (its generator seeded
    // from the wall clock, which stands at the seed) and brings the device
    // up; then the clock shows the time of day asked for.
    ResetFlightScene();
    SaverApp.musicAllowed = false;
    platform::UseVirtualClock(kClockStartMs, static_cast<time_t>(seed));
    const HRESULT hr = InitApp(window_);
    platform::UseVirtualClock(kClockStartMs, wallSeconds);
    if (FAILED(hr) || !Framework || !Framework->GetDevice()) {
        // The platform's words (no driver, and the package that has one).
        const std::string reason = platform::DeviceError();
        return reason.empty() ? "the 3D device could not be started" : reason;
    }
    return "";
}

IDirect3DDevice7* HeadlessRenderer::Device() const {
    return open_ && Framework ? Framework->GetDevice() : nullptr;
}

void HeadlessRenderer::Step() {
    if (!Device()) return;
    // Whole milliseconds that add up exactly to the frame rate over a second.
    const uint64_t next = static_cast<uint64_t>(frameNumber_ + 1) * 1000u / static_cast<uint64_t>(frameRate_);
    platform::AdvanceVirtualClock(static_cast<uint32_t>(next - elapsedMs_));
    elapsedMs_ = next;
    ++frameNumber_;

    // The frame's tick goes through the message loop to the window's
    // procedure, which draws it with the saver's RenderFrame.
    PostMessageA(window_, WM_TIMER, kRenderTimerId, 0);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
        if (msg.message == WM_TIMER && msg.hwnd == window_) break;
    }
}

bool HeadlessRenderer::ReadFrame(std::vector<uint32_t>& pixels) {
    IDirectDrawSurface7* surface = Device() ? Framework->backBuffer : nullptr;
    if (!surface) return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr)) || !desc.lpSurface) {
        return false;
    }
    const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
    const DWORD bytes = format.dwRGBBitCount / 8;
    const bool readable = bytes == 2 || bytes == 4;
    if (readable) {
        const size_t count = static_cast<size_t>(desc.dwWidth) * desc.dwHeight;
        if (pixels.size() != count) pixels.resize(count);
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
            uint32_t* out = pixels.data() + static_cast<size_t>(y) * desc.dwWidth;
            for (DWORD x = 0; x < desc.dwWidth; ++x) {
                uint32_t raw = 0;
                std::memcpy(&raw, row + static_cast<size_t>(x) * bytes, bytes);
                out[x] = Channel(raw, format.dwRBitMask) << 16 | Channel(raw, format.dwGBitMask) << 8 |
                         Channel(raw, format.dwBBitMask);
            }
        }
        width_ = static_cast<int>(desc.dwWidth);
        height_ = static_cast<int>(desc.dwHeight);
    }
    surface->Unlock(nullptr);
    return readable;
}

void HeadlessRenderer::Close() {
    if (open_) {
        if (window_) ShutdownApp(window_);
        if (parent_) DestroyWindow(parent_);  // its child with it
        window_ = parent_ = nullptr;
        // The windows' last messages are handled before their classes go.
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
        UnregisterClassA(kParentClass, GetModuleHandleA(nullptr));
        platform::UseRealClock();
    }
    open_ = false;
}

namespace {

double Seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// One updating line on a terminal: frames done, frames a second, time left.
class Progress {
public:
    explicit Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) == 1), start_(Seconds()) {}
    void Frame(int done) {
        if (!shown_) return;
        const double now = Seconds();
        if (done < total_ && now - last_ < 0.25) return;
        last_ = now;
        const double rate = done / std::max(now - start_, 1e-6);
        const double left = rate > 0 ? (total_ - done) / rate : 0.0;
        std::fprintf(stderr, "\rvexlar3d: frame %d of %d, %.1f frames a second, %.0f s left  ", done, total_, rate,
                     left);
        std::fflush(stderr);
    }
    void End() {
        if (shown_) std::fputs("\n", stderr);
    }

private:
    int total_;
    bool shown_;
    double start_;
    double last_ = 0.0;
};

// The termination signal that arrived during a video render; 0 while none has.
volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signo) { g_stopSignal = signo; }

// A video's render ends early on SIGTERM, SIGINT or SIGHUP, so that ffmpeg is
// ended and the unfinished file removed before the process goes.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);  // no SA_RESTART: a wait in poll returns early
    for (const int signo : {SIGTERM, SIGINT, SIGHUP}) sigaction(signo, &action, nullptr);
}

// Ends the process by the signal that stopped it, as it would have ended
// without the handler.
int EndBySignal(int signo, const std::string& path) {
    std::fprintf(stderr, "vexlar3d: stopped by %s; %s was not written\n", strsignal(signo), path.c_str());
    std::fflush(stderr);
    signal(signo, SIG_DFL);
    raise(signo);
    return 128 + signo;
}

}  // namespace

int RunHeadlessRender(const RenderOptions& options) {
    // A file name with a video ending asks for a video; anything else is a folder of PNG files.
    const bool video = IsVideoFileName(options.directory);
    if (video && FindFfmpeg().empty()) {
        std::fprintf(stderr,
                     "vexlar3d: writing %s needs ffmpeg, which is not installed (Debian package ffmpeg);"
                     " or give --render a folder for PNG frames\n",
                     options.directory.c_str());
        return 2;
    }
    std::error_code error;
    const std::filesystem::path folder =
        video ? std::filesystem::path(options.directory).parent_path() : std::filesystem::path(options.directory);
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error || (!folder.empty() && !std::filesystem::is_directory(folder))) {
        std::fprintf(stderr, "vexlar3d: cannot create the folder '%s'%s%s\n", options.directory.c_str(),
                     error ? ": " : "", error ? error.message().c_str() : "");
        return 1;
    }

    // What is stored is read; nothing is created or locked for it.
    CurrentSettings = BuiltInSettings;
    ReadStoredSettings(CurrentSettings);
    ApplyOverrides(options.overrides, CurrentSettings);
    for (const auto& [name, value] : options.settings) {
        if (const SettingInfo* info = SettingByValueName(name)) CurrentSettings.*info->field = value;
    }

    const time_t now = std::time(nullptr);
    const uint32_t seed = options.hasSeed ? options.seed : static_cast<uint32_t>(now);
    const time_t wall = options.hasTime ? WallTimeForTimeOfDay(options.hour, options.minute, options.second) : now;

    HeadlessRenderer renderer;
    const std::string failure = renderer.Open(options.width, options.height, options.frameRate, seed, wall);
    if (!failure.empty()) {
        std::fprintf(stderr, "vexlar3d: cannot render: %s\n", failure.c_str());
        return 1;
    }

    std::vector<uint32_t> pixels;
    std::string first, last;
    int written = 0;
    const int every = options.every > 0 ? options.every : 1;
    VideoWriter writer;
    if (video) {
        CatchStopSignals();
        writer.StopWhen(&g_stopSignal);
        const std::string failure =
            writer.Open(options.directory, options.width, options.height,
                        static_cast<double>(options.frameRate) / every);
        if (!failure.empty()) {
            std::fprintf(stderr, "vexlar3d: cannot write %s: %s\n", options.directory.c_str(), failure.c_str());
            return 1;
        }
    }
    Progress progress(options.frames);
    for (int frame = 0; frame < options.frames && !g_stopSignal; ++frame) {
        renderer.Step();
        progress.Frame(frame + 1);
        // Frames that are not written are not read back.
        if (frame % every != 0) continue;
        if (!renderer.ReadFrame(pixels)) {
            progress.End();
            std::fprintf(stderr, "vexlar3d: cannot read frame %d back from the device\n", frame);
            return 1;
        }
        if (video) {
            if (!writer.WriteFrame(pixels.data())) break;  // Close says why
            ++written;
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.png", frame);
        const std::string path = (std::filesystem::path(options.directory) / name).string();
        if (!WritePngFile(path.c_str(), renderer.Width(), renderer.Height(), pixels.data())) {
            progress.End();
            std::fprintf(stderr, "vexlar3d: cannot write %s\n", path.c_str());
            return 1;
        }
        if (written == 0) first = path;
        last = path;
        ++written;
    }
    progress.End();
    renderer.Close();

    if (video) {
        const std::string failure = writer.Close();
        if (g_stopSignal) return EndBySignal(g_stopSignal, options.directory);
        if (!failure.empty()) {
            std::fprintf(stderr, "vexlar3d: %s\n", failure.c_str());
            return 1;
        }
        std::printf("vexlar3d: rendered %s of %dx%d at %s per second (seed %u); wrote %d of them to %s\n",
                    Counted(options.frames, "frame").c_str(), options.width, options.height,
                    Counted(options.frameRate, "frame").c_str(), seed, written, options.directory.c_str());
        return 0;
    }
    std::printf("vexlar3d: rendered %s of %dx%d at %s per second (seed %u); wrote %s to %s",
                Counted(options.frames, "frame").c_str(), renderer.Width(), renderer.Height(),
                Counted(options.frameRate, "frame").c_str(), seed, Counted(written, "PNG file").c_str(),
                options.directory.c_str());
    if (written == 1) std::printf(" (%s)", std::filesystem::path(first).filename().c_str());
    if (written > 1) std::printf(" (%s .. %s)", std::filesystem::path(first).filename().c_str(),
                                 std::filesystem::path(last).filename().c_str());
    std::printf("\n");
    return 0;
}
