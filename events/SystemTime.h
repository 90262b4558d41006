#pragma once

#include <cstdint>

// A local date and time laid out field for field like the Windows SYSTEMTIME,
// so the core can hold one without including <windows.h>. Only year, month,
// day, hour and minute carry meaning for an event.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

static_assert(sizeof(SystemTime) == 16, "SystemTime must match SYSTEMTIME");
