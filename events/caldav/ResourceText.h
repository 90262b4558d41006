#pragma once

#include <string>
#include <utility>
#include <vector>

// What the sync reads in the text of a calendar resource without reading its
// events: a resource holds the VEVENTs of one UID.
class ResourceText {
public:
    // The UID of a resource's text (the first one: a resource holds one).
    static std::string uidOf(const std::string& text);
    // For a later stretch of a series the export writes in several, the UID
    // of the first; empty for any other resource.
    static std::string ownerOf(const std::string& text);
    // The writer's text as one text for each UID it holds, in its order: a
    // series written in stretches goes up as one resource for each stretch.
    static std::vector<std::pair<std::string, std::string>> split(const std::string& text);

private:
    // The value of the first property `property` (upper case) in `text`.
    static std::string valueOf(const std::string& text, const std::string& property);
};
