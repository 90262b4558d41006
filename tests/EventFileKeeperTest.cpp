#include "EventFileKeeper.h"
#include "EventFileWriter.h"
#include "ReminderSchedule.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::string userFile = "C:\\Users\\ann\\AppData\\Roaming\\Vellumere\\ann.xml";
const std::string besideFile = "C:\\Users\\ann\\AppData\\Roaming\\Vellumere\\ann.unsaved-20261207-093015.xml";

// What the user was told, and what the user answers to Retry or Cancel.
class RecordedNotices : public FileNotices {
public:
    std::vector<std::string> heard;
    std::vector<bool> answers;          // Retry or Yes (true), in turn; Cancel or No when they run out
    std::function<void()> whileAsking; // what the user does while the question is open

    void tell(const std::string& message) override { heard.push_back("told: " + message); }
    void mention(const std::string& message) override { heard.push_back("mentioned: " + message); }
    void inform(const std::string& message) override { heard.push_back("informed: " + message); }
    bool askYesNo(const std::string& message) override { return askRetry(message); }
    bool askRetry(const std::string& message) override
    {
        heard.push_back("asked: " + message);
        if (whileAsking)
            whileAsking();
        if (answers.empty())
            return false;
        const bool retry = answers.front();
        answers.erase(answers.begin());
        return retry;
    }
};

class EventFileKeeperTest : public testing::Test {
protected:
    ReminderTestKit kit;
    RecordedNotices notices;
    EventFileKeeper keeper{kit.events, kit.system, kit.files, notices,
                           FileTexts{"cannot open %1 (%2); see %3", "save failed %1 (%2)", "retry %1 (%2)?",
                                     "copy in %3", "nowhere (%2)", "too large", "", "", "", "", "", ""}};

    void SetUp() override { kit.files.error = "disk full"; }
};

TEST_F(EventFileKeeperTest, AFileThatCouldNotBeOpenedIsToldOfAndLeftAlone)
{
    kit.files.files[userFile] = "held by a scanner";
    kit.files.unreadable.insert(userFile);
    EXPECT_EQ(keeper.load(), EventStore::Loaded::CouldNotOpen);
    kit.events.add(timedEvent("added", 2026, 12, 8, 9, 0));
    EXPECT_TRUE(keeper.save());
    keeper.saveAtEnd();
    EXPECT_EQ(notices.heard,
              std::vector<std::string>{"told: cannot open " + userFile + " (disk full); see " + besideFile});
    EXPECT_EQ(kit.files.files[userFile], "held by a scanner");
    EXPECT_EQ(kit.files.files[besideFile], EventFileWriter::write(kit.events.all()));
}

TEST_F(EventFileKeeperTest, AFailedSaveIsToldOnceUntilASaveSucceedsAgain)
{
    keeper.load();
    kit.events.add(timedEvent("kept", 2026, 12, 8, 9, 0));
    kit.files.unwritable.insert(userFile);
    EXPECT_FALSE(keeper.save());
    EXPECT_FALSE(keeper.save());
    kit.files.unwritable.clear();
    EXPECT_TRUE(keeper.save());
    EXPECT_EQ(kit.files.files[userFile], EventFileWriter::write(kit.events.all())) << "the events were kept";
    kit.files.unwritable.insert(userFile);
    EXPECT_FALSE(keeper.save());
    const std::string told = "mentioned: save failed " + userFile + " (disk full)";
    EXPECT_EQ(notices.heard, (std::vector<std::string>{told, told}));
}

TEST_F(EventFileKeeperTest, AtTheEndAFailedSaveIsRetriedOrWrittenBeside)
{
    const struct {
        const char* what;
        std::vector<bool> answers;
        bool writableAfterFirstTry;
        bool besideWritable;
        std::vector<std::string> heard;
        bool inFile, inCopy;
    } cases[] = {
        {"Retry after the user mended it", {true}, true, true, {"asked: retry " + userFile + " (disk full)?"}, true,
         false},
        {"Retry, then Cancel",
         {true, false},
         false,
         true,
         {"asked: retry " + userFile + " (disk full)?", "asked: retry " + userFile + " (disk full)?",
          "told: copy in " + besideFile},
         false,
         true},
        {"Cancel, and the copy fails too",
         {false},
         false,
         false,
         {"asked: retry " + userFile + " (disk full)?", "told: nowhere (disk full)"},
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit fresh;
        fresh.files.error = "disk full";
        RecordedNotices heard;
        heard.answers = c.answers;
        if (c.writableAfterFirstTry)
            heard.whileAsking = [&] { fresh.files.unwritable.clear(); };
        EventFileKeeper end(fresh.events, fresh.system, fresh.files, heard,
                            FileTexts{"", "", "retry %1 (%2)?", "copy in %3", "nowhere (%2)", "", "", "", "", "", "", ""});
        end.load();
        fresh.events.add(timedEvent("last words", 2026, 12, 8, 9, 0));
        fresh.files.unwritable.insert(userFile);
        if (!c.besideWritable) {
            fresh.files.unwritable.insert(besideFile);
            fresh.files.unwritable.insert("C:\\Temp\\ann.unsaved-20261207-093015.xml");
        }
        end.saveAtEnd();
        EXPECT_EQ(heard.heard, c.heard);
        EXPECT_EQ(fresh.files.files.count(userFile), c.inFile ? 1u : 0u);
        EXPECT_EQ(fresh.files.files.count(besideFile), c.inCopy ? 1u : 0u);
    }
}

TEST_F(EventFileKeeperTest, AnotherProgramsChangesAreMergedAndItsUnreadableFileWrittenOverOnlyWithLeave)
{
    const std::string unreadableCopy = "C:\\Users\\ann\\AppData\\Roaming\\Vellumere\\ann.unreadable-20261207-093015.xml";
    const Event mine = timedEvent("mine", 2026, 12, 8, 9, 0);
    const Event theirs = timedEvent("theirs", 2026, 12, 9, 9, 0);
    const auto numbered = [](int n) { return timedEvent(std::to_string(n).c_str(), 2026, 12, 9, 9, 0); };
    constexpr int fewReads = 6; // three rounds of a save: its look before writing, and the re-read to merge
    // Another program that writes the file again before each of its first `reads` reads.
    const auto writtenAtReads = [&](int reads) {
        return [&, reads](FakeFileSystem& f) {
            f.beforeRead = [&f, &numbered, reads, n = 0](const std::string& path) mutable {
                if (n < reads)
                    f.files[path] = EventFileWriter::write({numbered(++n)});
            };
        };
    };
    const struct {
        const char* what;
        std::function<void(FakeFileSystem&)> otherProgram; // before the save
        std::vector<bool> answers;
        std::vector<std::string> heard;
        std::string inFile; // empty: whatever the other program left
        bool copied;
        std::string keptAside;
    } cases[] = {
        {"an event added there", [&](FakeFileSystem& f) { f.files[userFile] = EventFileWriter::write({theirs}); },
         {}, {}, EventFileWriter::write({mine, theirs}), false, ""},
        {"the file removed there: made again", [&](FakeFileSystem& f) { f.files.erase(userFile); }, {}, {},
         EventFileWriter::write({mine}), false, ""},
        {"left cut, and the user says Yes", [&](FakeFileSystem& f) { f.files[userFile] = "<eventlist><ev"; },
         {true}, {"asked: replace " + userFile + "?"}, EventFileWriter::write({mine}), false, "<eventlist><ev"},
        {"left cut, and the user says No", [&](FakeFileSystem& f) { f.files[userFile] = "<eventlist><ev"; },
         {false}, {"asked: replace " + userFile + "?", "told: copy in " + besideFile}, "<eventlist><ev", true, ""},
        {"written again at every read", writtenAtReads(1000), {}, {"told: copy in " + besideFile}, "", true, ""},
        {"written again at the first few reads: merged each time, then written",
         writtenAtReads(fewReads), {}, {}, EventFileWriter::write({mine, numbered(fewReads)}), false, ""},
        {"written again at one read more: the copy", writtenAtReads(fewReads + 1), {}, {"told: copy in " + besideFile},
         "", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit fresh;
        RecordedNotices heard;
        heard.answers = c.answers;
        EventFileKeeper run(fresh.events, fresh.system, fresh.files, heard,
                            FileTexts{"", "save failed %1 (%2)", "", "copy in %3", "", "", "changing", "unreadable",
                                      "replace %1?", "", "", ""});
        fresh.files.files[userFile] = EventFileWriter::write({});
        run.load();
        fresh.events.add(mine);
        c.otherProgram(fresh.files);
        EXPECT_EQ(run.save(), !c.copied) << "a copy beside it is no save";
        fresh.files.beforeRead = nullptr;
        EXPECT_EQ(heard.heard, c.heard);
        if (!c.inFile.empty()) {
            EXPECT_EQ(fresh.files.files[userFile], c.inFile);
        }
        EXPECT_EQ(fresh.files.files[besideFile].find(">mine<") != std::string::npos, c.copied);
        EXPECT_EQ(fresh.files.files.count(unreadableCopy) ? fresh.files.files[unreadableCopy] : "", c.keptAside);
    }
}

TEST_F(EventFileKeeperTest, TheEndOfTheSessionWritesACopyWithoutAsking)
{
    keeper.load();
    kit.events.add(timedEvent("session", 2026, 12, 8, 9, 0));
    kit.files.unwritable.insert(userFile);
    keeper.saveForEndOfSession();
    EXPECT_TRUE(notices.heard.empty());
    EXPECT_EQ(kit.files.files[besideFile], EventFileWriter::write(kit.events.all()));
}

TEST_F(EventFileKeeperTest, ATooLargeSaveGivesItsOwnReason)
{
    EventList list;
    EventFileKeeper tooSmall(list, kit.system, kit.files, notices,
                             FileTexts{"", "save failed %1 (%2)", "", "", "", "too large", "", "", "", "", "", ""}, 10);
    tooSmall.load();
    list.add(timedEvent("big", 2026, 12, 8, 9, 0));
    EXPECT_FALSE(tooSmall.save());
    EXPECT_EQ(notices.heard, std::vector<std::string>{"mentioned: save failed " + userFile + " (too large)"});
}

TEST_F(EventFileKeeperTest, OutsideChangesAreMergedInAndAFileLeftUnreadableIsToldOfOnce)
{
    using Change = EventFileKeeper::OutsideChange;
    const Event a = timedEvent("a", 2026, 12, 1, 9, 0), b = timedEvent("b", 2026, 12, 2, 9, 0),
                c = timedEvent("c", 2026, 12, 3, 9, 0), d = timedEvent("d", 2026, 12, 4, 9, 0),
                e = timedEvent("e", 2026, 12, 5, 9, 0), later = timedEvent("later", 2026, 12, 20, 9, 0);
    const auto dailyOn = [](int day, EventFrequency frequency) {
        return timedEvent("daily", 2026, 12, day, 8, 0, frequency);
    };
    const Event daily = dailyOn(3, Daily);
    const std::string cut = "<eventlist><event>";
    const std::string missing; // the file removed
    // Each step: what the list does here, what another program leaves in the
    // file, what the keeper says when the notices settle, what the user
    // hears, and the list after it.
    struct Step {
        std::function<void(EventList&)> here;
        std::string file;
        Change result;
        std::vector<std::string> heard;
        std::vector<Event> list;
    };
    const auto keep = [](EventList&) {};
    const auto add = [](Event added) { return [added](EventList& list) { list.add(added); }; };
    const std::string path = userFile;
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"two added there, one here",
         {{add(e), EventFileWriter::write({a, b, c, d}), Change::Taken, {"informed: 2 events in " + path},
           {a, b, c, d, e}}}},
        {"one changed there",
         {{keep, EventFileWriter::write({a, c}), Change::Taken, {"informed: 1 event in " + path}, {a, c}}}},
        {"removed there, removed here, added here",
         {{[](EventList& list) { list.remove(0); }, EventFileWriter::write({b, c}), Change::Taken,
           {"informed: 1 event in " + path}, {b, c}}}},
        {"written with the same events: taken, nothing to tell",
         {{keep, EventFileWriter::write({a, b}) + "\n", Change::Taken, {}, {a, b}}}},
        {"the file removed: no event goes with it", {{keep, missing, Change::None, {}, {a, b}}}},
        {"written out of order there, a series after a later event: carried forward all the same",
         {{keep, EventFileWriter::write({a, b, later, daily}), Change::Taken, {"informed: 7 events in " + path},
           {a, b, dailyOn(3, Once), dailyOn(4, Once), dailyOn(5, Once), dailyOn(6, Once), dailyOn(7, Once),
            dailyOn(8, Daily), later}}}},
        {"added there, then removed there",
         {{keep, EventFileWriter::write({a, b, c}), Change::Taken, {"informed: 1 event in " + path}, {a, b, c}},
          {keep, EventFileWriter::write({a, b}), Change::Taken, {"informed: 1 event in " + path}, {a, b}}}},
        {"cut, then whole: one more look, then taken",
         {{keep, cut, Change::LookAgainSoon, {}, {a, b}},
          {keep, EventFileWriter::write({a, b, c}), Change::Taken, {"informed: 1 event in " + path}, {a, b, c}}}},
        {"left cut: told once, until it is readable again",
         {{keep, cut, Change::LookAgainSoon, {}, {a, b}},
          {keep, cut, Change::None, {"mentioned: unreadable " + path}, {a, b}},
          {keep, cut + " ", Change::None, {}, {a, b}},
          {keep, EventFileWriter::write({a}), Change::Taken, {"informed: 1 event in " + path}, {a}},
          {keep, cut, Change::LookAgainSoon, {}, {a}},
          {keep, cut, Change::None, {"mentioned: unreadable " + path}, {a}}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ReminderTestKit fresh;
        RecordedNotices heard;
        EventFileKeeper run(fresh.events, fresh.system, fresh.files, heard,
                            FileTexts{"", "", "", "", "", "", "", "", "", "unreadable %1", "%1 event in %2",
                                      "%1 events in %2"});
        fresh.files.files[userFile] = EventFileWriter::write({a, b});
        run.load();
        EXPECT_EQ(run.takeOutsideChanges(), Change::None) << "nothing new yet";
        int n = 0;
        for (const Step& step : row.steps) {
            SCOPED_TRACE(++n);
            step.here(fresh.events);
            if (step.file.empty())
                fresh.files.files.erase(userFile);
            else
                fresh.files.files[userFile] = step.file;
            heard.heard.clear();
            EXPECT_EQ(run.takeOutsideChanges(), step.result);
            EXPECT_EQ(heard.heard, step.heard);
            EXPECT_EQ(fresh.events.all(), step.list);
        }
    }
}

TEST_F(EventFileKeeperTest, ItsOwnSavesAreNoOutsideChangeAndAnUnreadableFileIsNotWrittenOverUnasked)
{
    keeper.load();
    kit.events.add(timedEvent("mine", 2026, 12, 8, 9, 0));
    ASSERT_TRUE(keeper.write());
    EXPECT_EQ(keeper.takeOutsideChanges(), EventFileKeeper::OutsideChange::None);
    kit.files.files[userFile] = EventFileWriter::write({});
    keeper.takeOutsideChanges();
    EXPECT_TRUE(kit.events.empty()) << "saved here, then removed there: gone";
    kit.files.files[userFile] = "<eventlist><event>";
    keeper.takeOutsideChanges();
    EXPECT_EQ(keeper.write().outcome, EventStore::SaveResult::Outcome::Unreadable);
    EXPECT_EQ(kit.files.files[userFile], "<eventlist><event>");
}

TEST_F(EventFileKeeperTest, ACopysOwnCarryingForwardIsNoEditOfTheOthers)
{
    // "Pills", daily at 09:00 from 1 December, as a copy that carried it
    // forward to `next` saved it: one-time occurrences before, the series from then.
    const auto pills = [](int day, int hour = 9, EventFrequency frequency = Once) {
        return timedEvent("Pills", 2026, 12, day, hour, 0, frequency);
    };
    const auto carriedTo = [&](int next, int hour = 9, int firstMoved = 99) {
        std::vector<Event> events;
        for (int day = 1; day < next; ++day)
            events.push_back(pills(day, day >= firstMoved ? hour : 9));
        events.push_back(pills(next, hour, Daily));
        return events;
    };
    const auto without = [](std::vector<Event> events, const Event& gone) {
        events.erase(std::find(events.begin(), events.end(), gone));
        return events;
    };
    const struct {
        const char* what;
        std::vector<Event> read;   // the file as this copy read it
        std::function<void(EventList&)> here; // after its own catch-up on 7 December
        std::vector<Event> theirs; // the file another copy then left
        std::vector<Event> after;
    } cases[] = {
        {"a laptop's carrying forward of 4 December", {pills(1, 9, Daily)}, [](EventList&) {}, carriedTo(5),
         carriedTo(8)},
        {"a week-old backup put back", carriedTo(5), [](EventList&) {}, {pills(1, 9, Daily)}, carriedTo(8)},
        {"the series removed there stays removed", {pills(1, 9, Daily)}, [](EventList&) {},
         without(carriedTo(5), pills(5, 9, Daily)), without(carriedTo(5), pills(5, 9, Daily))},
        {"the series removed here stays removed", {pills(1, 9, Daily)},
         [&](EventList& list) { list.remove(list.size() - 1); }, carriedTo(5), without(carriedTo(8), pills(8, 9, Daily))},
        {"the series moved to 11:00 there is kept once", {pills(1, 9, Daily)}, [](EventList&) {},
         carriedTo(5, 11, 5), carriedTo(8, 11, 5)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ReminderTestKit fresh;
        fresh.files.files[userFile] = EventFileWriter::write(row.read);
        EventFileKeeper run(fresh.events, fresh.system, fresh.files, notices, FileTexts{});
        run.load();
        fresh.system.now = SystemTime{2026, 12, 1, 7, 10, 0, 0, 0};
        ReminderSchedule::catchUpEvents(fresh.events, fresh.system.now);
        row.here(fresh.events);
        fresh.files.files[userFile] = EventFileWriter::write(row.theirs);
        run.takeOutsideChanges();
        ReminderSchedule::catchUpEvents(fresh.events, fresh.system.now);
        EXPECT_EQ(fresh.events.all(), row.after);
    }
}

TEST_F(EventFileKeeperTest, AnOlderVersionsSaveKeepsWhatItCannotStore)
{
    Event meeting = timedEvent("meeting", 2026, 12, 8, 9, 0);
    meeting.rule = "FREQ=MONTHLY;BYDAY=2TU";
    meeting.remindBefore = {7 * 24 * 60};
    Event asOlderVersionsWriteIt = meeting;
    asOlderVersionsWriteIt.rule.clear();
    asOlderVersionsWriteIt.remindBefore.clear();
    const Event added = timedEvent("added by the older version", 2026, 12, 9, 9, 0);
    kit.files.files[userFile] = EventFileWriter::write({meeting});
    keeper.load();
    kit.files.files[userFile] = EventFileWriter::write({asOlderVersionsWriteIt, added});
    EXPECT_EQ(keeper.takeOutsideChanges(), EventFileKeeper::OutsideChange::Taken);
    EXPECT_EQ(kit.events.all(), (std::vector<Event>{meeting, added}));
}

TEST(EventFileKeeperTexts, FillIn)
{
    EXPECT_EQ(EventFileKeeper::fillIn("%1, %2 and %3; 100%, %4", {"a", "b", "c"}), "a, b and c; 100%, %4");
    EXPECT_EQ(EventFileKeeper::fillIn("%2%1", {"x", "y"}), "yx");
    EXPECT_EQ(EventFileKeeper::fillIn("%", {"x"}), "%");
}

} // namespace
