// Folding of CP932 text for the search: letter case, character width and
// kana type, each independent and combinable, and the half-width and
// full-width mappings that bound the length of a matching stretch.
//
// A folded string is a sequence of keys, one per character (two for a voiced
// or semi-voiced katakana under width folding, which splits it into its base
// letter and a joined mark so that ｶﾞ and ガ fold alike). Two strings are
// equal under a set of flags when their key sequences are equal and neither
// holds kKeyInvalid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/cp932.h"

namespace orv {

using FoldKey = std::uint16_t;
// A voiced (semi-voiced) mark joined to the katakana before it.
inline constexpr FoldKey kKeyVoicedMark = 0xFFF0;
inline constexpr FoldKey kKeySemiVoicedMark = 0xFFF1;
// A malformed or incomplete character (a lead byte without its trail byte):
// equal to nothing, not even to itself.
inline constexpr FoldKey kKeyInvalid = 0xFFFF;

// Full-width voiced and semi-voiced sound marks, the standalone forms.
inline constexpr FoldKey kCodeVoicedMark = 0x814A;      // ゛
inline constexpr FoldKey kCodeSemiVoicedMark = 0x814B;  // ゜

inline bool IsCp932Trail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Byte length of the character that starts at s[i]: 2 for a lead byte
// followed by a trail byte, else 1.
inline std::size_t CharLengthAt(std::string_view s, std::size_t i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                   IsCp932Trail(static_cast<unsigned char>(s[i + 1]))
               ? 2
               : 1;
}

// The keys of every character under one combination of flags.
class FoldTable {
public:
    // flags: any of NORM_IGNORECASE, NORM_IGNOREWIDTH, NORM_IGNOREKANATYPE.
    static const FoldTable& For(std::uint32_t flags);

    bool Width() const { return m_bWidth; }
    // Key of a one-byte character (kKeyInvalid for a lead byte).
    FoldKey Single(unsigned char b) const { return m_single[b]; }
    // Keys of a two-byte character: first | second << 16, second 0 if none.
    std::uint32_t Double(unsigned char lead, unsigned char trail) const {
        return m_double[(static_cast<unsigned>(lead) << 8) | trail];
    }
    // Bit 0: the half-width letter b takes ﾞ (0xDE) to make one voiced
    // katakana; bit 1: it takes ﾟ (0xDF).
    static unsigned MarkMask(unsigned char b);

    // The codes of every character (one byte when below 0x100) whose keys
    // include key, in any position.
    std::vector<std::uint16_t> FormsOf(FoldKey key) const;

private:
    explicit FoldTable(std::uint32_t flags);

    bool m_bWidth = false;
    FoldKey m_single[256];
    std::vector<std::uint32_t> m_double;
    // (key, code) for every character, sorted; made on first use.
    mutable std::once_flag m_inverseOnce;
    mutable std::vector<std::pair<FoldKey, std::uint16_t>> m_inverse;
};

// The keys of the standalone string s under flags.
void FoldString(const FoldTable& table, std::string_view s, std::vector<FoldKey>& keys);
void FoldString(std::uint32_t flags, std::string_view s, std::vector<FoldKey>& keys);
std::vector<FoldKey> FoldString(std::uint32_t flags, std::string_view s);
// The same keys, computed character by character without the flags' table:
// for a short text folded once, where making the table would cost more.
std::vector<FoldKey> FoldOnce(std::uint32_t flags, std::string_view s);

// True when a and b are equal under flags (and hold no malformed character).
bool FoldedEqual(std::uint32_t flags, std::string_view a, std::string_view b);

// A folded field with where each key came from.
struct FoldedText {
    enum : std::uint8_t {
        kCanStart = 1,  // a stretch may begin with this key
        kCanEnd = 2,    // a stretch may end after this key
        kLen2 = 4,      // the key comes from a two-byte character
    };
    std::vector<FoldKey> keys;
    std::vector<std::uint32_t> begin;  // byte offset of the source character
    std::vector<std::uint8_t> meta;

    std::size_t size() const { return keys.size(); }
    std::uint32_t End(std::size_t k) const { return begin[k] + ((meta[k] & kLen2) ? 2u : 1u); }
};

// Folds the whole of s into out. A key sequence that matches out at a
// position whose first key has kCanStart and whose last has kCanEnd is the
// fold of the stretch begin..End of s, with one exception: a stretch that
// begins at a ﾞ or ﾟ joined to the letter before it folds that mark to its
// standalone form (kCodeVoicedMark), while out holds the joined key.
void FoldWithSpans(const FoldTable& table, std::string_view s, FoldedText& out);

// s with hiragana turned into katakana and every character that has a
// half-width form turned into it (a voiced katakana becomes the half-width
// letter and ﾞ).
std::string MapToHalfwidthKatakana(std::string_view s);
// s with every character that has a full-width form turned into it (ASCII
// into the two-byte forms, half-width katakana into katakana, a half-width
// letter with ﾞ or ﾟ into the one voiced katakana).
std::string MapToFullwidth(std::string_view s);

}  // namespace orv
