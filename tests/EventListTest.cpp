#include "CalendarTransfer.h"
#include "EventFileWriter.h"
#include "EventList.h"
#include "FixedTimeZones.h"
#include "ReminderTestKit.h"
#include "ReminderSchedule.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string userFile = "C:\\Users\\ann\\AppData\\Roaming\\Vellumere\\ann.xml";

Event event(const char* description, int day, int hour = 9, bool noTime = false)
{
    Event e;
    e.description = description;
    e.when.wYear = 2026;
    e.when.wMonth = 3;
    e.when.wDay = static_cast<std::uint16_t>(day);
    e.when.wHour = static_cast<std::uint16_t>(hour);
    e.noTime = noTime;
    return e;
}

class EventListTest : public testing::Test {
protected:
    FakeSystemServices system;
    FakeFileSystem files;
    UnheardNotices notices;

    std::vector<std::string> descriptions(const EventList& list)
    {
        std::vector<std::string> out;
        for (const Event& e : list)
            out.push_back(e.description);
        return out;
    }
};

TEST_F(EventListTest, LoadReadsTheUserFileSortedAndOnlySaveWritesIt)
{
    // A hand-edited file out of order: the list is put in order at once,
    // because every walk over it and the manager's row mapping rely on it.
    files.files[userFile] =
        EventFileWriter::write({event("third", 7), event("first", 5), event("untimed", 5, 0, true), event("second", 6)});
    {
        EventList list;
        EventFileKeeper keeper(list, system, files, notices, FileTexts{});
        EXPECT_TRUE(list.empty()) << "building the list reads nothing";
        ASSERT_EQ(keeper.load(), EventStore::Loaded::Read);
        EXPECT_EQ(keeper.path(), userFile);
        EXPECT_EQ(descriptions(list), (std::vector<std::string>{"first", "untimed", "second", "third"}));
        list.add(event("added", 4));
    }
    EXPECT_TRUE(files.replaced.empty()) << "destroying the list writes nothing";

    EventList list;
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    ASSERT_EQ(keeper.load(), EventStore::Loaded::Read);
    list.add(event("added", 4));
    ASSERT_TRUE(keeper.write());
    EXPECT_EQ(files.replaced, std::vector<std::string>{userFile});
    EXPECT_EQ(files.files[userFile],
              EventFileWriter::write({event("added", 4), event("first", 5), event("untimed", 5, 0, true),
                                      event("second", 6), event("third", 7)}));
}

TEST_F(EventListTest, AnUnreadableFileLoadsAsAnEmptyListAndSaysSo)
{
    files.files[userFile] = "<eventlist><event>";
    EventList list;
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    list.add(event("before", 1));
    EXPECT_EQ(keeper.load(), EventStore::Loaded::NotAnEventFile);
    EXPECT_TRUE(list.empty()) << "a load replaces what the list held";
}

TEST_F(EventListTest, AddReplaceRemoveKeepTheOrder)
{
    EventList list;
    EXPECT_TRUE(list.empty());
    // Whatever shows the list redraws it when its version moves on.
    unsigned long seen = list.version();
    const auto movedOn = [&] { return std::exchange(seen, list.version()) != list.version(); };
    list.add(event("b", 10));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(movedOn());
    list.add(event("untimed", 10, 0, true));
    list.add(event("late", 10, 23));
    list.add(event("a", 1));
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"a", "b", "late", "untimed"}));

    Event nextYear = event("a moved", 1);
    nextYear.when.wYear = 2027;
    nextYear.note = "every field";
    movedOn();
    list.replace(0, nextYear);
    EXPECT_TRUE(movedOn());
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"b", "late", "untimed", "a moved"}));
    EXPECT_EQ(list[3], nextYear) << "replace copies every field";

    list.remove(3);
    EXPECT_TRUE(movedOn());
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"b", "late", "untimed"}));
    list.remove(0);
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"late", "untimed"}));
}

TEST_F(EventListTest, CarryForwardEndsTheSeriesAndSortsTheNewOccurrencesIn)
{
    EventList list;
    Event daily = event("daily", 2);
    daily.frequency = Daily;
    list.add(daily);
    list.add(event("between", 3, 12));
    Event next = event("daily", 4);
    next.frequency = Daily;
    const unsigned long before = list.version();
    list.carryForward({0}, {event("daily", 3), next});
    EXPECT_NE(list.version(), before);
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"daily", "daily", "between", "daily"}));
    EXPECT_EQ(list[0].frequency, Once);
    EXPECT_EQ(list[3].frequency, Daily) << "only the newest occurrence carries the rule";
}

TEST_F(EventListTest, EqualEventsKeepTheirOrderSoAnUnchangedListSavesTheSameBytes)
{
    // Many events equal in the order (one minute, one untimed day, exact
    // twins), written in an order no sort would produce, and a daily series
    // whose occurrences land among them on each day the catch-up reaches.
    std::vector<Event> written;
    Event daily = event("daily", 1);
    daily.frequency = Daily;
    written.push_back(daily);
    for (int day = 1; day <= 12; ++day)
        for (int n = 40; n > 0; --n) {
            written.push_back(event(("minute " + std::to_string(n)).c_str(), day));
            written.push_back(event(("untimed " + std::to_string(n)).c_str(), day, 0, true));
            written.push_back(event("twin", day));
        }
    files.files[userFile] = EventFileWriter::write(written);

    for (int day = 1; day <= 10; ++day) {
        EventList list;
        EventFileKeeper keeper(list, system, files, notices, FileTexts{});
        ASSERT_EQ(keeper.load(), EventStore::Loaded::Read);
        ReminderSchedule::catchUpEvents(list, SystemTime{2026, 3, 0, static_cast<std::uint16_t>(day), 12, 0, 0, 0});
        ASSERT_TRUE(keeper.write());
        const std::string saved = files.files[userFile];
        ASSERT_EQ(keeper.load(), EventStore::Loaded::Read);
        ASSERT_TRUE(keeper.write());
        ASSERT_EQ(files.files[userFile], saved) << "a load and save that change nothing, day " << day;
        ASSERT_TRUE(std::is_sorted(list.begin(), list.end()));
    }

    // Equal events in the order they were read; each new occurrence after
    // the events already on its minute.
    EventList list;
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    keeper.load();
    std::vector<std::string> expected;
    for (int day = 1; day <= 12; ++day) {
        if (day == 1)
            expected.push_back("daily");
        for (int n = 40; n > 0; --n) {
            expected.push_back("minute " + std::to_string(n));
            expected.push_back("twin");
        }
        if (day > 1 && day <= 11)
            expected.push_back("daily");
        for (int n = 40; n > 0; --n)
            expected.push_back("untimed " + std::to_string(n));
    }
    EXPECT_EQ(descriptions(list), expected);

    list.add(event("added", 5));
    const auto added = std::find_if(list.begin(), list.end(), [](const Event& e) { return e.description == "added"; });
    ASSERT_NE(added, list.end());
    EXPECT_EQ(std::prev(added)->description, "daily") << "an added event goes after the equal ones";
    EXPECT_TRUE(std::next(added)->noTime);
}

std::string calendarWith(const std::string& events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
}

std::string vevent(const char* uid, const char* summary, const char* start)
{
    return std::string("BEGIN:VEVENT\r\nUID:") + uid + "\r\nSUMMARY:" + summary + "\r\nDTSTART:" + start +
           "\r\nEND:VEVENT\r\n";
}

std::string sampleCalendar(const char* name)
{
    std::ifstream in(std::filesystem::path(CALENDAR_SAMPLES) / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(EventListTest, AnImportAddsWhatTheFileDoesNotHoldYet)
{
    const std::string twins =
        calendarWith(vevent("a", "Dentist", "20260306T090000") + vevent("b", "Dentist", "20260306T090000"));
    const struct {
        const char* name;
        std::vector<Event> held;
        std::string calendar;
        std::vector<std::size_t> added; // by each import in turn
        std::vector<std::string> after;
    } cases[] = {
        {"spaces the save condenses", {}, sampleCalendar("outlook-holidays.ics"), {2, 0},
         {"Christmas Day", "Boxing Day (substitute day)"}},
        {"typed with spaces, not saved yet", {event("Lunch  break ", 5, 12)},
         calendarWith(vevent("a", "Lunch break", "20260305T120000")), {0}, {"Lunch  break "}},
        {"equal events under two UIDs", {}, twins, {2, 0}, {"Dentist", "Dentist"}},
        {"the same into a list holding one of them", {event("Dentist", 6)}, twins, {1, 0}, {"Dentist", "Dentist"}},
        {"one event twice under its UID", {},
         calendarWith(vevent("a", "Dentist", "20260306T090000") + vevent("a", "Dentist", "20260306T090000")), {1},
         {"Dentist"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EventList list;
        for (const Event& e : c.held)
            list.add(e);
        std::vector<std::size_t> added;
        for (std::size_t i = 0; i < c.added.size(); ++i)
            added.push_back(CalendarTransfer::importText(list, c.calendar, SystemTime{2026, 3, 0, 1, 12, 0, 0, 0},
                                                         Windows1252(), FixedTimeZones(0))
                                .added);
        EXPECT_EQ(added, c.added);
        EXPECT_EQ(descriptions(list), c.after);
    }
}

TEST_F(EventListTest, SavingTwiceWritesTheCurrentList)
{
    EventList list;
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    keeper.load();
    list.add(event("one", 1));
    EXPECT_TRUE(keeper.write());
    list.add(event("two", 2));
    EXPECT_TRUE(keeper.write());
    EXPECT_EQ(files.files[userFile], EventFileWriter::write({event("one", 1), event("two", 2)}));
}

} // namespace
