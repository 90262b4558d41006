#include "SyncStateIndex.h"

#include <utility>

SyncStateIndex::SyncStateIndex(SyncState& state_) : state(&state_)
{
    for (std::size_t i = 0; i < state->resources.size(); ++i) {
        hrefs[SyncState::hrefKey(state->resources[i].href)] = i;
        uids[state->resources[i].uid] = i;
    }
}

void SyncStateIndex::add(SyncState::Resource resource)
{
    hrefs[SyncState::hrefKey(resource.href)] = state->resources.size();
    uids[resource.uid] = state->resources.size();
    state->resources.push_back(std::move(resource));
}

void SyncStateIndex::setUid(SyncState::Resource& resource, const std::string& uid)
{
    uids.erase(resource.uid);
    resource.uid = uid;
    uids[uid] = positionOf(resource);
}

void SyncStateIndex::setHref(SyncState::Resource& resource, const std::string& href)
{
    hrefs.erase(SyncState::hrefKey(resource.href));
    resource.href = href;
    hrefs[SyncState::hrefKey(href)] = positionOf(resource);
}

SyncState::Resource* SyncStateIndex::find(const std::map<std::string, std::size_t>& map, const std::string& key)
{
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &state->resources[found->second];
}

std::size_t SyncStateIndex::positionOf(const SyncState::Resource& resource) const
{
    return static_cast<std::size_t>(&resource - state->resources.data());
}
