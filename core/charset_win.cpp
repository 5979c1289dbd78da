// The decoders through the system's code pages 65001 (UTF-8) and 20932
// (EUC-JP).
#include <windows.h>

#include "core/charset_platform.h"

namespace orv::platform {

bool DecodeToUtf16(Charset charset, std::string_view bytes, std::u16string& units) {
    if (bytes.empty()) return true;
    const UINT codePage = charset == Charset::Utf8 ? 65001 : 20932;
    const int inLen = static_cast<int>(bytes.size());
    // No character of either encoding gives more UTF-16 units than bytes.
    const std::size_t at = units.size();
    units.resize(at + bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), inLen,
                                      reinterpret_cast<wchar_t*>(units.data() + at), inLen);
    if (n <= 0) {
        units.resize(at);
        return false;
    }
    units.resize(at + static_cast<std::size_t>(n));
    return true;
}

}  // namespace orv::platform
