// Blocks of the record store's arena from the system, one implementation per
// platform (arena_posix.cpp, arena_win.cpp), and an allocator on top of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace orv::platform {

// Out-of-memory injection for tests: the nth call of AllocateArenaBlock
// from now on finds no memory (1 = the next call); 0 turns it off. Only
// that one call fails.
void FailArenaBlockAt(std::uint64_t n);
// Calls of AllocateArenaBlock since the last FailArenaBlockAt.
std::uint64_t ArenaBlockCalls();
// Counts one call; true when it is the one to fail.
bool ArenaBlockFailsNow();

// A block of at least size bytes (at least one byte when size is 0); size is
// raised to the bytes actually taken. Null when there is no memory.
char* AllocateArenaBlock(std::size_t& size);
// Frees a block from AllocateArenaBlock; null is ignored.
void FreeArenaBlock(char* block);

}  // namespace orv::platform

namespace orv {

// An allocator for large tables of plain values (the number index), taking
// its memory as arena blocks do, so that a large table lands on huge pages.
template <class T>
struct BlockAllocator {
    using value_type = T;
    BlockAllocator() = default;
    template <class U>
    BlockAllocator(const BlockAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        std::size_t bytes = n * sizeof(T);
        char* p = platform::AllocateArenaBlock(bytes);
        if (!p) throw std::bad_alloc();
        return reinterpret_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { platform::FreeArenaBlock(reinterpret_cast<char*>(p)); }
    template <class U>
    bool operator==(const BlockAllocator<U>&) const {
        return true;
    }
};

}  // namespace orv
