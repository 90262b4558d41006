#include "TemporaryFolder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / ("vellumere-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            folder = candidate.string();
            return;
        }
    }
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::string TemporaryFolder::path(const std::string& name) const
{
    return (fs::path(folder) / name).string();
}

std::string TemporaryFolder::listing() const
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : " ") + name;
    return out;
}
