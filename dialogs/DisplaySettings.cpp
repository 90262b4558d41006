#include "DisplaySettings.h"

#include "UniqueHandle.h"

#include <windows.h>

unsigned char DisplaySettings::read(const char* name, unsigned char fallback)
{
    RegistryKey settings;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, settings.out()) != ERROR_SUCCESS)
        return fallback;
    BYTE value = 0;
    DWORD type = 0;
    DWORD size = 1;
    const bool read = ::RegQueryValueExA(settings.get(), name, nullptr, &type, &value, &size) == ERROR_SUCCESS;
    return read && size == 1 ? value : fallback;
}

void DisplaySettings::write(const char* name, unsigned char value)
{
    RegistryKey settings;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          settings.out(), nullptr) == ERROR_SUCCESS)
        ::RegSetValueExA(settings.get(), name, 0, REG_BINARY, &value, 1);
}
