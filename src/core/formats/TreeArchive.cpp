#include "core/formats/TreeArchive.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

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
                     const ArchiveProgress& progress, ImportBudget* budget) {
    if (start != kNoItem && !tree.contains(start))
        return 0;
    ImportBudget ownBudget;
    ImportBudget& limits = budget ? *budget : ownBudget;
    const bool threeStrings = tree.treeKind() == kAddressBookTree;
    // Levels below `start` an entry may take: the tree's own depth limit counts from its top.
    long long startLevel = start == kNoItem ? 0 : tree.depth(start) + 1;
    long long room = std::max(1LL, static_cast<long long>(limits.maxDepth()) - startLevel);
    // path[d] is the last entry added d levels below `start` (path[0] is `start`), so the
    // parent of the next record is found at once however far up its prefix goes.
    std::vector<ItemId> path{start};
    // How deep the stream says the last record is; below `room` it was attached at `room`.
    long long level = 0;
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
            ++level;
        } else if (name.starts_with('|')) {
            size_t bars = 0;
            while (bars < name.size() && name[bars] == '|')
                ++bars;
            name.remove_prefix(bars);
            level -= static_cast<long long>(bars);
        } else if (level == 0) {
            level = 1;  // the first record
        }
        if (level < 1) {
            // Bars that climb above `start` land where its ancestors are, as they always did.
            ItemId base = path[0];
            for (; level < 1 && base != kNoItem; ++level)
                base = tree.parent(base);
            level = 1;
            path.assign(1, base);
            startLevel = base == kNoItem ? 0 : tree.depth(base) + 1;
            room = std::max(1LL, static_cast<long long>(limits.maxDepth()) - startLevel);
        }
        const long long placed = std::min(level, room);
        record.name.assign(name);
        if (!limits.take(record.name.size() + record.address.size() + record.tag.size()))
            break;
        if (progress)
            progress(record.name);
        ItemId inserted = tree.InsertNode(record, path[static_cast<size_t>(placed - 1)]);
        if (inserted == kNoItem)
            break;  // item data exhausted
        if (placed < level)
            limits.noteFlattened();
        path.resize(static_cast<size_t>(placed));
        path.push_back(inserted);
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
                     bool* damaged, ImportBudget* budget) {
    FileSource source;
    FileError e = source.open(path);
    if (damaged)
        *damaged = false;
    if (!e.failed()) {
        BookmarkTree::BulkUpdate bulk(tree);
        ArchiveReader reader(source, 256 * 1024);  // few read calls for a large file
        RecordBoundaries records(reader, recordWidth(tree.treeKind()));
        ImportBudget whole = ImportBudget::unlimited();
        SerializeTree(tree, records, parent, {}, budget ? budget : &whole);
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
    if (::access(copy.c_str(), F_OK) == 0)
        return {};  // every name taken: no copy rather than one over an older copy
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
