#include "StartupEntry.h"

std::string StartupEntry::valueFor(const std::string& commandLine, const std::string& modulePath)
{
    std::string path = modulePath;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t closing = commandLine.find('"', 1);
        if (closing != std::string::npos && closing < commandLineCapacity && closing > 1)
            path = commandLine.substr(1, closing - 1);
    }
    return "\"" + path + "\"";
}
