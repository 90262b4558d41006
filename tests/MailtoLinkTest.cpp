#include "MailtoLink.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

namespace {

TEST(MailtoLink, EncodesUtf8OctetsOfEverythingButTheUnreservedSet)
{
    const struct {
        const char* address;
        std::string subject;
        const char* link;
    } cases[] = {
        {"ann@example.org", "Dentist", "mailto:ann@example.org?subject=Dentist"},
        {"ann@example.org", "Dinner & drinks", "mailto:ann@example.org?subject=Dinner%20%26%20drinks"},
        {"ann@example.org", "Call #3?", "mailto:ann@example.org?subject=Call%20%233%3F"},
        {"ann@example.org", "100% = done", "mailto:ann@example.org?subject=100%25%20%3D%20done"},
        {"ann@example.org", "two\r\nlines", "mailto:ann@example.org?subject=two%0D%0Alines"},
        {"ann@example.org", "Caf\xE9", "mailto:ann@example.org?subject=Caf%C3%A9"},
        {"ann@example.org", "\x80" "5 \x93quoted\x94", "mailto:ann@example.org?subject=%E2%82%AC5%20%E2%80%9Cquoted%E2%80%9D"},
        {"ann@example.org", "a-b_c.d~e", "mailto:ann@example.org?subject=a-b_c.d~e"},
        {"ann@example.org", "@AZ[`az{/09:", "mailto:ann@example.org?subject=%40AZ%5B%60az%7B%2F09%3A"}, // the ranges' ends
        {"first.last+tag@example.org,bo@x.y", "x", "mailto:first.last%2Btag@example.org%2Cbo@x.y?subject=x"},
        {"odd name@ex&ample.org?#%", "x", "mailto:odd%20name@ex%26ample.org%3F%23%25?subject=x"},
        {"\"Ann\" <ann@example.org>", "x", "mailto:%22Ann%22%20%3Cann@example.org%3E?subject=x"},
        {"jos\xE9@example.org", "x", "mailto:jos%C3%A9@example.org?subject=x"},
        {"", "Only a subject", "mailto:?subject=Only%20a%20subject"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailtoLink::build(c.address, c.subject, Windows1252()), c.link);
}

} // namespace
