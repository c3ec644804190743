#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "core/formats/BrowserImport.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {

namespace {

using Json = nlohmann::json;

// Chromium's roots, by their key in "roots", in the order they become folders.
struct ChromiumRoot {
    const char* key;
    const char* name;  // UTF-8
};
constexpr ChromiumRoot kRoots[] = {
    {"bookmark_bar", "书签栏"},
    {"other", "其他书签"},
    {"synced", "移动设备书签"},
};

std::string stringField(const Json& node, const char* key) {
    auto it = node.find(key);
    if (it == node.end() || !it->is_string())
        return {};
    return text::fromUtf8(it->get_ref<const std::string&>());
}

const Json* childrenOf(const Json& node) {
    auto it = node.find("children");
    if (it == node.end() || !it->is_array() || it->empty())
        return nullptr;
    return &*it;
}

}  // namespace

std::string importChromiumBookmarks(const std::string& bookmarks, TreeMerger& merger) {
    std::error_code ec;
    std::filesystem::path file = bookmarks;
    if (std::filesystem::is_directory(file, ec))
        file /= "Bookmarks";
    const std::string fileName = file.string();
    std::string bytes;
    if (FileError e = readWholeFile(fileName, bytes))
        return e.readMessage();
    // No exceptions: a damaged file is an error to report, not a crash.
    Json document = Json::parse(bytes, nullptr, false);
    bytes.clear();
    if (document.is_discarded() || !document.is_object())
        return "无法读取 Chromium 书签文件 “" + fileName + "”：不是有效的 JSON 书签文件";
    auto roots = document.find("roots");
    if (roots == document.end() || !roots->is_object())
        return "无法读取 Chromium 书签文件 “" + fileName + "”：找不到书签的根（roots）";

    struct Open {
        const Json* children;
        size_t next;
    };
    for (const ChromiumRoot& root : kRoots) {
        auto node = roots->find(root.key);
        if (node == roots->end() || !node->is_object())
            continue;
        const Json* list = childrenOf(*node);
        if (list == nullptr)
            continue;
        merger.openFolder(text::gbk(root.name));
        // Without recursion: a file may nest folders very deeply.
        std::vector<Open> stack{{list, 0}};
        while (!stack.empty()) {
            Open& top = stack.back();
            if (top.next == top.children->size()) {
                stack.pop_back();
                merger.closeFolder();
                continue;
            }
            const Json& entry = (*top.children)[top.next++];
            if (!entry.is_object())
                continue;
            auto type = entry.find("type");
            bool folder = type != entry.end() && type->is_string() && *type == "folder";
            if (!folder && entry.contains("children"))
                folder = true;  // an entry with children is a folder whatever it says
            if (folder) {
                merger.openFolder(stringField(entry, "name"));
                if (const Json* inner = childrenOf(entry))
                    stack.push_back({inner, 0});
                else
                    merger.closeFolder();
            } else {
                merger.addLink(stringField(entry, "name"), stringField(entry, "url"));
            }
        }
    }
    return {};
}

}  // namespace brivanta
