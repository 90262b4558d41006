#include "Win32TimeZones.h"

#include "UniqueHandle.h"
#include "WideText.h"
#include "Win32Time.h"

#include <windows.h>

namespace {

// The registry's binary form of a zone's rules.
struct RegistryZone {
    LONG bias;
    LONG standardBias;
    LONG daylightBias;
    SYSTEMTIME standardDate;
    SYSTEMTIME daylightDate;
};

} // namespace

SystemTime Win32TimeZones::localFromUtc(const SystemTime& utc) const
{
    const SYSTEMTIME universal = toWin32Time(utc);
    SYSTEMTIME local{};
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return utc;
    return fromWin32Time(local);
}

bool Win32TimeZones::utcFromZone(const std::string& zone, const SystemTime& local, SystemTime& utc) const
{
    if (zone.empty() || zone.find('\\') != std::string::npos)
        return false;
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\" + toWide(zone);
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    const RegistryKey zoneKey(opened);
    RegistryZone rules{};
    DWORD size = sizeof rules;
    DWORD type = 0;
    if (::RegQueryValueExW(zoneKey.get(), L"TZI", nullptr, &type, reinterpret_cast<BYTE*>(&rules), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof rules)
        return false;
    TIME_ZONE_INFORMATION information{};
    information.Bias = rules.bias;
    information.StandardBias = rules.standardBias;
    information.DaylightBias = rules.daylightBias;
    information.StandardDate = rules.standardDate;
    information.DaylightDate = rules.daylightDate;
    const SYSTEMTIME zoned = toWin32Time(local);
    SYSTEMTIME universal{};
    if (!::TzSpecificLocalTimeToSystemTime(&information, &zoned, &universal))
        return false;
    utc = fromWin32Time(universal);
    return true;
}
