// dispatch.h — the process entry and the choice of mode from the command line.
//
// HostMain strips the program name from GetCommandLineA and ends the process
// with what DispatchMode returns. The first switch letter picks the mode:
// s (full screen), p or l N (inside window N), c[:N] or nothing (settings),
// a N (password change, older Windows family only). Window numbers are
// unsigned decimal.
#pragma once

#include <windows.h>

// Exit code for a switch that cannot be used.
inline constexpr int kUnusableSwitchExitCode = -1;
// Exit code when the mode ended through an unexpected failure.
inline constexpr int kCrashExitCode = 3;

[[noreturn]] void HostMain();

// The command line past the program name and the blanks after it.
LPCSTR SkipProgramName(LPCSTR commandLine);

// `arguments` is the command line without the program name.
int DispatchMode(HINSTANCE instance, LPCSTR arguments);

// Unsigned decimal digits up to the first other character; 0 when the text
// does not start with a digit ("0x1A" is 0) or the number needs more than 32
// bits.
DWORD ParseWindowHandle(LPCSTR text);

// True on the older Windows family (GetVersionExA reports VER_PLATFORM_WIN32_WINDOWS).
bool IsWin9xFamily();

// The owner of the settings dialog for the text right after the c switch:
// the window after a colon when it exists, else the foreground window.
HWND ConfigDialogOwner(LPCSTR afterLetter);

// Runs the settings dialog owned by `parent` (may be null).
INT_PTR ShowConfigDialog(HWND parent);
// Adds window classes the settings dialog needs; false skips the dialog.
bool RegisterDialogClasses(HINSTANCE instance);
