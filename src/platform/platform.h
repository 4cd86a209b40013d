// platform.h — controls of the platform layer that have no Win32 counterpart.
//
// The entry point uses these to pass the process arguments in and to pick the
// window backend; the tests use them to run everything headless, to drive the
// clock and the cursor, to substitute system modules and the reported Windows
// family, and to capture message boxes. Subsystems outside src/platform/ and
// src/host/main.cpp never need this header.
#pragma once

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
// Every message that reached a window procedure through the platform, in order
// (sent and dispatched alike), for tests of the Win32 message order.
const std::vector<MSG>& DeliveredMessages();
void ClearDeliveredMessages();

// Set when SIGTERM or SIGINT arrived; the message pump turns it into a
// WM_CLOSE for every top-level window of the process.
void InstallTerminationHandlers();
void RequestCloseFromSignal();

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

// ---- X11 --------------------------------------------------------------------------------
// The id of the window a saver draws on for xscreensaver's -root: the virtual
// root (__SWM_VROOT) when there is one, else the screen's root window; 0 when
// no X11 display can be opened.
uintptr_t RootWindowId();

}  // namespace platform
