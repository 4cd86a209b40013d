// platform.h — controls of the platform layer that have no Win32 counterpart.
//
// The entry point uses these to pass the process arguments in and to pick the
// window backend; the tests use them to run everything headless, to drive the
// clock and the cursor, to substitute system modules and the reported Windows
// family, and to capture message boxes. Subsystems outside src/platform/ and
// src/host/main.cpp never need this header.
#pragma once

#include <ddraw.h>
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform {

// ---- process ------------------------------------------------------------------
// Builds the text GetCommandLineA returns from the process arguments, quoting
// arguments that contain blanks, the way a Windows command line is written.
void SetCommandLine(int argc, const char* const* argv);
void SetCommandLineText(const std::string& text);
// ExitProcess flushes stdio and ends the process; tests replace it with a hook
// that throws, so the call can be observed.
void SetExitProcessHook(std::function<void(UINT)> hook);

// ---- clock ------------------------------------------------------------------------
// timeGetTime, GetTickCount and PlatformTime come from one clock. In virtual
// mode nothing moves it but AdvanceVirtualClock and Sleep.
void UseVirtualClock(uint32_t startMs, time_t wallSeconds);
void UseRealClock();
bool IsVirtualClock();
void AdvanceVirtualClock(uint32_t ms);
// The wall clock in whole seconds (what the C library's time() gives),
// virtual when the clock is.
time_t PlatformTime(time_t* out);

// ---- windows backend --------------------------------------------------------------
enum class WindowBackend { Sdl, Headless };
// Must be chosen before the first window call; the executable uses Sdl, tests
// use Headless. Resets every window, timer, queued message and class.
void SelectWindowBackend(WindowBackend backend);
WindowBackend CurrentWindowBackend();
// Headless backend only: the screen, the pointer and synthetic input.
void HeadlessSetScreenSize(int width, int height);
void HeadlessSetCursorPos(int x, int y);
bool HeadlessCursorVisible();
// Foreign windows (X11 ids in the real backend) that IsWindow accepts.
void HeadlessAddForeignWindow(uintptr_t id, int width, int height);
// A saver window of another process, as FindWindowA would find it.
void HeadlessSetOtherSaverWindow(uintptr_t id);
uintptr_t HeadlessLastRaisedWindow();
// Puts an input event in the queue the way the SDL backend does for real input.
void HeadlessInjectMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Set when SIGTERM, SIGINT or SIGHUP arrived; the message pump turns it into a
// WM_CLOSE for every top-level window of the process. SIGXFSZ is ignored, so
// that a write past a file-size limit fails and is reported.
void InstallTerminationHandlers();
void RequestCloseFromSignal();

// Whether the swaps of the last window's GL context wait for the display's
// refresh (vertical sync). NoteVerticalSync records it; tests set it too.
bool VerticalSyncInEffect();
void NoteVerticalSync(bool inEffect);

// Takes the per-user music lock ($XDG_RUNTIME_DIR/vexlar3d-music.lock, else
// one in /tmp named after the user) for the rest of the process, so that of
// several copies running at once (one per monitor) only the first plays.
// True when this process holds it; the kernel releases it with the process.
bool TakeMusicLock();

// The last message in words when a display could not be opened (empty when
// the backend is fine).
std::string DisplayError();
// The X11 root window to draw into for xscreensaver's -root: the virtual root
// that xscreensaver names (__SWM_VROOT) when there is one. 0 without X11.
uintptr_t RootWindowId();

// ---- system parameters ---------------------------------------------------------------
// What SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, ...) last set, and how
// many times it was called.
bool ScreenSaverRunningFlag();
int ScreenSaverRunningCalls();
void ResetSystemParameters();

// ---- modules and version ---------------------------------------------------------------
// A module that LoadLibraryA can load, with its exported entry points.
// Names compare without regard to ASCII case.
void RegisterModule(const std::string& name, const std::map<std::string, FARPROC>& exports);
void UnregisterAllModules();
// Marks a registered module as already loaded in the process (GetModuleHandleA finds it).
void MarkModuleLoaded(const std::string& name);
int LoadedModuleCount();
// dwPlatformId that GetVersionExA reports (VER_PLATFORM_WIN32_NT by default);
// a negative value makes GetVersionExA fail.
void SetReportedPlatform(int platformId);

// ---- message boxes ---------------------------------------------------------------------
// Tests capture message boxes instead of showing them; the handler receives the
// text and caption converted to UTF-8 and returns the button pressed.
using MessageBoxHandler = std::function<int(HWND, const std::string& text, const std::string& caption, UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
// Converts text that is not valid UTF-8 from code page 1251 to UTF-8.
std::string ToUtf8FromAnsi(const char* text);

// ---- registry --------------------------------------------------------------------------
// The file the registry stand-in reads and writes:
// $XDG_CONFIG_HOME/vexlar3d/registry.reg, default ~/.config/vexlar3d/registry.reg.
std::string RegistryFilePath();
// Why the last write of the registry file failed: "cannot write FILE: REASON".
std::string RegistryWriteFailure();

// ---- DirectDraw substitution (tests) ------------------------------------------------
// When set, DirectDrawCreateEx and DirectDrawEnumerateExA call these instead
// of the real implementation, so tests can inject fake drivers and failures.
// Pass an empty function to restore the real one.
using DirectDrawCreateHook = std::function<HRESULT(GUID* driver, LPVOID* out, REFIID iid, IUnknown* outer)>;
using DirectDrawEnumerateHook = std::function<HRESULT(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags)>;
void SetDirectDrawCreateHook(DirectDrawCreateHook hook);
void SetDirectDrawEnumerateHook(DirectDrawEnumerateHook hook);

// ---- DirectDraw display and Direct3D device (tests) -----------------------------------
// Substitutes the display DirectDraw reports: the desktop's size and bits per
// pixel (8 simulates a palette desktop) and the display's own resolutions;
// EnumDisplayModes adds the common smaller sizes to them at 16 and 32 bits.
struct DisplayModeSize {
    int width;
    int height;
};
void SetDisplayForTest(int width, int height, int bitCount, const std::vector<DisplayModeSize>& modes);
void ClearDisplayForTest();
// The primary display's desktop mode as DirectDraw reports it (substituted
// in tests); false when no display can be described.
bool GetDesktopDisplayMode(int* width, int* height, int* bitCount);
// Makes the Direct3D devices report D3DPTEXTURECAPS_POW2 and
// D3DPTEXTURECAPS_SQUAREONLY, as older hardware did; both off by default.
void SetTextureCapsForTest(bool pow2, bool squareOnly);

// ---- COM and DirectMusic (tests) ----------------------------------------------------
// When set, CoCreateInstance calls this (after its own checks) instead of
// creating the platform's objects, so tests can put doubles of the DirectMusic
// loader and performance in. Pass an empty function to restore the real one.
using CoCreateInstanceHook =
    std::function<HRESULT(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out)>;
void SetCoCreateInstanceHook(CoCreateInstanceHook hook);
// CoInitialize calls not yet matched by CoUninitialize.
int ComInitializeCount();
// The General MIDI soundfont the performance loads; empty restores the search
// of the system's soundfonts (FluidR3_GM, default-GM, TimGM6mb under
// /usr/share/sounds/sf2). A path that does not exist means no soundfont.
void SetMusicSoundFont(const std::string& path);
// Offline output: AddPort opens no audio device, and the music advances only
// as RenderMusicOffline pulls samples from the same synthesizer and player
// that drive the audio device otherwise.
void UseOfflineMusicOutput(bool offline, int sampleRate = 44100);
// Renders the next `seconds` of the performance that owns the offline port:
// interleaved stereo floats at the offline sample rate. Empty when no
// performance has an offline port.
std::vector<float> RenderMusicOffline(double seconds);

// ---- window pictures and foreign parents ----------------------------------------------
// The picture GDI painted into a window's client area (BitBlt into the DC of
// BeginPaint or GetDC): 0x00RRGGBB pixels, rows top-down, the client size;
// black where the class background was erased. False for a window that is
// not one of this process.
bool ReadWindowImage(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height);
// Headless backend: a foreign window changes size; the windows of this process
// inside it follow, as they do inside a real X11 parent.
void HeadlessResizeForeignWindow(uintptr_t id, int width, int height);
// Headless backend: a foreign window is destroyed (the windows of this process
// inside it go with it), or hidden and shown again (they are told so).
void HeadlessDestroyForeignWindow(uintptr_t id);
void HeadlessShowForeignWindow(uintptr_t id, bool visible);

// ---- rendering (benchmarks) ------------------------------------------------------------
// Waits until everything the DirectDraw object's devices drew is finished.
void FinishRendering(IDirectDraw7* directDraw);

}  // namespace platform
