#include "EndToEndFixture.h"

#include "ReminderTestKit.h"

HWND trayWindow()
{
    return ::FindWindowA("TrayIconWndClass", "TrayIconWnd");
}

int countTrayWindows()
{
    int count = 0;
    for (HWND window = nullptr; (window = ::FindWindowExA(nullptr, window, "TrayIconWndClass", "TrayIconWnd"));)
        ++count;
    return count;
}

HWND alertDialog()
{
    return ::FindWindowA("#32770", "Event alert");
}

std::string remoteText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                          &length);
    return std::string(text, std::min<std::size_t>(length, sizeof text - 1));
}

std::string remoteControlText(HWND dialog, int id)
{
    return remoteText(::GetDlgItem(dialog, id));
}

std::string withBackslashes(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}


SYSTEMTIME shifted(const SYSTEMTIME& time, std::int64_t seconds)
{
    FILETIME file;
    ::SystemTimeToFileTime(&time, &file);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    ticks.QuadPart = static_cast<ULONGLONG>(static_cast<std::int64_t>(ticks.QuadPart) + seconds * 10000000);
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME result;
    ::FileTimeToSystemTime(&file, &result);
    return result;
}

SYSTEMTIME daysFrom(const SYSTEMTIME& date, int days)
{
    return shifted(date, std::int64_t{days} * 24 * 60 * 60);
}

std::tuple<int, int, int> dateOf(const SYSTEMTIME& time)
{
    return {time.wYear, time.wMonth, time.wDay};
}

std::int64_t secondOf(SYSTEMTIME time)
{
    time.wMilliseconds = 0;
    FILETIME file;
    ::SystemTimeToFileTime(&time, &file);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    return static_cast<std::int64_t>(ticks.QuadPart / 10000000ULL);
}

std::int64_t minuteOf(SYSTEMTIME time)
{
    return secondOf(time) / 60;
}

SYSTEMTIME localNow()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now;
}

SYSTEMTIME nextMinuteStart(int marginMilliseconds)
{
    const SYSTEMTIME now = localNow();
    SYSTEMTIME moment = shifted(now, 60);
    moment.wSecond = 0;
    moment.wMilliseconds = 0;
    if ((60 - now.wSecond) * 1000 - now.wMilliseconds < marginMilliseconds)
        moment = shifted(moment, 60);
    return moment;
}

Event timedEventOn(const char* description, const SYSTEMTIME& date, int hour, int minute,
                   EventFrequency frequency)
{
    Event event;
    event.description = description;
    event.frequency = frequency;
    event.when.wYear = date.wYear;
    event.when.wMonth = date.wMonth;
    event.when.wDay = date.wDay;
    event.when.wHour = static_cast<std::uint16_t>(hour);
    event.when.wMinute = static_cast<std::uint16_t>(minute);
    return event;
}

void sortByTime(std::vector<Event>& events)
{
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::make_tuple(a.when.wYear, a.when.wMonth, a.when.wDay, a.when.wHour, a.when.wMinute) <
               std::make_tuple(b.when.wYear, b.when.wMonth, b.when.wDay, b.when.wHour, b.when.wMinute);
    });
}

std::vector<std::string> describeAll(const std::vector<Event>& events)
{
    std::vector<std::string> lines;
    for (const Event& event : events)
        lines.push_back(describe(event));
    return lines;
}

namespace {

// The first visible top-level window of `process` of a class, with a caption when one is given.
HWND visibleWindowOf(DWORD process, const char* windowClass, const char* caption)
{
    for (HWND window = nullptr; (window = ::FindWindowExA(nullptr, window, windowClass, caption));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process && ::IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

} // namespace

HWND openMenuOf(DWORD owner)
{
    return visibleWindowOf(owner, "#32768", nullptr);
}

HWND dialogOf(DWORD process, const char* caption)
{
    return visibleWindowOf(process, "#32770", caption);
}
