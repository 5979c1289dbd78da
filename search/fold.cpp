#include "search/fold.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

#include "search/findoption.h"

namespace orv {
namespace {

// Full-width forms of ASCII 0x20..0x7E.
constexpr std::uint16_t kAsciiFull[95] = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B,
    0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160};

// Full-width forms of the half-width characters 0xA1..0xDF.
constexpr std::uint16_t kHalfKanaFull[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348,
    0x8383, 0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A,
    0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360,
    0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371, 0x8374,
    0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

// The codes of characters that CP932 holds two or three times (NEC row 13,
// the NEC-selected and the IBM extensions), each with the code its character
// encodes to. Decoded they are one character, so every folding, none
// included, takes them as that one code.
constexpr std::uint16_t kSameChar[][2] = {
#include "search/samechar.inc"
};

constexpr unsigned char kVoicedMarkByte = 0xDE;
constexpr unsigned char kSemiVoicedMarkByte = 0xDF;
constexpr std::uint16_t kKatakanaU = 0x8345;   // ウ
constexpr std::uint16_t kKatakanaVu = 0x8394;  // ヴ

// The full-width <-> half-width and voiced <-> base relations, as lookups.
// Only the related codes are written: the one object has static storage,
// so every other entry is zero without being cleared or paged in, which a
// short-lived process (one search) would otherwise pay for 448 KiB.
struct Relations {
    std::array<std::uint8_t, 0x10000> fullToAscii;  // code -> ASCII byte, 0 if none
    std::array<std::uint8_t, 0x10000> fullToHalf;   // code -> half-width byte, 0 if none
    std::array<std::uint16_t, 0x10000> voicedBase;  // voiced katakana -> base katakana
    std::array<std::uint16_t, 0x10000> semiBase;    // semi-voiced katakana -> base katakana
    std::array<std::uint16_t, 0x10000> sameAs;      // code -> its character's code, 0 if itself

    Relations() {
        for (const auto& pair : kSameChar) sameAs[pair[0]] = pair[1];
        for (int a = 0x20; a <= 0x7E; ++a)
            fullToAscii[kAsciiFull[a - 0x20]] = static_cast<std::uint8_t>(a);
        for (int b = 0xA1; b <= 0xDF; ++b)
            fullToHalf[kHalfKanaFull[b - 0xA1]] = static_cast<std::uint8_t>(b);
        for (int b = 0xA1; b <= 0xDF; ++b) {
            unsigned mask = FoldTable::MarkMask(static_cast<unsigned char>(b));
            std::uint16_t base = kHalfKanaFull[b - 0xA1];
            if (mask & 1) voicedBase[base == kKatakanaU ? kKatakanaVu : base + 1] = base;
            if (mask & 2) semiBase[base + 2] = base;
        }
    }
    // The code a character is taken as (CP932 holds some characters twice).
    std::uint16_t Same(std::uint16_t c) const { return sameAs[c] ? sameAs[c] : c; }
};

const Relations& Rel() {
    static const Relations rel;
    return rel;
}

std::uint16_t HiraganaToKatakana(std::uint16_t c) {
    if (c == 0x8154 || c == 0x8155) return static_cast<std::uint16_t>(c - 2);  // ゝゞ -> ヽヾ
    if (c < 0x829F || c > 0x82F1) return c;
    unsigned k = 0x8340u + (c - 0x829Fu);
    if (k >= 0x837F) ++k;  // 0x837F is no character
    return static_cast<std::uint16_t>(k);
}

std::uint16_t CaseFold(std::uint16_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c + 0x20);
    if (c >= 0x8260 && c <= 0x8279) return static_cast<std::uint16_t>(c + 0x21);  // Ａ-Ｚ
    if (c >= 0x839F && c <= 0x83B6) return static_cast<std::uint16_t>(c + 0x20);  // Greek
    if (c >= 0x8440 && c <= 0x8460) {                                             // Cyrillic
        unsigned l = 0x8470u + (c - 0x8440u);
        if (l >= 0x847F) ++l;
        return static_cast<std::uint16_t>(l);
    }
    return c;
}

// Keys of the character with code c (one byte when below 0x100).
std::uint32_t FoldCode(std::uint32_t flags, std::uint16_t c) {
    const Relations& rel = Rel();
    std::uint16_t k1 = rel.Same(c), k2 = 0;
    if (flags & NORM_IGNOREKANATYPE) k1 = HiraganaToKatakana(k1);
    if (flags & NORM_IGNOREWIDTH) {
        if (k1 < 0x100) {
            if (k1 >= 0xA1 && k1 <= 0xDF) k1 = kHalfKanaFull[k1 - 0xA1];
        } else if (rel.fullToAscii[k1]) {
            k1 = rel.fullToAscii[k1];
        } else if (rel.voicedBase[k1]) {
            k1 = rel.voicedBase[k1];
            k2 = kKeyVoicedMark;
        } else if (rel.semiBase[k1]) {
            k1 = rel.semiBase[k1];
            k2 = kKeySemiVoicedMark;
        }
    }
    if (flags & NORM_IGNORECASE) k1 = CaseFold(k1);
    return k1 | (static_cast<std::uint32_t>(k2) << 16);
}

void AppendCode(std::string& out, std::uint16_t c) {
    if (c >= 0x100) out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
}

}  // namespace

unsigned FoldTable::MarkMask(unsigned char b) {
    if (b == 0xB3) return 1;                   // ｳ
    if (b >= 0xB6 && b <= 0xC4) return 1;      // ｶ..ﾄ
    if (b >= 0xCA && b <= 0xCE) return 1 | 2;  // ﾊ..ﾎ
    return 0;
}

FoldTable::FoldTable(std::uint32_t flags)
    : m_bWidth((flags & NORM_IGNOREWIDTH) != 0), m_double(0x10000, 0) {
    for (unsigned b = 0; b < 256; ++b)
        m_single[b] = IsLeadByte(static_cast<unsigned char>(b))
                          ? kKeyInvalid
                          : static_cast<FoldKey>(FoldCode(flags, static_cast<std::uint16_t>(b)));
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsCp932Trail(static_cast<unsigned char>(trail))) continue;
            unsigned code = (lead << 8) | trail;
            m_double[code] = FoldCode(flags, static_cast<std::uint16_t>(code));
        }
    }
}

const FoldTable& FoldTable::For(std::uint32_t flags) {
    unsigned index = ((flags & NORM_IGNORECASE) ? 1 : 0) | ((flags & NORM_IGNOREWIDTH) ? 2 : 0) |
                     ((flags & NORM_IGNOREKANATYPE) ? 4 : 0);
    static const std::uint32_t kFlags[8] = {
        0,
        NORM_IGNORECASE,
        NORM_IGNOREWIDTH,
        NORM_IGNORECASE | NORM_IGNOREWIDTH,
        NORM_IGNOREKANATYPE,
        NORM_IGNORECASE | NORM_IGNOREKANATYPE,
        NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE,
        NORM_IGNORECASE | NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE};
    static std::once_flag once[8];
    static std::unique_ptr<const FoldTable> tables[8];
    std::call_once(once[index], [index] { tables[index].reset(new FoldTable(kFlags[index])); });
    return *tables[index];
}

namespace {

// The key of a one-byte character from 0xA0 up. Under width folding a
// half-width sound mark after a letter that takes it joins that letter (it
// gets the key of the joined mark); prevMask tells which marks the previous
// character takes and is updated for the next one.
template <class Keys>
inline FoldKey HalfWidthKey(const Keys& table, unsigned char b, bool width, unsigned& prevMask) {
    FoldKey key = table.Single(b);
    if (width) {
        if (b == kVoicedMarkByte && (prevMask & 1))
            key = kKeyVoicedMark;
        else if (b == kSemiVoicedMarkByte && (prevMask & 2))
            key = kKeySemiVoicedMark;
        prevMask = FoldTable::MarkMask(b);
    }
    return key;
}

// The keys of single characters straight from the relations, for a text
// folded once (a search's text), which then needs no table of its own.
struct DirectKeys {
    std::uint32_t flags;
    bool Width() const { return (flags & NORM_IGNOREWIDTH) != 0; }
    FoldKey Single(unsigned char b) const {
        return IsLeadByte(b) ? kKeyInvalid : static_cast<FoldKey>(FoldCode(flags, b));
    }
    std::uint32_t Double(unsigned char lead, unsigned char trail) const {
        return FoldCode(flags, static_cast<std::uint16_t>((lead << 8) | trail));
    }
};

template <class Keys>
void FoldStringWith(const Keys& table, std::string_view s, std::vector<FoldKey>& keys) {
    const std::size_t n = s.size();
    keys.resize(n);  // at most one key per byte
    FoldKey* out = keys.data();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const bool width = table.Width();
    std::size_t k = 0;
    unsigned prevMask = 0;  // marks the previous half-width letter takes
    for (std::size_t i = 0; i < n;) {
        unsigned char b = p[i];
        if (b < 0x80) {
            out[k++] = table.Single(b);
            ++i;
            prevMask = 0;
        } else if (IsLeadByte(b)) {
            if (i + 1 < n && IsCp932Trail(p[i + 1])) {
                std::uint32_t e = table.Double(b, p[i + 1]);
                out[k++] = static_cast<FoldKey>(e);
                if (e >> 16) out[k++] = static_cast<FoldKey>(e >> 16);
                i += 2;
            } else {
                out[k++] = kKeyInvalid;
                ++i;
            }
            prevMask = 0;
        } else {
            out[k++] = HalfWidthKey(table, b, width, prevMask);
            ++i;
        }
    }
    keys.resize(k);
}

}  // namespace

void FoldWithSpans(const FoldTable& table, std::string_view s, FoldedText& out) {
    const std::size_t n = s.size();
    out.keys.resize(n + 1);  // at most one key per byte, plus one
    out.begin.resize(n + 1);
    out.meta.resize(n + 1);
    FoldKey* keys = out.keys.data();
    std::uint32_t* begin = out.begin.data();
    std::uint8_t* meta = out.meta.data();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const bool width = table.Width();
    std::size_t k = 0;
    unsigned prevMask = 0;  // marks the previous half-width letter takes
    for (std::size_t i = 0; i < n;) {
        unsigned char b = p[i];
        if (b < 0x80) {  // ASCII, the common case
            keys[k] = table.Single(b);
            begin[k] = static_cast<std::uint32_t>(i);
            meta[k] = FoldedText::kCanStart | FoldedText::kCanEnd;
            ++k;
            ++i;
            prevMask = 0;
            continue;
        }
        if (IsLeadByte(b)) {
            if (i + 1 < n && IsCp932Trail(p[i + 1])) {
                std::uint32_t e = table.Double(b, p[i + 1]);
                keys[k] = static_cast<FoldKey>(e);
                begin[k] = static_cast<std::uint32_t>(i);
                if (e >> 16) {
                    meta[k] = FoldedText::kCanStart | FoldedText::kLen2;
                    ++k;
                    keys[k] = static_cast<FoldKey>(e >> 16);
                    begin[k] = static_cast<std::uint32_t>(i);
                    meta[k] = FoldedText::kCanEnd | FoldedText::kLen2;
                } else {
                    meta[k] = FoldedText::kCanStart | FoldedText::kCanEnd | FoldedText::kLen2;
                }
                ++k;
                i += 2;
            } else {
                keys[k] = kKeyInvalid;
                begin[k] = static_cast<std::uint32_t>(i);
                meta[k] = FoldedText::kCanStart | FoldedText::kCanEnd;
                ++k;
                ++i;
            }
            prevMask = 0;
            continue;
        }
        keys[k] = HalfWidthKey(table, b, width, prevMask);
        begin[k] = static_cast<std::uint32_t>(i);
        meta[k] = FoldedText::kCanStart | FoldedText::kCanEnd;
        ++k;
        ++i;
    }
    out.keys.resize(k);
    out.begin.resize(k);
    out.meta.resize(k);
}

void FoldString(const FoldTable& table, std::string_view s, std::vector<FoldKey>& keys) {
    FoldStringWith(table, s, keys);
}

std::vector<FoldKey> FoldOnce(std::uint32_t flags, std::string_view s) {
    std::vector<FoldKey> keys;
    FoldStringWith(DirectKeys{flags}, s, keys);
    return keys;
}

void FoldString(std::uint32_t flags, std::string_view s, std::vector<FoldKey>& keys) {
    FoldString(FoldTable::For(flags), s, keys);
}

std::vector<std::uint16_t> FoldTable::FormsOf(FoldKey key) const {
    std::call_once(m_inverseOnce, [this] {
        for (unsigned b = 0; b < 256; ++b)
            if (m_single[b] != kKeyInvalid)
                m_inverse.emplace_back(m_single[b], static_cast<std::uint16_t>(b));
        if (m_bWidth) {
            m_inverse.emplace_back(kKeyVoicedMark, kVoicedMarkByte);
            m_inverse.emplace_back(kKeySemiVoicedMark, kSemiVoicedMarkByte);
        }
        for (unsigned code = 0x8100; code < 0x10000; ++code) {
            std::uint32_t e = m_double[code];
            if (!e) continue;
            m_inverse.emplace_back(static_cast<FoldKey>(e), static_cast<std::uint16_t>(code));
            if (e >> 16)
                m_inverse.emplace_back(static_cast<FoldKey>(e >> 16),
                                       static_cast<std::uint16_t>(code));
        }
        std::sort(m_inverse.begin(), m_inverse.end());
    });
    std::vector<std::uint16_t> forms;
    auto it =
        std::lower_bound(m_inverse.begin(), m_inverse.end(), std::make_pair(key, std::uint16_t{0}));
    for (; it != m_inverse.end() && it->first == key; ++it) forms.push_back(it->second);
    return forms;
}

std::vector<FoldKey> FoldString(std::uint32_t flags, std::string_view s) {
    std::vector<FoldKey> keys;
    FoldString(flags, s, keys);
    return keys;
}

bool FoldedEqual(std::uint32_t flags, std::string_view a, std::string_view b) {
    std::vector<FoldKey> ka = FoldString(flags, a);
    std::vector<FoldKey> kb = FoldString(flags, b);
    for (FoldKey k : ka)
        if (k == kKeyInvalid) return false;
    return ka == kb;
}

std::string MapToHalfwidthKatakana(std::string_view s) {
    const Relations& rel = Rel();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = CharLengthAt(s, i);
        if (len == 1) {
            out += s[i++];
            continue;
        }
        auto c = static_cast<std::uint16_t>((static_cast<unsigned char>(s[i]) << 8) |
                                            static_cast<unsigned char>(s[i + 1]));
        i += 2;
        c = HiraganaToKatakana(c);
        const std::uint16_t f = rel.Same(c);  // a second code of a character maps as the first
        if (rel.fullToAscii[f]) {
            out += static_cast<char>(rel.fullToAscii[f]);
        } else if (rel.fullToHalf[f]) {
            out += static_cast<char>(rel.fullToHalf[f]);
        } else if (rel.voicedBase[f]) {
            out += static_cast<char>(rel.fullToHalf[rel.voicedBase[f]]);
            out += static_cast<char>(kVoicedMarkByte);
        } else if (rel.semiBase[f]) {
            out += static_cast<char>(rel.fullToHalf[rel.semiBase[f]]);
            out += static_cast<char>(kSemiVoicedMarkByte);
        } else {
            AppendCode(out, c);
        }
    }
    return out;
}

std::string MapToFullwidth(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = CharLengthAt(s, i);
        auto b = static_cast<unsigned char>(s[i]);
        if (len == 2) {
            out.append(s.substr(i, 2));
            i += 2;
        } else if (b >= 0x20 && b <= 0x7E) {
            AppendCode(out, kAsciiFull[b - 0x20]);
            ++i;
        } else if (b >= 0xA1 && b <= 0xDF) {
            std::uint16_t c = kHalfKanaFull[b - 0xA1];
            unsigned mask = FoldTable::MarkMask(b);
            unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
            if (next == kVoicedMarkByte && (mask & 1)) {
                c = c == kKatakanaU ? kKatakanaVu : static_cast<std::uint16_t>(c + 1);
                ++i;
            } else if (next == kSemiVoicedMarkByte && (mask & 2)) {
                c = static_cast<std::uint16_t>(c + 2);
                ++i;
            }
            AppendCode(out, c);
            ++i;
        } else {
            out += s[i++];
        }
    }
    return out;
}

}  // namespace orv
