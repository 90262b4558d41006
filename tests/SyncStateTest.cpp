#include "SyncState.h"

#include <gtest/gtest.h>

namespace {

SyncState sample()
{
    SyncState state;
    state.calendarUrl = "https://cal.example.com/alice/vellumere/";
    state.syncToken = "http://radicale.org/ns/sync/42";
    state.resources.push_back({"https://cal.example.com/alice/vellumere/a%40b.ics", "\"e1\"", "a@b", 0x0123456789abcdefu,
                               "BEGIN:VCALENDAR\r\nSUMMARY:resource\tend\n\r\nEND:VCALENDAR\r\n"});
    state.resources.push_back({"https://cal.example.com/alice/vellumere/empty.ics", "", "empty", 0, ""});
    return state;
}

TEST(SyncStateTest, KeepsEveryFieldAndRefusesWhatIsCutShort)
{
    const SyncState state = sample();
    const std::string text = state.text();
    const auto read = SyncState::parse(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->resources.size(), 2u);
    EXPECT_EQ(read->calendarUrl, state.calendarUrl);
    EXPECT_EQ(read->syncToken, state.syncToken);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read->resources[i].href, state.resources[i].href);
        EXPECT_EQ(read->resources[i].etag, state.resources[i].etag);
        EXPECT_EQ(read->resources[i].uid, state.resources[i].uid);
        EXPECT_EQ(read->resources[i].localFingerprint, state.resources[i].localFingerprint);
        EXPECT_EQ(read->resources[i].text, state.resources[i].text);
    }
    // A file cut anywhere, or with more after its end, is no state.
    for (std::size_t length = 0; length < text.size(); ++length)
        EXPECT_FALSE(SyncState::parse(text.substr(0, length))) << length;
    EXPECT_FALSE(SyncState::parse(text + "x"));
}

TEST(SyncStateTest, FindsAResourceWhicheverCharactersTheServerEscaped)
{
    SyncState state = sample();
    const struct {
        const char* href;
        bool found;
    } cases[] = {
        {"https://cal.example.com/alice/vellumere/a@b.ics", true},
        {"https://cal.example.com/alice/vellumere/a%40b.ics", true},
        {"https://cal.example.com/alice/vellumere/%61%40b.ics", true},
        {"https://cal.example.com/alice/vellumere/a%2Fb.ics", false},
        {"https://cal.example.com/alice/vellumere/a%2540b.ics", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(state.byHref(c.href) != nullptr, c.found) << c.href;
}

TEST(SyncStateTest, LivesBesideTheEventFile)
{
    const struct {
        const char* eventFile;
        const char* state;
    } cases[] = {
        {"/home/alice/events.xml", "/home/alice/events.sync"},
        {"C:\\Users\\alice\\AppData\\Roaming\\Vellumere\\alice.xml", "C:\\Users\\alice\\AppData\\Roaming\\Vellumere\\alice.sync"},
        {"/home/al.ice/events", "/home/al.ice/events.sync"},
        {"/home/alice/.events", "/home/alice/.events.sync"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SyncState::pathFor(c.eventFile), c.state);
}

} // namespace
