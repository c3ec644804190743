#pragma once

#include <string>

namespace brivanta {

// The network endpoints of one run (not kept between runs): the server that takes uploads
// and answers the verification, and the port this copy listens on for its neighbours.
struct NetworkSettings {
    std::string serverAddress;
    int serverPort = 5000;
    int listenPort = 5000;
};

}  // namespace brivanta
