// handles.h — what an HWND (and the screen HDC) stands for.
//
// The one place that maps handle values:
//   - windows of this process: kOwnWindowBase + a serial number that is never
//     reused, so a stale handle never names a newer window;
//   - windows of other programs: their X11 window id, which X11 keeps below
//     2^29 (a preview parent, an xscreensaver window, another saver);
//   - the single-instance stand-in for a saver of another process where no
//     X11 display exists: kOtherSaverHandle;
//   - the screen's device context from GetDC(NULL): kScreenDc.
// A null handle is never a valid one.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

constexpr uintptr_t kForeignWindowLimit = uintptr_t{1} << 29;
constexpr uintptr_t kOwnWindowBase = 0x40000000;
constexpr uintptr_t kOwnWindowLimit = 0x7F000000;
constexpr uintptr_t kOtherSaverHandle = 0x7F000001;
constexpr uintptr_t kScreenDcValue = 0x7F000100;

inline uintptr_t HandleValue(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
inline HWND HandleFromValue(uintptr_t value) { return reinterpret_cast<HWND>(value); }

inline bool IsOwnWindowHandle(HWND hwnd) {
    uintptr_t v = HandleValue(hwnd);
    return v >= kOwnWindowBase && v < kOwnWindowLimit;
}
inline bool IsForeignWindowHandle(HWND hwnd) {
    uintptr_t v = HandleValue(hwnd);
    return v != 0 && v < kForeignWindowLimit;
}
inline bool IsOtherSaverHandle(HWND hwnd) { return HandleValue(hwnd) == kOtherSaverHandle; }
inline HDC ScreenDc() { return reinterpret_cast<HDC>(kScreenDcValue); }
inline bool IsScreenDc(HDC dc) { return reinterpret_cast<uintptr_t>(dc) == kScreenDcValue; }

}  // namespace platform
