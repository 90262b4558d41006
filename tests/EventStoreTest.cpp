#include "EventFileReader.h"
#include "EventFileWriter.h"
#include "EventStore.h"
#include "FakeFileSystem.h"
#include "FakeSystemServices.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST_F(EventStoreTest, AFileThatCouldNotBeOpenedIsNeverWrittenOverInThatRun)
{
    files.files[userFile] = "whatever the disk holds";
    files.unreadable.insert(userFile);
    std::vector<Event> events;
    EXPECT_EQ(store.load(userFile, events), EventStore::Loaded::CouldNotOpen);
    EXPECT_EQ(store.openProblem(), "the fake disk says no");
    const std::string beside = userFolder + "\\ann.unsaved-20261207-093015.xml";
    EXPECT_EQ(store.savedBesidePath(), beside);

    files.unreadable.clear(); // readable again by the time of the save
    const EventStore::SaveResult nothing = store.save(userFile, events);
    EXPECT_TRUE(nothing);
    EXPECT_EQ(nothing.outcome, EventStore::SaveResult::Outcome::NothingToWrite) << "nothing added, no file";

    events.push_back(event("added in the run"));
    const EventStore::SaveResult saved = store.save(userFile, events);
    EXPECT_EQ(saved.outcome, EventStore::SaveResult::Outcome::WrittenBeside);
    EXPECT_EQ(saved.path, beside);
    EXPECT_EQ(files.files[beside], EventFileWriter::write(events));
    EXPECT_EQ(files.files[userFile], "whatever the disk holds");
    EXPECT_EQ(files.files.size(), 2u) << "nothing is kept aside either: the file itself is left alone";

    // Where the file's folder takes nothing, the temporary folder does.
    files.unwritable.insert(beside);
    const EventStore::SaveResult inTemporary = store.save(userFile, events);
    EXPECT_EQ(inTemporary.outcome, EventStore::SaveResult::Outcome::WrittenBeside);
    EXPECT_EQ(inTemporary.path, "C:\\Temp\\ann.unsaved-20261207-093015.xml");
}

TEST_F(EventStoreTest, RereadTellsWhatBecameOfTheFileSinceItWasLastReadOrWritten)
{
    using OnDisk = EventStore::OnDisk;
    using Outcome = EventStore::SaveResult::Outcome;
    const std::string a = EventFileWriter::write({event("a")}), b = EventFileWriter::write({event("b")});
    const std::string gone = "gone", locked = "locked", cut = "<eventlist><event>";
    struct Step {
        std::string file;
        OnDisk onDisk;
        std::size_t eventsGiven;
    };
    const struct {
        const char* what;
        std::string loaded;
        std::vector<Step> steps;
        Outcome saved; // of a save after the steps
    } cases[] = {
        {"removed, then still gone, then back",
         a,
         {{gone, OnDisk::Missing, 0}, {gone, OnDisk::Same, 0}, {a, OnDisk::Changed, 1}},
         Outcome::Written},
        {"never there, then made", gone, {{gone, OnDisk::Same, 0}, {b, OnDisk::Changed, 1}}, Outcome::Written},
        {"locked for a while", a, {{locked, OnDisk::CouldNotOpen, 0}, {a, OnDisk::Same, 0}}, Outcome::Written},
        {"cut, then written anew", a, {{cut, OnDisk::NotAnEventFile, 0}, {b, OnDisk::Changed, 1}}, Outcome::Written},
        {"cut and left so", a, {{cut, OnDisk::NotAnEventFile, 0}}, Outcome::Unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto put = [&](const std::string& content) {
            files.files.erase(userFile);
            files.unreadable.clear();
            if (content == locked)
                files.unreadable.insert(userFile);
            if (content != gone)
                files.files[userFile] = content;
        };
        put(c.loaded);
        EventStore fresh(system, files);
        std::vector<Event> events;
        fresh.load(userFile, events);
        int n = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(++n);
            put(step.file);
            std::vector<Event> given;
            EXPECT_EQ(fresh.reread(userFile, given), step.onDisk);
            EXPECT_EQ(given.size(), step.eventsGiven);
            if (step.onDisk == OnDisk::CouldNotOpen) {
                EXPECT_EQ(fresh.openProblem(), files.error);
            }
        }
        EXPECT_EQ(fresh.save(userFile, {event("mine")}).outcome, c.saved);
        EXPECT_EQ(fresh.save(userFolder + "\\other.xml", {event("mine")}).outcome, Outcome::Written)
            << "what another program did to one file does not hold back another";
    }
}

TEST(EventStoreLimit, ReaderAndWriterShareTheLimit)
{
    EXPECT_EQ(EventStore(*std::make_unique<FakeSystemServices>(), *std::make_unique<FakeFileSystem>())
                  .save(userFile, {})
                  .outcome,
              EventStore::SaveResult::Outcome::Written)
        << "by default the limit is the reader's";

    // With a limit of a few events, to keep the test small.
    FakeSystemServices system;
    FakeFileSystem files;
    Event big = event("big");
    big.note = "n";
    const std::size_t limit = EventFileWriter::write({big}).size() + 100;
    EventStore store(system, files, limit);
    const std::string old = EventFileWriter::write({event("old")});
    files.files[userFile] = old;

    big.note.assign(102, 'n'); // one byte too many
    const EventStore::SaveResult refused = store.save(userFile, {big});
    EXPECT_EQ(refused.outcome, EventStore::SaveResult::Outcome::TooLarge);
    EXPECT_FALSE(refused);
    EXPECT_EQ(files.files[userFile], old);

    big.note.pop_back(); // just fits, and reads back
    ASSERT_TRUE(store.save(userFile, {big}));
    EXPECT_EQ(files.files[userFile].size(), limit);
    std::vector<Event> back;
    EXPECT_EQ(store.load(userFile, back), EventStore::Loaded::Read);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], big);

    // A file larger than the limit on disk is not taken in, and is kept.
    files.files[userFile] += ' ';
    back.clear();
    EXPECT_EQ(store.load(userFile, back), EventStore::Loaded::NotAnEventFile);
    EXPECT_TRUE(back.empty());
    EXPECT_TRUE(store.save(userFile, {event("new")}));
    EXPECT_EQ(files.files[userFolder + "\\ann.unreadable-20261207-093015.xml"].size(), limit + 1);
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

TEST(EventStoreNames, BesideName)
{
    const SystemTime now{2027, 1, 5, 2, 3, 4, 5, 600};
    EXPECT_EQ(EventStore::besideName("C:\\a.b\\ann.xml", "unreadable", now),
              "C:\\a.b\\ann.unreadable-20270102-030405.xml");
    EXPECT_EQ(EventStore::besideName("C:\\a.b\\events", "unsaved", now), "C:\\a.b\\events.unsaved-20270102-030405");
    EXPECT_EQ(EventStore::besideName("/tmp/x.y/ann.xml", "unreadable", now),
              "/tmp/x.y/ann.unreadable-20270102-030405.xml");
}

} // namespace
