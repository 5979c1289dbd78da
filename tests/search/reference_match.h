// The windowed comparison the fast matcher must agree with, written out
// plainly: every window that starts on a whole character of the field and is
// minLen to maxLen bytes long is compared, as a string of its own, with the
// whole text. Quadratic and slow; for tests and benchmarks only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "search/fold.h"

namespace orv::testing {

inline std::string_view ReferenceUpToNul(std::string_view s) {
    const void* nul = std::memchr(s.data(), 0, s.size());
    return nul ? s.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - s.data()))
               : s;
}

inline bool ReferenceFieldMatches(std::uint32_t flags, std::string_view field,
                                  std::string_view text, int minLen, int maxLen) {
    field = ReferenceUpToNul(field);
    text = ReferenceUpToNul(text);
    const long fieldLen = static_cast<long>(field.size());
    for (std::size_t p = 0; p < field.size(); p += CharLengthAt(field, p)) {
        for (long len = std::max(minLen, 0);
             len <= maxLen && len <= fieldLen - static_cast<long>(p); ++len) {
            if (FoldedEqual(flags, field.substr(p, static_cast<std::size_t>(len)), text))
                return true;
        }
    }
    return false;
}

}  // namespace orv::testing
