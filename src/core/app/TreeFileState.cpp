#include "core/app/TreeFileState.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/FileLock.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {

namespace {

// A 64-bit hash of the archive bytes, eight at a time, that does not depend on how they are
// cut into writes. It only has to tell "the same archive" from "another one".
class DigestSink : public ByteSink {
  public:
    explicit DigestSink(ByteSink* next = nullptr) : next_(next) {}
    bool write(const char* data, size_t size) override {
        size_t i = 0;
        while (filled_ != 0 && i < size)
            take(static_cast<unsigned char>(data[i++]));
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + i, 8);
            mix(word);
        }
        while (i < size)
            take(static_cast<unsigned char>(data[i++]));
        length_ += size;
        return next_ ? next_->write(data, size) : true;
    }
    std::uint64_t value() const {
        std::uint64_t h = hash_ ^ (word_ * 0xff51afd7ed558ccdULL) ^ length_;
        h ^= h >> 33;
        return h * 0xc4ceb9fe1a85ec53ULL;
    }

  private:
    // Bytes in the order a load of eight (memcpy above) gives them on this machine.
    void take(unsigned char byte) {
        const unsigned shift = std::endian::native == std::endian::little ? filled_ : 7 - filled_;
        word_ |= static_cast<std::uint64_t>(byte) << (8 * shift);
        if (++filled_ == 8) {
            mix(word_);
            word_ = 0;
            filled_ = 0;
        }
    }
    void mix(std::uint64_t word) {
        hash_ = (hash_ ^ word) * 0x9e3779b97f4a7c15ULL;
        hash_ ^= hash_ >> 29;
    }

    ByteSink* next_;
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
    std::uint64_t word_ = 0;
    std::uint64_t length_ = 0;
    unsigned filled_ = 0;
};

}  // namespace

std::string TreeLoad::message() const {
    if (!partial)
        return {};
    std::string text = "文件 “" + path + "” ";
    if (error.failed())
        text += "无法读入（" + error.readMessage() + "）";
    else
        text += "已损坏，只读入了前 " + std::to_string(entries) + " 个条目";
    return text + "。保存时原文件会保留为 “" + path + ".damaged”。";
}

std::string TreeSave::message() const {
    if (changedElsewhere)
        return "文件 “" + path + "” 在本次运行中被其他程序改过，没有保存，以免覆盖那些改动。";
    if (refusedDamaged)
        return "文件 “" + path + "” 只读入了一部分，又无法保留原文件的副本，所以没有保存。";
    if (error.failed()) {
        return error.errorNumber == EWOULDBLOCK ? FileLock::busyMessage(path)
                                                : error.writeMessage();
    }
    if (!damagedCopy.empty())
        return "文件 “" + path + "” 只读入了一部分：原文件保留为 “" + damagedCopy + "”。";
    return {};
}

TreeFileState::TreeFileState(BookmarkTree& tree, std::string path)
    : tree_(&tree), path_(std::move(path)) {
    tree_->addObserver(this);
    written_ = digest();
    stamp_ = stampNow();
}

TreeFileState::~TreeFileState() {
    if (tree_)
        tree_->removeObserver(this);
}

std::uint64_t TreeFileState::digest() {
    DigestSink sink;
    ArchiveWriter writer(sink);
    if (tree_)
        SerializeTree(*tree_, writer);
    writer.flush();
    return sink.value();
}

TreeLoad TreeFileState::load() {
    TreeLoad result;
    result.treeKind = tree_->treeKind();
    result.path = path_;
    bool damaged = false;
    loadArchiveFile(*tree_, path_, kNoItem, &result.error, &damaged);
    // A missing file is an empty tree; any other failure to read leaves the file unknown,
    // and an empty tree saved over it would lose all of it. A directory in its place holds
    // no entries to lose (and no save can replace it).
    if (result.error.errorNumber == ENOENT)
        result.error = {};
    result.partial = damaged || (result.error.failed() && result.error.errorNumber != EISDIR);
    result.entries = tree_->size();
    partial_ = partial_ || result.partial;
    // A million entries take a while to digest: not when the changes are kept elsewhere.
    if (!keptElsewhere_)
        written_ = digest();
    stamp_ = stampNow();
    touched_ = false;
    return result;
}

bool TreeFileState::hasChanged() {
    if (!touched_ || !tree_)
        return false;
    if (digest() == written_) {
        // Changed and changed back (or only opened and closed folders).
        touched_ = false;
        return false;
    }
    return true;
}

TreeSave TreeFileState::save(const SaveFilter& filter, bool overwriteChanged) {
    TreeSave result;
    result.path = path_;
    if (!tree_)
        return result;
    result.treeKind = tree_->treeKind();
    if (!overwriteChanged && changedOnDisk()) {
        result.changedElsewhere = true;
        return result;
    }
    if (!keepPartialOriginal()) {
        result.refusedDamaged = true;
        return result;
    }
    result.damagedCopy = damagedCopy_;
    std::uint64_t digest = 0;
    auto tee = [&](ByteSink& file) -> std::unique_ptr<ByteSink> {
        struct Tee : DigestSink {
            Tee(ByteSink& next, std::unique_ptr<ByteSink> keep, std::uint64_t& out)
                : DigestSink(&next), keep_(std::move(keep)), out_(out) {}
            ~Tee() override { out_ = value(); }
            std::unique_ptr<ByteSink> keep_;
            std::uint64_t& out_;
        };
        std::unique_ptr<ByteSink> filtered = filter ? filter(file) : nullptr;
        ByteSink& next = filtered ? *filtered : file;
        return std::make_unique<Tee>(next, std::move(filtered), digest);
    };
    result.error = saveArchiveFile(*tree_, path_, kNoItem, tee);
    if (result.error.failed())
        return result;
    result.written = true;
    written_ = digest;
    stamp_ = stampNow();
    touched_ = false;
    partial_ = false;
    damagedCopy_.clear();
    return result;
}

bool TreeFileState::keepPartialOriginal() {
    if (!partial_ || !damagedCopy_.empty() || ::access(path_.c_str(), F_OK) != 0)
        return true;
    damagedCopy_ = keepDamagedCopy(path_);
    return !damagedCopy_.empty();
}

void TreeFileState::noteWritten() {
    if (!keptElsewhere_)
        written_ = digest();
    stamp_ = stampNow();
    touched_ = false;
    partial_ = false;
    damagedCopy_.clear();
}

TreeFileState::Stamp TreeFileState::stampNow() const {
    Stamp stamp;
    struct stat info {};
    if (path_.empty() || ::stat(path_.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = static_cast<unsigned long long>(info.st_size);
    stamp.modifiedSec = info.st_mtim.tv_sec;
    stamp.modifiedNsec = info.st_mtim.tv_nsec;
    return stamp;
}

bool TreeFileState::changedOnDisk() const {
    return shared_ && !path_.empty() && stampNow() != stamp_;
}

namespace {
// The archive of each top-level entry with what is below it.
std::vector<std::string> topLevelArchives(BookmarkTree& tree) {
    std::vector<std::string> archives;
    for (ItemId item = tree.firstChild(kNoItem); item != kNoItem; item = tree.nextSibling(item)) {
        std::string bytes;
        StringSink sink(bytes);
        ArchiveWriter writer(sink);
        SerializeTree(tree, writer, item);
        writer.flush();
        archives.push_back(std::move(bytes));
    }
    return archives;
}
}  // namespace

bool TreeFileState::mergeWithFile(FileError* error) {
    if (!tree_)
        return false;
    BookmarkTree onDisk(tree_->treeKind());
    FileError readError;
    bool damaged = false;
    loadArchiveFile(onDisk, path_, kNoItem, &readError, &damaged);
    if (readError.failed() && readError.errorNumber != ENOENT) {
        if (error)
            *error = readError;
        return false;
    }
    const Stamp read = stampNow();
    // The file's entries first, as they are; then ours that it does not hold (each as often
    // as ours has it more often than the file). Each is read on its own: a record's depth
    // is told relative to the one before.
    std::vector<std::string> merged = topLevelArchives(onDisk);
    std::multiset<std::string> theirs(merged.begin(), merged.end());
    for (std::string& archive : topLevelArchives(*tree_)) {
        auto same = theirs.find(archive);
        if (same != theirs.end())
            theirs.erase(same);
        else
            merged.push_back(std::move(archive));
    }
    {
        BookmarkTree::BulkUpdate bulk(*tree_);
        tree_->DeleteNode();
        for (const std::string& archive : merged) {
            MemorySource source(archive);
            ArchiveReader reader(source);
            SerializeTree(*tree_, reader, kNoItem);
        }
    }
    stamp_ = read;
    partial_ = partial_ || damaged;
    damagedCopy_.clear();
    touched_ = true;
    return true;
}

}  // namespace brivanta
