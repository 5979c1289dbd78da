// Helpers of the search tests: the folding flags by short names, CP932 text
// from UTF-8 literals, and one CP932 character from its code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/cp932.h"
#include "search/findengine.h"

namespace orv::testing {

inline constexpr std::uint32_t kCase = NORM_IGNORECASE;
inline constexpr std::uint32_t kWidth = NORM_IGNOREWIDTH;
inline constexpr std::uint32_t kKana = NORM_IGNOREKANATYPE;
inline constexpr std::uint32_t kAll = kCase | kWidth | kKana;

// The CP932 bytes of a UTF-8 literal; a literal CP932 cannot hold fails the
// test that wrote it.
inline std::string Sj(const char* utf8) {
    auto s = Utf8ToCp932(utf8);
    EXPECT_TRUE(s.has_value()) << utf8;
    return s.value_or("");
}

// The bytes of the CP932 character with code c (one byte below 0x100).
inline std::string Code(unsigned c) {
    std::string s;
    if (c >= 0x100) s += static_cast<char>(c >> 8);
    s += static_cast<char>(c & 0xFF);
    return s;
}

}  // namespace orv::testing
