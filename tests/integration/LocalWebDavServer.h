#pragma once

// rclone's WebDAV server from Debian on 127.0.0.1 with a private port, configuration and
// directory, with one user ("sync", password "secret"); started by a test and stopped with
// it. Its directory is reachable from the test for what a server's own disk may hold. Given a
// certificate and key, it speaks HTTPS.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace brivanta::testing {

class LocalWebDavServer {
  public:
    static constexpr const char* kUser = "sync";
    static constexpr const char* kPassword = "secret";

    LocalWebDavServer(const std::string& certificate = {}, const std::string& key = {})
        : secure_(!certificate.empty()) {
        const char* program = "/usr/bin/rclone";
        if (::access(program, X_OK) != 0) {
            problem_ = "rclone is not installed (scripts/install-deps)";
            return;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivanta-dav-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            problem_ = "no temporary directory";
            return;
        }
        dir_ = pattern;
        std::filesystem::create_directories(dir_ + "/share");
        std::ofstream(dir_ + "/rclone.conf").flush();
        port_ = freePort();
        const std::string address = "127.0.0.1:" + std::to_string(port_);
        const std::string config = dir_ + "/rclone.conf";
        const std::string log = dir_ + "/rclone.log";
        const std::string share = dir_ + "/share";
        // No directory cache: what the test changes on the disk is seen at once.
        std::vector<std::string> args = {program, "serve",      "webdav",  "--config",
                                         config,  "--addr",     address,   "--user",
                                         kUser,   "--pass",     kPassword, "--dir-cache-time",
                                         "0s",    "--log-file", log,       share};
        if (secure_)
            args.insert(args.end() - 1, {"--cert", certificate, "--key", key});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program, nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            problem_ = "rclone could not be started";
            return;
        }
        if (!waitForListener()) {
            problem_ = "rclone does not answer on " + address + "; its log: " + log;
            return;
        }
        ok_ = true;
    }
    ~LocalWebDavServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    LocalWebDavServer(const LocalWebDavServer&) = delete;
    LocalWebDavServer& operator=(const LocalWebDavServer&) = delete;

    bool ok() const { return ok_; }
    const std::string& problem() const { return problem_; }
    int port() const { return port_; }
    std::string url(const std::string& path = "/") const {
        return (secure_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
               path;
    }
    // The served directory on the disk.
    std::string share() const { return dir_ + "/share"; }

  private:
    static int freePort() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t size = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        ::close(fd);
        return ntohs(a.sin_port);
    }

    bool waitForListener() const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port_));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(fd);
            if (up)
                return true;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                return false;  // it ended: the log says why
            // Polling a port that is not yet open: there is no event to wait for.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    bool secure_ = false;
    std::string dir_;
    std::string problem_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool ok_ = false;
};

}  // namespace brivanta::testing
