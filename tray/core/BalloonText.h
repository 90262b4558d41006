#pragma once

#include <cstddef>
#include <string>

// Fits texts into the fixed fields of the notification icon's balloon.
class BalloonText {
public:
    static constexpr std::size_t titleCapacity = 63; // characters, without the terminator
    static constexpr std::size_t textCapacity = 255;

    // A title is cut at its capacity.
    static std::string fitTitle(const std::string& title);

    // A text that is too long ends after its last whole line that fits,
    // followed by "...", so the user sees there is more. A first line that
    // alone is too long is cut within and ends with "...".
    static std::string fitText(const std::string& text);
};
