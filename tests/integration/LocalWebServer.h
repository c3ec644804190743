#pragma once

// lighttpd from Debian on 127.0.0.1 with a private configuration, port and state directory,
// started by a test or a benchmark and stopped with it. The pages it serves:
//   /index.html   200            /missing       404 (no such file)
//   /gone.sh      410 (CGI)      /broken.sh     500 (CGI)
//   /old          301 -> /index.html           /temp   302 -> /index.html
//   /chain1       301 -> /chain2 301 -> /index.html
//   /loop         301 -> /loop                 /moved-dead 301 -> /missing
//   /page/N       200 for any N (for many distinct links)

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

class LocalWebServer {
  public:
    // `addresses`: extra loopback addresses (127.0.0.2 ...) served on the same port.
    explicit LocalWebServer(const std::vector<std::string>& addresses = {}) {
        const char* program = "/usr/sbin/lighttpd";
        if (::access(program, X_OK) != 0) {
            problem_ = "lighttpd is not installed (scripts/install-deps)";
            return;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivanta-web-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            problem_ = "no temporary directory";
            return;
        }
        dir_ = pattern;
        port_ = freePort();
        std::filesystem::create_directories(dir_ + "/www/page");
        std::ofstream(dir_ + "/www/index.html") << "<html><body>index</body></html>\n";
        std::ofstream(dir_ + "/www/gone.sh")
            << "printf 'Status: 410 Gone\\r\\nContent-Type: text/plain\\r\\n\\r\\ngone\\n'\n";
        std::ofstream(dir_ + "/www/broken.sh")
            << "printf 'Status: 500 Internal Server Error\\r\\nContent-Type: "
               "text/plain\\r\\n\\r\\nbroken\\n'\n";
        std::ofstream conf(dir_ + "/lighttpd.conf");
        conf << "server.document-root = \"" << dir_ << "/www\"\n"
             << "server.bind = \"127.0.0.1\"\n"
             << "server.port = " << port_ << "\n"
             << "server.errorlog = \"" << dir_ << "/error.log\"\n"
             << "server.max-connections = 1024\n"
             << "index-file.names = (\"index.html\")\n"
             << "server.modules = (\"mod_cgi\", \"mod_redirect\", \"mod_rewrite\")\n"
             << "cgi.assign = (\".sh\" => \"/bin/sh\")\n"
             << "url.rewrite-once = (\"^/page/[0-9]+$\" => \"/index.html\")\n"
             << "url.redirect = (\"^/old$\" => \"/index.html\", \"^/chain1$\" => \"/chain2\", "
                "\"^/chain2$\" => \"/index.html\", \"^/loop$\" => \"/loop\", "
                "\"^/moved-dead$\" => \"/missing\")\n"
             << "url.redirect-code = 301\n"
             << "$HTTP[\"url\"] == \"/temp\" {\n"
             << "  url.redirect = (\"^/temp$\" => \"/index.html\")\n"
             << "  url.redirect-code = 302\n"
             << "}\n";
        for (const std::string& a : addresses)
            conf << "$SERVER[\"socket\"] == \"" << a << ":" << port_ << "\" { }\n";
        conf.close();
        std::string confPath = dir_ + "/lighttpd.conf";
        std::vector<char*> argv = {const_cast<char*>(program), const_cast<char*>("-D"),
                                   const_cast<char*>("-f"), confPath.data(), nullptr};
        if (::posix_spawn(&pid_, program, nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            problem_ = "lighttpd could not be started";
            return;
        }
        // Ready when it accepts a connection on every address (at most 10 s).
        std::vector<std::string> all = {"127.0.0.1"};
        all.insert(all.end(), addresses.begin(), addresses.end());
        for (const std::string& a : all) {
            if (!waitForListener(a)) {
                problem_ = "lighttpd does not answer on " + a + ":" + std::to_string(port_) +
                           "; its log: " + dir_ + "/error.log";
                return;
            }
        }
        ok_ = true;
    }
    ~LocalWebServer() {
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
    LocalWebServer(const LocalWebServer&) = delete;
    LocalWebServer& operator=(const LocalWebServer&) = delete;

    bool ok() const { return ok_; }
    const std::string& problem() const { return problem_; }
    int port() const { return port_; }
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const {
        return "http://" + host + ":" + std::to_string(port_) + path;
    }

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

    bool waitForListener(const std::string& address) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port_));
            ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
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

    std::string dir_;
    std::string problem_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool ok_ = false;
};

}  // namespace brivanta::testing
