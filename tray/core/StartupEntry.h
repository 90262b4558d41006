#pragma once

#include <string>

// The data of the Run value that starts the program at logon: the full path
// of its executable in double quotes, so that a path with spaces cannot be
// taken for a shorter one ("C:\Program.exe"). The path is the running
// module's own, never the command line's, which may be relative.
class StartupEntry {
public:
    static std::string valueFor(const std::string& modulePath);
};
