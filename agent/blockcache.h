#ifndef AGENT_BLOCKCACHE_H
#define AGENT_BLOCKCACHE_H

#include <cstddef>

// The agent's small heap blocks. A cycle copies the world model and the player a few times
// (the behaviour works on copies), some 700 map nodes made and freed again every cycle; the C
// library keeps only a handful of freed blocks of each size at hand and takes its slow path
// for the rest. This cache keeps every freed block of up to kLargest bytes in a list of its
// size class and hands it out again; larger blocks come from malloc and go back to it.
// Single-threaded, like the agent. Blocks are aligned to 16 bytes and carry a 16-byte header
// that names their class.
class BlockCache {
  public:
    static constexpr std::size_t kLargest = 256;  // bytes
    static constexpr std::size_t kStep = 16;      // bytes between two classes

    BlockCache() = default;
    // Gives the held blocks back (a block freed later is held again, and stays reachable).
    ~BlockCache();
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    // nullptr when the system has no memory left.
    void* Allocate(std::size_t bytes);
    // A block of Allocate (or nullptr).
    void Free(void* block);
    // Blocks held for reuse, of every class.
    std::size_t Held() const;

  private:
    struct Link {
        Link* next;
    };
    static constexpr std::size_t kClasses = kLargest / kStep + 1;
    Link* free_[kClasses] = {};
};

#endif
