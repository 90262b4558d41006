#include "ResourceText.h"

#include "ValueText.h"

#include <algorithm>

std::string ResourceText::valueOf(const std::string& text, const std::string& property)
{
    std::string unfolded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        if (text[i] == '\n' && i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
            ++i;
            continue;
        }
        unfolded += text[i];
    }
    std::size_t at = 0;
    while (at < unfolded.size()) {
        const std::size_t end = std::min(unfolded.find('\n', at), unfolded.size());
        const std::string line = unfolded.substr(at, end - at);
        at = end + 1;
        const std::string name = line.substr(0, std::min(line.find_first_of(":;"), line.size()));
        const std::size_t colon = line.find(':');
        if (ValueText::sameText(name, property) && colon != std::string::npos)
            return line.substr(colon + 1);
    }
    return {};
}

std::string ResourceText::uidOf(const std::string& text)
{
    return valueOf(text, "UID");
}

std::string ResourceText::ownerOf(const std::string& text)
{
    return valueOf(text, "X-VELLUMERE-CONTINUES");
}

std::vector<std::pair<std::string, std::string>> ResourceText::split(const std::string& text)
{
    const std::string header = text.substr(0, text.find("BEGIN:VEVENT"));
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t at = header.size();
    while (true) {
        const std::size_t begin = text.find("BEGIN:VEVENT\r\n", at);
        if (begin == std::string::npos)
            break;
        const std::string end = "END:VEVENT\r\n";
        const std::size_t stop = text.find(end, begin);
        if (stop == std::string::npos)
            break;
        at = stop + end.size();
        const std::string block = text.substr(begin, at - begin);
        const std::string uid = uidOf(block);
        const auto same = std::find_if(out.begin(), out.end(), [&](const auto& part) { return part.first == uid; });
        if (same == out.end())
            out.emplace_back(uid, header + block);
        else
            same->second += block;
    }
    for (auto& part : out)
        part.second += "END:VCALENDAR\r\n";
    return out;
}
