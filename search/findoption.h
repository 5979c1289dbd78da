// The search option word m_nFindOption: which fields a search looks at and
// which differences it ignores. Bits not named here are kept as they are.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr std::uint32_t FIND_TITLE = 0x0001;
inline constexpr std::uint32_t FIND_CONTENT = 0x0002;
inline constexpr std::uint32_t FIND_IGNORECASE = 0x0004;
inline constexpr std::uint32_t FIND_IGNOREWIDTH = 0x0008;
inline constexpr std::uint32_t FIND_IGNOREKANA = 0x0010;
inline constexpr std::uint32_t FIND_AUTHOR = 0x1000;
inline constexpr std::uint32_t FIND_AUTHORID = 0x2000;
// The four fields a search can look at.
inline constexpr std::uint32_t FIND_TARGETS =
    FIND_TITLE | FIND_CONTENT | FIND_AUTHOR | FIND_AUTHORID;
// Title and message text, no folding.
inline constexpr std::uint32_t FIND_DEFAULT = FIND_TITLE | FIND_CONTENT;

// Comparison flags of the folding comparison, with the values the system
// locale's comparison gives them.
inline constexpr std::uint32_t NORM_IGNORECASE = 0x00001;
inline constexpr std::uint32_t NORM_IGNOREKANATYPE = 0x10000;
inline constexpr std::uint32_t NORM_IGNOREWIDTH = 0x20000;

// The comparison flags a search uses for the option word.
inline std::uint32_t CompareFlagsFor(std::uint32_t findOption) {
    std::uint32_t flags = 0;
    if (findOption & FIND_IGNORECASE) flags |= NORM_IGNORECASE;
    if (findOption & FIND_IGNOREWIDTH) flags |= NORM_IGNOREWIDTH;
    if (findOption & FIND_IGNOREKANA) flags |= NORM_IGNOREKANATYPE;
    return flags;
}

}  // namespace orv
