// host_state.h — the saver host's process-wide record.
//
// One instance, `Host`, shared by the entry point, the saver window with its
// close rules, and the screen-saver password. Single-threaded; nothing here
// locks.
#pragma once

#include <windows.h>

// Entry points of optional system components, looked up by name at run time.
typedef HIMC (*ImmAssociateContextProc)(HWND window, HIMC context);
typedef BOOL (*VerifyScreenSavePwdProc)(HWND window);
typedef DWORD (*PwdChangePasswordProc)(LPCSTR provider, HWND parent, DWORD flags, LPVOID reserved);

// "No password question asked yet" in HostState::lastVerifyTime.
constexpr DWORD kNoVerifyTime = 0xFFFFFFFF;

struct HostState {
    // Entry and mode dispatch.
    HINSTANCE instance = nullptr;
    bool isWin9x = false;  // the older Windows family: password, running flag, AutoPlay cancel

    // Saver window and close rules.
    bool isPreview = false;  // inside another window: no close rules, the cursor stays
    bool ownWindow = false;  // a window of its own on the desktop; closes like any window
    HWND saverWindow = nullptr;
    bool closeApproved = false;
    bool verifying = false;  // the password question is on screen
    POINT lastCursorPos = {0, 0};
    DWORD mouseThreshold = 4;  // |dx| + |dy| still tolerated, in pixels
    DWORD lastVerifyTime = kNoVerifyTime;
    UINT autoPlayMessage = 0;
    ImmAssociateContextProc imeProcedure = nullptr;
    HIMC savedImeContext = nullptr;

    // Screen-saver password.
    HMODULE passwordLibrary = nullptr;
    VerifyScreenSavePwdProc verifyPassword = nullptr;
};

extern HostState Host;

// Puts every field back to its start value (tests run many hosts in one process).
void ResetHostState();

// Turns an entry point found by GetProcAddress into its real type.
template <typename Proc>
Proc ProcAs(FARPROC proc) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(proc));
}
