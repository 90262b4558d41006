#include "SyncState.h"

#include "FileSystem.h"

#include <charconv>

namespace {

const char* const firstLine = "vellumere-sync 1\n";
constexpr std::size_t largestState = std::size_t{256} << 20;

// One field of a line; the fields are free of tabs and line breaks, which
// neither addresses nor ETags nor UIDs hold.
std::string field(const std::string& value)
{
    std::string out;
    for (const char c : value)
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    return out;
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

template <typename Number>
bool numberOf(const std::string& text, Number& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && error == std::errc() && at == end;
}

// The line from `at` on, without its '\n'; false when there is none.
bool nextLine(const std::string& text, std::size_t& at, std::string& line)
{
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos)
        return false;
    line = text.substr(at, end - at);
    at = end + 1;
    return true;
}

} // namespace

SyncState::Resource* SyncState::byHref(const std::string& href)
{
    const std::string key = hrefKey(href);
    for (Resource& resource : resources) {
        if (hrefKey(resource.href) == key)
            return &resource;
    }
    return nullptr;
}

SyncState::Resource* SyncState::byUid(const std::string& uid)
{
    for (Resource& resource : resources) {
        if (resource.uid == uid)
            return &resource;
    }
    return nullptr;
}

std::string SyncState::hrefKey(const std::string& href)
{
    const auto hexValue = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < href.size(); ++i) {
        const int high = i + 2 < href.size() && href[i] == '%' ? hexValue(href[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(href[i + 2]) : -1;
        const char c = static_cast<char>(high * 16 + low);
        // Only what means the same either way is undone.
        if (low >= 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                         c == '-' || c == '_' || c == '.' || c == '~' || c == '@')) {
            out += c;
            i += 2;
        } else {
            out += href[i];
        }
    }
    return out;
}

std::string SyncState::pathFor(const std::string& eventFile)
{
    const std::size_t slash = eventFile.find_last_of("/\\");
    const std::size_t dot = eventFile.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? eventFile.substr(0, dot) : eventFile) + ".sync";
}

// The resources' texts go as they are, each after a line with its length.
std::string SyncState::text() const
{
    std::string out = firstLine;
    out += "calendar\t" + field(calendarUrl) + "\n";
    out += "token\t" + field(syncToken) + "\n";
    for (const Resource& r : resources) {
        char fingerprint[17];
        std::to_chars_result printed = std::to_chars(fingerprint, fingerprint + 16, r.localFingerprint, 16);
        out += "resource\t" + field(r.href) + "\t" + field(r.etag) + "\t" + field(r.uid) + "\t" +
               std::string(fingerprint, printed.ptr) + "\t" + std::to_string(r.text.size()) + "\n";
        out += r.text;
        out += "\n";
    }
    out += "end\n";
    return out;
}

std::optional<SyncState> SyncState::parse(const std::string& text)
{
    if (text.compare(0, std::char_traits<char>::length(firstLine), firstLine) != 0)
        return std::nullopt;
    std::size_t at = std::char_traits<char>::length(firstLine);
    SyncState state;
    std::string line;
    if (!nextLine(text, at, line) || line.compare(0, 9, "calendar\t") != 0)
        return std::nullopt;
    state.calendarUrl = line.substr(9);
    if (!nextLine(text, at, line) || line.compare(0, 6, "token\t") != 0)
        return std::nullopt;
    state.syncToken = line.substr(6);
    while (nextLine(text, at, line)) {
        if (line == "end")
            return at == text.size() ? std::optional<SyncState>(std::move(state)) : std::nullopt;
        const std::vector<std::string> fields = fieldsOf(line);
        Resource r;
        std::size_t length = 0;
        if (fields.size() != 6 || fields[0] != "resource" || !numberOf(fields[4], r.localFingerprint, 16) ||
            !numberOf(fields[5], length) || length > text.size() - at || text.size() - at - length < 1 ||
            text[at + length] != '\n')
            return std::nullopt;
        r.href = fields[1];
        r.etag = fields[2];
        r.uid = fields[3];
        r.text = text.substr(at, length);
        at += length + 1;
        state.resources.push_back(std::move(r));
    }
    return std::nullopt;
}

SyncState::Loaded SyncState::load(FileSystem& files, const std::string& path, SyncState& state)
{
    std::string text;
    switch (files.readFile(path, text, largestState)) {
    case FileSystem::ReadResult::Read:
        break;
    case FileSystem::ReadResult::Missing:
        return Loaded::Missing;
    case FileSystem::ReadResult::TooLarge:
    case FileSystem::ReadResult::Failed:
        return Loaded::Unreadable;
    }
    auto parsed = parse(text);
    if (!parsed)
        return Loaded::Unreadable;
    state = std::move(*parsed);
    return Loaded::Read;
}

bool SyncState::save(FileSystem& files, const std::string& path) const
{
    return files.replaceFile(path, text());
}
