// Checks the fast field matcher against the plain windowed comparison on
// arbitrary bytes. Input: one byte choosing the foldings, one byte giving the
// search text's length, the text, then the field.
#include <cstdint>
#include <string_view>

#include "search/findengine.h"
#include "tests/search/reference_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint32_t choice = data[0];
    std::uint32_t flags = 0;
    if (choice & 1) flags |= orv::NORM_IGNORECASE;
    if (choice & 2) flags |= orv::NORM_IGNOREWIDTH;
    if (choice & 4) flags |= orv::NORM_IGNOREKANATYPE;
    const std::size_t textLen = data[1] % 32;
    if (size < 2 + textLen) return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::string_view text(bytes + 2, textLen);
    std::string_view field(bytes + 2 + textLen, std::min<std::size_t>(size - 2 - textLen, 1024));
    int minLen = 0, maxLen = 0;
    if (!orv::GetSearchLengths(text, minLen, maxLen)) return 0;
    const bool fast = orv::FieldMatches(flags, field, text, minLen, maxLen);
    const bool slow = orv::testing::ReferenceFieldMatches(flags, field, text, minLen, maxLen);
    if (fast != slow) __builtin_trap();
    return 0;
}
