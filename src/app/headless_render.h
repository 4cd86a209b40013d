// headless_render.h — `vexlar3d --render DIR`: the saver's scene on the
// headless device under virtual time, written frame by frame as PNG files.
//
// The settings are those the saver would use (the built-in values with the
// registry file laid over them), changed in memory only by --set; the
// settings file and its folder are only read, never created or locked. Every
// frame is simulated and drawn; only the chosen ones are read back from the
// back buffer and written, as DIR/frame_NNNNN.png (NNNNN the frame number,
// from 0), or piped to ffmpeg when DIR names a .mp4, .webm or .gif file (which
// appears whole or not at all; SIGTERM, SIGINT or SIGHUP end such a render,
// leaving nothing behind). On a terminal one updating line on stderr shows
// the progress. The random generator is seeded with --seed or the wall clock; the
// overlay's clock shows --time or the wall clock, running on with the
// frames.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

#include "app/d3d_framework.h"
#include "config/run_options.h"
#include "config/settings.h"

// The scene on a headless window and device, stepped under virtual time.
// One at a time per process: it owns the scene record, the one framework and
// the clock while open.
class HeadlessRenderer {
public:
    HeadlessRenderer() = default;
    ~HeadlessRenderer() { Close(); }
    HeadlessRenderer(const HeadlessRenderer&) = delete;
    HeadlessRenderer& operator=(const HeadlessRenderer&) = delete;

    // Selects the headless window backend and, with CurrentSettings as they
    // stand (the caller fills them), brings the saver up as it starts itself:
    // InitApp on a headless child window, the scene seeded with `seed`; then
    // starts the virtual wall clock at `wallSeconds`. "" on success, else
    // what failed.
    std::string Open(int width, int height, int frameRate, uint32_t seed, time_t wallSeconds);
    // Advances the virtual clock by one frame and sends the window a timer
    // message through the message loop; its procedure draws the frame with
    // RenderFrame, the saver's own frame.
    void Step();
    // Reads the back buffer as 0x00RRGGBB pixels, rows top-down, into
    // `pixels` (resized only when its size differs). False when it cannot
    // be locked.
    bool ReadFrame(std::vector<uint32_t>& pixels);
    // Ends as the saver does (ShutdownApp), destroys the windows and returns
    // to the real clock.
    void Close();

    IDirect3DDevice7* Device() const;
    int FrameNumber() const { return frameNumber_; }  // frames stepped so far
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    bool open_ = false;
    int width_ = 0;
    int height_ = 0;
    int frameRate_ = 30;
    int frameNumber_ = 0;
    uint64_t elapsedMs_ = 0;
};

// "1 frame", "2 frames": a count with its noun, in the plural unless it is 1.
std::string Counted(long long count, const char* noun);

// The wall-clock second at which today's local time of day is hh:mm:ss.
time_t WallTimeForTimeOfDay(int hour, int minute, int second);

// Runs --render; returns the process exit code. Messages go to stdout
// (where the frames went) and stderr (what failed).
int RunHeadlessRender(const RenderOptions& options);
