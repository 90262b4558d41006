#pragma once

#include "Event.h"

#include <cstdint>
#include <string>
#include <vector>

// What the reminders ask of the desktop: the tray icon's balloons, the modal
// alert and the one timer. The Windows program fills it with the real calls;
// tests record the calls.
class ReminderOutput {
public:
    virtual ~ReminderOutput() = default;

    virtual void showBalloon(const std::string& title, const std::string& text, std::uint32_t infoFlags,
                             std::uint32_t timeout) = 0;
    // Returns when the user has closed the alert.
    virtual void showAlert(const Event& event) = 0;
    // Due events, newest first, in one list from which the user opens each
    // alert; returns when the user has closed the list.
    virtual void showBacklog(const std::vector<Event>& newestFirst) = 0;
    virtual void armTimer(std::uint32_t milliseconds) = 0;
    virtual void killTimer() = 0;
    // Events were carried forward, or the clock moved on: whatever shows the
    // list shows it anew.
    virtual void eventsChanged() {}
    // An event was added (a snooze): whatever shows the list shows it anew.
    virtual void eventAdded() {}
};
