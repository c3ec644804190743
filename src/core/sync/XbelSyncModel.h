#pragma once

#include <string>
#include <string_view>

#include "core/sync/SyncModel.h"

namespace brivanta::sync {

// Folders nested deeper than this are refused: a file meant to exhaust the tree.
inline constexpr int kMaxSyncDepth = 1000;

struct XbelModelRead {
    SyncModel model;
    std::string failure;  // empty when the bytes are a usable XBEL file (UTF-8, for people)
    std::string note;     // the text of a "brivanta-sync" comment, "" when none
};

// XBEL bytes as Floccus keeps them: entries keep their id attributes and the highestId
// comment is read. Entries without a usable id, or with one taken already, get new ids above
// every other, so ids stay unique. Separators (which have no id) get new ids at each read;
// they and bookmarks without an address are the server's only (SyncEntry::serverOnly).
// Descriptions are kept as they are.
XbelModelRead readXbelModel(std::string_view bytes);

// The model as XBEL in Floccus's layout (ids, highestId comment). `note`, when given, is
// kept in a comment of its own (hex-encoded, so it cannot end the comment).
std::string writeXbelModel(const SyncModel& model, std::string_view note = {});

}  // namespace brivanta::sync
