#include "StartupSetting.h"

#include "ResourceText.h"
#include "StartupEntry.h"
#include "StringIds.h"
#include "UniqueHandle.h"
#include "WideText.h"

#include <windows.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Only the access each use needs: a policy that denies full access to the
// Run key must still let the menu show the setting.
RegistryKey openKey(const std::string& path, REGSAM access)
{
    RegistryKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, key.out()) != ERROR_SUCCESS)
        throw std::runtime_error(loadResourceText(::GetModuleHandleA(nullptr), IDS_STARTUP_KEY_ERROR));
    return key;
}

} // namespace

StartupSetting::StartupSetting(std::string keyPath)
    : key(std::move(keyPath))
{
}

bool StartupSetting::isOn() const
{
    const RegistryKey run = openKey(key, KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD size = 0;
    return ::RegQueryValueExA(run.get(), valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

void StartupSetting::turnOn(const std::string& data) const
{
    const RegistryKey run = openKey(key, KEY_SET_VALUE);
    const std::wstring wide = toWide(data);
    ::RegSetValueExW(run.get(), toWide(valueName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void StartupSetting::turnOff() const
{
    const RegistryKey run = openKey(key, KEY_SET_VALUE);
    ::RegDeleteValueA(run.get(), valueName);
}

std::string StartupSetting::valueForThisProgram()
{
    // The module's own full path, at any length and in any characters.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size())
            return StartupEntry::valueFor(fromWide(std::wstring(path.data(), length)));
        path.resize(path.size() * 2);
    }
}
