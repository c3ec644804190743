#pragma once

// Trees of the sync tests written as outlines, one entry a line, two spaces a level:
// "+Title" a folder, "Title=url" a link, "-" a separator, "#N" at the end an id.

#include <sstream>
#include <string>
#include <vector>

#include "core/sync/SyncModel.h"
#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::sync::testing {

struct OutlineLine {
    int depth = 0;
    bool folder = false;
    bool separator = false;
    std::string title;  // stored text
    std::string url;
    SyncId id = 0;
};

inline std::vector<OutlineLine> parseOutline(const std::string& outline) {
    std::vector<OutlineLine> lines;
    std::istringstream in(outline);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(' ') == std::string::npos)
            continue;
        OutlineLine l;
        const size_t start = line.find_first_not_of(' ');
        l.depth = static_cast<int>(start / 2);
        std::string body = line.substr(start);
        if (size_t hash = body.rfind('#'); hash != std::string::npos) {
            l.id = std::stoull(body.substr(hash + 1));
            body.resize(hash);
        }
        l.folder = body[0] == '+';
        l.separator = body == "-";
        if (l.separator) {
        } else if (l.folder) {
            l.title = body.substr(1);
        } else {
            size_t eq = body.find('=');
            l.title = body.substr(0, eq);
            l.url = eq == std::string::npos ? "" : body.substr(eq + 1);
        }
        l.title = text::fromUtf8(l.title);
        lines.push_back(std::move(l));
    }
    return lines;
}

inline SyncModel modelOf(const std::string& outline) {
    SyncModel model;
    std::vector<SyncId> parents;
    for (const OutlineLine& l : parseOutline(outline)) {
        parents.resize(static_cast<size_t>(l.depth));
        SyncEntry e{l.id, parents.empty() ? kSyncRoot : parents.back(), l.folder, l.title, l.url};
        e.separator = e.serverOnly = l.separator;
        model.entries.push_back(e);
        model.highestId = std::max(model.highestId, l.id);
        parents.push_back(l.id);
    }
    return model;
}

// The outline as the tree's children, each as captureSubtree gives it.
inline std::vector<std::vector<NodeState>> snapshotOf(const std::string& outline) {
    std::vector<std::vector<NodeState>> children;
    for (const OutlineLine& l : parseOutline(outline)) {
        if (l.depth == 0)
            children.emplace_back();
        NodeState s;
        s.record.name = l.title;
        s.record.address = l.url;
        s.depth = l.depth;
        children.back().push_back(std::move(s));
    }
    return children;
}

// A model back as an outline without ids.
inline std::string outlineOf(const SyncModel& model) {
    std::string out;
    std::vector<SyncId> parents;
    for (const SyncEntry& e : model.entries) {
        while (!parents.empty() && parents.back() != e.parent)
            parents.pop_back();
        out.append(parents.size() * 2, ' ');
        if (e.separator) {
            out += "-\n";
            continue;
        }
        out += (e.folder ? "+" : "") + text::toUtf8(e.title);
        if (!e.folder)
            out += "=" + e.url;
        out += '\n';
        if (e.folder)
            parents.push_back(e.id);
    }
    return out;
}

// Children lists back as an outline.
inline std::string outlineOf(const std::vector<std::vector<NodeState>>& children) {
    std::string out;
    for (const auto& list : children) {
        for (const NodeState& s : list) {
            out.append(static_cast<size_t>(s.depth) * 2, ' ');
            const std::string& title = s.ownLabel ? s.label : s.record.name;
            out += (s.record.address.empty() ? "+" : "") + text::toUtf8(title);
            if (!s.record.address.empty())
                out += "=" + s.record.address;
            out += '\n';
        }
    }
    return out;
}

}  // namespace brivanta::sync::testing
