#include "core/app/SyncSettings.h"

namespace brivanta {

bool namesOtherTarget(const SyncSettings& before, const SyncSettings& after) {
    return before.serverUrl != after.serverUrl || before.fileName != after.fileName ||
           before.treeKind != after.treeKind || before.folder != after.folder;
}

std::string joinFolderPath(const std::vector<std::string>& labels) {
    std::string line;
    for (const std::string& label : labels) {
        line += '/';
        for (char c : label) {
            // UTF-8 never has these bytes inside a character, unlike GBK.
            if (c == '/' || c == '\\')
                line += '\\';
            line += c;
        }
    }
    return line;
}

std::vector<std::string> splitFolderPath(const std::string& line) {
    std::vector<std::string> labels;
    if (line.empty() || line.front() != '/')
        return labels;
    std::string label;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            label += line[++i];
        } else if (c == '/') {
            labels.push_back(std::move(label));
            label.clear();
        } else {
            label += c;
        }
    }
    labels.push_back(std::move(label));
    return labels;
}

}  // namespace brivanta
