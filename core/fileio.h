// Files named by UTF-8 paths, and the save that replaces a file only when the
// new one is complete. One implementation per platform (fileio_posix.cpp,
// fileio_win.cpp).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace orv {

// std::fopen for a UTF-8 path (wide-character names where the system needs
// them). errno tells why when it returns null.
std::FILE* OpenFile(const std::string& path, const char* mode);

// Writes the file at path completely or not at all. write fills an empty
// temporary file beside the target and returns false (errno set) on failure;
// the temporary file replaces the target only when write and the flush to
// disk succeeded, keeping the target's permissions. A link is followed, so
// that the file it names is the one replaced. A failed or killed save leaves
// the old file as it was and no temporary file behind (where the system has
// no unnamed files, at most one fixed temporary name per target, which the
// next save replaces). Returns 0, or the errno value of the failure.
int WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace orv
