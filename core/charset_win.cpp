// The EUC-JP decoder through the system's code page 20932.
#include <windows.h>

#include "core/charset_platform.h"

namespace orv::platform {

bool DecodeEucJp(std::string_view bytes, std::u16string& units) {
    if (bytes.empty()) return true;
    const UINT codePage = 20932;
    const int inLen = static_cast<int>(bytes.size());
    // No EUC-JP character gives more UTF-16 units than it has bytes.
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
