// Arena blocks from the C heap: large pages need a privilege that ordinary
// users do not hold, so every block is a plain allocation.
#include <cstdlib>

#include "core/arena_platform.h"

namespace orv::platform {

char* AllocateArenaBlock(std::size_t& size) {
    if (ArenaBlockFailsNow()) return nullptr;
    return static_cast<char*>(std::malloc(size ? size : 1));
}

void FreeArenaBlock(char* block) { std::free(block); }

}  // namespace orv::platform
