#include "core/cp932.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>

#include "core/cp932_platform.h"

namespace orv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// UTF-8 to UTF-16; nullopt when utf8 is not well-formed (overlong forms,
// surrogates and code points above U+10FFFF included).
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        std::size_t len;
        char32_t min;
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F, len = 2, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F, len = 3, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07, len = 4, min = 0x10000;
        } else {
            return std::nullopt;
        }
        if (utf8.size() - i < len) return std::nullopt;
        for (std::size_t k = 1; k < len; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

// UTF-16 to UTF-8 into out (cleared first); unpaired surrogates become U+FFFD.
void Utf16ToUtf8(std::u16string_view units, std::string& out) {
    out.clear();
    out.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

// Input methods and JIS-based tables on Linux and other systems type these
// code points for characters that CP932 holds under a different one: the
// wave dash, the double vertical line, the minus sign, the em dash and the
// cent, pound, not and broken-bar signs. Each becomes the code point that
// CP932 decodes to, so that typed text finds and saves what the logs hold.
char16_t ToCp932CodePoint(char16_t u) {
    switch (u) {
        case 0x301C:
            return 0xFF5E;  // 〜 -> ～ 0x8160
        case 0x2016:
            return 0x2225;  // ‖ -> ∥ 0x8161
        case 0x2212:
            return 0xFF0D;  // − -> － 0x817C
        case 0x2014:
            return 0x2015;  // — -> ― 0x815C
        case 0x00A2:
            return 0xFFE0;  // ¢ -> ￠ 0x8191
        case 0x00A3:
            return 0xFFE1;  // £ -> ￡ 0x8192
        case 0x00AC:
            return 0xFFE2;  // ¬ -> ￢ 0x81CA
        case 0x00A6:
            return 0xFFE4;  // ¦ -> ￤ 0xFA55
        default:
            return u;
    }
}

std::optional<std::string> FromUtf16(std::u16string units, bool strict) {
    for (char16_t& u : units) u = ToCp932CodePoint(u);
    return platform::Utf16ToCp932(units, strict);
}

// The CP932 code of every UTF-16 code unit (0xFFFF: none).
struct CodeTable {
    std::uint16_t code[0x10000];
};

// Claims the units of code for it unless an earlier code holds them.
void ClaimCode(CodeTable& t, std::uint16_t code, std::u16string& units) {
    char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const std::string_view in =
        code < 0x100 ? std::string_view(bytes + 1, 1) : std::string_view(bytes, 2);
    platform::Cp932ToUtf16(in, units);
    if (units.size() != 1 || units[0] == kReplacement) return;
    if (t.code[units[0]] == 0xFFFF) t.code[units[0]] = code;
}

std::unique_ptr<CodeTable> BuildCodeTable() {
    auto t = std::make_unique<CodeTable>();
    std::fill(std::begin(t->code), std::end(t->code), std::uint16_t(0xFFFF));
    std::u16string units;
    // One-byte codes: ASCII and the half-width katakana (0x80, 0xA0 and
    // 0xFD to 0xFF decode differently from system to system: left out).
    for (unsigned b = 0; b < 0x80; ++b) ClaimCode(*t, static_cast<std::uint16_t>(b), units);
    for (unsigned b = 0xA1; b <= 0xDF; ++b) ClaimCode(*t, static_cast<std::uint16_t>(b), units);
    // Two-byte codes in order, the NEC-selected IBM extensions (lead bytes
    // 0xED and 0xEE) after the IBM extensions they repeat, as CP932 encodes.
    auto leads = [&](unsigned from, unsigned to) {
        for (unsigned lead = from; lead <= to; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
                if (trail != 0x7F)
                    ClaimCode(*t, static_cast<std::uint16_t>(lead << 8 | trail), units);
    };
    leads(0x81, 0x9F);
    leads(0xE0, 0xEC);
    leads(0xEF, 0xFC);
    leads(0xED, 0xEE);
    // The JIS code points typed text maps take the code of their CP932 twin.
    for (unsigned u = 0x80; u < 0x10000; ++u) {
        const char16_t twin = ToCp932CodePoint(static_cast<char16_t>(u));
        if (twin != u && t->code[u] == 0xFFFF) t->code[u] = t->code[twin];
    }
    return t;
}

}  // namespace

const std::uint16_t* Cp932CodeTable() {
    static const std::unique_ptr<CodeTable> table = BuildCodeTable();
    return table->code;
}

int Cp932CodeOf(char16_t unit) {
    const std::uint16_t code = Cp932CodeTable()[unit];
    return code == 0xFFFF ? -1 : code;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string utf8;
    if (cp932.empty()) return utf8;
    std::u16string units;
    platform::Cp932ToUtf16(cp932, units);
    Utf16ToUtf8(units, utf8);
    return utf8;
}

void Cp932ToUtf8Into(std::string_view cp932, std::string& utf8) {
    utf8.clear();
    if (cp932.empty()) return;
    // Kept from call to call like the caller's buffer.
    thread_local std::u16string units;
    platform::Cp932ToUtf16(cp932, units);
    Utf16ToUtf8(units, utf8);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    std::optional<std::u16string> units = Utf8ToUtf16(utf8);
    if (!units) return std::nullopt;
    return FromUtf16(std::move(*units), true);
}

std::string Utf16ToCp932(const char16_t* units, std::size_t count) {
    if (count == 0) return std::string();
    auto out = FromUtf16(std::u16string(units, count), false);
    return out ? *out : std::string();
}

}  // namespace orv
