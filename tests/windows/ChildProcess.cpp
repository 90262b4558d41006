#include "ChildProcess.h"

#include <algorithm>
#include <cstring>

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string environmentBlock(const std::vector<std::pair<std::string, std::string>>& replaced)
{
    std::vector<std::string> entries;
    char* inherited = ::GetEnvironmentStringsA();
    for (const char* entry = inherited; *entry; entry += std::strlen(entry) + 1) {
        const std::string text = entry;
        // Entries such as "=C:=C:\" have an empty name before their value.
        const std::string name = lowerCase(text.substr(0, text.find('=', 1)));
        const bool isReplaced = std::any_of(replaced.begin(), replaced.end(),
                                            [&](const auto& variable) { return lowerCase(variable.first) == name; });
        if (!isReplaced)
            entries.push_back(text);
    }
    ::FreeEnvironmentStringsA(inherited);
    for (const auto& variable : replaced)
        entries.push_back(variable.first + "=" + variable.second);
    std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        const std::string nameA = lowerCase(a.substr(0, a.find('=', 1)));
        const std::string nameB = lowerCase(b.substr(0, b.find('=', 1)));
        return nameA < nameB;
    });
    std::string block;
    for (const std::string& entry : entries) {
        block += entry;
        block += '\0';
    }
    block += '\0';
    return block;
}

ChildProcess::ChildProcess(const std::string& program, std::string environment, const std::string& folder,
                           const std::string& arguments)
{
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    started = ::CreateProcessA(folder.empty() ? program.c_str() : nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                               0, environment.empty() ? nullptr : environment.data(),
                               folder.empty() ? nullptr : folder.c_str(), &startup, &info) != 0;
    if (!started) {
        error = ::GetLastError();
        return;
    }
    ::CloseHandle(info.hThread);
    process = info.hProcess;
    id = info.dwProcessId;
    startTick = ::GetTickCount64();
}

ChildProcess::~ChildProcess()
{
    if (process)
        ::CloseHandle(process);
}
