#pragma once

#include "Event.h"

#include <random>
#include <string>

// Events with random fields, for property tests and benchmarks.
class RandomEvents {
public:
    explicit RandomEvents(unsigned seed) : engine(seed) {}

    // Every field random; texts of any byte but NUL, up to `maxText` long.
    Event any(std::size_t maxText = 40);

    // Plausible events: real dates, printable texts of typical length.
    Event typical();

    std::string text(std::size_t length, const std::string& alphabet);
    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }

private:
    std::mt19937 engine;
};
