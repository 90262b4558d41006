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

TEST_F(EventRowsTest, AnEditFindsItsEventAgainAfterTheListChanged)
{
    const Event edited = kit.events[4];
    EXPECT_EQ(EventRows::locate(kit.events.all(), 4, edited), 4);
    kit.events.add(timedEvent("added before it", 2026, 12, 19, 9, 0)); // moves it to 5
    EXPECT_EQ(EventRows::locate(kit.events.all(), 4, edited), 5);
    Event carried = kit.events[5];
    carried.frequency = Daily; // carried forward meanwhile: still the same event
    kit.events.replace(5, carried);
    EXPECT_EQ(EventRows::locate(kit.events.all(), 4, edited), 5);
    kit.events.remove(5);
    EXPECT_EQ(EventRows::locate(kit.events.all(), 4, edited), -1) << "gone: the edit is added";
}

} // namespace
