#include "core/app/ProgramDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <vector>

#include "core/formats/FileStreams.h"

namespace brivanta {

namespace {
std::string withoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}
}  // namespace

std::string executableDirectory() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return ".";
    std::string dir = directoryOf(std::string(buffer.data(), static_cast<size_t>(n)));
    return dir.empty() ? "." : dir;
}

std::string programDirectory(const std::string& homeOption) {
    if (!homeOption.empty())
        return withoutTrailingSlash(homeOption);
    if (const char* env = std::getenv("BRIVANTA_HOME"); env && *env) {
        return withoutTrailingSlash(env);
    }
    return executableDirectory();
}

}  // namespace brivanta

namespace brivanta {

namespace {
std::string parentOf(const std::string& dir) {
    std::string parent = directoryOf(dir);
    return parent.empty() ? std::string("/") : parent;
}
}  // namespace

StorageRoots chooseStorageRoots(const RootFacts& facts) {
    for (const std::string* chosen : {&facts.homeOption, &facts.homeVariable}) {
        if (!chosen->empty()) {
            std::string root = withoutTrailingSlash(*chosen);
            return {root, root, false, (root == "/" ? "" : root) + "/Brivanta.conf"};
        }
    }
    // XDG: a relative variable is ignored, as if unset.
    auto xdg = [&](const std::string& variable, const char* fallback) {
        return !variable.empty() && variable.front() == '/'
                   ? withoutTrailingSlash(variable)
                   : withoutTrailingSlash(facts.userHome) + fallback;
    };
    std::string profile = xdg(facts.xdgConfigHome, "/.config") + "/Velkor/Brivanta.conf";
    const std::string& exe = facts.executableDirectory;
    std::string share = parentOf(exe) + "/share/brivanta";
    bool portable = facts.exists && facts.exists(exe + "/System.bvk");
    if (!portable && facts.exists && facts.exists(share))
        return {xdg(facts.xdgDataHome, "/.local/share") + "/brivanta", share, true, profile};
    return {exe, exe, false, profile};
}

StorageRoots storageRoots(const std::string& homeOption) {
    auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    RootFacts facts;
    facts.homeOption = homeOption;
    facts.homeVariable = variable("BRIVANTA_HOME");
    facts.executableDirectory = executableDirectory();
    facts.xdgDataHome = variable("XDG_DATA_HOME");
    facts.xdgConfigHome = variable("XDG_CONFIG_HOME");
    facts.userHome = variable("HOME");
    facts.exists = [](const std::string& path) { return ::access(path.c_str(), F_OK) == 0; };
    return chooseStorageRoots(facts);
}

FileError prepareDataRoot(const StorageRoots& roots) {
    if (!roots.installed)
        return {};
    // mkdir -p: the data home itself may not exist yet on a new account.
    std::string path;
    size_t from = 1;
    while (from <= roots.dataRoot.size()) {
        size_t slash = roots.dataRoot.find('/', from);
        path = roots.dataRoot.substr(0, slash);
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return FileError{path, errno};
        if (slash == std::string::npos)
            break;
        from = slash + 1;
    }
    std::string target = roots.dataRoot + "/System.bvk";
    if (::access(target.c_str(), F_OK) == 0)
        return {};
    std::string shipped;
    if (readWholeFile(roots.shareRoot + "/System.bvk", shipped))
        return {};  // nothing shipped: the recommended tree starts empty
    AtomicFileSink sink;
    if (FileError e = sink.open(target))
        return e;
    sink.write(shipped.data(), shipped.size());
    return sink.commit();
}

}  // namespace brivanta
