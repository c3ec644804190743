#include "core/formats/XmlMemoryCap.h"

#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

namespace brivanta {

namespace {

thread_local XmlMemoryCap* activeCap = nullptr;

// Each block carries its size in front, so a free can be counted too; the header keeps the
// alignment malloc gives.
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

struct XmlMemoryHooks {
    static void* allocate(std::size_t size) {
        if (XmlMemoryCap* cap = activeCap) {
            if (size > cap->limit_ - cap->used_) {
                cap->exceeded_ = true;
                return nullptr;
            }
            cap->used_ += size;
        }
        auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
        if (!block) {
            if (XmlMemoryCap* cap = activeCap)
                cap->used_ -= size;
            return nullptr;
        }
        std::memcpy(block, &size, sizeof size);
        return block + kHeader;
    }

    static void deallocate(void* pointer) {
        if (!pointer)
            return;
        unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
        std::size_t size = 0;
        std::memcpy(&size, block, sizeof size);
        if (XmlMemoryCap* cap = activeCap)
            cap->used_ -= size < cap->used_ ? size : cap->used_;
        std::free(block);
    }
};

XmlMemoryCap::XmlMemoryCap(std::size_t limit) : limit_(limit), outer_(activeCap) {
    // Installed before the first document is made: every document is made under a cap.
    static const bool installed = [] {
        pugi::set_memory_management_functions(&XmlMemoryHooks::allocate,
                                              &XmlMemoryHooks::deallocate);
        return true;
    }();
    (void)installed;
    activeCap = this;
}

XmlMemoryCap::~XmlMemoryCap() {
    activeCap = outer_;
}

}  // namespace brivanta
