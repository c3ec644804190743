#pragma once

// Certificates for the tests' TLS servers, made once per test program by the openssl
// command in a temporary directory: an authority, a certificate it signed for localhost,
// 127.0.0.1 and ::1, one it signed for another host name, a self-signed one, and two it
// signed for localhost that are outside their validity: one that ran out on 2020-03-01 and
// one valid only from 2099-01-01.

#include <string>

namespace brivanta::net::testing {

struct TestCertificates {
    bool ok = false;
    std::string problem;  // why they could not be made
    std::string caFile;
    std::string serverCert, serverKey;    // localhost, 127.0.0.1, ::1 (signed by caFile)
    std::string otherCert, otherKey;      // other.example (signed by caFile)
    std::string selfCert, selfKey;        // localhost, self-signed
    std::string expiredCert, expiredKey;  // localhost, 2020-01-01 to 2020-03-01 12:00 UTC
    std::string futureCert, futureKey;    // localhost, 2099-01-01 to 2099-06-01
};

const TestCertificates& testCertificates();

}  // namespace brivanta::net::testing
