#pragma once

#include "SystemServices.h"
#include "Windows1252.h"

#include <map>
#include <string>
#include <vector>

// A command line, an environment and a clock set by the test; message boxes
// are recorded.
class FakeSystemServices : public SystemServices {
public:
    std::string line = "\"C:\\Program Files\\Vellumere\\Vellumere.exe\"";
    std::map<std::string, std::string> environment{{"APPDATA", "C:\\Users\\ann\\AppData\\Roaming"},
                                                   {"USERNAME", "ann"}};
    std::vector<std::string> messages;
    SystemTime now{2026, 12, 1, 7, 9, 30, 15, 0};

    std::string commandLine() override { return line; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    SystemTime localTime() override { return now; }
    const CodePage& codePage() override { return windows1252; }

    std::string expandEnvironment(const std::string& text) override
    {
        std::string out;
        std::size_t i = 0;
        while (i < text.size()) {
            const std::size_t open = text.find('%', i);
            const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
            if (close == std::string::npos)
                return out + text.substr(i);
            const auto value = environment.find(text.substr(open + 1, close - open - 1));
            out += text.substr(i, open - i);
            if (value == environment.end()) {
                out += text.substr(open, close - open);
                i = close;
            } else {
                out += value->second;
                i = close + 1;
            }
        }
        return out;
    }

private:
    Windows1252 windows1252;
};
