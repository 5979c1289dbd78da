// The system's own CP932 conversion, one implementation per platform
// (cp932_icu.cpp, cp932_win.cpp). Only core/cp932.cpp calls it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::platform {

// CP932 bytes to UTF-16 into units (replacing what it held, so that a
// buffer reused from call to call keeps its room); bytes that do not convert
// become U+FFFD (or the system's own replacement character).
void Cp932ToUtf16(std::string_view cp932, std::u16string& units);
// UTF-16 to CP932. strict: nullopt when a character has no CP932 code;
// otherwise such characters become '?'.
std::optional<std::string> Utf16ToCp932(std::u16string_view units, bool strict);

}  // namespace orv::platform
