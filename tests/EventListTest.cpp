#include "EventFileWriter.h"
#include "EventList.h"
#include "EventStore.h"
#include "FakeFileSystem.h"
#include "FakeSystemServices.h"

#include <gtest/gtest.h>

#include <string>
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
    EventStore store{system, files};

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
        EventList list(store);
        EXPECT_TRUE(list.empty()) << "building the list reads nothing";
        ASSERT_EQ(list.load(), EventStore::Loaded::Read);
        EXPECT_EQ(list.path(), userFile);
        EXPECT_EQ(descriptions(list), (std::vector<std::string>{"first", "untimed", "second", "third"}));
        list.add(event("added", 4));
    }
    EXPECT_TRUE(files.replaced.empty()) << "destroying the list writes nothing";

    EventList list(store);
    ASSERT_EQ(list.load(), EventStore::Loaded::Read);
    list.add(event("added", 4));
    ASSERT_TRUE(list.save());
    EXPECT_EQ(files.replaced, std::vector<std::string>{userFile});
    EXPECT_EQ(files.files[userFile],
              EventFileWriter::write({event("added", 4), event("first", 5), event("untimed", 5, 0, true),
                                      event("second", 6), event("third", 7)}));
}

TEST_F(EventListTest, AnUnreadableFileLoadsAsAnEmptyListAndSaysSo)
{
    files.files[userFile] = "<eventlist><event>";
    EventList list(store);
    list.add(event("before", 1));
    EXPECT_EQ(list.load(), EventStore::Loaded::NotAnEventFile);
    EXPECT_TRUE(list.empty()) << "a load replaces what the list held";
}

TEST_F(EventListTest, AddReplaceRemoveKeepTheOrder)
{
    EventList list(store);
    EXPECT_TRUE(list.empty());
    list.add(event("b", 10));
    ASSERT_EQ(list.size(), 1u);
    list.add(event("untimed", 10, 0, true));
    list.add(event("late", 10, 23));
    list.add(event("a", 1));
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"a", "b", "late", "untimed"}));

    Event nextYear = event("a moved", 1);
    nextYear.when.wYear = 2027;
    nextYear.note = "every field";
    list.replace(0, nextYear);
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"b", "late", "untimed", "a moved"}));
    EXPECT_EQ(list[3], nextYear) << "replace copies every field";

    list.remove(3);
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"b", "late", "untimed"}));
    list.remove(0);
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"late", "untimed"}));
}

TEST_F(EventListTest, CarryForwardEndsTheSeriesAndSortsTheNewOccurrencesIn)
{
    EventList list(store);
    Event daily = event("daily", 2);
    daily.frequency = Daily;
    list.add(daily);
    list.add(event("between", 3, 12));
    Event next = event("daily", 4);
    next.frequency = Daily;
    list.carryForward({0}, {event("daily", 3), next});
    EXPECT_EQ(descriptions(list), (std::vector<std::string>{"daily", "daily", "between", "daily"}));
    EXPECT_EQ(list[0].frequency, Once);
    EXPECT_EQ(list[3].frequency, Daily) << "only the newest occurrence carries the rule";
}

TEST_F(EventListTest, SavingTwiceWritesTheCurrentList)
{
    EventList list(store);
    list.load();
    list.add(event("one", 1));
    EXPECT_TRUE(list.save());
    list.add(event("two", 2));
    EXPECT_TRUE(list.save());
    EXPECT_EQ(files.files[userFile], EventFileWriter::write({event("one", 1), event("two", 2)}));
}

} // namespace
