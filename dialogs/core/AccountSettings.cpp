#include "AccountSettings.h"

#include <cctype>
#include <cstdio>

std::string AccountSettings::fingerprintText(const std::string& sha256Hex)
{
    std::string text;
    for (std::size_t i = 0; i < sha256Hex.size(); ++i) {
        if (i && i % 2 == 0)
            text += ':';
        text += static_cast<char>(std::toupper(static_cast<unsigned char>(sha256Hex[i])));
    }
    return text;
}

std::string AccountSettings::timeText(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                                      std::uint16_t hour, std::uint16_t minute)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", unsigned{year}, unsigned{month}, unsigned{day},
                  unsigned{hour}, unsigned{minute});
    return text;
}
