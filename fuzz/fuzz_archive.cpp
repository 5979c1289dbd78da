// Feeds arbitrary bytes to the document file reader; whatever it accepts
// must write back to bytes that read the same.
#include <cstdint>
#include <string>

#include "core/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::CommentList roots;
    auto result = orv::ReadArchive(reinterpret_cast<const char*>(data), size, roots);
    if (result != orv::ArchiveResult::Ok) return 0;
    std::string bytes;
    orv::WriteArchive(roots, bytes);
    orv::CommentList back;
    if (orv::ReadArchive(bytes.data(), bytes.size(), back) != orv::ArchiveResult::Ok) __builtin_trap();
    std::string again;
    orv::WriteArchive(back, again);
    if (again != bytes) __builtin_trap();
    return 0;
}
