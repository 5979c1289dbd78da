// Files named by UTF-8 paths, and the save that replaces a file only when the
// new one is complete. One implementation per platform (fileio_posix.cpp,
// fileio_win.cpp).
#pragma once

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace orv {

// The error of a path that names something other than a regular file or a
// folder (a device, a pipe, a socket): no errno value says that.
inline constexpr int kErrNotRegularFile = -1;

// The system's description of err, kErrNotRegularFile included.
inline std::string FileErrorText(int err) {
    if (err == kErrNotRegularFile) return "Not a regular file";
    return std::strerror(err);
}

// std::fopen for a UTF-8 path (wide-character names where the system needs
// them). errno tells why when it returns null.
std::FILE* OpenFile(const std::string& path, const char* mode);

// Opens path for reading when it is a regular file, without waiting on a
// pipe or device first. Null with err set (EISDIR for a folder,
// kErrNotRegularFile for anything else that is no regular file).
std::FILE* OpenRegularFile(const std::string& path, int& err);

// True when a and b name the same existing file (links followed).
bool SameFile(const std::string& a, const std::string& b);

// Makes a write beyond the process's file-size limit fail with EFBIG
// instead of ending the process (nothing to do where no such signal is).
void IgnoreFileSizeSignal();

// Writes the file at path completely or not at all. write fills an empty
// temporary file beside the target and returns false (errno set) on failure;
// the temporary file replaces the target only when write and the flush to
// disk succeeded, keeping the target's permissions and, where the system
// allows, its owner. Links are followed, dangling ones included, so that the
// file they name is the one written. A target that exists and is no regular
// file is refused (EISDIR, kErrNotRegularFile) and left alone. A failed or killed save leaves
// the old file as it was and no temporary file behind (where the system has
// no unnamed files, at most one fixed temporary name per target, which the
// next save replaces). Returns 0, or the errno value of the failure.
int WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace orv
