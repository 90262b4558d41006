#include "EventFileReader.h"
#include "Windows1252.h"
#include "EventFileWriter.h"
#include "RandomEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the file keeps of a text value, stated independently of the writer:
// cut at NUL, leading white space gone, runs of space/CR/LF as one space
// inside and none at the end; tabs and all other bytes kept.
std::string expectedText(std::string value)
{
    value = value.substr(0, value.find('\0'));
    const std::size_t first = value.find_first_not_of(" \t\r\n\v\f");
    if (first == std::string::npos)
        return "";
    value = value.substr(first);
    const std::size_t last = value.find_last_not_of(" \r\n");
    value = value.substr(0, last + 1);
    std::string out;
    bool inRun = false;
    for (const char c : value) {
        if (c == ' ' || c == '\r' || c == '\n') {
            inRun = true;
            continue;
        }
        if (inRun)
            out += ' ';
        inRun = false;
        out += c;
    }
    return out;
}

// A note's breaks travel as "|*"; any "|*" comes back as a break.
std::string expectedNote(const std::string& note)
{
    std::string stored = expectedText(EventFileWriter::encodeLineBreaks(note));
    std::string out;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored.compare(i, 2, "|*") == 0) {
            out += "\r\n";
            ++i;
        } else {
            out += stored[i];
        }
    }
    return out;
}

TEST(EventFileRoundTrip, EverythingSurvivesButTheWhiteSpaceCondensing)
{
    RandomEvents random(2026);
    for (int round = 0; round < 300; ++round) {
        std::vector<Event> events;
        for (int i = random.number(0, 6); i > 0; --i)
            events.push_back(random.any(round < 250 ? 40 : 3000));
        std::string text = EventFileWriter::write(events);
        const std::string written = text;

        std::vector<Event> back;
        ASSERT_TRUE(EventFileReader::read(text, back, Windows1252())) << written;
        ASSERT_EQ(back.size(), events.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", event " << i);
            const Event& e = events[i];
            const Event& b = back[i];
            EXPECT_EQ(b.description, expectedText(e.description));
            EXPECT_EQ(b.emailAddress, expectedText(e.emailAddress));
            EXPECT_EQ(b.programPath, expectedText(e.programPath));
            EXPECT_EQ(b.note, expectedNote(e.note));
            EXPECT_EQ(b.frequency, e.frequency);
            EXPECT_EQ(b.noTime, e.noTime);
            EXPECT_EQ(b.remind3Days, e.remind3Days);
            EXPECT_EQ(b.remind1Day, e.remind1Day);
            EXPECT_EQ(b.remind1Hour, e.remind1Hour);
            EXPECT_EQ(b.sendEmail, e.sendEmail);
            EXPECT_EQ(b.launchProgram, e.launchProgram);
            EXPECT_EQ(b.when.wYear, e.when.wYear);
            EXPECT_EQ(b.when.wMonth, e.when.wMonth);
            EXPECT_EQ(b.when.wDay, e.when.wDay);
            EXPECT_EQ(b.when.wHour, e.when.wHour);
            EXPECT_EQ(b.when.wMinute, e.when.wMinute);
            EXPECT_TRUE(EventFileWriter::stored(e) == b) << "what the file gives back, known before the save";
        }
        // A second save of what was read gives the same bytes.
        EXPECT_EQ(EventFileWriter::write(back), written);
    }
}

TEST(EventFileRoundTrip, TheDocumentedChanges)
{
    Event event;
    event.description = "  two  words\tand a tab  ";
    event.note = "typed |* here\r\nand a break";
    event.emailAddress = "   ";
    std::string text = EventFileWriter::write({event});
    std::vector<Event> back;
    ASSERT_TRUE(EventFileReader::read(text, back, Windows1252()));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].description, "two words\tand a tab");
    EXPECT_EQ(back[0].note, "typed \r\n here\r\nand a break");
    EXPECT_EQ(back[0].emailAddress, "");
    EXPECT_TRUE(EventFileWriter::stored(event) == back[0]);
}

} // namespace
