#pragma once

#include "SyncState.h"

#include <cstddef>
#include <map>
#include <string>

// A state's resources by address and by UID, kept in step as they change
// through it. Adding or removing resources other than through it leaves it
// stale: make it again.
class SyncStateIndex {
public:
    explicit SyncStateIndex(SyncState& state);

    SyncState::Resource* byHref(const std::string& key) { return find(hrefs, key); } // by hrefKey
    SyncState::Resource* byUid(const std::string& uid) { return find(uids, uid); }
    void add(SyncState::Resource resource);
    void setUid(SyncState::Resource& resource, const std::string& uid);
    void setHref(SyncState::Resource& resource, const std::string& href);

private:
    SyncState::Resource* find(const std::map<std::string, std::size_t>& map, const std::string& key);
    std::size_t positionOf(const SyncState::Resource& resource) const;

    SyncState* state;
    std::map<std::string, std::size_t> hrefs; // by hrefKey
    std::map<std::string, std::size_t> uids;
};
