// saver_window.h — the saver window, its message loop and the close rules.
//
// RunSaverWindow creates the one saver window (full screen, or a child of a
// preview window) and runs the loop until it is destroyed. SaverWndProc sees
// every message first and hands the rest to the application's procedure,
// which passes what it does not consume to DefSaverProc, where the close rules
// live. Every close goes through a posted WM_CLOSE so that the password
// question applies to all of them.
#pragma once

#include <windows.h>

inline constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
inline constexpr const char* kSaverTitle = "Screen Saver";
inline constexpr const char* kPreviewTitle = "Preview";

// Exit code of RunSaverWindow when no saver window could be created.
inline constexpr int kNoWindowExitCode = 1;

// Runs the saver with `parent` as the preview window, or full screen when it
// is null, and returns the exit code of the message loop.
int RunSaverWindow(HWND parent);

LRESULT SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// True when the window may close; asks for the password where one is in force.
bool VerifyClose(HWND window);

// The steps of RunSaverWindow before and after the loop, apart so that tests
// can drive the window message by message.
enum class SaverWindowOutcome { Created, AlreadyRunning, Failed };
// Registers the class and creates the window into Host.saverWindow; in full
// screen it first defers to a running saver and loads the password provider.
SaverWindowOutcome CreateSaverWindow(HWND parent);
// GetMessageA / TranslateMessage / DispatchMessageA until the quit message;
// returns its wParam.
int RunMessageLoop();

// The application procedure SaverWndProc hands messages to, given by the
// program's entry (or a test); null leaves the window to DefSaverProc alone.
void SetSaverApplicationProc(WNDPROC proc);
