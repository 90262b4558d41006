#pragma once

#include "FileSystem.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// Files held in memory, with switches that make single operations fail.
class FakeFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::set<std::string> unreadable;   // exist, but opening them fails
    std::set<std::string> unwritable;   // replacing them fails
    bool failReplace = false;
    bool failCopy = false;
    std::vector<std::string> replaced; // paths, in the order of the calls
    std::string error = "the fake disk says no";
    std::function<void(const std::string& path)> beforeRead; // another program at work

    ReadResult readFile(const std::string& path, std::string& contents, std::size_t maxSize) override;
    bool replaceFile(const std::string& path, const std::string& contents) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    void createDirectory(const std::string& path) override;
    std::string temporaryFolder() override { return "C:\\Temp\\"; }
    std::string lastError() override { return error; }
};
