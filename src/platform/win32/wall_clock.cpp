// wall_clock.cpp — GetLocalTime on the platform clock.
//
// It reads platform::PlatformTime, so it is virtual whenever the clock
// is. The local time zone is the process's (TZ); milliseconds are always 0.
#include <windows.h>

#include <time.h>

#include "platform/platform.h"

void GetLocalTime(LPSYSTEMTIME time) {
    if (!time) return;
    const time_t now = platform::PlatformTime(nullptr);
    tm local{};
    localtime_r(&now, &local);
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds = 0;
}
