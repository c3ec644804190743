#include "core/app/StorageLocations.h"

#include "core/text/Encoding.h"

namespace brivanta {

std::string customTreeName(std::string_view userName) {
    return text::toUtf8(userName);
}

std::string addressBookName(std::string_view userName) {
    return text::toUtf8(userName) + ".ads";
}

std::string recommendedTreeName(std::string_view programDirectory) {
    return std::string(programDirectory) + "/System.bvk";
}

std::string recommendedBackupName(std::string_view programDirectory) {
    return std::string(programDirectory) + "/System.bak";
}

}  // namespace brivanta
