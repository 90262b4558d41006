#include "EventFileReader.h"
#include "Windows1252.h"
#include "EventFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<Event> read(std::string text, bool expectReadable = true)
{
    std::vector<Event> events;
    EXPECT_EQ(EventFileReader::read(text, events, Windows1252()), expectReadable) << text.substr(0, 200);
    return events;
}

std::string eventXml(const std::string& inner, const std::string& attributes = "")
{
    return "<event" + attributes + ">" + inner + "</event>";
}

std::string file(const std::string& events, const std::string& root = "eventlist")
{
    return "<?xml version=\"1.0\" standalone=\"no\" ?>\r\n<" + root + ">\r\n" + events + "</" + root + ">\r\n";
}

TEST(EventFileReader, ReadsEveryFieldOfAWrittenEvent)
{
    Event event;
    event.description = "Dentist & <co>";
    event.frequency = Fortnightly;
    event.noTime = event.remind3Days = event.remind1Day = event.remind1Hour = true;
    event.sendEmail = event.launchProgram = true;
    event.emailAddress = "ann@example.org";
    event.programPath = "C:\\Program Files\\x.exe";
    event.note = "Bring the card\r\nAsk about the bill";
    event.when = SystemTime{2026, 3, 0, 5, 10, 30, 0, 0};

    const std::vector<Event> events = read(EventFileWriter::write({event}));
    ASSERT_EQ(events.size(), 1u);
    const Event& back = events[0];
    EXPECT_EQ(back.description, event.description);
    EXPECT_EQ(back.frequency, Fortnightly);
    EXPECT_TRUE(back.noTime && back.remind3Days && back.remind1Day && back.remind1Hour);
    EXPECT_TRUE(back.sendEmail && back.launchProgram);
    EXPECT_EQ(back.emailAddress, event.emailAddress);
    EXPECT_EQ(back.programPath, event.programPath);
    EXPECT_EQ(back.note, event.note);
    EXPECT_EQ(back.when.wYear, 2026);
    EXPECT_EQ(back.when.wMonth, 3);
    EXPECT_EQ(back.when.wDay, 5);
    EXPECT_EQ(back.when.wHour, 10);
    EXPECT_EQ(back.when.wMinute, 30);
    EXPECT_EQ(back, event);
}

TEST(EventFileReader, KeepsTheFileOrderAndAnyRootName)
{
    const std::string text = file(eventXml("<description>late</description><datetime><year>2030</year></datetime>") +
                                      eventXml("<description>early</description><datetime><year>2020</year></datetime>"),
                                  "calendar");
    const std::vector<Event> events = read(text);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].description, "late");
    EXPECT_EQ(events[1].description, "early");
}

TEST(EventFileReader, MissingPartsGiveTheDefaults)
{
    const std::vector<Event> events = read(file(eventXml("") + eventXml("<datetime><day></day><month>x</month></datetime>"
                                                                        "<description/><note></note>",
                                                                        " notime=\"YES\" program=\"yes \" email=\"\"")));
    ASSERT_EQ(events.size(), 2u);
    for (const Event& e : events) {
        EXPECT_TRUE(e.description.empty() && e.emailAddress.empty() && e.programPath.empty() && e.note.empty());
        EXPECT_EQ(e.frequency, Once);
        EXPECT_FALSE(e.noTime || e.launchProgram || e.sendEmail || e.remind1Hour);
        EXPECT_EQ(e.when.wYear + e.when.wMonth + e.when.wDay + e.when.wHour + e.when.wMinute, 0);
    }
}

TEST(EventFileReader, NumbersFollowTheAtoiRuleAndKeepTheLow16Bits)
{
    const struct {
        const char* text;
        std::uint16_t field;
    } cases[] = {
        {"5", 5},       {"  +7", 7},     {"12abc", 12},        {"abc", 0},          {"-1", 65535},
        {"65536", 0},   {"65537", 1},    {"2147483647", 65535}, {"2147483648", 0}, {"-2147483648", 0},
        {"99999999999999999999999", 0}, {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto events = read(file(eventXml(std::string("<datetime><day>") + c.text + "</day></datetime>")));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].when.wDay, c.field);
    }
    EXPECT_EQ(EventFileReader::parseInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(EventFileReader::parseInteger("2147483648"), 0);
    EXPECT_EQ(EventFileReader::parseInteger("\t-12x"), -12);

    const auto events = read(file(eventXml("", " frequency=\"-3\"") + eventXml("", " frequency=\"7777777777\"")));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].frequency, -3);
    EXPECT_EQ(events[1].frequency, 0);
}

TEST(EventFileReader, EntitiesAndLineBreaks)
{
    // Line ends in the file are LF, as when the library loads a file itself.
    const auto events = read(file(eventXml("<description>caf&#xE9; &amp;#x41; &lt;b&gt; &quot;q&apos; a&#x09;b</description>"
                                           "<note>one|*two | * |*</note>"
                                           "<program><![CDATA[a\r\nb\rc]]></program>")));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, "caf\xE9 &#x41; <b> \"q' a\tb");
    EXPECT_EQ(events[0].note, "one\r\ntwo | * \r\n");
    EXPECT_EQ(events[0].programPath, "a\nb\nc");
}

TEST(EventFileReader, AnAmpersandThatStartsNoReferenceStaysLiteral)
{
    // Only what the writer produces is decoded; a hand-edited "&" is text.
    const auto events = read(file(eventXml("<description>Tom & Jerry &bogus; &#65; &#x4142; &#xZZ; &#xAZ; &#x4;"
                                           "</description>"
                                           "<address>a&b</address><note><![CDATA[raw & kept]]></note>",
                                           " frequency=\"&#x33;\"") +
                                  "<!-- & -->"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, "Tom & Jerry &bogus; &#65; &#x4142; &#xZZ; &#xAZ; &#x4;");
    EXPECT_EQ(events[0].emailAddress, "a&b");
    EXPECT_EQ(events[0].note, "raw & kept");
    EXPECT_EQ(events[0].frequency, 3);
}

TEST(EventFileReader, ALatin1ByteAtTheEndOfAValueDoesNotBreakTheFile)
{
    // Read as UTF-8, a declaration without encoding would swallow what follows
    // a final byte of 128 or more.
    const auto events = read(file(eventXml("<description>caf\xE9</description><note>na\xEF</note>") +
                                  eventXml("<description>second</description>")));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].description, "caf\xE9");
    EXPECT_EQ(events[0].note, "na\xEF");
    EXPECT_EQ(events[1].description, "second");
}

TEST(EventFileReader, AnEmptyEventListIsAnEventFile)
{
    EXPECT_TRUE(read(EventFileWriter::write({})).empty());
    EXPECT_TRUE(read("<eventlist></eventlist>").empty());
}

TEST(EventFileReader, WhatIsNotAnEventFileIsUnreadable)
{
    const char* const cases[] = {
        "",
        "   \r\n",
        "not xml at all",
        "<eventlist><event></eventlist>",
        "<?xml version=\"1.0\" ?>",
        "<!-- only a comment -->",
        "<html><body>hello</body></html>",
        "<eventlist><something/></eventlist>",
        "<eventlist><event a='1' a='2'/></eventlist>",
        "\x89PNG\r\n\x1a\n\xff\xfe binary junk <<<>>> &#x;",
    };
    for (const char* text : cases)
        read(text, false);
}

TEST(EventFileReader, AFileWithAUtf8ByteOrderMarkIsReadInTheCodePage)
{
    const std::string mark = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        std::string utf8;
        std::string read;
    } cases[] = {
        {"ASCII", "Dentist", "Dentist"},
        {"what the code page has", "Caf\xC3\xA9 \xE2\x82\xAC" "5", "Caf\xE9 \x80" "5"},
        {"what it lacks", "\xCE\xA9 and \xE6\x97\xA5", "? and ?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto events = read(mark + file(eventXml("<description>" + c.utf8 + "</description>")));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].description, c.read);
    }
    // Without the mark the bytes are the code page's already.
    const auto events = read(file(eventXml("<description>Caf\xC3\xA9</description>")));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, "Caf\xC3\xA9");
}

TEST(EventFileReader, OnlyCommentsAndInstructionsMayFollowTheRoot)
{
    const std::string one = file(eventXml("<description>one</description>"));
    const struct {
        const char* what;
        std::string after;
        bool readable;
    } cases[] = {
        {"white space", "\r\n  \t\r\n", true},
        {"a comment", "<!-- saved by hand -->\r\n", true},
        {"a processing instruction", "<?editor cursor=\"3\"?>", true},
        {"a second event file pasted on", one, false},
        {"another element", "<event><description>lost</description></event>", false},
        {"text", "stray words", false},
        {"CDATA", "<![CDATA[x]]>", false},
        {"a document type", "<!DOCTYPE eventlist>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        read(one + c.after, c.readable);
    }
}

TEST(EventFileReader, HostileFilesAreRefusedWithoutHarm)
{
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    read(deep, false);

    std::string deepInsideAnEvent = "<eventlist><event>";
    for (int i = 0; i < 100; ++i)
        deepInsideAnEvent += "<x>";
    for (int i = 0; i < 100; ++i)
        deepInsideAnEvent += "</x>";
    read(deepInsideAnEvent + "</event></eventlist>", false);

    std::string manyAttributes = "<eventlist><event";
    for (int i = 0; i < 100000; ++i)
        manyAttributes += " a" + std::to_string(i) + "='1'";
    read(manyAttributes + "/></eventlist>", false);

    std::string tooLarge(EventFileReader::maxFileSize + 1, ' ');
    tooLarge.replace(0, 12, "<eventlist/>");
    read(std::move(tooLarge), false);
}

TEST(EventFileReader, LongValuesAreTakenWhole)
{
    const std::string megabyte(1 << 20, 'x');
    const auto events = read(file(eventXml("<description>" + megabyte + "</description><note>" + megabyte + "|*</note>")));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, megabyte);
    EXPECT_EQ(events[0].note, megabyte + "\r\n");
}

TEST(EventFileReader, OnlyEventElementsAreEvents)
{
    const auto events = read(file("<other/><!-- comment -->" + eventXml("<description>a</description>") +
                                  "text<other><description>b</description></other><other/>" +
                                  eventXml("<description>c</description>")));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].description, "a");
    EXPECT_EQ(events[1].description, "c");
}

} // namespace

// Inputs that once broke, or would have broken, the reader; whatever the
// fuzzer finds joins them. Each is read without harm, and what it gives is
// saved stably.
TEST(EventFileReader, TheFuzzingRegressionInputsReadWithoutHarm)
{
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<Event> events;
        if (EventFileReader::read(text, events, Windows1252())) {
            const std::string written = EventFileWriter::write(events);
            std::string again = written;
            std::vector<Event> reread;
            ASSERT_TRUE(EventFileReader::read(again, reread, Windows1252()));
            EXPECT_EQ(EventFileWriter::write(reread), written);
        }
        ++inputs;
    }
    EXPECT_GE(inputs, 13);
}
