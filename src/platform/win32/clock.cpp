// clock.cpp — the one clock behind timeGetTime, GetTickCount, Sleep and
// PlatformTime.
//
// Real mode reads CLOCK_MONOTONIC (milliseconds, wrapping in 32 bits as the
// Win32 counters do) and the wall clock. Virtual mode, used by tests and the
// headless renderer, moves only when told to or when Sleep is called, so a
// run under it is repeatable.
#include <windows.h>

#include <sched.h>
#include <time.h>

#include <cstdint>

#include "platform/platform_testing.h"

namespace {

struct ClockState {
    bool isVirtual = false;
    uint32_t virtualMs = 0;
    time_t virtualWallStart = 0;
    uint64_t virtualElapsedMs = 0;
};

ClockState& Clock() {
    static ClockState state;
    return state;
}

uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace

namespace platform {

void UseVirtualClock(uint32_t startMs, time_t wallSeconds) {
    ClockState& c = Clock();
    c.isVirtual = true;
    c.virtualMs = startMs;
    c.virtualWallStart = wallSeconds;
    c.virtualElapsedMs = 0;
}

void UseRealClock() { Clock().isVirtual = false; }

bool IsVirtualClock() { return Clock().isVirtual; }

void AdvanceVirtualClock(uint32_t ms) {
    ClockState& c = Clock();
    c.virtualMs += ms;
    c.virtualElapsedMs += ms;
}

time_t PlatformTime(time_t* out) {
    const ClockState& c = Clock();
    time_t now = c.isVirtual ? c.virtualWallStart + static_cast<time_t>(c.virtualElapsedMs / 1000u) : ::time(nullptr);
    if (out) *out = now;
    return now;
}

}  // namespace platform

DWORD timeGetTime() {
    const ClockState& c = Clock();
    return c.isVirtual ? c.virtualMs : static_cast<DWORD>(MonotonicMs());
}

DWORD GetTickCount() { return timeGetTime(); }

void Sleep(DWORD milliseconds) {
    if (Clock().isVirtual) {
        platform::AdvanceVirtualClock(milliseconds);
        return;
    }
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
