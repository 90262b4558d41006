#include "Event.h"
#include "EventCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EventCheck, TheFirstProblemInItsOrder)
{
    using Problem = EventCheck::Problem;
    const struct {
        const char* description;
        bool sendEmail;
        const char* address;
        bool launchProgram;
        const char* path;
        Problem problem;
    } cases[] = {
        {"", true, "", true, "", Problem::NoDescription},
        {"x", true, "", true, "", Problem::NoEmailAddress},
        {"x", true, "a@b", true, "", Problem::NoProgramPath},
        {"x", true, "a@b", true, "C:\\p.exe", Problem::None},
        {"x", false, "", false, "", Problem::None},
        {"   ", false, "", false, "", Problem::None}, // blanks are a description
        {"x", true, " ", true, " ", Problem::None},  // nor are addresses checked further
    };
    for (const auto& c : cases) {
        Event event;
        event.description = c.description;
        event.sendEmail = c.sendEmail;
        event.emailAddress = c.address;
        event.launchProgram = c.launchProgram;
        event.programPath = c.path;
        EXPECT_EQ(EventCheck::firstProblem(event), c.problem) << "'" << c.description << "'";
    }
}

TEST(EventCheck, TheProgramFilterPairEndsWithTwoNuls)
{
    const std::string filter = EventCheck::programFilter("Any executable file (*.exe, *.bat, *.cmd)");
    EXPECT_EQ(filter, std::string("Any executable file (*.exe, *.bat, *.cmd)\0*.exe;*.bat;*.cmd\0\0", 61));
    EXPECT_EQ(EventCheck::programFilter("a-b"), std::string("a-b\0*.exe;*.bat;*.cmd\0\0", 23))
        << "a hyphen in the description stays";
}

} // namespace
