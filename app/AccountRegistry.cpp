#include "AccountRegistry.h"

#include "UniqueHandle.h"
#include "WideText.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char* const serverValue = "SyncServer";
const char* const userValue = "SyncUser";
const char* const calendarUrlValue = "SyncCalendar";
const char* const calendarNameValue = "SyncCalendarName";
const char* const certificateValue = "SyncTrustedCertificate";
const char* const intervalValue = "SyncMinutes";
const char* const lastSyncValue = "SyncLast";
const char* const problemValue = "SyncProblem";
const char* const statusValue = "SyncProblemStatus";

std::string readText(HKEY key, const char* name)
{
    const std::wstring wideName = toWide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > 64 * 1024)
        return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    return fromWide(std::wstring(buffer.data()));
}

bool readNumber(HKEY key, const char* name, DWORD& number)
{
    DWORD type = 0;
    DWORD size = sizeof number;
    DWORD value = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return false;
    number = value;
    return true;
}

bool writeText(HKEY key, const char* name, const std::string& text)
{
    const std::wstring wide = toWide(text);
    return ::RegSetValueExW(key, toWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                            static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool writeNumber(HKEY key, const char* name, DWORD number)
{
    return ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

} // namespace

AccountSettings AccountRegistry::read()
{
    AccountSettings settings;
    RegistryKey settingsKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, settingsKey.out()) != ERROR_SUCCESS)
        return settings;
    const HKEY k = settingsKey.get();
    settings.server = readText(k, serverValue);
    settings.user = readText(k, userValue);
    settings.calendarUrl = readText(k, calendarUrlValue);
    settings.calendarName = readText(k, calendarNameValue);
    settings.trustedCertificate = readText(k, certificateValue);
    settings.lastSync = readText(k, lastSyncValue);
    DWORD number = 0;
    // More than a week between syncs is taken for a value gone wrong.
    if (readNumber(k, intervalValue, number) && number <= 7 * 24 * 60)
        settings.intervalMinutes = number;
    if (readNumber(k, problemValue, number) && number <= static_cast<DWORD>(CalDavProblem::NoCalendars))
        settings.lastProblem = static_cast<CalDavProblem>(number);
    if (readNumber(k, statusValue, number) && number < 1000)
        settings.lastStatus = static_cast<int>(number);
    return settings;
}

bool AccountRegistry::write(const AccountSettings& settings)
{
    RegistryKey settingsKey;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          settingsKey.out(), nullptr) != ERROR_SUCCESS)
        return false;
    const HKEY k = settingsKey.get();
    bool written = writeText(k, serverValue, settings.server);
    written = writeText(k, userValue, settings.user) && written;
    written = writeText(k, calendarUrlValue, settings.calendarUrl) && written;
    written = writeText(k, calendarNameValue, settings.calendarName) && written;
    written = writeText(k, certificateValue, settings.trustedCertificate) && written;
    written = writeText(k, lastSyncValue, settings.lastSync) && written;
    written = writeNumber(k, intervalValue, settings.intervalMinutes) && written;
    written = writeNumber(k, problemValue, static_cast<DWORD>(settings.lastProblem)) && written;
    written = writeNumber(k, statusValue, static_cast<DWORD>(settings.lastStatus)) && written;
    return written;
}

void AccountRegistry::remove()
{
    RegistryKey settingsKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, settingsKey.out()) != ERROR_SUCCESS)
        return;
    for (const char* name : {serverValue, userValue, calendarUrlValue, calendarNameValue, certificateValue,
                             intervalValue, lastSyncValue, problemValue, statusValue})
        ::RegDeleteValueA(settingsKey.get(), name);
}
