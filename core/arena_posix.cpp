// Arena blocks from malloc; large ones on huge-page boundaries where the
// system has transparent huge pages.
#include <sys/mman.h>

#include <cstdlib>

#include "core/arena_platform.h"

namespace orv::platform {

char* AllocateArenaBlock(std::size_t& size) {
    if (ArenaBlockFailsNow()) return nullptr;
    void* p = nullptr;
#ifdef MADV_HUGEPAGE
    // Large blocks on 2 MiB boundaries take transparent huge pages: filling
    // the arena then costs a page fault per 2 MiB instead of per 4 KiB.
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    if (size >= kHuge) {
        const std::size_t rounded = (size + kHuge - 1) & ~(kHuge - 1);
        p = std::aligned_alloc(kHuge, rounded);
        if (p) {
            ::madvise(p, rounded, MADV_HUGEPAGE);
            size = rounded;
        }
    }
#endif
    if (!p) p = std::malloc(size ? size : 1);
    return static_cast<char*>(p);
}

void FreeArenaBlock(char* block) { std::free(block); }

}  // namespace orv::platform
