// The out-of-memory injection of the arena's block allocation.
#include <atomic>

#include "core/arena_platform.h"

namespace orv::platform {

namespace {
std::atomic<std::uint64_t> g_calls{0};
std::atomic<std::uint64_t> g_failAt{0};
}  // namespace

void FailArenaBlockAt(std::uint64_t n) {
    g_calls = 0;
    g_failAt = n;
}

std::uint64_t ArenaBlockCalls() { return g_calls; }

bool ArenaBlockFailsNow() {
    const std::uint64_t call = ++g_calls;
    return g_failAt != 0 && call == g_failAt;
}

}  // namespace orv::platform
