#include "core/formats/TargetTreeFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/formats/TreeArchive.h"

namespace brivanta {

std::string TargetTreeLoad::notice(const std::string& path) const {
    if (error.failed())
        return error.readMessage();
    if (!damaged)
        return {};
    std::string text =
        "文件 “" + path + "” 已损坏，只读出了它前面完整的 " + std::to_string(records) + " 条记录；";
    if (damagedCopy.empty())
        return text + "又无法保留它的副本，所以不写入它";
    return text + "损坏的原文件保留为 “" + damagedCopy + "”";
}

TargetTreeLoad loadTargetTree(BookmarkTree& tree, const std::string& path, ItemId parent) {
    TargetTreeLoad load;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        load.missing = true;
        return load;
    }
    const size_t before = tree.size();
    loadArchiveFile(tree, path, parent, &load.error, &load.damaged);
    load.records = tree.size() - before;
    if (load.error.failed()) {
        load.damaged = false;
        return load;
    }
    if (load.damaged)
        load.damagedCopy = keepDamagedCopy(path);
    return load;
}

TargetTreeLoad keepDamagedTarget(int treeKind, const std::string& path) {
    BookmarkTree scratch(treeKind);
    return loadTargetTree(scratch, path);
}

}  // namespace brivanta
