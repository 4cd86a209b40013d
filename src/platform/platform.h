// platform.h — controls of the platform layer that have no Win32 counterpart,
// for the program itself.
//
// Who calls them: the entry point (src/host/main.cpp) passes the process
// arguments in, picks the window backend, installs the signal handlers and
// finds xscreensaver's root window; the host (dispatch.cpp, saver_window.cpp)
// reports why a display could not be opened; the saver (src/app/saver_app.cpp)
// asks for vertical sync and the music lock; the settings dialog
// (src/config/config_dialog.cpp) reports a failed registry write; the
// headless modes (src/app/headless_render.cpp, headless_bench.cpp) and the
// tools in tools/ select the headless backend, size its screen, drive the
// virtual clock and wait for rendering. The platform's own files use the
// rest across files. Everything else the subsystems need goes through the
// Win32 and DirectX headers.
//
// The seams that only tests use (hooks, substitutes, headless input,
// inspection) are in platform_testing.h, which includes this header.
#pragma once

#include <ddraw.h>
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

// ---- process ------------------------------------------------------------------
// Builds the text GetCommandLineA returns from the process arguments, quoting
// arguments that contain blanks, the way a Windows command line is written.
void SetCommandLine(int argc, const char* const* argv);

// Where $XDG_RUNTIME_DIR is not set (a screen-saver daemon may start its
// savers with a reduced environment), sets it to the user's runtime folder,
// /run/user/UID, when that exists, is the user's own and no one else's: the
// locks are kept there, and the sound server and session bus are found there
// as in the user's session. Call before StayOffAbsentSessionBus.
void UseUserRuntimeDir();

// Keeps the libraries behind the platform (SDL, GTK, FluidSynth) from
// starting a session bus of their own: with no $DBUS_SESSION_BUS_ADDRESS and
// no $XDG_RUNTIME_DIR/bus, the first of them would run `dbus-launch
// --autolaunch`, which outlives the process. There the address is set to a
// disabled one, so they run without a bus; programs this process starts
// (ShellExecuteA) get the environment as it was. Call before anything else.
void StayOffAbsentSessionBus();

// ---- clock ------------------------------------------------------------------------
// timeGetTime, GetTickCount and PlatformTime come from one clock. In virtual
// mode nothing moves it but AdvanceVirtualClock and Sleep.
void UseVirtualClock(uint32_t startMs, time_t wallSeconds);
void UseRealClock();
void AdvanceVirtualClock(uint32_t ms);
// The wall clock in whole seconds (what the C library's time() gives),
// virtual when the clock is.
time_t PlatformTime(time_t* out);

// ---- windows backend --------------------------------------------------------------
enum class WindowBackend { Sdl, Headless };
// Must be chosen before the first window call; the executable uses Sdl, tests
// and the headless modes use Headless. Resets every window, timer, queued
// message and class.
void SelectWindowBackend(WindowBackend backend);
WindowBackend CurrentWindowBackend();
// Headless backend only: the size of the screen (what a full-screen window
// and the desktop display mode get).
void HeadlessSetScreenSize(int width, int height);

// Set when SIGTERM, SIGINT or SIGHUP arrived; the message pump turns it into a
// WM_CLOSE for every top-level window of the process. SIGXFSZ is ignored, so
// that a write past a file-size limit fails and is reported.
void InstallTerminationHandlers();
// For a run without a message loop: the signals act by default again, and
// one that arrived while handled is acted on now.
void ReleaseTerminationHandlers();

// Whether the swaps of the last window's GL context wait for the display's
// refresh (vertical sync). NoteVerticalSync records it; tests set it too.
bool VerticalSyncInEffect();
void NoteVerticalSync(bool inEffect);
// Whether the last window's GL renderer draws on the processor (llvmpipe,
// softpipe, swrast: told by its GL_RENDERER string). NoteRenderer records the
// string; tests set it too.
bool SoftwareRendererInEffect();
void NoteRenderer(const std::string& rendererString);

// Takes the per-user music lock ($XDG_RUNTIME_DIR/vexlar3d-music.lock, else
// one in /tmp named after the user) for the rest of the process, so that of
// several copies running at once (one per monitor) only the first plays.
// True when this process holds it; the kernel releases it with the process.
bool TakeMusicLock();

// The last message in words when a display could not be opened (empty when
// the backend is fine).
std::string DisplayError();
// Why the last Direct3D device could not draw into its window, in words
// (empty when nothing failed): no OpenGL on the display, a context refused.
std::string DeviceError();
// The X11 root window to draw into for xscreensaver's -root: the virtual root
// that xscreensaver names (__SWM_VROOT) when there is one. 0 without X11.
uintptr_t RootWindowId();

// ---- registry --------------------------------------------------------------------------
// The file the registry stand-in reads and writes:
// $XDG_CONFIG_HOME/vexlar3d/registry.reg, default ~/.config/vexlar3d/registry.reg.
std::string RegistryFilePath();
// Why the last write of the registry file failed: "cannot write FILE: REASON".
std::string RegistryWriteFailure();

// ---- display ---------------------------------------------------------------------------
// The primary display's desktop mode as DirectDraw reports it (substituted
// in tests); false when no display can be described.
bool GetDesktopDisplayMode(int* width, int* height, int* bitCount);

// ---- rendering (benchmarks) ------------------------------------------------------------
// Waits until everything the DirectDraw object's devices drew is finished.
void FinishRendering(IDirectDraw7* directDraw);

// The fill bound of a frame: StartDrawRecording records what the DirectDraw
// object's devices draw until ReplayDrawRecording, which replays it through
// GL alone (resident buffers and textures, one draw per run of equal state)
// for about `seconds` and reports how long one pass over the whole
// recording took. False when nothing was recorded or GL failed.
struct FillBound {
    double passMs = 0.0;
    int drawCalls = 0;          // GL draws in one pass
    double shadedPixels = 0.0;  // triangle area drawn in one pass, in target pixels
};
void StartDrawRecording(IDirectDraw7* directDraw);
bool ReplayDrawRecording(IDirectDraw7* directDraw, double seconds, FillBound* bound);

}  // namespace platform
