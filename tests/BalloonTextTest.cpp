#include "BalloonText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string lines(int count, std::size_t length)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(length, static_cast<char>('a' + i % 26)) + "\r\n";
    return text;
}

TEST(BalloonText, FitsTitlesAndTexts)
{
    EXPECT_EQ(BalloonText::fitTitle("Remind these events"), "Remind these events");
    EXPECT_EQ(BalloonText::fitTitle(std::string(100, 't')), std::string(63, 't'));

    const std::string fits = lines(5, 49); // 255 characters exactly
    ASSERT_EQ(fits.size(), 255u);
    EXPECT_EQ(BalloonText::fitText(fits), fits);

    const std::string tooLong = lines(6, 49);
    EXPECT_EQ(BalloonText::fitText(tooLong), lines(4, 49) + "..."); // a fifth line and "..." would not fit

    const std::string oneLongLine = std::string(400, 'x') + "\r\n";
    EXPECT_EQ(BalloonText::fitText(oneLongLine), std::string(252, 'x') + "...");

    const std::string shortThenLong = "Today:\r\n" + std::string(300, 'y');
    EXPECT_EQ(BalloonText::fitText(shortThenLong), "Today:\r\n...");
}

TEST(BalloonText, CutTextsNeverPassTheField)
{
    for (std::size_t length = 200; length < 600; length += 7) {
        for (std::size_t lineLength : {1u, 10u, 60u, 250u, 251u, 252u, 253u}) {
            std::string text;
            while (text.size() < length)
                text += std::string(lineLength, 'z') + "\r\n";
            const std::string fitted = BalloonText::fitText(text);
            ASSERT_LE(fitted.size(), BalloonText::textCapacity) << length << " " << lineLength;
            if (text.size() > BalloonText::textCapacity) {
                EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
            }
        }
    }
}

} // namespace
