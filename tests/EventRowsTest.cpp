#include "EventRows.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

namespace {

class EventRowsTest : public testing::Test {
protected:
    ReminderTestKit kit;
    SystemTime now = SimulatedClock::toSystemTime(SimulatedClock::milliseconds(2026, 12, 7, 12, 0));

    void SetUp() override
    {
        kit.events.add(timedEvent("last month", 2026, 11, 20, 9, 0));
        kit.events.add(timedEvent("this morning", 2026, 12, 7, 9, 0));
        kit.events.add(timedEvent("this minute", 2026, 12, 7, 12, 0));
        kit.events.add(untimedEvent("today, no time", 2026, 12, 7));
        kit.events.add(timedEvent("later this month", 2026, 12, 20, 9, 0));
        kit.events.add(timedEvent("next year", 2027, 12, 20, 9, 0, Yearly));
    }
    std::pair<int, int> rows(bool hideOld, int year = 0, int month = 0)
    {
        EventRows::Filter filter;
        filter.hideOld = hideOld;
        filter.year = year;
        filter.month = month;
        const EventRows selected = EventRows::select(kit.events.all(), filter, now);
        return {selected.firstShownIndex, selected.count};
    }
};

TEST_F(EventRowsTest, FiltersSelectARunOfTheList)
{
    EXPECT_EQ(rows(false), std::make_pair(0, 6));
    EXPECT_EQ(rows(true), std::make_pair(2, 4)) << "old events are the first ones";
    EXPECT_EQ(rows(false, 2026, 12), std::make_pair(1, 4));
    EXPECT_EQ(rows(true, 2026, 12), std::make_pair(2, 3));
    EXPECT_EQ(rows(false, 2026, 0), std::make_pair(0, 6)) << "an emptied month shows all";
    EXPECT_EQ(rows(false, 0, 12), std::make_pair(0, 6)) << "an emptied year shows all";
    EXPECT_EQ(rows(false, 2026, 6), std::make_pair(-1, 0));
    EXPECT_EQ(rows(false, 2028, 12), std::make_pair(-1, 0)) << "only the stored occurrence counts";
}

TEST_F(EventRowsTest, ImagesAndWhatIsStillToCome)
{
    const struct {
        std::size_t index;
        EventRows::Image image;
        bool stillToCome;
    } cases[] = {
        {0, EventRows::Old, false},      {1, EventRows::Old, false},     {2, EventRows::Today, false},
        {3, EventRows::Today, true},     {4, EventRows::Ordinary, true}, {5, EventRows::Ordinary, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(kit.events[c.index].description);
        EXPECT_EQ(EventRows::imageOf(kit.events[c.index], now), c.image);
        EXPECT_EQ(EventRows::stillToCome(kit.events[c.index], now), c.stillToCome);
    }
}

TEST_F(EventRowsTest, TypingFindsTheNextMatchingRowAndWrapsOnlyWhenAsked)
{
    // Shown without the old events: rows 0 "this minute", 1 "today, no time",
    // 2 "later this month", 3 "next year".
    EventRows::Filter filter;
    filter.hideOld = true;
    const EventRows rows = EventRows::select(kit.events.all(), filter, now);
    const auto startingWith = [](const char* prefix) {
        return [prefix](const Event& event) { return event.description.rfind(prefix, 0) == 0; };
    };
    const struct {
        const char* what;
        const char* prefix;
        int start;
        bool wrap;
        int row;
    } cases[] = {
        {"the first match from the start", "t", 0, false, 0},
        {"from the row after the current one", "t", 1, false, 1},
        {"past the last match without wrapping", "t", 2, false, -1},
        {"wrapping to the top", "t", 2, true, 0},
        {"a later row", "next", 0, true, 3},
        {"no match leaves the selection", "zebra", 0, true, -1},
        {"an old event is not a row", "this morning", 0, true, -1},
        {"a start past the rows begins at the top", "later", 9, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(rows.findRow(kit.events.all(), c.start, c.wrap, startingWith(c.prefix)), c.row);
    }
    EXPECT_EQ(EventRows().findRow(kit.events.all(), 0, true, startingWith("t")), -1) << "no rows";
}

} // namespace
