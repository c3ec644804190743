#pragma once

#include <string>

namespace brivanta {

// The installation root: `--home DIR` when given, else $BRIVANTA_HOME, else the directory of
// the running executable. Never ends with "/" (except for "/" itself).
std::string programDirectory(const std::string& homeOption = {});

// The directory of the running executable.
std::string executableDirectory();

}  // namespace brivanta

#include <functional>

#include "core/formats/FileError.h"

namespace brivanta {

// Where the program keeps what it writes (`dataRoot`) and finds what it ships (`shareRoot`).
struct StorageRoots {
    std::string dataRoot;
    std::string shareRoot;
    bool installed = false;  // an installed copy: data in the user's home, shipped files apart
    // The profile (settings kept between runs): under the root given by --home, so two
    // installations never share one; else "$XDG_CONFIG_HOME/Velkor/Brivanta.conf".
    std::string profileFile;
};

// The facts the choice depends on, so that it can be decided (and tested) without them.
struct RootFacts {
    std::string homeOption;    // --home DIR
    std::string homeVariable;  // $BRIVANTA_HOME
    std::string executableDirectory;
    std::string xdgDataHome;    // $XDG_DATA_HOME
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME
    std::string userHome;       // $HOME
    std::function<bool(const std::string&)> exists;
};

// `--home` or $BRIVANTA_HOME: both roots there. A copy whose directory holds "System.bvk"
// (the build tree, an unpacked copy) keeps everything in that directory. An installed copy
// (".../bin" beside ".../share/brivanta") reads its shipped files from "share/brivanta" and
// keeps its data in "$XDG_DATA_HOME/brivanta" (default "~/.local/share/brivanta").
StorageRoots chooseStorageRoots(const RootFacts& facts);
// The same from this process's options, environment and executable.
StorageRoots storageRoots(const std::string& homeOption = {});

// Makes an installed copy's data root on first start and seeds it with the shipped
// recommended tree; does nothing for a copy that keeps both in one place.
FileError prepareDataRoot(const StorageRoots& roots);

}  // namespace brivanta
