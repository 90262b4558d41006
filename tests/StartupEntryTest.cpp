#include "StartupEntry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupEntry, TheModulesFullPathInQuotes)
{
    const struct {
        const char* what;
        std::string module;
        std::string value;
    } cases[] = {
        {"a path with spaces", "C:\\Program Files\\Vellumere\\Vellumere.exe",
         "\"C:\\Program Files\\Vellumere\\Vellumere.exe\""},
        {"a path the code page cannot spell, as UTF-8", "C:\\Users\\\xCE\xA9\\Vellumere.exe",
         "\"C:\\Users\\\xCE\xA9\\Vellumere.exe\""},
        {"a long path", "\\\\?\\C:\\" + std::string(300, 'x') + "\\Vellumere.exe",
         "\"\\\\?\\C:\\" + std::string(300, 'x') + "\\Vellumere.exe\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(StartupEntry::valueFor(c.module), c.value);
    }
}

} // namespace
