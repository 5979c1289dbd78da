#include "core/cp932.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

namespace orv {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread, opened on first use. substituteTo: the fallback
// for unmappable Unicode characters ('?'); without it they stop the
// conversion.
UConverter* Converter(bool stopOnUnmappable) {
    thread_local ConverterPtr lenient, strict;
    ConverterPtr& slot = stopOnUnmappable ? strict : lenient;
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(ucnv_open("windows-31j", &status));
        if (U_FAILURE(status)) {
            slot.reset();
            return nullptr;
        }
        if (stopOnUnmappable) {
            status = U_ZERO_ERROR;
            ucnv_setFromUCallBack(slot.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                  &status);
        } else {
            status = U_ZERO_ERROR;
            ucnv_setSubstChars(slot.get(), "?", 1, &status);
        }
    }
    ucnv_reset(slot.get());
    return slot.get();
}

std::string Utf16ToUtf8(const UChar* units, int32_t count) {
    std::string out;
    out.resize(static_cast<std::size_t>(count) * 3 + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t written = 0;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, units, count,
                       0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return std::string();
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// CP932 bytes to UTF-16; invalid bytes become U+FFFD.
std::vector<UChar> ToUtf16(std::string_view cp932) {
    std::vector<UChar> units(cp932.size() + 1);
    UConverter* cnv = Converter(false);
    if (!cnv) return {};
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, units.data(), static_cast<int32_t>(units.size()), cp932.data(),
                              static_cast<int32_t>(cp932.size()), &status);
    if (U_FAILURE(status)) return {};
    units.resize(static_cast<std::size_t>(n));
    return units;
}

// UTF-16 to CP932 with the given converter; nullopt on failure.
std::optional<std::string> FromUtf16(UConverter* cnv, const UChar* units, int32_t count) {
    if (!cnv) return std::nullopt;
    std::string out;
    out.resize(static_cast<std::size_t>(count) * 2 + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), units, count,
                                &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    if (cp932.empty()) return std::string();
    std::vector<UChar> units = ToUtf16(cp932);
    return Utf16ToUtf8(units.data(), static_cast<int32_t>(units.size()));
}

void Cp932ToUtf8Into(std::string_view cp932, std::string& utf8) {
    utf8.clear();
    if (cp932.empty()) return;
    thread_local std::vector<UChar> units;
    if (units.size() < cp932.size() + 1) units.resize(cp932.size() + 1);
    UConverter* cnv = Converter(false);
    if (!cnv) return;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(cnv, units.data(), static_cast<int32_t>(units.size()),
                                    cp932.data(), static_cast<int32_t>(cp932.size()), &status);
    if (U_FAILURE(status)) return;
    const std::size_t room = static_cast<std::size_t>(n) * 3 + 1;
    if (utf8.capacity() < room) utf8.reserve(room);
    utf8.resize(utf8.capacity());
    int32_t written = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &written, units.data(), n,
                       0xFFFD, nullptr, &status);
    utf8.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(written));
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    std::vector<UChar> units(utf8.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = 0;
    u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &n, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    return FromUtf16(Converter(true), units.data(), n);
}

std::string Utf16ToCp932(const char16_t* units, std::size_t count) {
    if (count == 0) return std::string();
    auto out = FromUtf16(Converter(false), reinterpret_cast<const UChar*>(units),
                         static_cast<int32_t>(count));
    return out ? *out : std::string();
}

}  // namespace orv
