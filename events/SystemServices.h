#pragma once

#include "SystemTime.h"

#include <string>

class CodePage;

// The parts of the system the core asks about, filled by each platform with
// its real calls and by tests with their own. The command line, the
// environment and the message's text are UTF-8, so that a path the code page
// cannot spell arrives whole.
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

    // The code page of the program's texts.
    virtual const CodePage& codePage() = 0;
};
