#include "ICalendarReader.h"

#include "Calendar.h"
#include "EventFileWriter.h"
#include "FixedTimeZones.h"
#include "ICalendarWriter.h"
#include "RandomEvents.h"
#include "ReminderSchedule.h"
#include "ValueText.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Problem = ICalendarReader::Problem;

// Thursday 12 March 2026, 12:00, for a user at UTC+1 without summer time.
const SystemTime now{2026, 3, 4, 12, 12, 0, 0, 0};
const FixedTimeZones zones(60);

ICalendarReader::Result read(const std::string& text)
{
    return ICalendarReader::read(text, now, Windows1252(), zones);
}

std::string crlf(const std::string& lines)
{
    std::string out;
    for (const char c : lines)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string observance(const char* kind, const char* from, const char* to, const char* start)
{
    return std::string("BEGIN:") + kind + "\nTZOFFSETFROM:" + from + "\nTZOFFSETTO:" + to + "\nDTSTART:" + start +
           "\nEND:" + kind + "\n";
}

std::string zone(const std::string& name, const std::string& observances)
{
    return "BEGIN:VTIMEZONE\nTZID:" + name + "\n" + observances + "END:VTIMEZONE\n";
}

// Zones given by the dates of their changes alone, as some programs write
// them for the years their events need: Chicago's from 2018 to 2020,
// Paris's in 2019 and 2020, a European one in 2020 alone; a zone of more
// observances than a zone keeps, the latest at either end of it.
std::string datedZones()
{
    const char* const chicagoChanges[][2] = {
        {"20180311T020000", "20181104T020000"}, {"20190310T020000", "20191103T020000"},
        {"20200308T020000", "20201101T020000"}};
    std::string chicago;
    for (const auto& changes : chicagoChanges)
        chicago += observance("DAYLIGHT", "-0600", "-0500", changes[0]) +
                   observance("STANDARD", "-0500", "-0600", changes[1]);
    const std::string paris = observance("DAYLIGHT", "+0100", "+0200", "20190331T020000") +
                              observance("STANDARD", "+0200", "+0100", "20191027T030000") +
                              observance("DAYLIGHT", "+0100", "+0200", "20200329T020000") +
                              observance("STANDARD", "+0200", "+0100", "20201025T030000");
    const std::string europe2020 = observance("DAYLIGHT", "+0100", "+0200", "20200329T020000") +
                                   observance("STANDARD", "+0200", "+0100", "20201025T030000");
    std::string many = observance("STANDARD", "+0300", "+0300", "20250101T000000");
    for (int year = 1900; year < 1940; ++year)
        many += observance("STANDARD", "+0500", "+0500", (std::to_string(year) + "0101T000000").c_str());
    many += observance("STANDARD", "+0400", "+0400", "20240101T000000");
    // Changes on fixed dates (1 April, 1 October), whatever the weekday.
    const std::string fixedDates = observance("DAYLIGHT", "+0100", "+0200", "20190401T020000") +
                                   observance("STANDARD", "+0200", "+0100", "20191001T030000") +
                                   observance("DAYLIGHT", "+0100", "+0200", "20200401T020000") +
                                   observance("STANDARD", "+0200", "+0100", "20201001T030000");
    // The same weekday pattern from the year 300 on.
    const std::string ancient = observance("DAYLIGHT", "+0100", "+0200", "03000325T020000") +
                                observance("STANDARD", "+0200", "+0100", "03001028T030000") +
                                observance("DAYLIGHT", "+0100", "+0200", "03010331T020000") +
                                observance("STANDARD", "+0200", "+0100", "03011027T030000");
    // Observances a zone may not have: a start in UTC, changes in UTC.
    const std::string utcStart = observance("STANDARD", "+0500", "+0500", "19700101T000000Z");
    const std::string utcDates = observance("STANDARD", "+0300", "+0300", "19700101T000000") +
                                 "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0300\nTZOFFSETTO:+0500\nDTSTART:20250601T000000\n"
                                 "RDATE:20260601T000000Z,20270601T000000\nEND:DAYLIGHT\n" +
                                 observance("STANDARD", "+0500", "+0300", "20250901T000000");
    // Rules until 2019, dates from then on: the end of the summer's rule,
    // on the day the dates would place it, is no change.
    const std::string ruleThenDates =
        "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:20070311T020000\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL=20190331T010000Z\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nDTSTART:19961027T030000\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20181028T010000Z\nEND:STANDARD\n" +
        observance("STANDARD", "+0200", "+0100", "20191027T030000") +
        observance("DAYLIGHT", "+0100", "+0200", "20200329T020000") +
        observance("STANDARD", "+0200", "+0100", "20201025T030000");
    return zone("America/Chicago", chicago) + zone("Europe/Paris", paris) + zone("Europe/Amsterdam", europe2020) +
           zone("Atlantis", europe2020) + zone("Many observances", many) + zone("Fixed dates", fixedDates) +
           zone("Ancient", ancient) + zone("Start in UTC", utcStart) + zone("Dates in UTC", utcDates) +
           zone("Rule then dates", ruleThenDates);
}

// A calendar with Europe/Berlin as Google writes it, a zone that changes on
// single dates, one whose name holds a comma, the dated zones, and `events`.
std::string calendar(const std::string& events)
{
    return crlf("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n"
                "BEGIN:VTIMEZONE\nTZID:Europe/Berlin\n"
                "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:19700329T020000\n"
                "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\nEND:DAYLIGHT\n"
                "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nDTSTART:19701025T030000\n"
                "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\n"
                "END:VTIMEZONE\n"
                "BEGIN:VTIMEZONE\nTZID:Single dates\n"
                "BEGIN:STANDARD\nTZOFFSETTO:+0300\nDTSTART:19700101T000000\nRDATE:20251001T000000\nEND:STANDARD\n"
                "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0300\nTZOFFSETTO:+0500\nDTSTART:20250601T000000\n"
                "RDATE:20240101T000000,20260601T000000\nEND:DAYLIGHT\n"
                "END:VTIMEZONE\n" +
                zone("Kuala Lumpur\\, Singapore", observance("STANDARD", "+0800", "+0800", "16010101T000000")) +
                datedZones() + events + "END:VCALENDAR\n");
}

std::string event(const std::string& lines)
{
    return "BEGIN:VEVENT\nSUMMARY:A\n" + lines + "\nEND:VEVENT\n";
}

std::string describe(const Event& event)
{
    static const char* const repeats[] = {"", " daily", " weekly", " monthly", " yearly", " fortnightly"};
    char when[48];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u%s ", event.when.wYear, event.when.wMonth,
                  event.when.wDay, event.when.wHour, event.when.wMinute, event.noTime ? " untimed" : "");
    std::string out = when + event.description;
    if (event.frequency >= Once && event.frequency <= Fortnightly)
        out += repeats[event.frequency];
    out += std::string(event.remind1Hour ? " 1h" : "") + (event.remind1Day ? " 1d" : "") +
           (event.remind3Days ? " 3d" : "");
    if (!event.note.empty())
        out += " note:" + event.note;
    if (!event.emailAddress.empty())
        out += " mail:" + event.emailAddress + (event.sendEmail ? "!" : "");
    if (!event.programPath.empty())
        out += " run:" + event.programPath + (event.launchProgram ? "!" : "");
    if (!event.rule.empty())
        out += " rule:" + event.rule;
    for (const long day : event.skippedDays)
        out += " -" + ValueText::dateText(day);
    for (const std::int32_t minutes : event.remindBefore)
        out += " " + std::to_string(minutes) + "m";
    if (!event.movedFrom.empty())
        out += " from:" + event.movedFrom + (event.uid.empty() ? "" : "@" + event.uid);
    else if (!event.uid.empty())
        out += " linked";
    return out;
}

struct Counts {
    std::size_t zones = 0, rules = 0, alarms = 0, lost = 0, noStart = 0, impossible = 0, zoneYears = 0;
};

void expectEvents(const ICalendarReader::Result& result, const std::vector<std::string>& expected, Counts counts)
{
    EXPECT_EQ(result.problem, Problem::None);
    std::vector<std::string> described;
    for (const Event& event : result.events) {
        described.push_back(describe(event));
        EXPECT_EQ(event.when.wDayOfWeek + event.when.wSecond + event.when.wMilliseconds, 0);
    }
    for (const std::string& name : result.changes.leftOut)
        described.push_back("left out: " + name);
    EXPECT_EQ(described, expected);
    EXPECT_EQ(result.changes.zoneTakenAsLocal, counts.zones);
    EXPECT_EQ(result.changes.ruleToOnce, counts.rules);
    EXPECT_EQ(result.changes.alarmsDropped, counts.alarms);
    EXPECT_EQ(result.changes.charactersLost, counts.lost);
    EXPECT_EQ(result.changes.startMissing, counts.noStart);
    EXPECT_EQ(result.changes.startImpossible, counts.impossible);
    EXPECT_EQ(result.changes.zoneOutsideItsYears, counts.zoneYears);
}

std::string alarm(const std::string& trigger)
{
    return "\nBEGIN:VALARM\nACTION:DISPLAY\n" + trigger + "\nEND:VALARM";
}

struct EventCase {
    const char* name;
    std::string lines; // of one VEVENT, after SUMMARY:A
    const char* expected; // the events, apart by " | "
    Counts counts;
};

TEST(ICalendarReader, ReadsEachVEventAsAnEvent)
{
    const EventCase cases[] = {
        // Starts
        {"date", "DTSTART;VALUE=DATE:20260401", "2026-04-01 00:00 untimed A", {}},
        {"date with Vellumere's time", "DTSTART:20260401\nX-VELLUMERE-TIME:0745", "2026-04-01 07:45 untimed A", {}},
        {"date with a time of day that is none", "DTSTART:20260401\nX-VELLUMERE-TIME:2400", "2026-04-01 00:00 untimed A",
         {}},
        {"floating, seconds dropped", "DTSTART:20260401T093015", "2026-04-01 09:30 A", {}},
        {"UTC", "DTSTART:20251231T233000Z", "2026-01-01 00:30 A", {}},
        {"file zone, summer", "DTSTART;TZID=Europe/Berlin:20260715T100000", "2026-07-15 09:00 A", {}},
        {"file zone, winter", "DTSTART;TZID=Europe/Berlin:20260115T100000", "2026-01-15 10:00 A", {}},
        {"file zone, before the change", "DTSTART;TZID=Europe/Berlin:20260329T013000", "2026-03-29 01:30 A", {}},
        {"file zone, in the skipped hour", "DTSTART;TZID=Europe/Berlin:20260329T023000", "2026-03-29 02:30 A", {}},
        {"file zone, after the change", "DTSTART;TZID=Europe/Berlin:20260329T030000", "2026-03-29 02:00 A", {}},
        {"file zone, repeated hour: the first", "DTSTART;TZID=Europe/Berlin:20261025T023000", "2026-10-25 01:30 A", {}},
        {"file zone, before its first change", "DTSTART;TZID=Europe/Berlin:19600715T100000", "1960-07-15 10:00 A", {}},
        {"changes on single dates, winter", "DTSTART;TZID=Single dates:20260115T100000", "2026-01-15 08:00 A", {}},
        {"changes on single dates, summer", "DTSTART;TZID=Single dates:20260715T100000", "2026-07-15 06:00 A", {}},
        {"two hours skipped on a single date", "DTSTART;TZID=Single dates:20260601T013000", "2026-05-31 23:30 A", {}},
        {"quoted zone with a slash", "DTSTART;TZID=\"/Europe/Berlin\":20260715T100000", "2026-07-15 09:00 A", {}},
        {"system zone", "DTSTART;TZID=W. Europe Standard Time:20260715T100000", "2026-07-15 09:00 A", {}},
        {"other system zone", "DTSTART;TZID=Eastern Standard Time:20260715T100000", "2026-07-15 16:00 A", {}},
        {"unknown zone", "DTSTART;TZID=Mars/Olympus:20260715T100000", "2026-07-15 10:00 A", {1, 0, 0}},
        {"file zone with a comma, quoted", "DTSTART;TZID=\"Kuala Lumpur, Singapore\":20260715T100000",
         "2026-07-15 03:00 A", {}},
        {"file zone with a comma, escaped", "DTSTART;TZID=Kuala Lumpur\\, Singapore:20260715T100000",
         "2026-07-15 03:00 A", {}},
        {"dated zone, within its years", "DTSTART;TZID=America/Chicago:20190115T100000", "2019-01-15 17:00 A", {}},
        {"dated zone, summer after", "DTSTART;TZID=America/Chicago:20270715T100000", "2027-07-15 16:00 A", {}},
        {"dated zone, winter after", "DTSTART;TZID=America/Chicago:20270115T100000", "2027-01-15 17:00 A", {}},
        {"dated zone, second Sunday of March after", "DTSTART;TZID=America/Chicago:20270314T030000",
         "2027-03-14 09:00 A", {}},
        {"dated zone, summer before", "DTSTART;TZID=America/Chicago:20160715T100000", "2016-07-15 16:00 A", {}},
        {"dated zone, last Sunday of March after", "DTSTART;TZID=Europe/Paris:20270328T030000", "2027-03-28 02:00 A",
         {}},
        {"one year's zone, after, its name known", "DTSTART;TZID=Europe/Amsterdam:20270715T100000",
         "2027-07-15 09:00 A", {}},
        {"one year's zone, within", "DTSTART;TZID=Atlantis:20200715T100000", "2020-07-15 09:00 A", {}},
        {"one year's zone, after", "DTSTART;TZID=Atlantis:20270715T100000", "2027-07-15 10:00 A", {0, 0, 0, 0, 0, 0, 1}},
        {"one year's zone, before", "DTSTART;TZID=Atlantis:20190715T100000", "2019-07-15 10:00 A", {0, 0, 0, 0, 0, 0, 1}},
        {"latest observance, read first", "DTSTART;TZID=Many observances:20260715T100000", "2026-07-15 08:00 A", {}},
        {"second latest, read last", "DTSTART;TZID=Many observances:20240715T100000", "2024-07-15 07:00 A", {}},
        {"fixed dates, after", "DTSTART;TZID=Fixed dates:20270715T100000", "2027-07-15 09:00 A", {}},
        {"a weekday pattern from long ago", "DTSTART;TZID=Ancient:20260715T100000", "2026-07-15 09:00 A", {}},
        {"a weekday pattern from long ago, before it", "DTSTART;TZID=Ancient:02000715T100000", "0200-07-15 10:00 A",
         {0, 0, 0, 0, 0, 0, 1}},
        {"a rule's end is no change of the clock", "DTSTART;TZID=Rule then dates:20270715T100000", "2027-07-15 10:00 A",
         {0, 0, 0, 0, 0, 0, 1}},
        {"a zone starting in UTC is none", "DTSTART;TZID=Start in UTC:20260715T100000", "2026-07-15 10:00 A",
         {1, 0, 0}},
        {"a change dated in UTC is none", "DTSTART;TZID=Dates in UTC:20260715T100000", "2026-07-15 08:00 A", {}},
        {"IANA name, winter", "DTSTART;TZID=Europe/London:20260115T100000", "2026-01-15 11:00 A", {}},
        {"IANA name, southern summer", "DTSTART;TZID=Australia/Sydney:20260115T100000", "2026-01-15 00:00 A", {}},
        {"IANA name in any case", "DTSTART;TZID=australia/sydney:20260715T100000", "2026-07-15 01:00 A", {}},
        {"IANA alias", "DTSTART;TZID=Europe/Busingen:20260715T100000", "2026-07-15 09:00 A", {}},
        {"IANA name after a path", "DTSTART;TZID=/freeassociation.sourceforge.net/Europe/London:20260115T100000",
         "2026-01-15 11:00 A", {}},
        {"names in any case, quoted ':' and ';'",
         "dtstart;x-note=\"a:b;c\";Tzid=\"Europe/Berlin\":20260715T100000", "2026-07-15 09:00 A", {}},
        {"a list of zones: the first", "DTSTART;TZID=Europe/Berlin,Mars/Olympus:20260715T100000", "2026-07-15 09:00 A",
         {}},
        {"spaces around the start", "DTSTART;TZID=Europe/Berlin: 20260715T100000 \t", "2026-07-15 09:00 A", {}},
        {"no start", "DESCRIPTION:x", "left out: A", {0, 0, 0, 0, 1, 0}},
        {"an empty start", "DTSTART: ", "left out: A", {0, 0, 0, 0, 1, 0}},
        {"no such date", "DTSTART:20260230T100000\nBEGIN:VALARM\nEND:VALARM", "left out: A", {0, 0, 0, 0, 0, 1}},
        {"month 13", "DTSTART;VALUE=DATE:20261301", "left out: A", {0, 0, 0, 0, 0, 1}},
        {"hour 24", "DTSTART:20260301T240000", "left out: A", {0, 0, 0, 0, 0, 1}},
        {"past the last year, in local time", "DTSTART:99991231T233000Z", "left out: A", {0, 0, 0, 0, 0, 1}},
        {"left out, named in the code page", "SUMMARY:Zaj\xC4\x99ty\\, caf\xC3\xA9\nDTSTART:20260230",
         "left out: Zaj?ty, caf\xE9", {0, 0, 0, 0, 0, 1}},
        // Vellumere's own repetitions, in the words programs use: at the next
        // occurrence from now (a timed one earlier today is past)
        {"daily", "DTSTART:20260101T090000\nRRULE:FREQ=DAILY;INTERVAL=1", "2026-03-13 09:00 A daily", {}},
        {"weekly, weekday restated", "DTSTART:20260101T090000\nRRULE:FREQ=WEEKLY;BYDAY=TH;WKST=SU",
         "2026-03-19 09:00 A weekly", {}},
        {"every two weeks", "DTSTART:20260101T090000\nRRULE:FREQ=WEEKLY;INTERVAL=2",
         "2026-03-26 09:00 A fortnightly", {}},
        {"monthly, day restated", "DTSTART:20260115T090000\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15",
         "2026-03-15 09:00 A monthly", {}},
        {"yearly, date restated", "DTSTART;VALUE=DATE:19900305\nRRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=5",
         "2027-03-05 00:00 untimed A yearly", {}},
        {"every other day is no fortnight", "DTSTART:20260101T090000\nRRULE:FREQ=DAILY;INTERVAL=2",
         "2026-03-14 09:00 A rule:FREQ=DAILY;INTERVAL=2", {}},
        {"monthly from the 31st skips short months", "DTSTART:20260131T090000\nRRULE:FREQ=MONTHLY",
         "2026-03-31 09:00 A rule:FREQ=MONTHLY", {}},
        {"yearly from 29 February", "DTSTART;VALUE=DATE:20240229\nRRULE:FREQ=YEARLY",
         "2028-02-29 00:00 untimed A rule:FREQ=YEARLY", {}},
        // Rules of the calendars: the event keeps them, at the next occurrence
        {"several weekdays", "DTSTART:20260105T090000\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR",
         "2026-03-13 09:00 A rule:FREQ=WEEKLY;BYDAY=MO,WE,FR", {}},
        {"blanks in the rule, as some write it", "DTSTART:20260105T090000\nRRULE:FREQ=WEEKLY; BYDAY=MO, WE,FR",
         "2026-03-13 09:00 A rule:FREQ=WEEKLY;BYDAY=MO,WE,FR", {}},
        {"later today", "DTSTART:20260101T180000\nRRULE:FREQ=WEEKLY;UNTIL=20261231;BYDAY=TH,SU",
         "2026-03-12 18:00 A rule:FREQ=WEEKLY;BYDAY=TH,SU;UNTIL=20261231", {}},
        {"untimed today", "DTSTART;VALUE=DATE:20260101\nRRULE:FREQ=WEEKLY;BYDAY=TH,SU",
         "2026-03-12 00:00 untimed A rule:FREQ=WEEKLY;BYDAY=TH,SU", {}},
        {"count reduced by the occurrences passed", "DTSTART:20260302T090000\nRRULE:FREQ=WEEKLY;COUNT=4",
         "2026-03-16 09:00 A rule:FREQ=WEEKLY;COUNT=2", {}},
        {"until in UTC made local", "DTSTART;TZID=Europe/Berlin:20260105T070000\nRRULE:FREQ=WEEKLY;BYDAY=MO,TH;"
         "UNTIL=20260402T055959Z", "2026-03-16 07:00 A rule:FREQ=WEEKLY;BYDAY=MO,TH;UNTIL=20260402T065900", {}},
        {"second Tuesday", "DTSTART:20260113T190000\nRRULE:FREQ=MONTHLY;BYDAY=2TU",
         "2026-04-14 19:00 A rule:FREQ=MONTHLY;BYDAY=2TU", {}},
        {"last weekday of the month", "DTSTART:20260130T170000\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
         "2026-03-31 17:00 A rule:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", {}},
        {"yearly on a weekday of a month", "DTSTART:20201126T120000\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=4TH",
         "2026-11-26 12:00 A rule:FREQ=YEARLY;BYDAY=4TH;BYMONTH=11", {}},
        {"yearly in two months", "DTSTART:20250310T090000\nRRULE:FREQ=YEARLY;BYMONTH=3,9",
         "2026-09-10 09:00 A rule:FREQ=YEARLY;BYMONTH=3,9", {}},
        {"every three years", "DTSTART:20240312T110000\nRRULE:FREQ=YEARLY;INTERVAL=3",
         "2027-03-12 11:00 A rule:FREQ=YEARLY;INTERVAL=3", {}},
        {"skipped dates, one of them the next", "DTSTART;VALUE=DATE:20260101\nRRULE:FREQ=WEEKLY;BYDAY=TH,SU\n"
         "EXDATE;VALUE=DATE:20260312,20260101\nEXDATE;VALUE=DATE:20260319",
         "2026-03-15 00:00 untimed A rule:FREQ=WEEKLY;BYDAY=TH,SU -20260319", {}},
        {"a skipped time in a zone", "DTSTART;TZID=Europe/Berlin:20260105T233000\nRRULE:FREQ=DAILY;INTERVAL=3\n"
         "EXDATE;TZID=Europe/Berlin:20260315T233000\nEXDATE:20260318T223000Z",
         "2026-03-12 23:30 A rule:FREQ=DAILY;INTERVAL=3 -20260315 -20260318", {}},
        {"a skipped time in UTC, the next day here", "DTSTART;TZID=Europe/Berlin:20260105T003000\nRRULE:FREQ=DAILY\n"
         "EXDATE:20260314T233000Z", "2026-03-13 00:30 A daily -20260315", {}},
        // Ended, or beyond what an event's rule says: once, at the last
        // or the next occurrence
        {"count ended", "DTSTART:20260301T090000\nRRULE:FREQ=DAILY;COUNT=3", "2026-03-03 09:00 A", {}},
        {"count skips 29 February", "DTSTART;VALUE=DATE:20200229\nRRULE:FREQ=YEARLY;COUNT=2",
         "2024-02-29 00:00 untimed A", {}},
        {"until ended", "DTSTART;TZID=Europe/Berlin:20260105T070000\nRRULE:FREQ=WEEKLY;UNTIL=20260302T055959Z",
         "2026-02-23 07:00 A", {}},
        {"until ended, started decades before",
         "DTSTART;TZID=Europe/Berlin:19770206T150000\nRRULE:FREQ=WEEKLY;UNTIL=20260302T055959Z", "2026-03-01 15:00 A",
         {}},
        {"never again", "DTSTART:20250101T080000\nRRULE:FREQ=MONTHLY;BYMONTHDAY=30;BYMONTH=2",
         "2025-01-01 08:00 A", {}},
        {"hourly, by the day", "DTSTART:20260301T080000\nRRULE:FREQ=HOURLY;INTERVAL=5",
         "2026-03-13 08:00 A", {0, 1, 0}},
        {"another day here", "DTSTART;TZID=Eastern Standard Time:20260105T200000\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE",
         "2026-03-17 02:00 A", {0, 1, 0}},
        {"unreadable rule", "DTSTART:20250101T080000\nRRULE:FREQ=FORTNIGHTLY", "2025-01-01 08:00 A", {0, 1, 0}},
        {"an empty rule is none", "DTSTART:20250101T080000\nRRULE: ", "2025-01-01 08:00 A", {}},
        {"Vellumere's frequency wins", "DTSTART:20260101T090000\nRRULE:FREQ=DAILY;COUNT=3\nX-VELLUMERE-FREQUENCY:5",
         "2026-03-26 09:00 A fortnightly", {}},
        {"a later stretch of Vellumere's series", "DTSTART:20260228T090000\nX-VELLUMERE-CONTINUES:x", "", {}},
        {"a changed occurrence whose series is not here", "DTSTART:20260306T100000\nRECURRENCE-ID:20260305T090000\n"
         "UID:s\nRRULE:FREQ=DAILY", "2026-03-06 10:00 A", {}},
        {"an occurrence moved from beyond the years held is one of its own",
         "DTSTART:20260306T100000\nUID:s\nRRULE:FREQ=DAILY\nEND:VEVENT\nBEGIN:VEVENT\nSUMMARY:B\nUID:s\n"
         "DTSTART:20260320T120000\nRECURRENCE-ID:20260320T100000\nEND:VEVENT\nBEGIN:VEVENT\nSUMMARY:C\nUID:s\n"
         "DTSTART:20260401T090000\nRECURRENCE-ID:99991231T233000Z",
         "2026-03-13 10:00 A daily -20260320 linked | 2026-03-20 12:00 B from:20260320T100000@s | 2026-04-01 09:00 C",
         {}},
        {"a series without moved occurrences keeps no UID", "DTSTART:20260306T100000\nUID:s\nRRULE:FREQ=DAILY",
         "2026-03-13 10:00 A daily", {}},
        // Alarms
        {"alarms Vellumere has",
         "DTSTART:20260401T090000" + alarm("TRIGGER:-PT60M") + alarm("TRIGGER;RELATED=START:-PT24H") +
             alarm("TRIGGER;VALUE=DURATION:-P3D"),
         "2026-04-01 09:00 A 1h 1d 3d", {}},
        {"the same in other words",
         "DTSTART:20260401T090000" + alarm("TRIGGER:-P0DT1H0M0S") + alarm("TRIGGER:-PT1440M"),
         "2026-04-01 09:00 A 1h 1d", {}},
        {"alarms at other distances before, shown or heard, once each",
         "DTSTART:20260401T090000" + alarm("TRIGGER:-PT15M") + alarm("TRIGGER:-P1W\nACTION:AUDIO") +
             alarm("TRIGGER:-PT900S") + alarm("TRIGGER:PT0S") + alarm("TRIGGER:-P366D"),
         "2026-04-01 09:00 A 15m 10080m 527040m", {}},
        {"alarms it lacks",
         "DTSTART:20260401T090000" + alarm("TRIGGER:PT1H") + alarm("TRIGGER;RELATED=END:-PT1H") +
             alarm("TRIGGER;VALUE=DATE-TIME:20260401T070000Z") + alarm("ACTION:AUDIO") +
             alarm("TRIGGER:-PT1H\nACTION:EMAIL") + alarm("TRIGGER:-PT30S") + alarm("TRIGGER:-P367D"),
         "2026-04-01 09:00 A", {0, 0, 7}},
        // Texts
        {"escapes", "DTSTART:20260401T090000\nSUMMARY:Tea\\, cakes\\; more \\\\ done\\n\nDESCRIPTION:1\\n2\\N3\\x",
         "2026-04-01 09:00 Tea, cakes; more \\ done\r\n note:1\r\n2\r\n3\\x", {}},
        {"character split by a fold", "DTSTART:20260401T090000\nSUMMARY:Caf\xC3\n \xA9\n\t au lait",
         "2026-04-01 09:00 Caf\xE9 au lait", {}},
        {"outside the code page", "DTSTART:20260401T090000\nSUMMARY:Go \xE2\x86\x92 home \xE2\x9C\x93 \xE2\x82\xAC",
         "2026-04-01 09:00 Go ? home ? \x80", {0, 0, 0, 1}},
        {"outside the code page, in two texts of one event",
         "DTSTART:20260401T090000\nSUMMARY:\xE4\xBC\x9A\xE8\xAD\xB0\nDESCRIPTION:\xE6\x97\xA5 \xE2\x82\xAC",
         "2026-04-01 09:00 ?? note:? \x80", {0, 0, 0, 1}},
        {"Vellumere's own fields",
         "DTSTART:20260401T090000\nX-VELLUMERE-EMAIL:ann@example.org\nX-VELLUMERE-SEND-EMAIL:TRUE\n"
         "X-VELLUMERE-PROGRAM:C:\\\\Tools\\\\backup.exe\nX-VELLUMERE-LAUNCH-PROGRAM:true",
         "2026-04-01 09:00 A mail:ann@example.org! run:C:\\Tools\\backup.exe!", {}},
        {"Vellumere's fields off", "DTSTART:20260401T090000\nX-VELLUMERE-EMAIL:b@c\nX-VELLUMERE-SEND-EMAIL:FALSE",
         "2026-04-01 09:00 A mail:b@c", {}},
    };
    for (const EventCase& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<std::string> expected;
        for (std::string_view left = test.expected; !left.empty();) {
            const std::size_t apart = std::min(left.find(" | "), left.size());
            expected.emplace_back(left.substr(0, apart));
            left.remove_prefix(std::min(apart + 3, left.size()));
        }
        expectEvents(read(calendar(event(test.lines))), expected, test.counts);
    }
}

std::string repeated(const std::string& text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

// A calendar of one event inside `depth` components in all.
std::string nested(int depth)
{
    std::string out = calendar(event("DTSTART:20260401"));
    out.resize(out.size() - 15); // before END:VCALENDAR
    for (int i = 1; i < depth; ++i)
        out += "BEGIN:X-" + std::to_string(i) + "\r\n";
    for (int i = depth - 1; i >= 1; --i)
        out += "END:X-" + std::to_string(i) + "\r\n";
    return out + "END:VCALENDAR\r\n";
}

// A calendar whose one unfolded line holds `length` octets, in folded pieces.
std::string withLine(std::size_t length)
{
    std::string line = "X-PAD:";
    for (std::size_t left = length - line.size(); left > 0;) {
        const std::size_t piece = std::min<std::size_t>(left, 1000);
        line += std::string(piece, 'x');
        left -= piece;
        line += left > 0 ? "\r\n " : "\r\n";
    }
    return calendar(event("DTSTART:20260401")) + line;
}

struct FileCase {
    const char* name;
    std::string text;
    Problem problem;
    std::size_t events;
};

TEST(ICalendarReader, ReadsAFileWholeOrNotAtAll)
{
    const std::string one = calendar(event("DTSTART:20260401"));
    const std::string begin = "BEGIN:VCALENDAR\r\n";
    const std::string empty = "BEGIN:VEVENT\r\nEND:VEVENT\r\n";
    const std::string timeZone = crlf(zone("Z", observance("STANDARD", "+0100", "+0100", "19700101T000000")));
    std::string padded = begin + repeated("X-PAD:" + std::string(1000000, 'x') + "\r\n", 67) + "END:VCALENDAR\r\n";
    padded += std::string(ICalendarReader::maxFileSize - padded.size(), '\n');
    const FileCase cases[] = {
        {"empty", "", Problem::NotACalendar, 0},
        {"blank lines only", "\xEF\xBB\xBF\r\n\r\n", Problem::NotACalendar, 0},
        {"a vCard", "BEGIN:VCARD\r\nEND:VCARD\r\n", Problem::NotACalendar, 0},
        {"text before", "Calendar\r\n" + one, Problem::NotACalendar, 0},
        {"mark, blank lines, LF only, any case",
         "\xEF\xBB\xBF\n\nbegin:vcalendar\nbegin:vevent\ndtstart:20260401\nend:VEvent \nEND:VCALENDAR", Problem::None, 1},
        {"two calendars, the same event in each", one + one, Problem::None, 1},
        {"one event twice under its UID",
         calendar(event("UID:a\nDTSTART:20260401") + event("UID:a\nDTSTART:20260401")), Problem::None, 1},
        {"equal events under two UIDs",
         calendar(event("UID:a\nDTSTART:20260401") + event("UID:b\nDTSTART:20260401")), Problem::None, 2},
        {"two events under one UID",
         calendar(event("UID:a\nDTSTART:20260401") + event("UID:a\nDTSTART:20260402")), Problem::None, 2},
        {"events of a calendar inside a calendar or after it",
         begin + "BEGIN:VCALENDAR\r\n" + event("DTSTART:20260402") + "END:VCALENDAR\r\nEND:VCALENDAR\r\nBEGIN:X\r\n" +
             event("DTSTART:20260401") + "END:X\r\n",
         Problem::None, 0},
        {"cut", one.substr(0, one.size() - 15), Problem::Cut, 0},
        {"cut inside an event", one.substr(0, one.size() - 27), Problem::Cut, 0},
        {"wrong end", begin + "BEGIN:VEVENT\r\nDTSTART:20260401\r\nEND:VTODO\r\nEND:VCALENDAR\r\n", Problem::Cut, 0},
        {"end without a beginning", one + "END:VCALENDAR\r\n", Problem::Cut, 0},
        {"as deep as allowed", nested(ICalendarReader::maxNesting), Problem::None, 1},
        {"too deep", nested(ICalendarReader::maxNesting + 1), Problem::NestedTooDeeply, 0},
        {"longest line", withLine(ICalendarReader::maxLineLength), Problem::None, 1},
        {"folded line too long", withLine(ICalendarReader::maxLineLength + 1), Problem::LineTooLong, 0},
        {"line too long", one + "X:" + std::string(ICalendarReader::maxLineLength, 'x') + "\r\n", Problem::LineTooLong, 0},
        {"most events", begin + repeated(empty, ICalendarReader::maxEvents) + "END:VCALENDAR\r\n", Problem::None, 0},
        {"too many events", one + repeated(empty, ICalendarReader::maxEvents), Problem::TooManyEvents, 0},
        {"most time zones", begin + repeated(timeZone, ICalendarReader::maxTimeZones) + empty + "END:VCALENDAR\r\n",
         Problem::None, 0},
        {"too many time zones", begin + repeated(timeZone, ICalendarReader::maxTimeZones + 1) + "END:VCALENDAR\r\n",
         Problem::TooManyTimeZones, 0},
        {"largest file", padded, Problem::None, 0},
        {"too large", padded + "\n", Problem::TooLarge, 0},
    };
    for (const FileCase& test : cases) {
        SCOPED_TRACE(test.name);
        const ICalendarReader::Result result = read(test.text);
        EXPECT_EQ(result.problem, test.problem);
        EXPECT_EQ(result.events.size(), test.events);
    }
}

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct SampleCase {
    const char* file;
    std::vector<std::string> events;
    Counts counts;
};

// Written by hand the way those programs write: their zones, their rules and
// alarms, their own properties.
TEST(ICalendarReader, ReadsTheBigProgramsCalendars)
{
    const SampleCase cases[] = {
        {"outlook.ics",
         {"2026-04-16 08:30 Quarterly review note:Agenda: budget, hiring\r\nRoom 4.12\r\n 15m",
          "2026-05-01 00:00 untimed Company holiday 1d", "2026-03-17 08:00 Team sync weekly 1h",
          "2026-03-27 17:00 Month-end drinks rule:FREQ=MONTHLY;BYDAY=-1FR"},
         {0, 0, 0}},
        {"google.ics",
         {"2026-03-20 18:30 Dentist note:Bring the insurance card and the list of medicines. The practice moved to "
          "the second floor of the same building; the lift is at the back, past the pharmacy.\r\nParking: "
          "M\xFCllerstra\xDF"
          "e 12. 30m",
          "2026-03-16 18:00 Swimming 1h rule:FREQ=WEEKLY;BYDAY=MO,WE", "2026-03-18 16:00 Piano lesson weekly", "2026-07-04 14:00 Garden party 1d",
          "2026-09-14 00:00 untimed Wedding anniversary yearly"},
         {0, 0, 0}},
        {"thunderbird.ics",
         {"2026-08-22 00:00 untimed Mum's birthday yearly 1d", "2026-03-20 07:00 Recycling collection fortnightly 720m",
          "2026-10-05 08:00 Conference 3d note:Hall B; badge at the entrance", "2026-03-10 19:30 Book club"},
         {0, 0, 0}},
        {"apple.ics",
         {"2026-03-12 17:30 Lunch at Caf\xE9 Zo\xEB 1h", "2027-03-05 00:00 untimed Zo\xEB's birthday ? yearly",
          "2026-06-02 15:00 Flight ? Boston 1h note:Gate closes 30 minutes before.\r\nSeat 14C",
          "2026-02-23 13:00 Yoga"},
         {0, 0, 1, 2}},
        {"exchange.ics", {"2026-03-17 10:00 Zaj?ty note:\r\n", "2026-03-19 09:00 ???? note:????????????\r\n 15m"},
         {0, 0, 0, 2}},
        {"outlook-holidays.ics",
         {"2026-12-25 00:00 untimed Christmas Day note:\r\n",
          "2026-12-28 00:00 untimed Boxing  Day (substitute  day) note:\r\n"},
         {}},
        {"website.ics",
         {"2026-04-06 00:00 untimed Easter Monday market", "2026-04-25 10:00 Spring fair", "left out: Town council",
          "left out: Library closed"},
         {0, 0, 0, 0, 1, 1}},
        // A weekly meeting with an occurrence cancelled, two moved (one of
        // them past) and one cancelled as Outlook sends it: the series at
        // its next occurrence, which is neither.
        {"outlook-series.ics",
         {"2026-03-30 10:00 Team meeting weekly -20260406 15m linked",
          "2026-03-24 14:00 Team meeting from:20260323T100000@040000008200E00074C5B7101A82E00800000000F1E2D3C4B5A6DC"
          "0100000000000000001000000077665544332211009988776655443322"},
         {0, 0, 0}},
        {"outlook2003.ics", {"2026-04-15 17:00 Supplier call", "2026-05-20 07:00 Trade fair"}, {}},
        {"tickets.ics", {"2027-07-15 16:00 Trade show", "2027-06-10 18:00 Concert"}, {0, 0, 0, 0, 0, 0, 1}},
        {"google-invite.ics",
         {"2026-04-16 01:00 Sprint planning note:Join with Google Meet: https://meet.google.com/abc-defg-hij",
          "2026-03-19 16:00 Quarterly call"},
         {}},
    };
    for (const SampleCase& test : cases) {
        SCOPED_TRACE(test.file);
        expectEvents(read(fileText(std::filesystem::path(CALENDAR_SAMPLES) / test.file)), test.events, test.counts);
    }
}

// Vellumere's own export of what its file holds loses nothing: times,
// untimed events' times, every frequency and rule, skipped days, a moved
// occurrence, early reminders, texts with escapes and line breaks, the
// other fields.
TEST(ICalendarReader, ReadsBackWhatVellumereWrites)
{
    RandomEvents random(11);
    std::vector<Event> events;
    const char* const rules[] = {"FREQ=WEEKLY;BYDAY=MO,TH", "FREQ=MONTHLY;BYDAY=-1FR;COUNT=40",
                                 "FREQ=DAILY;INTERVAL=3;UNTIL=20290101", "FREQ=YEARLY;BYDAY=1SU;BYMONTH=6",
                                 "FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=MONTH"};
    for (std::size_t i = 0; i < 300; ++i) {
        Event e = random.typical();
        if (i % 3 == 0) {
            e.frequency = Once;
            e.rule = rules[i / 3 % std::size(rules)];
            e.skippedDays = {dayNumber(e.when) + 30, dayNumber(e.when) + 400};
            e.remindBefore = {15, 7 * 24 * 60 - 9 * 60};
        }
        events.push_back(EventFileWriter::stored(e));
    }
    // A series whose next occurrence was moved to the evening.
    Event series;
    series.description = "Choir";
    series.when = SystemTime{2026, 3, 1, 16, 9, 0, 0, 0};
    series.frequency = Weekly;
    series.uid = "choir@example.org";
    series.skippedDays = {dayNumber(2026, 3, 23)};
    Event moved = series;
    moved.when = SystemTime{2026, 3, 1, 23, 19, 0, 0, 0};
    moved.frequency = Once;
    moved.skippedDays.clear();
    moved.movedFrom = "20260323T090000";
    events.insert(events.end(), {series, moved});
    // What a list holds after a start: every series at its next occurrence.
    std::stable_sort(events.begin(), events.end());
    ReminderSchedule::catchUpEvents(events, now);
    const ICalendarReader::Result result = read(ICalendarWriter::write(events, now, Windows1252(), "1.3.0.2"));
    EXPECT_EQ(result.problem, Problem::None);
    const ICalendarReader::Changes& changes = result.changes;
    EXPECT_EQ(changes.zoneTakenAsLocal + changes.ruleToOnce + changes.alarmsDropped + changes.charactersLost +
                  changes.startMissing + changes.startImpossible,
              0u);
    EXPECT_TRUE(std::is_permutation(events.begin(), events.end(), result.events.begin(), result.events.end()));
}

} // namespace

// Inputs that once broke, or would have broken, the reader; whatever the
// fuzzer finds joins them.
TEST(ICalendarReader, TheFuzzingRegressionInputsReadWithoutHarm)
{
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CALENDAR_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().filename().string());
        const ICalendarReader::Result result = read(fileText(entry.path()));
        if (result.problem != Problem::None) {
            EXPECT_TRUE(result.events.empty());
        }
        for (const Event& event : result.events)
            EXPECT_TRUE(isValidDate(event.when) && event.when.wHour < 24 && event.when.wMinute < 60);
        ++inputs;
    }
    EXPECT_GE(inputs, 8);
}
