// What tells that a document file is still the one that was indexed: its
// device, file number, size, modification and change times. No hash of the
// content: the check must cost no more than asking the system. One
// implementation per system (docidentity_posix.cpp, docidentity_win.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace orv {

struct DocIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds (100 ns units on Windows)
    std::int64_t changed = 0;   // the inode change time; ChangeTime on Windows
    friend bool operator==(const DocIdentity&, const DocIdentity&) = default;
};

// The identity of the open file f; false (errno set) when the system cannot
// tell, or when f is not a regular file.
bool IdentifyFile(std::FILE* f, DocIdentity& out);

// Opens a document named by a UTF-8 path for reading without waiting on
// what is not a regular file (a FIFO, a device): null with errno set
// (EISDIR for a folder, ENODEV for any other kind of node).
std::FILE* OpenDocumentFile(const std::string& path);

// Moves f to byte offset; false when it cannot.
bool SeekFile(std::FILE* f, std::uint64_t offset);

}  // namespace orv

namespace orv {

// The folder of this system's caches as UTF-8: $XDG_CACHE_HOME/orv, else
// ~/.cache/orv; on Windows the local application-data folder's orv. Empty
// when none can be told.
std::string CacheFolder();

// Makes folder and its parents; false (errno set) when that fails.
bool MakeFolders(const std::string& folder);

}  // namespace orv
