#include "core/app/Storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/accounts/AccountTable.h"
#include "core/accounts/UserNameRules.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeKind.h"

namespace brivanta {

namespace {

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string join(const std::string& root, std::string_view name) {
    std::string path = root;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

}  // namespace

std::string absolutePath(std::string_view path) {
    std::string full =
        !path.empty() && path.front() == '/' ? std::string(path) : join(currentDirectory(), path);
    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (std::string_view part : parts) {
        result += '/';
        result += part;
    }
    return result.empty() ? "/" : result;
}

Storage::Storage(std::string_view programDirectory) : Storage(programDirectory, programDirectory) {}

Storage::Storage(std::string_view dataRoot, std::string_view shareRoot)
    : dataRoot_(absolutePath(dataRoot)), shareRoot_(absolutePath(shareRoot)) {}

std::string Storage::recommendedTree() const {
    return join(dataRoot_, "System.bvk");
}

std::string Storage::recommendedBackup() const {
    return join(dataRoot_, "System.bak");
}

std::string Storage::tipsFile() const {
    return join(shareRoot_, "tips.txt");
}

std::string Storage::helpFile() const {
    return join(shareRoot_, "Help/index.htm");
}

std::string Storage::dataDirectory() const {
    return join(dataRoot_, "Data");
}

std::string Storage::accountFile() const {
    return join(dataDirectory(), kAccountFile);
}

std::string Storage::userFile(std::string_view userName, std::string_view extension) const {
    // A name that could point outside "Data" ("../../x", "/") or hide in a listing
    // (control characters) came from a hand-edited account file: it names no file at all.
    if (!isUsableUserName(userName))
        return {};
    return join(dataDirectory(), text::toUtf8(userName) + std::string(extension));
}

std::string Storage::customTree(std::string_view userName) const {
    return userFile(userName, ".bvk");
}

std::string Storage::addressBook(std::string_view userName) const {
    return userFile(userName, ".ads");
}

std::string Storage::treeFile(int treeKind, std::string_view userName) const {
    switch (treeKind) {
        case kAddressBookTree:
            return addressBook(userName);
        case kRecommendedTree:
            return recommendedTree();
        default:
            return customTree(userName);
    }
}

FileError Storage::ensureDataDirectory() const {
    std::string dir = dataDirectory();
    if (::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST)
        return {};
    // The root itself may be missing too (a new installation root).
    int first = errno;
    if (first == ENOENT && ::mkdir(dataRoot_.c_str(), 0777) == 0 && ::mkdir(dir.c_str(), 0777) == 0)
        return {};
    return FileError{dir, first};
}

}  // namespace brivanta
