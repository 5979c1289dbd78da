// The system's own CP932 conversion, one implementation per platform
// (cp932_icu.cpp, cp932_win.cpp). Only core/cp932.cpp calls it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::platform {

// CP932 bytes to UTF-16; bytes that do not convert become U+FFFD (or the
// system's own replacement character).
std::u16string Cp932ToUtf16(std::string_view cp932);
// UTF-16 to CP932. strict: nullopt when a character has no CP932 code;
// otherwise such characters become '?'.
std::optional<std::string> Utf16ToCp932(std::u16string_view units, bool strict);

}  // namespace orv::platform
