#include "StartupEntry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupEntry, TheExecutablesPathInQuotes)
{
    const std::string module = "C:\\Program Files\\Vellumere\\Vellumere.exe";
    const struct {
        const char* what;
        std::string commandLine;
        std::string value;
    } cases[] = {
        {"from a shortcut", "\"C:\\Program Files\\Vellumere\\Vellumere.exe\"", "\"" + module + "\""},
        {"arguments are left out", "\"C:\\Program Files\\Vellumere\\Vellumere.exe\" -file:\"D:\\a b.xml\"",
         "\"" + module + "\""},
        {"started by an old unquoted entry", "C:\\Program Files\\Vellumere\\Vellumere.exe", "\"" + module + "\""},
        {"a copy elsewhere names itself", "\"D:\\Tools\\Vellumere.exe\"", "\"D:\\Tools\\Vellumere.exe\""},
        {"no closing quote", "\"C:\\Program Files\\Vellumere\\Vellumere.exe", "\"" + module + "\""},
        {"empty quotes", "\"\" -x", "\"" + module + "\""},
        {"empty command line", "", "\"" + module + "\""},
        {"a quoted path past the buffer", "\"" + std::string(3000, 'x') + "\"", "\"" + module + "\""},
        {"a quoted path that just fits", "\"" + std::string(2045, 'y') + "\"", "\"" + std::string(2045, 'y') + "\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(StartupEntry::valueFor(c.commandLine, module), c.value);
    }
}

} // namespace
