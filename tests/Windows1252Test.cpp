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
        {"Latin-1 letters", "Caf\xC3\xA9 M\xC3\xBCller \xC3\x9F", "Caf\xE9 M\xFCller \xDF"},
        {"the euro and quotes of 0x80..0x9F", "\xE2\x82\xAC \xE2\x80\x9Cyes\xE2\x80\x9D \xE2\x80\x94", "\x80 \x93yes\x94 \x97"},
        {"a byte the code page leaves unassigned", "\xC2\x81", "\x81"},
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
        {"an encoded surrogate", "\xED\xA0\x80", "???"},
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
