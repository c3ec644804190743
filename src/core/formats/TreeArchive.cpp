#include "core/formats/TreeArchive.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/text/Trim.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

void writeRecord(BookmarkTree& tree, StringWriter& out, ItemId item, std::string_view prefix,
                 std::string& scratch, const ArchiveProgress& progress) {
    RecordText label = tree.label(item);
    RecordRef record = tree.LookupRecord(item);
    scratch.assign(prefix);
    scratch += label;
    out.writeString(scratch);
    out.writeString(record->address.empty() ? std::string_view(" ")
                                            : std::string_view(record->address));
    if (tree.treeKind() == kAddressBookTree) {
        out.writeString(record->tag.empty() ? std::string_view(" ")
                                            : std::string_view(record->tag));
    }
    if (progress)
        progress(label);
}

}  // namespace

void SerializeTree(BookmarkTree& tree, StringWriter& out, ItemId start,
                   const ArchiveProgress& progress) {
    // The prefix says how the depth moved since the record before: "->" one level down,
    // one "|" per level up, nothing for a sibling.
    std::string prefix;
    std::string scratch;
    int previousDepth = 0;
    forEachPreOrder(tree, start, [&](ItemId item, int depth) {
        if (depth > previousDepth)
            prefix = "->";
        else
            prefix.assign(static_cast<size_t>(previousDepth - depth), '|');
        previousDepth = depth;
        writeRecord(tree, out, item, prefix, scratch, progress);
    });
}

size_t SerializeTree(BookmarkTree& tree, StringReader& in, ItemId start,
                     const ArchiveProgress& progress) {
    if (start != kNoItem && !tree.contains(start))
        return 0;
    const bool threeStrings = tree.treeKind() == kAddressBookTree;
    ItemId current = start;
    NodeRecord record;
    std::string label;
    size_t added = 0;
    for (;;) {
        if (!in.readString(label))
            break;
        if (!in.readString(record.address))
            break;
        if (threeStrings && !in.readString(record.tag))
            break;
        if (!threeStrings)
            record.tag.clear();
        text::trimLeftInPlace(label);
        text::trimLeftInPlace(record.address);
        text::trimLeftInPlace(record.tag);

        std::string_view name = label;
        if (name.starts_with("->")) {
            name.remove_prefix(2);
        } else if (name.starts_with('|')) {
            while (name.starts_with('|')) {
                name.remove_prefix(1);
                current = tree.parent(current);
            }
            current = tree.parent(current);
        } else if (current != start) {
            current = tree.parent(current);
        }
        record.name.assign(name);
        if (progress)
            progress(record.name);
        ItemId inserted = tree.InsertNode(record, current);
        if (inserted == kNoItem)
            break;  // item data exhausted
        current = inserted;
        ++added;
    }
    return added;
}

std::string archiveFileName(std::string_view name, bool hasStartItem) {
    std::string result(name);
    if (result.find('.') == std::string::npos)
        result += ".bvk";
    if (!hasStartItem && result.find_first_of("/\\") == std::string::npos) {
        result.insert(0, "Data/");
    }
    return result;
}

namespace {

// Notes where the last complete record ended, so a load can tell a clean end of the file
// from a record cut short or a length that claims more than the file holds.
class RecordBoundaries : public StringReader {
  public:
    RecordBoundaries(ArchiveReader& reader, int width) : reader_(reader), width_(width) {}
    bool readString(std::string& out) override {
        if (!reader_.readString(out))
            return false;
        if (++inRecord_ == width_) {
            inRecord_ = 0;
            lastComplete_ = reader_.bytesRead();
        }
        return true;
    }
    std::uint64_t lastComplete() const { return lastComplete_; }

  private:
    ArchiveReader& reader_;
    int width_;
    int inRecord_ = 0;
    std::uint64_t lastComplete_ = 0;
};

}  // namespace

bool loadArchiveFile(BookmarkTree& tree, const std::string& path, ItemId parent, FileError* error,
                     bool* damaged) {
    FileSource source;
    FileError e = source.open(path);
    if (damaged)
        *damaged = false;
    if (!e.failed()) {
        BookmarkTree::BulkUpdate bulk(tree);
        ArchiveReader reader(source, 256 * 1024);  // few read calls for a large file
        RecordBoundaries records(reader, recordWidth(tree.treeKind()));
        SerializeTree(tree, records, parent);
        if (source.failed())
            e = FileError{path, source.error()};
        else if (damaged && source.size() >= 0)
            *damaged = static_cast<std::uint64_t>(source.size()) > records.lastComplete();
    }
    if (error)
        *error = e;
    return !e.failed();
}

std::string keepDamagedCopy(const std::string& path) {
    // A hard link keeps the damaged bytes as they are; the save that follows renames a new
    // file over `path` and leaves the link alone. An older copy is never overwritten.
    for (int n = 0; n < 100; ++n) {
        std::string copy = path + ".damaged" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (::link(path.c_str(), copy.c_str()) == 0)
            return copy;
        if (errno != EEXIST)
            break;
    }
    // No hard links here (some file systems): a plain copy.
    std::string bytes;
    if (readWholeFile(path, bytes).failed())
        return {};
    AtomicFileSink sink;
    std::string copy = path + ".damaged";
    for (int n = 1; n < 100 && ::access(copy.c_str(), F_OK) == 0; ++n)
        copy = path + ".damaged." + std::to_string(n);
    if (sink.open(copy).failed() || !sink.write(bytes.data(), bytes.size()) ||
        sink.commit().failed())
        return {};
    return copy;
}

FileError saveArchiveFile(BookmarkTree& tree, const std::string& path, ItemId start,
                          const SaveFilter& filter) {
    AtomicFileSink sink;
    if (FileError e = sink.open(path))
        return e;
    std::unique_ptr<ByteSink> filtered = filter ? filter(sink) : nullptr;
    // Large writes: a 4 KiB buffer made a save of a million entries spend most of its
    // time in thirteen thousand write calls.
    ArchiveWriter writer(filtered ? *filtered : sink, 256 * 1024);
    SerializeTree(tree, writer, start);
    if (!writer.flush()) {
        // Whatever failed, the old file stays: never commit what was not written whole.
        int e = sink.error();
        sink.abandon();
        return FileError{path, e != 0 ? e : EIO};
    }
    return sink.commit();
}

bool LoadTree(BookmarkTree& tree, std::string_view name, ItemId parent) {
    if (name.empty())
        return false;
    return loadArchiveFile(tree, archiveFileName(name, parent != kNoItem), parent);
}

FileError SaveTree(BookmarkTree& tree, std::string_view name, ItemId start) {
    if (name.empty())
        return FileError{std::string(), EINVAL};
    return saveArchiveFile(tree, archiveFileName(name, start != kNoItem), start);
}

}  // namespace brivanta
