#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace brivanta::testing {

// A fresh directory that disappears with the test. Tests never make it the working
// directory (see ChildDirectory.h for tests of relative paths).
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivanta-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // `name` in the directory by a path relative to the working directory, which tests
    // leave where it is.
    std::string relative(const std::string& name) const {
        return std::filesystem::relative(path_, std::filesystem::current_path()).string() + "/" +
               name;
    }

  private:
    std::string path_;
};

}  // namespace brivanta::testing
