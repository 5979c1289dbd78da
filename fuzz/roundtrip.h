// The check the document fuzz targets share: what is written reads back,
// and writing that again gives the same bytes. A failure stops the fuzzer.
#pragma once

#include <string>

#include "core/archive.h"

namespace orv::fuzz {

inline void CheckWriteReadWrite(const CommentList& roots) {
    std::string bytes;
    WriteArchive(roots, bytes);
    CCommentStore back;
    if (ReadArchive(bytes.data(), bytes.size(), back) != ArchiveResult::Ok) __builtin_trap();
    std::string again;
    WriteArchive(back.Roots(), again);
    if (again != bytes) __builtin_trap();
}

}  // namespace orv::fuzz
