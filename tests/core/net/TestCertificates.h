#pragma once

// Certificates for the tests' TLS servers, made once per test program by the openssl
// command in a temporary directory: an authority, a certificate it signed for localhost,
// 127.0.0.1 and ::1, one it signed for another host name, and a self-signed one.

#include <string>

namespace brivanta::net::testing {

struct TestCertificates {
    bool ok = false;
    std::string problem;  // why they could not be made
    std::string caFile;
    std::string serverCert, serverKey;  // localhost, 127.0.0.1, ::1 (signed by caFile)
    std::string otherCert, otherKey;    // other.example (signed by caFile)
    std::string selfCert, selfKey;      // localhost, self-signed
};

const TestCertificates& testCertificates();

}  // namespace brivanta::net::testing
