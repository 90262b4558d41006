#include "MailtoLink.h"

#include <gtest/gtest.h>

namespace {

TEST(MailtoLink, EncodesWhatWouldCutTheLinkShort)
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
        {"ann@example.org", "caf\xE9", "mailto:ann@example.org?subject=caf%E9"},
        {"ann@example.org", "a-b_c.d~e", "mailto:ann@example.org?subject=a-b_c.d~e"},
        {"first.last+tag@example.org,bo@x.y", "x", "mailto:first.last+tag@example.org,bo@x.y?subject=x"},
        {"odd name@ex&ample.org?#%", "x", "mailto:odd%20name@ex%26ample.org%3F%23%25?subject=x"},
        {"", "Only a subject", "mailto:?subject=Only%20a%20subject"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailtoLink::build(c.address, c.subject), c.link);
}

} // namespace
