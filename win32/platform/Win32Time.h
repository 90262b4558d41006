#pragma once

#include "SystemTime.h"

#include <windows.h>

// The core's SystemTime and Windows' SYSTEMTIME have the same fields in the
// same order; these copy one into the other.
inline SYSTEMTIME toWin32Time(const SystemTime& time)
{
    return SYSTEMTIME{time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
                      time.wHour, time.wMinute, time.wSecond,   time.wMilliseconds};
}

inline SystemTime fromWin32Time(const SYSTEMTIME& time)
{
    return SystemTime{time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
                      time.wHour, time.wMinute, time.wSecond,   time.wMilliseconds};
}
