// The agent's cache of small heap blocks: every block holds what was asked for without
// touching its neighbours, is 16-byte aligned, and freed small blocks come back for requests
// of their size class only.
#include "agent/blockcache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool Aligned(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % 16 == 0;
}

TEST(BlockCacheTest, BlocksHoldTheirBytesAreAlignedAndComeBackByClass) {
    const std::vector<size_t> sizes = {0, 1, 15, 16, 17, 100, 255, 256, 257, 4096, 1 << 20};
    BlockCache cache;
    std::vector<unsigned char*> blocks;
    for (size_t i = 0; i < sizes.size(); ++i) {
        auto* b = static_cast<unsigned char*>(cache.Allocate(sizes[i]));
        ASSERT_NE(nullptr, b) << sizes[i];
        EXPECT_TRUE(Aligned(b)) << sizes[i];
        std::memset(b, static_cast<int>(i + 1), sizes[i]);
        blocks.push_back(b);
    }
    for (size_t i = 0; i < sizes.size(); ++i)
        for (size_t k = 0; k < sizes[i]; ++k)
            ASSERT_EQ(i + 1, blocks[i][k]) << "block of " << sizes[i] << " bytes, byte " << k;

    // Small blocks are held for reuse; larger ones go back to the system.
    for (unsigned char* b : blocks) cache.Free(b);
    EXPECT_EQ(8u, cache.Held());
    cache.Free(nullptr);
    EXPECT_EQ(8u, cache.Held());

    // The same class gets the block back (the last freed first); another class does not.
    struct Case {
        size_t freed, asked;
        bool same;
    };
    for (const Case& c : {Case{17, 32, true}, Case{32, 17, true}, Case{16, 17, false},
                          Case{256, 241, true}, Case{256, 257, false}, Case{0, 1, true}}) {
        void* a = cache.Allocate(c.freed);
        cache.Free(a);
        void* b = cache.Allocate(c.asked);
        EXPECT_EQ(c.same, a == b) << c.freed << " then " << c.asked;
        std::memset(b, 0xAB, c.asked);
        cache.Free(b);
    }
}

TEST(BlockCacheTest, ARequestBeyondMemoryGivesNothing) {
    BlockCache cache;
    EXPECT_EQ(nullptr, cache.Allocate(SIZE_MAX));
    EXPECT_EQ(nullptr, cache.Allocate(SIZE_MAX - 8));
}

}  // namespace
