#pragma once

#include "SystemServices.h"

// The system's answers on a POSIX system, for the native tools.
class PosixSystemServices : public SystemServices {
public:
    explicit PosixSystemServices(std::string commandLine);

    std::string commandLine() override;
    std::string expandEnvironment(const std::string& text) override;
    void showMessage(const std::string& text) override;
    SystemTime localTime() override;

private:
    std::string line;
};
