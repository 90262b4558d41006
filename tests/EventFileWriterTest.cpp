#include "Calendar.h"
#include "EventFileReader.h"
#include "Windows1252.h"
#include "EventFileWriter.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include "RandomEvents.h"

#include <string>
#include <vector>

namespace {

Event dentist()
{
    Event event;
    event.description = "Dentist";
    event.frequency = Yearly;
    event.remind3Days = true;
    event.when.wYear = 2026;
    event.when.wMonth = 3;
    event.when.wDay = 5;
    event.when.wHour = 10;
    event.when.wMinute = 30;
    event.note = "Bring the card\r\nAsk about the bill";
    return event;
}

// The lines of a file, each given without its CR LF.
std::string lines(std::initializer_list<const char*> list)
{
    std::string out;
    for (const char* line : list)
        out += std::string(line) + "\r\n";
    return out;
}

TEST(EventFileWriter, OneEvent)
{
    EXPECT_EQ(EventFileWriter::write({dentist()}),
              lines({
                  "<?xml version=\"1.0\" standalone=\"no\" ?>",
                  "<eventlist>",
                  "    <event frequency=\"4\" program=\"no\" email=\"no\" notime=\"no\" remind3day=\"yes\" "
                  "remind1day=\"no\" remind1hour=\"no\">",
                  "        <description>Dentist</description>",
                  "        <datetime>",
                  "            <day>5</day>",
                  "            <month>3</month>",
                  "            <year>2026</year>",
                  "            <hour>10</hour>",
                  "            <minute>30</minute>",
                  "        </datetime>",
                  "        <address />",
                  "        <program />",
                  "        <note>Bring the card|*Ask about the bill</note>",
                  "    </event>",
                  "</eventlist>",
              }));
}

TEST(EventFileWriter, WhatOlderVersionsDoNotKnowComesAfterTheNoteAndIsReadBack)
{
    Event meeting = dentist();
    meeting.frequency = Once;
    meeting.rule = "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630";
    meeting.skippedDays = {dayNumber(2026, 4, 14), dayNumber(2026, 5, 12)};
    meeting.remindBefore = {15, 9585}; // a quarter of an hour; 6 days 15 hours 45 minutes
    meeting.uid = "040000008200E00074C5B7101A82E008";
    meeting.movedFrom = "20260310T093000";
    std::string text = EventFileWriter::write({meeting});
    const std::string written = text;
    const std::string afterNote = "        <note>Bring the card|*Ask about the bill</note>\r\n";
    EXPECT_EQ(written.substr(written.find(afterNote) + afterNote.size()),
              lines({"        <rule>FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630</rule>", "        <skip>20260414</skip>",
                     "        <skip>20260512</skip>", "        <remind>-PT15M</remind>",
                     "        <remind>-P6DT15H45M</remind>", "        <uid>040000008200E00074C5B7101A82E008</uid>",
                     "        <moved-from>20260310T093000</moved-from>", "    </event>", "</eventlist>"}));
    std::vector<Event> back;
    ASSERT_TRUE(EventFileReader::read(text, back, Windows1252()));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], meeting);
}

TEST(EventFileWriter, UnreadableNewValuesKeepTheEventAndTheRuleItsText)
{
    const auto readOne = [](const std::string& extensions) {
        std::string text = EventFileWriter::write({dentist()});
        text.insert(text.find("    </event>"), extensions);
        std::vector<Event> events;
        EXPECT_TRUE(EventFileReader::read(text, events, Windows1252())) << text;
        return events.empty() ? Event() : events[0];
    };
    const Event odd = readOne("<rule>FREQ=SOMETIMES</rule><skip>2026-04-14</skip><skip>20260230</skip>"
                              "<remind>PT15M</remind><remind>soon</remind><remind>-P2D</remind><skip>20260101</skip>"
                              "<moved-from>20260310T093000Z</moved-from>");
    EXPECT_EQ(odd.rule, "FREQ=SOMETIMES");
    EXPECT_EQ(odd.skippedDays, std::vector<long>{dayNumber(2026, 1, 1)});
    EXPECT_EQ(odd.remindBefore, std::vector<std::int32_t>{2 * 24 * 60}) << "only distances before the start";
    EXPECT_EQ(odd.movedFrom, "") << "a start in the series is local time";
    EXPECT_EQ(readOne("<moved-from>20260230</moved-from>").movedFrom, "");
}

TEST(EventFileWriter, EmptyList)
{
    EXPECT_EQ(EventFileWriter::write({}), lines({"<?xml version=\"1.0\" standalone=\"no\" ?>", "<eventlist />"}));
}

TEST(EventFileWriter, FlagsNumbersAndUnsignedFields)
{
    Event event;
    event.frequency = Fortnightly;
    event.noTime = event.remind3Days = event.remind1Day = event.remind1Hour = true;
    event.sendEmail = event.launchProgram = true;
    event.when.wYear = 65535; // a stored -1 comes back as its low 16 bits
    const std::string text = EventFileWriter::write({event});
    EXPECT_NE(text.find("<event frequency=\"5\" program=\"yes\" email=\"yes\" notime=\"yes\" remind3day=\"yes\" "
                        "remind1day=\"yes\" remind1hour=\"yes\">\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("<day>0</day>"), std::string::npos);
    EXPECT_NE(text.find("<year>65535</year>"), std::string::npos);

    event.frequency = static_cast<EventFrequency>(-7);
    EXPECT_NE(EventFileWriter::write({event}).find("frequency=\"-7\""), std::string::npos);
}

TEST(EventFileWriter, TextValuesAreCondensedAndEscapedAndReadBack)
{
    const struct {
        const char* what;
        std::string value;
        const char* written; // the element's line, indent and CR LF aside
        std::string readBack;
    } cases[] = {
        {"the five entities", "Tom & Jerry's <\"show\">",
         "<description>Tom &amp; Jerry&apos;s &lt;&quot;show&quot;&gt;</description>", "Tom & Jerry's <\"show\">"},
        {"an ampersand is never passed through", "&#x41; &amp;", "<description>&amp;#x41; &amp;amp;</description>",
         "&#x41; &amp;"},
        {"leading, trailing and double spaces", "   two  words   ", "<description>two words</description>",
         "two words"},
        {"line breaks in a description", "a\r\n\r\nb\n", "<description>a b</description>", "a b"},
        {"only spaces", "     ", "<description />", ""},
        {"leading tab and other white space", "\t\v\f\r\n x", "<description>x</description>", "x"},
        {"a tab after the first character stays", "a\tb\t", "<description>a&#x09;b&#x09;</description>", "a\tb\t"},
        {"a tab between spaces", "a \t b", "<description>a &#x09; b</description>", "a \t b"},
        {"control bytes", std::string("a\x01\x1f\x7f" "b\v\fc"),
         "<description>a&#x01;&#x1F;&#x7F;b&#x0B;&#x0C;c</description>", std::string("a\x01\x1f\x7f" "b\v\fc")},
        {"bytes of 128 and above", "caf\xE9 \x80\xFF", "<description>caf&#xE9; &#x80;&#xFF;</description>",
         "caf\xE9 \x80\xFF"},
        {"a value ends at a NUL", std::string("ab\0cd", 5), "<description>ab</description>", "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Event event;
        event.description = c.value;
        std::string text = EventFileWriter::write({event});
        EXPECT_NE(text.find(std::string("        ") + c.written + "\r\n"), std::string::npos) << text;
        std::vector<Event> back;
        ASSERT_TRUE(EventFileReader::read(text, back, Windows1252()));
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].description, c.readBack);
    }
}

TEST(EventFileWriter, NoteLineBreaks)
{
    const struct {
        std::string note;
        const char* written;
    } cases[] = {
        {"first\r\nsecond", "<note>first|*second</note>"},
        {"\r\nstarts with a break", "<note>|*starts with a break</note>"},
        {"typed |* and | and *", "<note>typed |* and | and *</note>"},
        {"lone\rCR and lone\nLF", "<note>lone|CR and lone*LF</note>"},
        {"ends with a break  \r\n", "<note>ends with a break |*</note>"},
    };
    for (const auto& c : cases) {
        Event event;
        event.note = c.note;
        EXPECT_NE(EventFileWriter::write({event}).find(std::string("        ") + c.written + "\r\n"), std::string::npos)
            << c.written;
    }
}

// The writer builds its bytes directly; the XML library's printer, given the
// document text built the long way, must agree where the library's own rules
// and the file's rules are the same (no tabs, vertical tabs, form feeds or
// bytes above 126, which the file escapes and the library does not).
TEST(EventFileWriter, AgreesWithTheLibraryPrinter)
{
    auto escaped = [](const std::string& value) {
        std::string out;
        for (const char c : value) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
            }
        }
        return out;
    };
    RandomEvents random(7);
    std::string alphabet = "  \r\n&<>\"';#x|*abcXYZ019";
    for (int byte = 1; byte < 32; ++byte)
        if (byte != '\t' && byte != '\v' && byte != '\f')
            alphabet += static_cast<char>(byte);

    for (int round = 0; round < 200; ++round) {
        std::vector<Event> events;
        for (int i = round % 4; i > 0; --i) {
            Event event = random.any();
            event.description = random.text(static_cast<std::size_t>(random.number(0, 30)), alphabet);
            event.emailAddress = random.text(static_cast<std::size_t>(random.number(0, 5)), alphabet);
            event.programPath = random.text(static_cast<std::size_t>(random.number(0, 5)), alphabet);
            event.note = random.text(static_cast<std::size_t>(random.number(0, 30)), alphabet);
            events.push_back(event);
        }
        std::string document = "<?xml version=\"1.0\" standalone=\"no\"?><eventlist>";
        for (const Event& e : events) {
            auto yes = [](bool b) { return b ? "yes" : "no"; };
            document += "<event frequency=\"" + std::to_string(e.frequency) + "\" program=\"" + yes(e.launchProgram) +
                        "\" email=\"" + yes(e.sendEmail) + "\" notime=\"" + yes(e.noTime) + "\" remind3day=\"" +
                        yes(e.remind3Days) + "\" remind1day=\"" + yes(e.remind1Day) + "\" remind1hour=\"" +
                        yes(e.remind1Hour) + "\">";
            document += "<description>" + escaped(e.description) + "</description><datetime>";
            document += "<day>" + std::to_string(e.when.wDay) + "</day><month>" + std::to_string(e.when.wMonth) +
                        "</month><year>" + std::to_string(e.when.wYear) + "</year><hour>" +
                        std::to_string(e.when.wHour) + "</hour><minute>" + std::to_string(e.when.wMinute) +
                        "</minute></datetime>";
            document += "<address>" + escaped(e.emailAddress) + "</address><program>" + escaped(e.programPath) +
                        "</program><note>" + escaped(EventFileWriter::encodeLineBreaks(e.note)) + "</note></event>";
        }
        document += "</eventlist>";

        TiXmlDocument parsed;
        parsed.Parse(document.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        ASSERT_FALSE(parsed.Error()) << parsed.ErrorDesc();
        TiXmlPrinter printer;
        printer.SetIndent("    ");
        printer.SetLineBreak("\r\n");
        parsed.Accept(&printer);
        ASSERT_EQ(EventFileWriter::write(events), printer.Str()) << "round " << round;
    }
}

} // namespace
