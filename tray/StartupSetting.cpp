#include "StartupSetting.h"

#include "ResourceText.h"
#include "StartupEntry.h"
#include "StringIds.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

namespace {

RegistryKey openKey(const std::string& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        throw std::runtime_error(loadResourceText(::GetModuleHandleA(nullptr), IDS_STARTUP_KEY_ERROR));
    return RegistryKey(key);
}

} // namespace

StartupSetting::StartupSetting(std::string keyPath)
    : key(std::move(keyPath))
{
}

bool StartupSetting::isOn() const
{
    const RegistryKey run = openKey(key);
    DWORD type = 0;
    DWORD size = 0;
    return ::RegQueryValueExA(run.get(), valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

void StartupSetting::turnOn(const std::string& data) const
{
    const RegistryKey run = openKey(key);
    ::RegSetValueExA(run.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
}

void StartupSetting::turnOff() const
{
    const RegistryKey run = openKey(key);
    ::RegDeleteValueA(run.get(), valueName);
}

std::string StartupSetting::valueForThisProgram()
{
    char module[MAX_PATH * 4] = "";
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    return StartupEntry::valueFor(::GetCommandLineA(), module);
}
