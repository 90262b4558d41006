#pragma once

#include "CalDavProblem.h"

#include <cstdint>
#include <string>

// The calendar account the events are synced with, as kept between runs.
// The password is not here: it lives in the system's secret store alone.
struct AccountSettings {
    static constexpr std::uint32_t defaultInterval = 15;

    std::string server;       // as the user typed it
    std::string user;
    std::string calendarUrl;  // the calendar picked; empty while none is
    std::string calendarName;
    std::string trustedCertificate; // SHA-256, 64 hex digits, of the one certificate trusted beyond the system's
    std::uint32_t intervalMinutes = defaultInterval; // 0: only at start, resume, changes and on the user's word
    std::string lastSync;     // local time of the last successful sync, "YYYY-MM-DD HH:MM"
    CalDavProblem lastProblem = CalDavProblem::None; // since the last success
    int lastStatus = 0;       // the HTTP status behind it, if any

    // Synced only once a calendar is picked.
    bool present() const { return !calendarUrl.empty(); }

    // "AB:CD:..." for 64 hex digits, as certificate viewers show it.
    static std::string fingerprintText(const std::string& sha256Hex);
    static std::string timeText(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t hour,
                                std::uint16_t minute);
};
