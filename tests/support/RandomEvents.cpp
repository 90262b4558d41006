#include "RandomEvents.h"

#include "Calendar.h"

std::string RandomEvents::text(std::size_t length, const std::string& alphabet)
{
    std::string out(length, ' ');
    for (char& c : out)
        c = alphabet[static_cast<std::size_t>(number(0, static_cast<int>(alphabet.size()) - 1))];
    return out;
}

Event RandomEvents::any(std::size_t maxText)
{
    // Bytes 1..255, with white space and markup characters made more likely.
    static const std::string alphabet = [] {
        std::string all;
        for (int byte = 1; byte < 256; ++byte)
            all += static_cast<char>(byte);
        return all + "    \t\r\n&<>\"'|*|*;#x" + std::string(20, 'a');
    }();
    auto randomText = [&] { return text(static_cast<std::size_t>(number(0, static_cast<int>(maxText))), alphabet); };

    Event event;
    event.description = randomText();
    event.emailAddress = randomText();
    event.programPath = randomText();
    event.note = randomText();
    event.frequency = static_cast<EventFrequency>(number(-3, 8));
    event.noTime = number(0, 1) != 0;
    event.remind3Days = number(0, 1) != 0;
    event.remind1Day = number(0, 1) != 0;
    event.remind1Hour = number(0, 1) != 0;
    event.sendEmail = number(0, 1) != 0;
    event.launchProgram = number(0, 1) != 0;
    event.when.wYear = static_cast<std::uint16_t>(number(0, 65535));
    event.when.wMonth = static_cast<std::uint16_t>(number(0, 65535));
    event.when.wDay = static_cast<std::uint16_t>(number(0, 65535));
    event.when.wHour = static_cast<std::uint16_t>(number(0, 65535));
    event.when.wMinute = static_cast<std::uint16_t>(number(0, 65535));
    return event;
}

Event RandomEvents::typical()
{
    static const std::string words = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789.,-";
    Event event;
    event.description = "Event " + text(static_cast<std::size_t>(number(5, 40)), words);
    event.frequency = static_cast<EventFrequency>(number(0, 5));
    event.noTime = number(0, 3) == 0;
    event.remind1Hour = !event.noTime && number(0, 1) != 0;
    event.remind1Day = number(0, 2) == 0;
    event.remind3Days = number(0, 4) == 0;
    event.sendEmail = number(0, 4) == 0;
    event.launchProgram = number(0, 6) == 0;
    if (event.sendEmail)
        event.emailAddress = text(8, "abcdefghij") + "@example.org";
    if (event.launchProgram)
        event.programPath = "C:\\Program Files\\" + text(8, "abcdefghij") + ".exe";
    if (number(0, 1))
        event.note = text(static_cast<std::size_t>(number(10, 60)), words) + "\r\n" + text(20, words);
    event.when.wYear = static_cast<std::uint16_t>(number(2000, 2030));
    event.when.wMonth = static_cast<std::uint16_t>(number(1, 12));
    event.when.wDay = static_cast<std::uint16_t>(number(1, daysInMonth(event.when.wYear, event.when.wMonth)));
    event.when.wHour = static_cast<std::uint16_t>(number(0, 23));
    event.when.wMinute = static_cast<std::uint16_t>(number(0, 59));
    return event;
}
