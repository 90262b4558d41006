#pragma once

#include "SystemTime.h"

#include <string>

// The parts of the system the core asks about, filled by each platform with
// its real calls and by tests with their own.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    // The whole command line, program path included.
    virtual std::string commandLine() = 0;

    // Expands %NAME% references; names without a value stay as they are.
    virtual std::string expandEnvironment(const std::string& text) = 0;

    // A message box with no owner, an empty caption and an OK button.
    virtual void showMessage(const std::string& text) = 0;

    virtual SystemTime localTime() = 0;
};
