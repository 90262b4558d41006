#include "Windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Windows1252, ToAndFromUtf8)
{
    const struct {
        const char* what;
        std::string utf8;
        std::string codePage;
    } cases[] = {
        {"ASCII", "Dentist at 10", "Dentist at 10"},
        {"Latin-1 letters and the first, a no-break space", "Caf\xC3\xA9 M\xC3\xBCller \xC3\x9F\xC2\xA0",
         "Caf\xE9 M\xFCller \xDF\xA0"},
        {"the letters of 0x80..0x9F", "\xC5\xA0\xC5\xA1\xC5\xBD\xC5\xBE\xC5\x92\xC5\x93\xC5\xB8",
         "\x8A\x9A\x8E\x9E\x8C\x9C\x9F"},
        {"the signs of 0x80..0x9F, as Python's cp1252 codec has them",
         "\xE2\x80\x9A\xC6\x92\xE2\x80\x9E\xE2\x80\xA6\xE2\x80\xA0\xE2\x80\xA1\xCB\x86\xE2\x80\xB0\xE2\x80\xB9"
         "\xE2\x80\x98\xE2\x80\x99\xE2\x80\xA2\xE2\x80\x93\xCB\x9C\xE2\x84\xA2\xE2\x80\xBA",
         "\x82\x83\x84\x85\x86\x87\x88\x89\x8B\x91\x92\x95\x96\x98\x99\x9B"},
        {"the euro and quotes of 0x80..0x9F", "\xE2\x82\xAC \xE2\x80\x9Cyes\xE2\x80\x9D \xE2\x80\x94", "\x80 \x93yes\x94 \x97"},
        {"the bytes the code page leaves unassigned", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
        {"the last byte", "\xC3\xBF", "\xFF"},
        {"a question mark of its own", "Why?", "Why?"},
    };
    const Windows1252 codePage;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool lost = true;
        EXPECT_EQ(codePage.fromUtf8(c.utf8, lost), c.codePage);
        EXPECT_FALSE(lost);
        EXPECT_EQ(codePage.toUtf8(c.codePage), c.utf8);
    }
}

TEST(Windows1252, WhatTheCodePageLacksBecomesAQuestionMark)
{
    const struct {
        const char* what;
        std::string utf8;
        std::string codePage;
    } cases[] = {
        {"Greek", "\xCE\xA9mega", "?mega"},
        {"Han, three bytes", "\xE6\x97\xA5", "?"},
        {"an emoji, four bytes", "a\xF0\x9F\x98\x80z", "a?z"},
        {"a lone continuation byte", "a\x80z", "a?z"},
        {"a sequence cut short", "a\xC3", "a?"},
        {"an overlong slash", "\xC0\xAF", "??"},
        {"U+0080, no character of the code page", "\xC2\x80", "?"},
        {"an encoded surrogate", "\xED\xA0\x80", "???"},
        {"the first beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"Polish", "Zaj\xC4\x99ty?", "Zaj?ty?"},
    };
    const Windows1252 codePage;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool lost = false;
        EXPECT_EQ(codePage.fromUtf8(c.utf8, lost), c.codePage);
        EXPECT_TRUE(lost);
    }
}

} // namespace
