#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/trees/NodeRecord.h"

namespace brivanta {

// Text that a tree holds: a view of bytes the tree owns. It stays valid until its entry
// changes or is deleted. It reads like a std::string_view and turns into a std::string
// wherever a caller wants its own copy.
class RecordText : public std::string_view {
  public:
    constexpr RecordText() = default;
    constexpr explicit RecordText(std::string_view text) : std::string_view(text) {}
    operator std::string() const { return std::string(data(), size()); }
};

inline std::string operator+(const std::string& a, RecordText b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a).append(b);
    return out;
}
inline std::string operator+(RecordText a, const std::string& b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a).append(b);
    return out;
}
inline std::string operator+(RecordText a, RecordText b) {
    return std::string(a) + b;
}
inline std::string operator+(const char* a, RecordText b) {
    return std::string(a) + b;
}
inline std::string operator+(RecordText a, const char* b) {
    return a + std::string(b);
}

// An entry's record as the tree holds it, without copying its text.
struct RecordView {
    RecordText name;
    RecordText address;
    RecordText tag;

    operator NodeRecord() const {
        return {std::string(name), std::string(address), std::string(tag)};
    }
    bool operator==(const RecordView&) const = default;
    bool operator==(const NodeRecord& other) const {
        return name == other.name && address == other.address && tag == other.tag;
    }
};

// What LookupRecord answers: a record or nothing, used like a pointer. It is valid as long
// as a pointer into the tree would be: until the entry changes or is deleted.
class RecordRef {
  public:
    RecordRef() = default;
    RecordRef(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): reads like a pointer
    explicit RecordRef(const RecordView& view) : view_(view), valid_(true) {}

    const RecordView* operator->() const { return &view_; }
    const RecordView& operator*() const { return view_; }
    explicit operator bool() const { return valid_; }
    bool operator==(std::nullptr_t) const { return !valid_; }

  private:
    RecordView view_;
    bool valid_ = false;
};

}  // namespace brivanta
