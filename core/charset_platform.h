// The system's decoders of the encodings a log may have been converted to,
// one implementation per platform (charset_icu.cpp, charset_win.cpp). Only
// core/import/logconvert.cpp calls them, with whole, well-formed characters.
#pragma once

#include <string>
#include <string_view>

namespace orv::platform {

enum class Charset { Utf8, EucJp };

// Appends the UTF-16 of bytes to units; false when the system cannot
// convert them at all. A character the system has no mapping for becomes
// U+FFFD (or the system's own replacement).
bool DecodeToUtf16(Charset charset, std::string_view bytes, std::u16string& units);

}  // namespace orv::platform
