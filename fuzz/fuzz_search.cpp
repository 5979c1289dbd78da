// Checks the fast field matcher against the plain windowed comparison on
// arbitrary bytes. Input: one byte choosing the foldings, one byte giving the
// search text's length, the text, then the field. When the choice byte has
// bit 3 set, the field opens with four bytes that describe a run of
// lead-range bytes put into it: two bytes of run length (0 to 5,000), one
// byte giving the length of the repeated unit (1 to 4 bytes, taken from the
// field's next bytes and turned into lead-range bytes), and one byte giving
// where in the rest of the field the run goes. So short inputs make long
// runs and fields longer than 4,096 bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "search/findengine.h"
#include "tests/search/reference_match.h"

namespace {

// Byte b moved into the lead-byte range 0x81-0x9F, 0xE0-0xFC.
char LeadRange(unsigned char b) {
    unsigned k = b % 60u;
    return static_cast<char>(k < 31 ? 0x81 + k : 0xE0 + (k - 31));
}

}  // namespace

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
    std::string_view rest(bytes + 2 + textLen, size - 2 - textLen);
    std::string field;
    if (choice & 8) {
        if (rest.size() < 4) return 0;
        const auto* r = reinterpret_cast<const unsigned char*>(rest.data());
        const std::size_t runLen = ((std::size_t{r[0]} << 8) | r[1]) % 5001;
        std::size_t unitLen = 1 + r[2] % 4u;
        const std::size_t at = r[3];
        rest.remove_prefix(4);
        unitLen = std::min(unitLen, rest.size());
        std::string unit;
        for (std::size_t i = 0; i < unitLen; ++i)
            unit += LeadRange(static_cast<unsigned char>(rest[i]));
        if (unit.empty()) unit = "\x81";
        rest.remove_prefix(unitLen);
        rest = rest.substr(0, 1024);
        std::string run;
        while (run.size() < runLen) run += unit;
        run.resize(runLen);
        const std::size_t split = std::min(at * 4, rest.size());
        field.assign(rest.substr(0, split));
        field += run;
        field.append(rest.substr(split));
    } else {
        field.assign(rest.substr(0, 1024));
    }
    int minLen = 0, maxLen = 0;
    if (!orv::GetSearchLengths(text, minLen, maxLen)) return 0;
    const bool fast = orv::FieldMatches(flags, field, text, minLen, maxLen);
    const bool slow = orv::testing::ReferenceFieldMatches(flags, field, text, minLen, maxLen);
    if (fast != slow) __builtin_trap();
    return 0;
}
