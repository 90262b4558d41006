#pragma once

#include "SystemServices.h"
#include "Windows1252.h"

// The system's answers on a POSIX system, for the native tools.
class PosixSystemServices : public SystemServices {
public:
    explicit PosixSystemServices(std::string commandLine);

    std::string commandLine() override;
    std::string expandEnvironment(const std::string& text) override;
    void showMessage(const std::string& text) override;
    SystemTime localTime() override;
    // Texts in event files are in a Windows code page; Western European's
    // stands in for it here.
    const CodePage& codePage() override { return windows1252; }

private:
    std::string line;
    Windows1252 windows1252;
};
