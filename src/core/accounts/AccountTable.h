#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/accounts/UserAccount.h"
#include "core/formats/FileError.h"
#include "core/formats/FileStreams.h"

namespace brivanta {

// All accounts of the installation, keyed by name (compared byte for byte). The order in
// which the table lists them (and so writes "Users.ini") is that of a 17-bucket hash map:
// bucket by bucket, the newest entry of a bucket first.
class AccountTable {
  public:
    static constexpr unsigned kBucketCount = 17;
    static unsigned bucketOf(std::string_view name);

    const UserAccount* lookup(std::string_view name) const;
    // Inserts the account under its name, or replaces the account of that name in place.
    void set(const UserAccount& account);
    void set(UserAccount&& account);
    size_t size() const;
    bool empty() const { return size() == 0; }
    void clear();
    // Every account in table order.
    std::vector<const UserAccount*> accounts() const;

    // Reads "Users.ini"-format records from `path` (used as it is), entering each complete
    // record in file order; `namesInFileOrder`, when given, receives every record's name as
    // read, duplicates included. False when the file cannot be opened.
    bool loadFile(const std::string& path, std::vector<std::string>* namesInFileOrder = nullptr);
    // Writes the table to `path` (used as it is), replacing the file only when complete.
    FileError saveFile(const std::string& path, const SaveFilter& filter = {}) const;

    // For a change to one account: replaces the table by the file at `path` as it is now,
    // so that a save keeps what other copies of the program wrote since. A missing file (or
    // directory) leaves the table empty; any other failure is returned, and then the file
    // must not be saved over, or every other account would be lost.
    FileError reread(const std::string& path);
    // saveFile, creating the file's directory when it does not exist yet (the first account
    // of an installation).
    FileError saveCreatingDirectory(const std::string& path) const;

    // The same with the account path rule, relative to the current directory. Saving
    // creates "Data" when the file cannot be created there and tries once more.
    bool load(std::string_view name, std::vector<std::string>* namesInFileOrder = nullptr);
    FileError save(std::string_view name) const;

  private:
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    // Within a bucket, entries are kept oldest first; the table order reads them backwards.
    std::array<std::vector<UserAccount>, kBucketCount> buckets_;
    // Each name's place in its bucket, so that entering a name never scans the bucket.
    std::unordered_map<std::string, size_t, NameHash, std::equal_to<>> index_;
};

// Every complete record of a "Users.ini"-format file at `path` (used as it is), in file
// order, duplicates included. Fails when the file cannot be opened or read. `cut`, when
// given, tells whether the file ends inside a record (which is dropped).
FileError readAccountFile(const std::string& path, std::vector<UserAccount>& records,
                          bool* cut = nullptr);
// The same from any archive reader: every complete record until the end of the data. False
// when the data ends inside a record.
class ArchiveReader;
bool readAccountRecords(ArchiveReader& reader, std::vector<UserAccount>& records);

// "Users.ini" -> "Data/Users.ini": ".ini" is appended to a name without "."; a name without
// a directory separator ("/" or "\\") gets "Data/" in front.
std::string accountFileName(std::string_view name);

// The name of the account file.
inline constexpr const char* kAccountFile = "Users.ini";

}  // namespace brivanta
