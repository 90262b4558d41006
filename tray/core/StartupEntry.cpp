#include "StartupEntry.h"

std::string StartupEntry::valueFor(const std::string& modulePath)
{
    return "\"" + modulePath + "\"";
}
