#pragma once

#include <string>

namespace brivanta {

// Where this run uploads to and listens on; set in the options sheet and never stored.
struct NetworkSettings {
    inline static constexpr int kDefaultPort = 5000;

    // The upload and recommended-tree server (GBK host name); empty until the user sets it.
    std::string serverAddress;
    int serverPort = kDefaultPort;
    // The local port peers send to, read when listening starts.
    int listenPort = kDefaultPort;

    bool operator==(const NetworkSettings&) const = default;
};

}  // namespace brivanta
