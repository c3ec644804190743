#pragma once

#include <string>

#include "core/trees/TreeMerger.h"

namespace brivanta {

// Imports straight from a browser's own bookmark store. Each browser's roots (bookmark bar or
// toolbar, menu, other, mobile) become top-level folders below the merger's folder; a root
// that holds nothing is left out. Both return "" on success, or a message for people (UTF-8)
// that names the file that failed.

// `profile` is a Firefox profile directory or its places.sqlite. The database is read from a
// copy (with its write-ahead log), since a running Firefox keeps it locked; the copy is
// removed afterwards. Queries (place: addresses) and separators are passed over.
std::string importFirefoxBookmarks(const std::string& profile, TreeMerger& merger);

// `bookmarks` is a Chromium-family "Bookmarks" file (JSON) or the profile directory holding
// it.
std::string importChromiumBookmarks(const std::string& bookmarks, TreeMerger& merger);

}  // namespace brivanta
