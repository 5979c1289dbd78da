// CP932 conversion through the system's code page 932.
#include <windows.h>

#include "core/cp932_platform.h"

namespace orv::platform {

namespace {
constexpr UINT kCp932 = 932;
}

void Cp932ToUtf16(std::string_view cp932, std::u16string& units) {
    units.clear();
    if (cp932.empty()) return;
    const int inLen = static_cast<int>(cp932.size());
    int n = MultiByteToWideChar(kCp932, 0, cp932.data(), inLen, nullptr, 0);
    if (n <= 0) return;
    units.resize(static_cast<std::size_t>(n));
    n = MultiByteToWideChar(kCp932, 0, cp932.data(), inLen,
                            reinterpret_cast<wchar_t*>(units.data()), n);
    units.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::optional<std::string> Utf16ToCp932(std::u16string_view units, bool strict) {
    if (units.empty()) return std::string();
    const wchar_t* in = reinterpret_cast<const wchar_t*>(units.data());
    const int inLen = static_cast<int>(units.size());
    // No best fit: a character without a code of its own is unmappable, not
    // a look-alike.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(kCp932, flags, in, inLen, nullptr, 0, "?",
                                strict ? &usedDefault : nullptr);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    n = WideCharToMultiByte(kCp932, flags, in, inLen, out.data(), n, "?", nullptr);
    if (n <= 0) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace orv::platform
