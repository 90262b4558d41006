#include "EventMerge.h"
#include "RandomEvents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// One letter, one event: its description, on a day of its own in letter order.
std::vector<Event> events(const std::string& letters)
{
    std::vector<Event> out;
    for (const char letter : letters) {
        Event e;
        e.description = std::string(1, letter);
        e.when = SystemTime{2026, 5, 0, static_cast<std::uint16_t>(letter - 'a' + 1), 9, 0, 0, 0};
        out.push_back(e);
    }
    return out;
}

std::string letters(const std::vector<Event>& list)
{
    std::string out;
    for (const Event& e : list)
        out += e.description;
    return out;
}

TEST(EventMergeTest, EveryAdditionKeptEveryRemovalDoneBothEditsKept)
{
    struct Case {
        const char* base;
        const char* mine;
        const char* theirs;
        const char* merged;
        const char* what;
    };
    // An edit of b is b removed and another letter added.
    const Case cases[] = {
        {"ab", "ab", "ab", "ab", "nothing changed"},
        {"ab", "abc", "ab", "abc", "added here"},
        {"ab", "ab", "abd", "abd", "added there"},
        {"ab", "abc", "abd", "abcd", "added on both sides"},
        {"ab", "abc", "abc", "abc", "the same event added on both sides: once"},
        {"", "c", "c", "c", "both started without a file"},
        {"abc", "ac", "abc", "ac", "removed here"},
        {"abc", "abc", "ab", "ab", "removed there"},
        {"abc", "a", "a", "a", "removed on both sides"},
        {"abc", "ac", "ad", "ad", "b removed here, b and c there, d added"},
        {"ab", "a", "ae", "ae", "removed here, edited there: the edit stays"},
        {"ab", "ae", "a", "ae", "edited here, removed there: the edit stays"},
        {"ab", "ac", "ad", "acd", "edited on both sides: both versions"},
        {"ab", "ac", "ac", "ac", "the same edit on both sides"},
        {"aab", "aaab", "aab", "aaab", "a twin added here"},
        {"aab", "aab", "ab", "ab", "a twin removed there"},
        {"aab", "aaab", "ab", "aab", "a twin added here and one removed there"},
        {"aa", "a", "a", "a", "the same twin removed on both sides"},
        {"a", "", "", "", "everything removed"},
        {"ba", "cab", "dba", "abcd", "out of order: the merge is sorted"},
    };
    for (const Case& c : cases) {
        const EventMerge::Result result = EventMerge::merge(events(c.base), events(c.mine), events(c.theirs));
        EXPECT_EQ(letters(result.events), c.merged) << c.what;
    }
    const EventMerge::Result counted = EventMerge::merge(events("abbc"), events("abbc"), events("abbbcde"));
    EXPECT_EQ(counted.addedByThem, 3u) << "a twin and two new ones";
    EXPECT_EQ(counted.removedByThem, 0u);
    EXPECT_EQ(EventMerge::merge(events("aabc"), events("aabc"), events("acd")).removedByThem, 2u);
}

TEST(EventMergeTest, WhatAnOlderVersionDropsIsNoOnesEdit)
{
    // Upper case: the letter's event with a rule, a skipped day, an early
    // reminder, an identity and the day it moved from, which an older version
    // saves as the lower-case one.
    const auto list = [](const std::string& text) {
        std::vector<Event> out = events(text);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] < 'a') {
                out[i] = events(std::string(1, static_cast<char>(text[i] - 'A' + 'a')))[0];
                out[i].rule = "FREQ=MONTHLY;BYDAY=2TU";
                out[i].skippedDays = {1};
                out[i].remindBefore = {60};
                out[i].uid = "series@example.com";
                out[i].movedFrom = "20261208";
            }
        }
        return out;
    };
    const struct {
        const char* base;
        const char* theirs;
        const char* kept;
        const char* what;
    } cases[] = {
        {"AB", "ab", "AB", "both saved by an older version"},
        {"AB", "abc", "ABc", "saved by an older version, with an event added there"},
        {"AB", "a", "A", "one removed there"},
        {"AB", "Ab", "AB", "one still whole, before one saved by an older version"},
        {"BC", "abc", "aBC", "one added there, before those saved by an older version"},
        {"Ab", "ab", "Ab", "nothing new to lose"},
        {"AA", "aA", "AA", "twins, one still whole"},
        {"A", "aa", "Aa", "a twin added there stays as written"},
    };
    for (const auto& c : cases) {
        std::vector<Event> theirs = list(c.theirs);
        EventMerge::keepWhatOlderVersionsDrop(list(c.base), theirs);
        EXPECT_EQ(theirs, list(c.kept)) << c.what;
    }
}

TEST(EventMergeTest, LongListsKeepEveryChangeAndMakeNoNewTwins)
{
    RandomEvents random(7);
    std::vector<Event> base;
    for (int i = 0; i < 1000; ++i)
        base.push_back(random.number(0, 9) == 0 && !base.empty() ? base[base.size() / 2] : random.typical());
    std::stable_sort(base.begin(), base.end());
    const auto changed = [&](std::vector<Event> list) {
        for (int i = 0; i < 100; ++i) {
            list.erase(list.begin() + random.number(0, static_cast<int>(list.size()) - 1));
            list.push_back(random.number(0, 3) == 0 ? base[static_cast<std::size_t>(random.number(0, 999))]
                                                    : random.typical());
        }
        std::stable_sort(list.begin(), list.end());
        return list;
    };
    const std::vector<Event> mine = changed(base);
    ASSERT_NE(mine, base);
    const std::vector<Event> theirs = changed(base);

    const auto count = [](const std::vector<Event>& list, const Event& e) {
        return std::count(list.begin(), list.end(), e);
    };
    const std::vector<Event> merged = EventMerge::merge(base, mine, theirs).events;
    EXPECT_TRUE(std::is_sorted(merged.begin(), merged.end()));
    for (const std::vector<Event>* side : std::initializer_list<const std::vector<Event>*>{&base, &mine, &theirs}) {
        for (const Event& e : *side) {
            const auto b = count(base, e), m = count(mine, e), t = count(theirs, e), got = count(merged, e);
            if (m >= b && t >= b) {
                ASSERT_EQ(got, std::max(m, t)) << "additions kept, none twice";
            } else if (m <= b && t <= b) {
                ASSERT_EQ(got, std::min(m, t)) << "every removal done";
            } else {
                ASSERT_EQ(got, m + t - b) << "added on one side, removed on the other";
            }
        }
    }

    // One side unchanged: the other side's list, in its own order.
    EXPECT_EQ(EventMerge::merge(base, base, theirs).events, theirs);
    EXPECT_EQ(EventMerge::merge(base, mine, base).events, mine);
}

} // namespace
