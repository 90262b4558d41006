#pragma once

#include "SystemServices.h"
#include "Win32CodePage.h"

// The system's answers on Windows. The command line, the environment and the
// message go through the wide functions, so a user name or a path that the
// code page cannot spell arrives whole (as UTF-8).
class Win32SystemServices : public SystemServices {
public:
    std::string commandLine() override;
    std::string expandEnvironment(const std::string& text) override;
    void showMessage(const std::string& text) override;
    SystemTime localTime() override;
    const CodePage& codePage() override { return systemCodePage; }

private:
    Win32CodePage systemCodePage;
};
