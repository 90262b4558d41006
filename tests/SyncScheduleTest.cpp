#include "SyncSchedule.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

namespace {

using Millis = SyncSchedule::Millis;
constexpr Millis second = 1000;
constexpr Millis minute = 60 * second;

enum class Step { Account15, Account0, NoAccount, Now, Change, Start, Synced, Failed, Stale };

struct Row {
    Millis at;
    Step step;
    std::optional<Millis> delay; // until the next sync, afterwards
    bool told = false;           // for Failed: the user hears of it
};

// Plays the rows in order on one schedule.
void play(std::initializer_list<Row> rows)
{
    SyncSchedule schedule;
    int line = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(++line));
        bool told = false;
        switch (row.step) {
        case Step::Account15: schedule.setAccount(true, 15, row.at); break;
        case Step::Account0: schedule.setAccount(true, 0, row.at); break;
        case Step::NoAccount: schedule.setAccount(false, 15, row.at); break;
        case Step::Now: schedule.syncNow(row.at); break;
        case Step::Change: schedule.localChange(row.at); break;
        case Step::Start:
            ASSERT_TRUE(schedule.due(row.at));
            schedule.started();
            break;
        case Step::Synced: told = schedule.finished(SyncSchedule::Outcome::Synced, row.at); break;
        case Step::Failed: told = schedule.finished(SyncSchedule::Outcome::Failed, row.at); break;
        case Step::Stale: told = schedule.finished(SyncSchedule::Outcome::Stale, row.at); break;
        }
        EXPECT_EQ(schedule.delay(row.at), row.delay);
        EXPECT_EQ(told, row.told);
    }
}

TEST(SyncSchedule, WithoutAnAccountNothingIsEverDue)
{
    play({
        {0, Step::Now, std::nullopt},
        {1 * second, Step::Change, std::nullopt},
        {2 * second, Step::Account15, 0},
        {3 * second, Step::NoAccount, std::nullopt},
        {4 * second, Step::Change, std::nullopt},
        {5 * second, Step::Synced, std::nullopt},
    });
}

TEST(SyncSchedule, AtTheStartAfterQuietChangesOnTheUsersWordAndEveryInterval)
{
    play({
        {0, Step::Account15, 0},
        {0, Step::Start, std::nullopt},
        {1 * second, Step::Change, std::nullopt}, // waits for the running sync
        {3 * second, Step::Synced, 3 * second},
        {6 * second, Step::Start, std::nullopt},
        {7 * second, Step::Synced, 15 * minute},
        {8 * second, Step::Change, 5 * second},
        {11 * second, Step::Change, 5 * second}, // each change starts the quiet time anew
        {16 * second, Step::Start, std::nullopt},
        {17 * second, Step::Synced, 15 * minute},
        {60 * second, Step::Now, 0},
        {60 * second, Step::Start, std::nullopt},
        {61 * second, Step::Stale, 2 * second}, // dropped: again soon
        {63 * second, Step::Start, std::nullopt},
        {64 * second, Step::Synced, 15 * minute},
        {70 * second, Step::Account0, std::nullopt}, // only at the moments
        {80 * second, Step::Change, 5 * second},
        {85 * second, Step::Start, std::nullopt},
        {86 * second, Step::Synced, std::nullopt},
    });
}

TEST(SyncSchedule, FailuresAreRetriedLaterAndLaterAndToldOnceUntilASuccess)
{
    const Millis t = 0;
    play({
        {t, Step::Account15, 0},
        {t, Step::Start, std::nullopt},
        {t, Step::Failed, 1 * minute, true},
        {t + 1 * minute, Step::Start, std::nullopt},
        {t + 1 * minute, Step::Failed, 2 * minute},
        {t + 2 * minute, Step::Change, 1 * minute}, // a change waits for the retry
        {t + 3 * minute, Step::Start, std::nullopt},
        {t + 3 * minute, Step::Failed, 4 * minute},
        {t + 7 * minute, Step::Start, std::nullopt},
        {t + 7 * minute, Step::Failed, 8 * minute},
        {t + 15 * minute, Step::Start, std::nullopt},
        {t + 15 * minute, Step::Failed, 16 * minute},
        {t + 31 * minute, Step::Start, std::nullopt},
        {t + 31 * minute, Step::Failed, 32 * minute},
        {t + 63 * minute, Step::Start, std::nullopt},
        {t + 63 * minute, Step::Failed, 60 * minute},
        {t + 123 * minute, Step::Start, std::nullopt},
        {t + 123 * minute, Step::Failed, 60 * minute},
        {t + 124 * minute, Step::Now, 0}, // the user's word does not wait
        {t + 124 * minute, Step::Start, std::nullopt},
        {t + 124 * minute, Step::Synced, 15 * minute},
        {t + 125 * minute, Step::Now, 0},
        {t + 125 * minute, Step::Start, std::nullopt},
        {t + 125 * minute, Step::Failed, 1 * minute, true},
    });
}

} // namespace
