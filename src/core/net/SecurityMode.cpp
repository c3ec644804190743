#include "core/net/SecurityMode.h"

namespace brivanta::net {

bool parseSecurityMode(std::string_view text, SecurityMode& mode) {
    if (text == "none") {
        mode = SecurityMode::none;
    } else if (text == "starttls") {
        mode = SecurityMode::startTls;
    } else if (text == "tls") {
        mode = SecurityMode::tls;
    } else {
        return false;
    }
    return true;
}

const char* securityModeName(SecurityMode mode) {
    switch (mode) {
        case SecurityMode::none:
            return "none";
        case SecurityMode::startTls:
            return "starttls";
        case SecurityMode::tls:
            return "tls";
    }
    return "?";
}

SecurityMode defaultSecurityForPort(int port) {
    switch (port) {
        case 465:
        case 995:
            return SecurityMode::tls;
        case 587:
            return SecurityMode::startTls;
        default:
            return SecurityMode::none;
    }
}

int defaultSmtpPort(SecurityMode mode) {
    switch (mode) {
        case SecurityMode::none:
            return 25;
        case SecurityMode::startTls:
            return 587;
        case SecurityMode::tls:
            return 465;
    }
    return 25;
}

int defaultPop3Port(SecurityMode mode) {
    return mode == SecurityMode::tls ? 995 : 110;
}

}  // namespace brivanta::net
