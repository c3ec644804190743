#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace brivanta::testing {

// A fresh directory that disappears with the test; optionally the current directory while
// it lives (the program works relative to its program directory).
class TempDir {
  public:
    explicit TempDir(bool enter = false) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivanta-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        if (enter) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDir() {
        if (!previous_.empty())
            std::filesystem::current_path(previous_);
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
    std::filesystem::path previous_;
};

}  // namespace brivanta::testing
