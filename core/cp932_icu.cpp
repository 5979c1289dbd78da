// CP932 conversion through ICU's "windows-31j" converter.
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

#include "core/cp932_platform.h"

namespace orv::platform {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread, opened on first use. Without stopOnUnmappable
// unmappable Unicode characters become '?'; with it they stop the conversion.
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
        status = U_ZERO_ERROR;
        if (stopOnUnmappable)
            ucnv_setFromUCallBack(slot.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                  &status);
        else
            ucnv_setSubstChars(slot.get(), "?", 1, &status);
    }
    ucnv_reset(slot.get());
    return slot.get();
}

}  // namespace

void Cp932ToUtf16(std::string_view cp932, std::u16string& units) {
    // A CP932 byte sequence never gives more UTF-16 units than it has bytes.
    units.resize(cp932.size() + 1);
    UConverter* cnv = Converter(false);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = cnv ? ucnv_toUChars(cnv, units.data(), static_cast<int32_t>(units.size()),
                                    cp932.data(), static_cast<int32_t>(cp932.size()), &status)
                    : 0;
    units.resize(cnv && U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
}

std::optional<std::string> Utf16ToCp932(std::u16string_view units, bool strict) {
    UConverter* cnv = Converter(strict);
    if (!cnv) return std::nullopt;
    std::string out(units.size() * 2 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), units.data(),
                                static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace orv::platform
