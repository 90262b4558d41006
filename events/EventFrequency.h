#pragma once

#include <cstdint>

// How an event repeats. The values are stored in the event file, so they
// never change; a hand-edited file may hold any other 32-bit number, which
// the enum can carry and which counts as "does not repeat".
enum EventFrequency : std::int32_t {
    Once = 0,
    Daily = 1,
    Weekly = 2,
    Monthly = 3,
    Yearly = 4,
    Fortnightly = 5,
};
