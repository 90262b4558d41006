#pragma once

#include "SystemTime.h"

#include <cstdint>

// Local time as a count of milliseconds since 1970-01-01 00:00, converted
// to and from SystemTime, for tests that live through simulated days.
class SimulatedClock {
public:
    static std::int64_t milliseconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static SystemTime toSystemTime(std::int64_t milliseconds);
};
