#include "TestCertificates.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

namespace brivanta::net::testing {

namespace {

struct DirectoryRemover {
    std::string dir;
    ~DirectoryRemover() {
        std::error_code ignored;
        if (!dir.empty())
            std::filesystem::remove_all(dir, ignored);
    }
};

// EC keys: quick to make, and what servers use today.
const char* const kScript = R"(set -e
cd "$1"
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
openssl req -x509 $key -days 2 -keyout ca.key -subj "/CN=Test authority" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
    -out ca.pem
sign() {
    openssl req -new $key -keyout "$1.key" -subj "/CN=$2" -out "$1.csr"
    printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\n' "$3" > "$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -extfile "$1.ext" -out "$1.pem"
}
sign server localhost "DNS:localhost,IP:127.0.0.1,IP:::1"
sign other other.example "DNS:other.example"
openssl req -x509 $key -days 2 -keyout self.key -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" -out self.pem
# Certificates outside their validity: the x509 command cannot back-date, the ca one can.
mkdir db
touch db/index.txt
echo 01 > db/serial
cat > ca.cnf <<'END'
[ca]
default_ca = test
[test]
database = db/index.txt
new_certs_dir = db
serial = db/serial
certificate = ca.pem
private_key = ca.key
default_md = sha256
policy = anything
x509_extensions = leaf
unique_subject = no
[anything]
commonName = supplied
[leaf]
subjectAltName = DNS:localhost,IP:127.0.0.1,IP:::1
basicConstraints = CA:FALSE
END
dated() {
    openssl req -new $key -keyout "$1.key" -subj "/CN=localhost" -out "$1.csr"
    openssl ca -batch -notext -config ca.cnf -in "$1.csr" -startdate "$2" -enddate "$3" \
        -out "$1.pem"
}
dated expired 20200101000000Z 20200301120000Z
dated future 20990101000000Z 20990601000000Z
)";

TestCertificates make(std::string& dir) {
    TestCertificates m;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brivanta-certs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m.problem = "no temporary directory";
        return m;
    }
    dir = pattern;
    const std::string script = dir + "/make.sh";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(kScript, f);
        std::fclose(f);
    }
    const std::string command = "sh '" + script + "' '" + dir + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        m.problem = "openssl could not make the test certificates (is it installed?)";
        return m;
    }
    m.caFile = dir + "/ca.pem";
    m.serverCert = dir + "/server.pem";
    m.serverKey = dir + "/server.key";
    m.otherCert = dir + "/other.pem";
    m.otherKey = dir + "/other.key";
    m.selfCert = dir + "/self.pem";
    m.selfKey = dir + "/self.key";
    m.expiredCert = dir + "/expired.pem";
    m.expiredKey = dir + "/expired.key";
    m.futureCert = dir + "/future.pem";
    m.futureKey = dir + "/future.key";
    m.ok = true;
    return m;
}

}  // namespace

const TestCertificates& testCertificates() {
    static DirectoryRemover remover;
    static const TestCertificates made = make(remover.dir);
    return made;
}

}  // namespace brivanta::net::testing
