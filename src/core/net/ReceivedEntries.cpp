#include "core/net/ReceivedEntries.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/net/RecordScanner.h"
#include "core/text/Encoding.h"
#include "core/text/Trim.h"

namespace brivanta::net {

ReceivedEntries::ReceivedEntries(int recordWidth)
    : width_(std::clamp(recordWidth, 1, 3)),
      depth_(SIZE_MAX, UINT64_MAX, ImportBudget::kMaxDepth) {}

void ReceivedEntries::clear() {
    texts_.clear();
    slots_.clear();
    wideBytes_.clear();
    wideBytes_.shrink_to_fit();
    wideCharged_ = 0;
    recordStart_ = stringStart_ = 0;
    part_ = 0;
    level_ = 0;
}

bool ReceivedEntries::store(const char* data, size_t size, MemoryCharge& charge) {
    while (size > 0) {
        size_t room = 0;
        char* into = texts_.room(size, room, charge);
        if (!into)
            return false;
        std::memcpy(into, data, room);
        texts_.commit(room);
        data += room;
        size -= room;
    }
    return true;
}

void ReceivedEntries::beginString(bool wide) {
    wide_ = wide;
    head_ = Head::blanks;
    bars_ = 0;
    if (part_ == 0)
        move_ = 0;
    stringStart_ = texts_.size();
}

bool ReceivedEntries::addBytes(const char* data, size_t size, MemoryCharge& charge) {
    if (!wide_)
        return feed(data, size, charge);
    // Grows by what arrives, never by what the prefix claims; every byte of room is paid for.
    if (wideBytes_.size() + size > wideBytes_.capacity()) {
        const size_t wanted = std::max(wideBytes_.size() + size, wideBytes_.capacity() * 2);
        if (!charge.add(wanted))
            return false;
        wideBytes_.reserve(wanted);
        charge.set(charge.bytes() - wideCharged_);
        wideCharged_ = wanted;
    }
    wideBytes_.append(data, size);
    return true;
}

// The head of a label is its leading blanks and depth prefix ("->", or a run of bars): it is
// read as SerializeTree reads it and not kept. Addresses and tags lose their leading blanks.
bool ReceivedEntries::feed(const char* data, size_t size, MemoryCharge& charge) {
    size_t i = 0;
    while (head_ != Head::done && i < size) {
        const char c = data[i];
        if (head_ == Head::blanks && text::isSpace(c)) {
            ++i;
        } else if (part_ > 0) {
            head_ = Head::done;
        } else if (head_ == Head::blanks && c == '-') {
            head_ = Head::dash;
            ++i;
        } else if (head_ == Head::blanks && c == '|') {
            head_ = Head::bars;
            bars_ = 1;
            ++i;
        } else if (head_ == Head::bars && c == '|') {
            ++bars_;
            ++i;
        } else if (head_ == Head::dash && c == '>') {
            head_ = Head::done;
            move_ = 1;
            ++i;
        } else if (!finishHead(charge)) {
            return false;
        }
    }
    return store(data + i, size - i, charge);
}

bool ReceivedEntries::finishHead(MemoryCharge& charge) {
    const Head was = head_;
    head_ = Head::done;
    if (was == Head::bars)
        move_ = static_cast<int>(-std::min<long long>(bars_, INT32_MAX));
    // A dash not followed by '>' is the name's own.
    return was != Head::dash || store("-", 1, charge);
}

void ReceivedEntries::giveBackWide(MemoryCharge& charge) {
    charge.set(charge.bytes() - std::min(wideCharged_, charge.bytes()));
    wideCharged_ = 0;
    std::string().swap(wideBytes_);
}

bool ReceivedEntries::endString(MemoryCharge& charge) {
    if (wide_) {
        wide_ = false;
        const std::string converted = text::fromUtf16Le(wideBytes_);
        giveBackWide(charge);
        if (!feed(converted.data(), converted.size(), charge))
            return false;
    }
    if (head_ != Head::done && !finishHead(charge))
        return false;
    sizes_[part_] = static_cast<std::uint32_t>(texts_.size() - stringStart_);
    if (part_ + 1 < width_)
        ++part_;
    return true;
}

void ReceivedEntries::endRecord() {
    // The depth moves as SerializeTree moves it: one level down for "->", up one per bar, a
    // plain first record at the top, and never above the top.
    if (move_ > 0)
        ++level_;
    else if (move_ < 0)
        level_ += move_;
    else if (level_ == 0)
        level_ = 1;
    level_ = std::max(level_, 1LL);
    const long long placed = std::min<long long>(level_, depth_.maxDepth());
    if (placed < level_)
        depth_.noteFlattened();
    Slot slot{static_cast<std::int32_t>(placed - 1), {sizes_[0], sizes_[1], sizes_[2]}};
    if (width_ < 3)
        slot.sizes[2] = 0;
    slots_.push_back(slot);
    part_ = 0;
    sizes_[0] = sizes_[1] = sizes_[2] = 0;
    recordStart_ = texts_.size();
}

void ReceivedEntries::dropUnfinished(MemoryCharge& charge) {
    texts_.truncate(recordStart_);
    giveBackWide(charge);
    wide_ = false;
    part_ = 0;
    sizes_[0] = sizes_[1] = sizes_[2] = 0;
}

namespace {

// Reads the entries' texts back in order.
class EntryTexts {
  public:
    explicit EntryTexts(const ReceivedBytes& texts) : source_(texts) {}
    void next(std::string& out, std::uint32_t size) {
        out.resize(size);
        source_.read(out.data(), size);
    }

  private:
    ReceivedBytes::Source source_;
};

}  // namespace

EntriesAdded ReceivedEntries::appendTo(BookmarkTree& tree) const {
    EntriesAdded added;
    BookmarkTree::BulkUpdate bulk(tree);
    EntryTexts texts(texts_);
    NodeRecord record;
    // path[d] is the entry last added at depth d: the parent of the next one at depth d + 1.
    std::vector<ItemId> path;
    for (const Slot& slot : slots_) {
        texts.next(record.name, slot.sizes[0]);
        texts.next(record.address, slot.sizes[1]);
        texts.next(record.tag, slot.sizes[2]);
        const auto depth = static_cast<size_t>(slot.depth);
        path.resize(depth);
        const ItemId inserted = tree.InsertNode(record, depth == 0 ? kNoItem : path.back());
        if (inserted == kNoItem)
            break;  // item data exhausted
        if (depth == 0)
            added.roots.push_back(inserted);
        path.push_back(inserted);
        ++added.count;
    }
    return added;
}

void ReceivedEntries::write(StringWriter& out, int lastDepth) const {
    ReceivedBytes::Source texts(texts_);
    std::string label, scratch;
    int previous = std::max(lastDepth, 0);
    for (const Slot& slot : slots_) {
        // As a save writes it: "->" one level down, one bar per level up.
        const std::string_view name = texts.take(slot.sizes[0], scratch);
        if (slot.depth == previous) {
            out.writeString(name);
        } else {
            if (slot.depth > previous)
                label = "->";
            else
                label.assign(static_cast<size_t>(previous - slot.depth), '|');
            label += name;
            out.writeString(label);
        }
        previous = slot.depth;
        for (int i = 1; i < std::max(width_, 2); ++i) {
            const std::string_view text = texts.take(slot.sizes[i], scratch);
            out.writeString(text.empty() ? std::string_view(" ") : text);
        }
    }
}

ReceivedEntries readEntries(std::string_view archive, int recordWidth, size_t pieceSize) {
    ReceivedEntries entries(recordWidth);
    RecordScanner scanner(recordWidth);
    MemoryCharge charge;
    pieceSize = std::max<size_t>(pieceSize, 1);
    for (size_t at = 0; at < archive.size(); at += pieceSize) {
        const std::string_view piece = archive.substr(at, pieceSize);
        scanner.scan(
            piece.data(), piece.size(),
            [&](std::uint64_t) {
                entries.beginString(scanner.stringWide());
                return true;
            },
            [&](std::uint64_t) {
                entries.endRecord();
                return true;
            },
            [&](const char* data, size_t size) { return entries.addBytes(data, size, charge); },
            [&] { return entries.endString(charge); });
    }
    entries.dropUnfinished(charge);
    return entries;
}

}  // namespace brivanta::net
