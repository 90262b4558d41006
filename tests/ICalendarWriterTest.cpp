#include "ICalendarWriter.h"
#include "ReminderTestKit.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const SystemTime stamp{2026, 12, 1, 7, 18, 5, 9, 0};

// The lines of the one VEVENT in the export of `event`, without UID and
// DTSTAMP; "" when there is none.
std::string eventLines(const Event& event)
{
    const std::string text = ICalendarWriter::write({event}, stamp, Windows1252(), "1.3.0");
    std::string out;
    if (text.find("BEGIN:VEVENT\r\n") == std::string::npos)
        return out;
    const std::size_t begin = text.find("BEGIN:VEVENT\r\n") + 14;
    const std::size_t end = text.find("END:VEVENT\r\n");
    for (std::size_t at = begin; at < end;) {
        const std::size_t next = text.find("\r\n", at) + 2;
        const std::string line = text.substr(at, next - at);
        if (line.compare(0, 4, "UID:") != 0 && line.compare(0, 8, "DTSTAMP:") != 0)
            out += line;
        at = next;
    }
    return out;
}

// An event as a hand-edited file may hold it, its fields as they are.
Event handEdited(const char* description, int year, int month, int day, int hour, int minute, bool noTime = false)
{
    Event event;
    event.description = description;
    event.noTime = noTime;
    event.when.wYear = static_cast<std::uint16_t>(year);
    event.when.wMonth = static_cast<std::uint16_t>(month);
    event.when.wDay = static_cast<std::uint16_t>(day);
    event.when.wHour = static_cast<std::uint16_t>(hour);
    event.when.wMinute = static_cast<std::uint16_t>(minute);
    return event;
}

TEST(ICalendarWriterTest, EveryFieldAsTheCalendarsWriteIt)
{
    Event weekly = timedEvent("Choir; alto, \\ tenor", 2026, 3, 4, 19, 30, Weekly);
    weekly.note = "Bring the folder\r\nand the pencil";
    weekly.remind1Hour = weekly.remind1Day = weekly.remind3Days = true;
    weekly.emailAddress = "ann@example.org";
    weekly.sendEmail = true;
    weekly.programPath = "C:\\Tools\\choir.exe";
    Event birthday = untimedEvent("Zo\xEB's birthday", 2027, 1, 9, Yearly);
    birthday.when.wHour = 8;
    birthday.when.wMinute = 5;
    Event fortnightly = timedEvent("Bins", 2026, 12, 1, 7, 0, Fortnightly);
    fortnightly.launchProgram = true;

    const struct {
        Event event;
        const char* lines;
    } cases[] = {
        {weekly, "DTSTART:20260304T193000\r\nSUMMARY:Choir\\; alto\\, \\\\ tenor\r\n"
                 "DESCRIPTION:Bring the folder\\nand the pencil\r\nRRULE:FREQ=WEEKLY\r\n"
                 "X-VELLUMERE-EMAIL:ann@example.org\r\nX-VELLUMERE-SEND-EMAIL:TRUE\r\n"
                 "X-VELLUMERE-PROGRAM:C:\\\\Tools\\\\choir.exe\r\nX-VELLUMERE-LAUNCH-PROGRAM:FALSE\r\n"
                 "X-VELLUMERE-FREQUENCY:2\r\n"
                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Choir\\; alto\\, \\\\ tenor\r\nTRIGGER:-PT1H\r\nEND:VALARM\r\n"
                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Choir\\; alto\\, \\\\ tenor\r\nTRIGGER:-P1D\r\nEND:VALARM\r\n"
                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Choir\\; alto\\, \\\\ tenor\r\nTRIGGER:-P3D\r\nEND:VALARM\r\n"},
        {birthday, "DTSTART;VALUE=DATE:20270109\r\nSUMMARY:Zo\xC3\xAB's birthday\r\nRRULE:FREQ=YEARLY\r\n"
                   "X-VELLUMERE-SEND-EMAIL:FALSE\r\nX-VELLUMERE-LAUNCH-PROGRAM:FALSE\r\n"
                   "X-VELLUMERE-TIME:0805\r\nX-VELLUMERE-FREQUENCY:4\r\n"},
        {fortnightly, "DTSTART:20261201T070000\r\nSUMMARY:Bins\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n"
                      "X-VELLUMERE-SEND-EMAIL:FALSE\r\nX-VELLUMERE-LAUNCH-PROGRAM:TRUE\r\n"
                      "X-VELLUMERE-FREQUENCY:5\r\n"},
        {timedEvent("Daily", 2026, 12, 1, 7, 0, Daily), "DTSTART:20261201T070000\r\nSUMMARY:Daily\r\n"
                                                        "RRULE:FREQ=DAILY\r\nX-VELLUMERE-SEND-EMAIL:FALSE\r\n"
                                                        "X-VELLUMERE-LAUNCH-PROGRAM:FALSE\r\n"
                                                        "X-VELLUMERE-FREQUENCY:1\r\n"},
        {timedEvent("Monthly", 2026, 12, 31, 23, 59, Monthly), "DTSTART:20261231T235900\r\nSUMMARY:Monthly\r\n"
                                                               "RRULE:FREQ=MONTHLY\r\nX-VELLUMERE-SEND-EMAIL:FALSE\r\n"
                                                               "X-VELLUMERE-LAUNCH-PROGRAM:FALSE\r\n"
                                                               "X-VELLUMERE-FREQUENCY:3\r\n"},
        {timedEvent("", 2026, 1, 1, 0, 0), "DTSTART:20260101T000000\r\nSUMMARY:\r\nX-VELLUMERE-SEND-EMAIL:FALSE\r\n"
                                           "X-VELLUMERE-LAUNCH-PROGRAM:FALSE\r\nX-VELLUMERE-FREQUENCY:0\r\n"},
        // Hand edits no calendar would read: left out
        {handEdited("30 February", 2026, 2, 30, 9, 0), ""},
        {handEdited("month 13", 2026, 13, 1, 9, 0), ""},
        {handEdited("hour 25", 2026, 3, 1, 25, 0), ""},
        {handEdited("minute 60, untimed", 2026, 3, 1, 9, 60, true), ""},
        {handEdited("year 0", 0, 3, 1, 9, 0), ""},
        {handEdited("year 10000", 10000, 3, 1, 9, 0), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eventLines(c.event), c.lines) << c.event.description;
        EXPECT_EQ(ICalendarWriter::writable(c.event), *c.lines != '\0') << c.event.description;
    }

    const std::string whole = ICalendarWriter::write({}, stamp, Windows1252(), "1.3.0");
    EXPECT_EQ(whole, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vellumere//Vellumere 1.3.0//EN\r\n"
                     "CALSCALE:GREGORIAN\r\nEND:VCALENDAR\r\n");
    EXPECT_NE(ICalendarWriter::write({weekly}, stamp, Windows1252(), "1").find("\r\nDTSTAMP:20261207T180509Z\r\n"),
              std::string::npos);
}

TEST(ICalendarWriterTest, LinesFoldAt75OctetsBetweenCharacters)
{
    // Two-byte characters at every offset around the fold.
    for (std::size_t lead = 0; lead < 4; ++lead) {
        const std::string description = std::string(lead, 'x') + std::string(60, '\xE9');
        const std::string text = ICalendarWriter::write({timedEvent(description.c_str(), 2026, 1, 1, 9, 0)}, stamp,
                                                        Windows1252(), "1");
        std::string unfolded;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find("\r\n", at);
            const std::string line = text.substr(at, end - at);
            ASSERT_LE(line.size(), 75u) << line;
            if (line[0] == ' ') {
                ASSERT_NE(static_cast<unsigned char>(line[1]) & 0xC0, 0x80) << "a character cut at the fold";
                unfolded += line.substr(1);
            } else {
                unfolded += "\n" + line;
            }
            at = end + 2;
        }
        std::string utf8;
        for (std::size_t i = 0; i < 60; ++i)
            utf8 += "\xC3\xA9";
        EXPECT_NE(unfolded.find("\nSUMMARY:" + std::string(lead, 'x') + utf8 + "\n"), std::string::npos);
    }
}

TEST(ICalendarWriterTest, TheSameEventKeepsItsUidAndTwinsGetTheirOwn)
{
    const Event a = timedEvent("Dentist", 2026, 3, 5, 10, 30);
    Event b = a;
    b.note = "x";
    EXPECT_EQ(ICalendarWriter::uidOf(a, 0), ICalendarWriter::uidOf(Event(a), 0));
    EXPECT_NE(ICalendarWriter::uidOf(a, 0), ICalendarWriter::uidOf(b, 0));
    const std::string twins = ICalendarWriter::write({a, a}, stamp, Windows1252(), "1");
    const std::string uid = ICalendarWriter::uidOf(a, 0);
    EXPECT_NE(twins.find("UID:" + uid + "\r\n"), std::string::npos);
    EXPECT_NE(twins.find("UID:" + ICalendarWriter::uidOf(a, 1) + "\r\n"), std::string::npos);
    EXPECT_NE(ICalendarWriter::uidOf(a, 1), uid);
}

} // namespace
