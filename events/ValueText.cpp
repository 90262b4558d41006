#include "ValueText.h"

#include <cstdint>
#include <cstdio>

bool ValueText::sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

bool ValueText::digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool ValueText::parseNumber(std::string_view text, long& value, bool withSign)
{
    bool negative = false;
    if (withSign && !text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int digit = 0;
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!digitsAt(text, i, 1, digit))
            return false;
        value = value * 10 + digit;
    }
    if (negative)
        value = -value;
    return true;
}

bool ValueText::parseStamp(std::string_view text, Stamp& stamp)
{
    int year = 0;
    int month = 0;
    int day = 0;
    if (!digitsAt(text, 0, 4, year) || !digitsAt(text, 4, 2, month) || !digitsAt(text, 6, 2, day) || year < 1)
        return false;
    SystemTime date;
    date.wYear = static_cast<std::uint16_t>(year);
    date.wMonth = static_cast<std::uint16_t>(month);
    date.wDay = static_cast<std::uint16_t>(day);
    if (!isValidDate(date))
        return false;
    stamp = Stamp{};
    stamp.day = dayNumber(year, month, day);
    if (text.size() == 8) {
        stamp.date = true;
        return true;
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    if ((text[8] != 'T' && text[8] != 't') || !digitsAt(text, 9, 2, hour) || !digitsAt(text, 11, 2, minute) ||
        !digitsAt(text, 13, 2, second) || hour > 23 || minute > 59 || second > 60)
        return false;
    stamp.second = hour * 3600LL + minute * 60LL;
    if (text.size() == 16 && (text[15] == 'Z' || text[15] == 'z'))
        stamp.utc = true;
    else if (text.size() != 15)
        return false;
    return true;
}

bool ValueText::parseOffset(std::string_view text, long long& seconds)
{
    int hours = 0;
    int minutes = 0;
    int rest = 0;
    if ((text.size() != 5 && text.size() != 7) || (text[0] != '+' && text[0] != '-') || !digitsAt(text, 1, 2, hours) ||
        !digitsAt(text, 3, 2, minutes) || (text.size() == 7 && !digitsAt(text, 5, 2, rest)) || hours > 23 ||
        minutes > 59 || rest > 59)
        return false;
    seconds = (hours * 3600LL + minutes * 60LL + rest) * (text[0] == '-' ? -1 : 1);
    return true;
}

bool ValueText::parseDuration(std::string_view text, long long& seconds)
{
    long long sign = 1;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? -1 : 1;
        text.remove_prefix(1);
    }
    if (text.empty() || (text[0] != 'P' && text[0] != 'p'))
        return false;
    text.remove_prefix(1);
    static const std::string_view dateUnits = "WD";
    static const std::string_view timeUnits = "HMS";
    static const long long dateSeconds[] = {7 * secondsPerDay, secondsPerDay};
    static const long long timeSeconds[] = {3600, 60, 1};
    bool inTime = false;
    std::size_t nextUnit = 0; // units come in order, each at most once
    int parts = 0;
    seconds = 0;
    while (!text.empty()) {
        if (!inTime && (text[0] == 'T' || text[0] == 't') && text.size() > 1) {
            inTime = true;
            nextUnit = 0;
            text.remove_prefix(1);
            continue;
        }
        std::size_t length = 0;
        while (length < text.size() && text[length] >= '0' && text[length] <= '9')
            ++length;
        long count = 0;
        if (length == text.size() || !parseNumber(text.substr(0, length), count, false))
            return false;
        const char unit = text[length] >= 'a' ? static_cast<char>(text[length] - 'a' + 'A') : text[length];
        const std::string_view units = inTime ? timeUnits : dateUnits;
        const std::size_t index = units.find(unit);
        if (index == std::string_view::npos || index < nextUnit)
            return false;
        seconds += count * (inTime ? timeSeconds[index] : dateSeconds[index]);
        nextUnit = index + 1;
        ++parts;
        text.remove_prefix(length + 1);
    }
    seconds *= sign;
    return parts > 0;
}

std::string ValueText::dateText(long day)
{
    SystemTime date;
    setDayNumber(date, day);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", date.wYear, date.wMonth, date.wDay);
    return text;
}

std::string ValueText::dateTimeText(long day, long long second)
{
    char time[16];
    std::snprintf(time, sizeof time, "T%02d%02d%02d", static_cast<int>(second / 3600 % 24),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return dateText(day) + time;
}

std::string ValueText::durationText(long long seconds)
{
    std::string text = seconds < 0 ? "-P" : "P";
    unsigned long long left = seconds < 0 ? 0ULL - static_cast<unsigned long long>(seconds)
                                          : static_cast<unsigned long long>(seconds);
    const auto part = [&](unsigned long long size, char unit) {
        if (left >= size) {
            text += std::to_string(left / size) + unit;
            left %= size;
        }
    };
    part(static_cast<unsigned long long>(secondsPerDay), 'D');
    if (left > 0)
        text += 'T';
    part(3600, 'H');
    part(60, 'M');
    part(1, 'S');
    if (text.back() == 'P')
        text += "T0S";
    return text;
}

const char* ValueText::weekdayCode(int day)
{
    static const char* const codes[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    return codes[day];
}

int ValueText::weekdayOfCode(std::string_view code)
{
    for (int day = 0; day < 7; ++day) {
        if (sameText(code, weekdayCode(day)))
            return day;
    }
    return -1;
}

bool ValueText::parseWeekdayItem(std::string_view item, int& weekday, long& ordinal)
{
    weekday = item.size() >= 2 ? weekdayOfCode(item.substr(item.size() - 2)) : -1;
    if (weekday < 0)
        return false;
    item.remove_suffix(2);
    ordinal = 0;
    return item.empty() || (parseNumber(item, ordinal, true) && ordinal != 0);
}
