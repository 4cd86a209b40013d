// platform_testing.h — the seams of the platform layer that tests use to run
// everything headless and to observe it: hooks that replace a system service
// (process exit, DirectDraw creation and enumeration, CoCreateInstance,
// message boxes), substitutes for what the machine reports (modules, the
// Windows family, the display, texture capabilities, the soundfont),
// synthetic input and foreign windows for the headless backend, and
// inspection of what the layer did (window pictures, system parameters,
// COM start-ups, offline music).
//
// Only tests include it (tests/, tests/fuzz/); the platform's own files
// include it where they define these functions. The program's controls are
// in platform.h, included here.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <map>
#include <vector>

namespace platform {

// ---- process ------------------------------------------------------------------
// The text GetCommandLineA returns, as given.
void SetCommandLineText(const std::string& text);
// ExitProcess flushes stdio and ends the process; tests replace it with a hook
// that throws, so the call can be observed.
void SetExitProcessHook(std::function<void(UINT)> hook);

// ---- clock ------------------------------------------------------------------------
bool IsVirtualClock();

// ---- headless backend ----------------------------------------------------------------
// The pointer and synthetic input.
void HeadlessSetCursorPos(int x, int y);
bool HeadlessCursorVisible();
// Foreign windows (X11 ids in the real backend) that IsWindow accepts.
void HeadlessAddForeignWindow(uintptr_t id, int width, int height);
// A saver window of another process, as FindWindowA would find it.
void HeadlessSetOtherSaverWindow(uintptr_t id);
uintptr_t HeadlessLastRaisedWindow();
// Puts an input event in the queue the way the SDL backend does for real input.
void HeadlessInjectMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A foreign window changes size; the windows of this process inside it
// follow, as they do inside a real X11 parent.
void HeadlessResizeForeignWindow(uintptr_t id, int width, int height);
// A foreign window is destroyed (the windows of this process inside it go
// with it), or hidden and shown again (they are told so).
void HeadlessDestroyForeignWindow(uintptr_t id);
void HeadlessShowForeignWindow(uintptr_t id, bool visible);

// What a termination signal does, without sending one.
void RequestCloseFromSignal();

// ---- window pictures --------------------------------------------------------------------
// The picture GDI painted into a window's client area (BitBlt into the DC of
// BeginPaint or GetDC): 0x00RRGGBB pixels, rows top-down, the client size;
// black where the class background was erased. False for a window that is
// not one of this process.
bool ReadWindowImage(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height);

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

// ---- DirectDraw substitution ----------------------------------------------------------
// When set, DirectDrawCreateEx and DirectDrawEnumerateExA call these instead
// of the real implementation, so tests can inject fake drivers and failures.
// Pass an empty function to restore the real one.
using DirectDrawCreateHook = std::function<HRESULT(GUID* driver, LPVOID* out, REFIID iid, IUnknown* outer)>;
using DirectDrawEnumerateHook = std::function<HRESULT(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags)>;
void SetDirectDrawCreateHook(DirectDrawCreateHook hook);
void SetDirectDrawEnumerateHook(DirectDrawEnumerateHook hook);

// ---- DirectDraw display and Direct3D device ---------------------------------------------
// Substitutes the display DirectDraw reports: the desktop's size and bits per
// pixel (8 simulates a palette desktop) and the display's own resolutions;
// EnumDisplayModes adds the common smaller sizes to them at 16 and 32 bits.
struct DisplayModeSize {
    int width;
    int height;
};
void SetDisplayForTest(int width, int height, int bitCount, const std::vector<DisplayModeSize>& modes);
void ClearDisplayForTest();
// Makes the Direct3D devices report D3DPTEXTURECAPS_POW2 and
// D3DPTEXTURECAPS_SQUAREONLY, as older hardware did; both off by default.
void SetTextureCapsForTest(bool pow2, bool squareOnly);

// ---- COM and DirectMusic -------------------------------------------------------------
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

}  // namespace platform
