#pragma once

#include "SystemTime.h"

#include <cstdint>
#include <ctime>

// The C library's broken-down time as the core's SystemTime.
inline SystemTime fromCalendarTime(const std::tm& time)
{
    SystemTime converted;
    converted.wYear = static_cast<std::uint16_t>(time.tm_year + 1900);
    converted.wMonth = static_cast<std::uint16_t>(time.tm_mon + 1);
    converted.wDayOfWeek = static_cast<std::uint16_t>(time.tm_wday);
    converted.wDay = static_cast<std::uint16_t>(time.tm_mday);
    converted.wHour = static_cast<std::uint16_t>(time.tm_hour);
    converted.wMinute = static_cast<std::uint16_t>(time.tm_min);
    converted.wSecond = static_cast<std::uint16_t>(time.tm_sec);
    return converted;
}
