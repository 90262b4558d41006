#include "EventFileWriter.h"
#include "EventStore.h"
#include "FakeFileSystem.h"
#include "FakeSystemServices.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const std::string userFolder = "C:\\Users\\ann\\AppData\\Roaming\\Vellumere";
const std::string userFile = userFolder + "\\ann.xml";

Event event(const char* description)
{
    Event e;
    e.description = description;
    e.when = SystemTime{2026, 3, 0, 5, 10, 30, 0, 0};
    return e;
}

class EventStoreTest : public testing::Test {
protected:
    FakeSystemServices system;
    FakeFileSystem files;
    EventStore store{system, files};
};

TEST_F(EventStoreTest, TheUserFileIsInTheApplicationDataFolder)
{
    EXPECT_EQ(store.locateFile(), userFile);
    EXPECT_EQ(files.folders, std::set<std::string>{userFolder});
    EXPECT_TRUE(system.messages.empty());
}

TEST_F(EventStoreTest, WithoutAppDataTheNameStaysUnexpanded)
{
    system.environment.erase("APPDATA");
    EXPECT_EQ(store.locateFile(), "%APPDATA%\\Vellumere\\ann.xml");
}

TEST_F(EventStoreTest, TheFileOptionNamesAnotherFileAndShowsIt)
{
    const struct {
        const char* line;
        const char* path;
    } cases[] = {
        {"\"C:\\Program Files\\Vellumere\\Vellumere.exe\" -file:\"D:\\My Events\\work.xml\"", "D:\\My Events\\work.xml"},
        {"Vellumere.exe -file:D:\\events.xml -other", "D:\\events.xml"},
        {"Vellumere.exe -file:\"D:\\no closing quote.xml", "D:\\no closing quote.xml"},
        {"Vellumere.exe -file:", ""},
        {"Vellumere.exe x-file:a.xml", "a.xml"},
        {"Vellumere.exe -file:first.xml -file:second.xml", "first.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        system.line = c.line;
        system.messages.clear();
        files.folders.clear();
        EXPECT_EQ(store.locateFile(), c.path);
        EXPECT_EQ(system.messages, std::vector<std::string>{c.path});
        EXPECT_TRUE(files.folders.empty()) << "no folder is made for a named file";
    }
    system.line = "Vellumere.exe -FILE:x.xml";
    EXPECT_EQ(store.locateFile(), userFile) << "the option is case-sensitive";
}

TEST_F(EventStoreTest, AMissingFileGivesNoEventsAndIsCreatedByTheFirstSave)
{
    std::vector<Event> events;
    store.load(userFile, events);
    EXPECT_TRUE(events.empty());
    events.push_back(event("first"));
    EXPECT_TRUE(store.save(userFile, events));
    EXPECT_EQ(files.files[userFile], EventFileWriter::write(events));
    EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(EventStoreTest, LoadAppendsToWhatIsThere)
{
    files.files[userFile] = EventFileWriter::write({event("from file")});
    std::vector<Event> events{event("already")};
    store.load(userFile, events);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].description, "from file");
}

TEST_F(EventStoreTest, AnUnreadableFileIsKeptAsideBeforeTheFirstSaveReplacesIt)
{
    for (const std::string content : {"<eventlist><event>", "", "\x01\x02 garbage", "<html/>"}) {
        SCOPED_TRACE(content);
        files.files = {{userFile, content}};
        system.now.wSecond = 15;
        EventStore fresh(system, files);
        std::vector<Event> events;
        fresh.load(userFile, events);
        EXPECT_TRUE(events.empty());
        EXPECT_TRUE(system.messages.empty()) << "nothing is reported";

        events.push_back(event("new"));
        ASSERT_TRUE(fresh.save(userFile, events));
        const std::string kept = userFolder + "\\ann.unreadable-20261207-093015.xml";
        ASSERT_EQ(files.files.count(kept), 1u);
        EXPECT_EQ(files.files[kept], content);
        EXPECT_EQ(files.files[userFile], EventFileWriter::write(events));

        // Only once: later saves just write.
        system.now.wSecond = 16;
        ASSERT_TRUE(fresh.save(userFile, events));
        EXPECT_EQ(files.files.size(), 2u);
    }
}

TEST_F(EventStoreTest, AFileTheSystemCannotReadIsKeptAsideToo)
{
    files.files[userFile] = "whatever the disk holds";
    files.unreadable.insert(userFile);
    std::vector<Event> events;
    store.load(userFile, events);
    files.unreadable.clear(); // readable again by the time of the save
    EXPECT_TRUE(store.save(userFile, events));
    EXPECT_EQ(files.files[userFolder + "\\ann.unreadable-20261207-093015.xml"], "whatever the disk holds");
}

TEST_F(EventStoreTest, WhenTheCopyAsideFailsTheUnreadableFileIsNotReplaced)
{
    files.files[userFile] = "not xml";
    std::vector<Event> events;
    store.load(userFile, events);
    files.failCopy = true;
    EXPECT_FALSE(store.save(userFile, {event("new")}));
    EXPECT_EQ(files.files[userFile], "not xml");
    files.failCopy = false;
    EXPECT_TRUE(store.save(userFile, {event("new")}));
    EXPECT_EQ(files.files[userFolder + "\\ann.unreadable-20261207-093015.xml"], "not xml");
}

TEST_F(EventStoreTest, AFailedReplaceLeavesTheOldFileAsItWas)
{
    const std::string old = EventFileWriter::write({event("old")});
    files.files[userFile] = old;
    files.failReplace = true;
    EXPECT_FALSE(store.save(userFile, {event("new")}));
    EXPECT_EQ(files.files[userFile], old);
}

TEST(EventStoreNames, KeptAsidePath)
{
    const SystemTime now{2027, 1, 5, 2, 3, 4, 5, 600};
    EXPECT_EQ(EventStore::keptAsidePath("C:\\a.b\\ann.xml", now), "C:\\a.b\\ann.unreadable-20270102-030405.xml");
    EXPECT_EQ(EventStore::keptAsidePath("C:\\a.b\\events", now), "C:\\a.b\\events.unreadable-20270102-030405");
    EXPECT_EQ(EventStore::keptAsidePath("/tmp/x.y/ann.xml", now), "/tmp/x.y/ann.unreadable-20270102-030405.xml");
}

} // namespace
