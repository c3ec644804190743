#include "core/sync/SnapshotMatch.h"

#include <cstring>
#include <string>
#include <unordered_set>

namespace brivanta::sync {

namespace {

struct LocalNode {
    SyncEntry entry;  // id and parent unknown yet
    int parent = -1;  // index in the flat list, -1 for the top
    NodeState state;
};

std::string keyOf(SyncId parent, const SyncEntry& e) {
    std::string key(sizeof parent, '\0');
    std::memcpy(key.data(), &parent, sizeof parent);
    key += e.folder ? 'F' : 'L';
    key += e.title;
    key += '\0';
    key += e.url;
    return key;
}

// The snapshot in pre-order, links with children turned into folders.
std::vector<LocalNode> flatten(const std::vector<std::vector<NodeState>>& snapshot) {
    std::vector<LocalNode> nodes;
    std::vector<int> open;  // index of the folder at each depth
    for (const std::vector<NodeState>& list : snapshot) {
        open.clear();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const NodeState& s = list[i];
            if (s.depth < 0 || static_cast<std::size_t>(s.depth) > open.size())
                break;  // malformed: the rest of this list has no place
            open.resize(static_cast<std::size_t>(s.depth));
            const int parent = open.empty() ? -1 : open.back();
            const bool hasChildren = i + 1 < list.size() && list[i + 1].depth > s.depth;
            LocalNode node;
            node.parent = parent;
            node.state = s;
            node.state.depth = 0;
            node.entry.title = titleOf(s);
            node.entry.url = s.record.address;
            node.entry.folder = s.record.address.empty();
            if (!node.entry.folder && hasChildren) {
                LocalNode folder = node;
                folder.entry.folder = true;
                folder.entry.url.clear();
                folder.state.record.address.clear();
                folder.state.image = folder.state.selectedImage = -1;
                nodes.push_back(std::move(folder));
                node.parent = static_cast<int>(nodes.size()) - 1;
                node.state.expanded = false;
                open.push_back(node.parent);
                nodes.push_back(std::move(node));
                continue;
            }
            const bool opens = node.entry.folder;
            nodes.push_back(std::move(node));
            if (opens)
                open.push_back(static_cast<int>(nodes.size()) - 1);
        }
    }
    return nodes;
}

}  // namespace

const std::string& titleOf(const NodeState& state) {
    return state.ownLabel ? state.label : state.record.name;
}

LocalModel matchSnapshot(const std::vector<std::vector<NodeState>>& snapshot,
                         const SyncModel& known, bool exactOnly, SyncId& highestId) {
    std::vector<LocalNode> nodes = flatten(snapshot);
    const auto knownIndex = known.indexById();
    // Places as the tree sees them: without the server's separators.
    auto knownChildren = known.childrenById();
    for (auto& [parent, list] : knownChildren) {
        std::erase_if(list, [&](SyncId id) { return known.entries[knownIndex.at(id)].serverOnly; });
    }
    std::unordered_map<std::string, std::vector<SyncId>> byContent;
    std::unordered_map<std::string, std::vector<SyncId>> byUrl;
    std::unordered_map<std::string, std::vector<SyncId>> folderByTitle;
    for (const SyncEntry& e : known.entries) {
        if (e.serverOnly)
            continue;
        byContent[keyOf(e.parent, e)].push_back(e.id);
        (e.folder ? folderByTitle[e.title] : byUrl[e.url]).push_back(e.id);
    }
    std::unordered_map<std::string, std::size_t> folderTaken;
    // Matches are taken front to back within each list.
    std::unordered_map<std::string, std::size_t> contentTaken;
    std::unordered_set<SyncId> used;
    std::vector<SyncId> ids(nodes.size(), 0);

    std::vector<std::vector<int>> childrenOf(nodes.size());
    std::vector<int> top;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        (nodes[i].parent < 0 ? top : childrenOf[static_cast<std::size_t>(nodes[i].parent)])
            .push_back(static_cast<int>(i));

    auto matchChildren = [&](const std::vector<int>& children, SyncId parentId) {
        for (int c : children) {
            const std::string key = keyOf(parentId, nodes[static_cast<std::size_t>(c)].entry);
            auto it = byContent.find(key);
            if (it == byContent.end())
                continue;
            std::size_t& next = contentTaken[key];
            while (next < it->second.size() && used.count(it->second[next]))
                ++next;
            if (next < it->second.size()) {
                ids[static_cast<std::size_t>(c)] = it->second[next];
                used.insert(it->second[next++]);
            }
        }
        if (exactOnly)
            return;
        auto place = knownChildren.find(parentId);
        if (place == knownChildren.end())
            return;
        for (std::size_t row = 0; row < children.size() && row < place->second.size(); ++row) {
            const auto c = static_cast<std::size_t>(children[row]);
            const SyncId candidate = place->second[row];
            if (ids[c] || used.count(candidate))
                continue;
            const SyncEntry& k = known.entries[knownIndex.at(candidate)];
            const SyncEntry& e = nodes[c].entry;
            // A folder in its old place is the same folder, renamed; a link needs its title
            // or its address.
            if (k.folder == e.folder && (e.folder || k.title == e.title || k.url == e.url)) {
                ids[c] = candidate;
                used.insert(candidate);
            }
        }
        // A folder moved elsewhere: the first free one of its title.
        for (int c : children) {
            const SyncEntry& e = nodes[static_cast<std::size_t>(c)].entry;
            if (ids[static_cast<std::size_t>(c)] || !e.folder)
                continue;
            auto it = folderByTitle.find(e.title);
            if (it == folderByTitle.end())
                continue;
            std::size_t& next = folderTaken[e.title];
            while (next < it->second.size() && used.count(it->second[next]))
                ++next;
            if (next < it->second.size()) {
                ids[static_cast<std::size_t>(c)] = it->second[next];
                used.insert(it->second[next++]);
            }
        }
    };
    matchChildren(top, kSyncRoot);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].entry.folder && ids[i])
            matchChildren(childrenOf[i], ids[i]);
    }
    if (!exactOnly) {
        std::unordered_map<std::string, std::size_t> urlTaken;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (ids[i] || nodes[i].entry.folder)
                continue;
            auto it = byUrl.find(nodes[i].entry.url);
            if (it == byUrl.end())
                continue;
            std::size_t& next = urlTaken[nodes[i].entry.url];
            while (next < it->second.size() && used.count(it->second[next]))
                ++next;
            if (next < it->second.size()) {
                ids[i] = it->second[next];
                used.insert(it->second[next++]);
            }
        }
    }

    LocalModel local;
    local.model.entries.reserve(nodes.size());
    local.states.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!ids[i])
            ids[i] = ++highestId;
        SyncEntry entry = std::move(nodes[i].entry);
        entry.id = ids[i];
        entry.parent =
            nodes[i].parent < 0 ? kSyncRoot : ids[static_cast<std::size_t>(nodes[i].parent)];
        local.model.entries.push_back(std::move(entry));
        local.states.emplace(ids[i], std::move(nodes[i].state));
    }
    local.model.highestId = highestId;
    return local;
}

}  // namespace brivanta::sync
