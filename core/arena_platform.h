// Blocks of the record store's arena from the system, one implementation per
// platform (arena_posix.cpp, arena_win.cpp). Only core/comment.cpp calls it.
#pragma once

#include <cstddef>

namespace orv::platform {

// A block of at least size bytes (at least one byte when size is 0); size is
// raised to the bytes actually taken. Null when there is no memory.
char* AllocateArenaBlock(std::size_t& size);
// Frees a block from AllocateArenaBlock; null is ignored.
void FreeArenaBlock(char* block);

}  // namespace orv::platform
