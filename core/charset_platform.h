// The system's EUC-JP decoder, one implementation per platform
// (charset_icu.cpp, charset_win.cpp). Only core/import/logconvert.cpp calls
// it, with whole, well-formed characters.
#pragma once

#include <string>
#include <string_view>

namespace orv::platform {

// Appends the UTF-16 of the EUC-JP bytes to units; false when the system
// cannot convert them at all. A character the system has no mapping for
// becomes U+FFFD (or the system's own replacement).
bool DecodeEucJp(std::string_view bytes, std::u16string& units);

}  // namespace orv::platform
