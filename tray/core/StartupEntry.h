#pragma once

#include <string>

// The data of the Run value that starts the program at logon: the path of
// its executable in double quotes, so that a path with spaces cannot be
// taken for a shorter one ("C:\Program.exe").
class StartupEntry {
public:
    // How much of the command line is looked at.
    static constexpr std::size_t commandLineCapacity = 2047;

    // The path is the command line's leading double-quoted path; when the
    // line does not start with one (a copy started by an unquoted entry) or
    // it does not end within the capacity, it is the module's own path.
    static std::string valueFor(const std::string& commandLine, const std::string& modulePath);
};
