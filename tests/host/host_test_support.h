// Shared set-up of the host tests: a fresh headless world on a virtual clock,
// no system modules, the newer Windows family, the password switch off, and
// an application procedure that passes everything to the close rules.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "host/host_state.h"
#include "host/saver_window.h"
#include "platform/platform_testing.h"

namespace hosttest {

inline LRESULT PassThroughApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSaverProc(window, message, wParam, lParam);
}

inline void SetPasswordSwitch(DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

inline HWND Handle(uintptr_t value) { return reinterpret_cast<HWND>(value); }

// Takes a posted WM_CLOSE for `window` out of the queue; true when there was one.
inline bool TakeClose(HWND window) {
    MSG msg = {};
    return PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
}

// Dispatches queued messages until the queue is empty (false) or the quit message comes (true).
inline bool PumpUntilQuit() {
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return true;
        DispatchMessageA(&msg);
    }
    return false;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::UseVirtualClock(100000, 1700000000);
        platform::UnregisterAllModules();
        platform::SetReportedPlatform(VER_PLATFORM_WIN32_NT);
        platform::ResetSystemParameters();
        platform::HeadlessSetCursorPos(100, 100);
        ResetHostState();
        Host.instance = GetModuleHandleA(nullptr);
        SetSaverApplicationProc(PassThroughApp);
        SetPasswordSwitch(0);
    }
    void TearDown() override {
        SetSaverApplicationProc(nullptr);
        platform::SetExitProcessHook(nullptr);
        platform::UnregisterAllModules();
        platform::SetReportedPlatform(VER_PLATFORM_WIN32_NT);
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::UseRealClock();
        ResetHostState();
    }
    void UseOlderFamily() {
        platform::SetReportedPlatform(VER_PLATFORM_WIN32_WINDOWS);
        Host.isWin9x = true;
    }
};

}  // namespace hosttest
