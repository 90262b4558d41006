#include "IanaZones.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

struct Entry {
    const char* iana;
    const char* windows;
};

// Sorted by name in any case, as tools/zone-table writes it at build time.
const Entry table[] = {
#include "IanaZoneTable.inc"
};

bool lessInAnyCase(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

const char* find(std::string_view iana)
{
    const Entry* found = std::lower_bound(std::begin(table), std::end(table), iana,
                                          [](const Entry& entry, std::string_view name) {
                                              return lessInAnyCase(entry.iana, name);
                                          });
    if (found == std::end(table) || lessInAnyCase(iana, found->iana))
        return nullptr;
    return found->windows;
}

} // namespace

const char* IanaZones::windowsName(std::string_view iana)
{
    for (std::size_t from = 0; from < iana.size();) {
        if (const char* windows = find(iana.substr(from)))
            return windows;
        const std::size_t slash = iana.find('/', from);
        if (slash == std::string_view::npos)
            break;
        from = slash + 1;
    }
    return nullptr;
}
