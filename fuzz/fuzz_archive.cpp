// Feeds arbitrary bytes to the document file reader; whatever it accepts
// must write back to bytes that read the same.
#include <cstdint>

#include "core/archive.h"
#include "fuzz/roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::CCommentStore store;
    auto result = orv::ReadArchive(reinterpret_cast<const char*>(data), size, store);
    if (result != orv::ArchiveResult::Ok) return 0;
    orv::fuzz::CheckWriteReadWrite(store.Roots());
    return 0;
}
