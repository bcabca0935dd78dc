#include "agent/blockcache.h"

#include <cstdint>
#include <cstdlib>

namespace {

const std::size_t kHeader = 16;            // keeps the payload 16-byte aligned
const std::size_t kFromMalloc = SIZE_MAX;  // class of a block larger than kLargest

std::size_t& ClassOf(void* block) {
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - kHeader);
}

}  // namespace

void* BlockCache::Allocate(std::size_t bytes) {
    if (bytes > kLargest) {
        if (bytes > SIZE_MAX - kHeader) return nullptr;
        char* raw = static_cast<char*>(std::malloc(bytes + kHeader));
        if (!raw) return nullptr;
        ClassOf(raw + kHeader) = kFromMalloc;
        return raw + kHeader;
    }
    const std::size_t cls = bytes == 0 ? 1 : (bytes + kStep - 1) / kStep;
    if (Link* held = free_[cls]) {
        free_[cls] = held->next;
        return held;
    }
    char* raw = static_cast<char*>(std::malloc(cls * kStep + kHeader));
    if (!raw) return nullptr;
    ClassOf(raw + kHeader) = cls;
    return raw + kHeader;
}

void BlockCache::Free(void* block) {
    if (!block) return;
    const std::size_t cls = ClassOf(block);
    if (cls == kFromMalloc) {
        std::free(static_cast<char*>(block) - kHeader);
        return;
    }
    Link* link = static_cast<Link*>(block);
    link->next = free_[cls];
    free_[cls] = link;
}

BlockCache::~BlockCache() {
    for (Link*& list : free_) {
        while (list) {
            Link* next = list->next;
            std::free(reinterpret_cast<char*>(list) - kHeader);
            list = next;
        }
    }
}

std::size_t BlockCache::Held() const {
    std::size_t n = 0;
    for (const Link* list : free_)
        for (const Link* l = list; l; l = l->next) ++n;
    return n;
}
