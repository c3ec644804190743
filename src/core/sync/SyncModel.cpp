#include "core/sync/SyncModel.h"

#include <algorithm>
#include <utility>

namespace brivanta::sync {

std::unordered_map<SyncId, std::size_t> SyncModel::indexById() const {
    std::unordered_map<SyncId, std::size_t> index;
    index.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        index.emplace(entries[i].id, i);
    return index;
}

std::unordered_map<SyncId, std::vector<SyncId>> SyncModel::childrenById() const {
    std::unordered_map<SyncId, std::vector<SyncId>> children;
    children[kSyncRoot];
    for (const SyncEntry& e : entries) {
        children[e.parent].push_back(e.id);
        if (e.folder)
            children[e.id];
    }
    return children;
}

int SyncModel::depth() const {
    std::unordered_map<SyncId, int> levels;
    levels.reserve(entries.size());
    levels[kSyncRoot] = 0;
    int deepest = 0;
    for (const SyncEntry& e : entries) {
        auto parent = levels.find(e.parent);
        const int level = (parent == levels.end() ? 0 : parent->second) + 1;
        levels[e.id] = level;
        deepest = std::max(deepest, level);
    }
    return deepest;
}

bool SyncModel::sameTree(const SyncModel& other, bool withSeparators) const {
    std::size_t i = 0;
    std::size_t j = 0;
    auto skip = [&](const SyncModel& m, std::size_t& k) {
        while (!withSeparators && k < m.entries.size() && m.entries[k].serverOnly)
            ++k;
    };
    for (;; ++i, ++j) {
        skip(*this, i);
        skip(other, j);
        if (i == entries.size() || j == other.entries.size())
            return i == entries.size() && j == other.entries.size();
        if (entries[i].id != other.entries[j].id || !entries[i].sameContent(other.entries[j]))
            return false;
    }
}

SyncModel orderedModel(const std::unordered_map<SyncId, SyncEntry>& entries,
                       const std::unordered_map<SyncId, std::vector<SyncId>>& children,
                       SyncId highestId) {
    SyncModel model;
    model.highestId = highestId;
    model.entries.reserve(entries.size());
    // Pre-order without recursion: folders may nest deeply.
    std::vector<std::pair<const std::vector<SyncId>*, std::size_t>> stack;
    auto childrenOf = [&](SyncId id) -> const std::vector<SyncId>* {
        auto it = children.find(id);
        return it == children.end() ? nullptr : &it->second;
    };
    if (const auto* top = childrenOf(kSyncRoot))
        stack.emplace_back(top, 0);
    while (!stack.empty()) {
        auto& [list, next] = stack.back();
        if (next == list->size()) {
            stack.pop_back();
            continue;
        }
        SyncId id = (*list)[next++];
        auto it = entries.find(id);
        if (it == entries.end())
            continue;
        model.entries.push_back(it->second);
        if (model.highestId < id && !it->second.separator)
            model.highestId = id;
        if (it->second.folder) {
            if (const auto* inner = childrenOf(id))
                stack.emplace_back(inner, 0);
        }
    }
    return model;
}

}  // namespace brivanta::sync
