#include "ICalendarWriter.h"
#include "Calendar.h"
#include "ReminderTestKit.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

#include <cstring>
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
        {timedEvent("Monthly", 2026, 12, 28, 23, 59, Monthly), "DTSTART:20261228T235900\r\nSUMMARY:Monthly\r\n"
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

// Of each VEVENT of the export, the lines that say when it occurs and
// reminds, and whose part it is (a UID of the events' own, from "s");
// VEVENTs apart by " | ".
std::string timing(const std::vector<Event>& events)
{
    const std::string text = ICalendarWriter::write(events, stamp, Windows1252(), "1");
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = text.find("\r\n", at) + 2;
        const std::string line = text.substr(at, next - at - 2);
        at = next;
        if (line == "END:VEVENT")
            out += " | ";
        for (const char* name : {"DTSTART", "RRULE", "EXDATE", "RECURRENCE-ID", "TRIGGER", "UID:s"}) {
            if (line.compare(0, std::strlen(name), name) == 0)
                out += line + ";";
        }
        for (const char* name : {"X-VELLUMERE-CONTINUES", "X-VELLUMERE-RULE"}) {
            if (line.compare(0, std::strlen(name), name) == 0)
                out += std::string(name) + ";";
        }
    }
    return out;
}

TEST(ICalendarWriterTest, RulesSkippedAndMovedOccurrencesAndRemindersAsOtherProgramsFollowThem)
{
    const auto with = [](Event e, const char* rule, std::vector<long> skipped = {}, std::vector<std::int32_t> before = {}) {
        e.rule = rule;
        e.skippedDays = std::move(skipped);
        e.remindBefore = std::move(before);
        return e;
    };
    Event series = with(timedEvent("Choir", 2027, 1, 12, 19, 30), "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630",
                        {dayNumber(2027, 2, 9), dayNumber(2027, 3, 9)});
    series.uid = "s1";
    Event moved = timedEvent("Choir", 2027, 3, 10, 18, 0);
    moved.uid = "s1";
    moved.movedFrom = "20270309T193000";
    Event orphan = moved;
    orphan.uid = "s2";
    const struct {
        const char* what;
        std::vector<Event> events;
        const char* timing;
    } cases[] = {
        {"a rule, its UNTIL made a date-time of the day's end, skipped days",
         {with(timedEvent("x", 2027, 1, 12, 19, 30), "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630", {dayNumber(2027, 2, 9)})},
         "DTSTART:20270112T193000;RRULE:FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630T235959;EXDATE:20270209T193000; | "},
        {"untimed, with early reminders",
         {with(untimedEvent("x", 2027, 5, 1), "FREQ=YEARLY;COUNT=3", {dayNumber(2028, 5, 1)}, {15, 9540})},
         "DTSTART;VALUE=DATE:20270501;RRULE:FREQ=YEARLY;COUNT=3;EXDATE;VALUE=DATE:20280501;TRIGGER:-PT15M;"
         "TRIGGER:-P6DT15H; | "},
        {"a moved occurrence: under the series' UID, not excluded",
         {series, moved},
         "UID:s1;DTSTART:20270112T193000;RRULE:FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630T235959;EXDATE:20270209T193000; | "
         "UID:s1;DTSTART:20270310T180000;RECURRENCE-ID:20270309T193000; | "},
        {"a moved occurrence whose series is gone: an event of its own", {orphan}, "UID:s2;DTSTART:20270310T180000; | "},
        {"a rule no one follows is kept for Vellumere alone", {with(timedEvent("x", 2027, 1, 1, 9, 0), "FREQ=SOMETIMES")},
         "DTSTART:20270101T090000;X-VELLUMERE-RULE; | "},
        // Vellumere's months keep a day a short month lacks, in stretches.
        {"monthly from the 31st", {timedEvent("x", 2027, 1, 31, 9, 0, Monthly)},
         "DTSTART:20270131T090000; | DTSTART:20270228T090000;RRULE:FREQ=MONTHLY;"
         "X-VELLUMERE-CONTINUES; | "},
        {"monthly from the 31st, through the 30th and a leap February", {timedEvent("x", 2027, 12, 31, 9, 0, Monthly)},
         "DTSTART:20271231T090000;RRULE:FREQ=MONTHLY;COUNT=2; | DTSTART:20280229T090000;RRULE:FREQ=MONTHLY;COUNT=12;"
         "X-VELLUMERE-CONTINUES; | DTSTART:20290228T090000;RRULE:FREQ=MONTHLY;X-VELLUMERE-CONTINUES; | "},
        {"yearly from 29 February", {untimedEvent("x", 2028, 2, 29, Yearly)},
         "DTSTART;VALUE=DATE:20280229; | DTSTART;VALUE=DATE:20290228;RRULE:FREQ=YEARLY;X-VELLUMERE-CONTINUES; | "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timing(c.events), c.timing) << c.what;
}

TEST(ICalendarWriterTest, LinesFoldAt75OctetsBetweenCharacters)
{
    // Two-byte characters at every offset around the folds, three lines of them.
    for (std::size_t lead = 0; lead < 4; ++lead) {
        const std::string description = std::string(lead, 'x') + std::string(100, '\xE9');
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
        for (std::size_t i = 0; i < 100; ++i)
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
