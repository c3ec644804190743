#include "core/app/ProgramDirectory.h"

#include <unistd.h>

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
