#include "core/accounts/AccountTable.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"

namespace brivanta {

unsigned AccountTable::bucketOf(std::string_view name) {
    std::uint32_t h = 0;
    for (char c : name) {
        h = h * 33 +
            static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    }
    return h % kBucketCount;
}

const UserAccount* AccountTable::lookup(std::string_view name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : &buckets_[bucketOf(name)][it->second];
}

void AccountTable::set(const UserAccount& account) {
    set(UserAccount(account));
}

void AccountTable::set(UserAccount&& account) {
    auto& bucket = buckets_[bucketOf(account.name)];
    auto [it, inserted] = index_.try_emplace(account.name, bucket.size());
    if (inserted)
        bucket.push_back(std::move(account));
    else
        bucket[it->second] = std::move(account);
}

size_t AccountTable::size() const {
    size_t n = 0;
    for (const auto& bucket : buckets_)
        n += bucket.size();
    return n;
}

void AccountTable::clear() {
    for (auto& bucket : buckets_)
        bucket.clear();
    index_.clear();
}

std::vector<const UserAccount*> AccountTable::accounts() const {
    std::vector<const UserAccount*> result;
    for (const auto& bucket : buckets_) {
        for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
            result.push_back(&*it);
    }
    return result;
}

bool readAccountRecords(ArchiveReader& reader, std::vector<UserAccount>& records) {
    for (;;) {
        const std::uint64_t start = reader.bytesRead();
        UserAccount account;
        if (!reader.readString(account.name) || !reader.readString(account.pop3Server) ||
            !reader.readString(account.smtpServer) || !reader.readInt32(account.passwordSum) ||
            !reader.readString(account.email)) {
            // The end of the data: between records, or inside one that was cut short.
            return reader.bytesRead() == start;
        }
        records.push_back(std::move(account));
    }
}

FileError readAccountFile(const std::string& path, std::vector<UserAccount>& records, bool* cut) {
    FileSource source;
    if (FileError e = source.open(path))
        return e;
    ArchiveReader reader(source);
    const bool whole = readAccountRecords(reader, records);
    if (cut)
        *cut = !whole;
    if (source.failed())
        return FileError{path, source.error()};
    return {};
}

bool AccountTable::loadFile(const std::string& path, std::vector<std::string>* namesInFileOrder) {
    std::vector<UserAccount> records;
    if (readAccountFile(path, records).failed() && records.empty())
        return false;
    for (UserAccount& account : records) {
        if (namesInFileOrder)
            namesInFileOrder->push_back(account.name);
        set(std::move(account));
    }
    return true;
}

FileError AccountTable::saveFile(const std::string& path, const SaveFilter& filter) const {
    AtomicFileSink sink;
    if (FileError e = sink.open(path))
        return e;
    std::unique_ptr<ByteSink> filtered = filter ? filter(sink) : nullptr;
    ArchiveWriter writer(filtered ? *filtered : sink);
    for (const UserAccount* a : accounts()) {
        writer.writeString(a->name);
        writer.writeString(a->pop3Server);
        writer.writeString(a->smtpServer);
        writer.writeInt32(a->passwordSum);
        writer.writeString(a->email);
    }
    if (!writer.flush()) {
        // Whatever failed, the old file stays: never commit what was not written whole.
        int e = sink.error();
        sink.abandon();
        return FileError{path, e != 0 ? e : EIO};
    }
    return sink.commit();
}

FileError AccountTable::reread(const std::string& path) {
    clear();
    std::vector<UserAccount> records;
    FileError error = readAccountFile(path, records);
    if (error && error.errorNumber != ENOENT && error.errorNumber != ENOTDIR)
        return error;
    for (UserAccount& record : records)
        set(std::move(record));
    return {};
}

FileError AccountTable::saveCreatingDirectory(const std::string& path) const {
    FileError error = saveFile(path);
    if (error.errorNumber == ENOENT) {
        std::string dir = directoryOf(path);
        if (!dir.empty() && ::mkdir(dir.c_str(), 0777) == 0)
            error = saveFile(path);
    }
    return error;
}

bool AccountTable::load(std::string_view name, std::vector<std::string>* namesInFileOrder) {
    return loadFile(accountFileName(name), namesInFileOrder);
}

FileError AccountTable::save(std::string_view name) const {
    // The first account of an installation: its directory ("Data") does not exist yet. It is
    // made where the file goes, not in the working directory.
    return saveCreatingDirectory(accountFileName(name));
}

std::string accountFileName(std::string_view name) {
    std::string result(name);
    if (result.find('.') == std::string::npos)
        result += ".ini";
    if (result.find_first_of("/\\") == std::string::npos)
        result.insert(0, "Data/");
    return result;
}

}  // namespace brivanta
