#pragma once

#include "SystemServices.h"

// The system's answers on Windows, through the ANSI functions.
class Win32SystemServices : public SystemServices {
public:
    std::string commandLine() override;
    std::string expandEnvironment(const std::string& text) override;
    void showMessage(const std::string& text) override;
    SystemTime localTime() override;
};
