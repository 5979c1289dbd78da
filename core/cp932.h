// Conversion between CP932 (Shift-JIS as Windows writes it) and UTF-8, for
// display and terminal output only: records keep their raw bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// CP932 bytes to UTF-8; bytes that do not convert become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// The same conversion into a buffer of the caller's that is reused from
// call to call (cleared first), for walks that convert every record.
void Cp932ToUtf8Into(std::string_view cp932, std::string& utf8);
// UTF-8 to CP932; nullopt when a character has no CP932 form.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
// UTF-16 code units to CP932, unmappable characters as '?' (used for the
// wide strings of old document files).
std::string Utf16ToCp932(const char16_t* units, std::size_t count);

// The CP932 code of a UTF-16 code unit, as CP932 decodes to it (a code
// below 0x100 is one byte, else lead byte * 256 + trail byte); the JIS code
// points typed text maps (the wave dash and its kin) map likewise. -1 when
// CP932 has none (a surrogate, a character CP932 cannot hold). The table
// behind it is built once, from the system's CP932 decoder; where two codes
// decode to one character, the one the system encodes it to wins.
int Cp932CodeOf(char16_t unit);
// The same as a table of 65,536 entries, 0xFFFF for none.
const std::uint16_t* Cp932CodeTable();

// True when byte b is a lead byte of a two-byte CP932 character.
inline bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace orv
