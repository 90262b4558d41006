#include "PosixSystemServices.h"

#include "CalendarTime.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/time.h>
#include <utility>

PosixSystemServices::PosixSystemServices(std::string commandLine)
    : line(std::move(commandLine))
{
}

std::string PosixSystemServices::commandLine()
{
    return line;
}

std::string PosixSystemServices::expandEnvironment(const std::string& text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('%', i);
        const std::size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            out += text.substr(i);
            break;
        }
        out += text.substr(i, open - i);
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            out += value;
            i = close + 1;
        } else {
            // An unknown name stays, and its closing '%' may open the next one.
            out += '%';
            out += name;
            i = close;
        }
    }
    return out;
}

void PosixSystemServices::showMessage(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}

SystemTime PosixSystemServices::localTime()
{
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm local{};
    const std::time_t seconds = now.tv_sec;
    ::localtime_r(&seconds, &local);
    SystemTime time = fromCalendarTime(local);
    time.wMilliseconds = static_cast<std::uint16_t>(now.tv_usec / 1000);
    return time;
}
