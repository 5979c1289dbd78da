// The decoders through ICU's "UTF-8" and "EUC-JP" converters.
#include <unicode/ucnv.h>

#include <memory>

#include "core/charset_platform.h"

namespace orv::platform {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per charset and thread, opened on first use.
UConverter* Converter(Charset charset) {
    thread_local ConverterPtr utf8, eucJp;
    ConverterPtr& slot = charset == Charset::Utf8 ? utf8 : eucJp;
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(ucnv_open(charset == Charset::Utf8 ? "UTF-8" : "EUC-JP", &status));
        if (U_FAILURE(status)) slot.reset();
    }
    if (slot) ucnv_reset(slot.get());
    return slot.get();
}

}  // namespace

bool DecodeToUtf16(Charset charset, std::string_view bytes, std::u16string& units) {
    if (bytes.empty()) return true;
    UConverter* cnv = Converter(charset);
    if (!cnv) return false;
    // No character of either encoding gives more UTF-16 units than bytes.
    const std::size_t at = units.size();
    units.resize(at + bytes.size());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(cnv, units.data() + at, static_cast<int32_t>(bytes.size()),
                                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
        units.resize(at);
        return false;
    }
    units.resize(at + static_cast<std::size_t>(n));
    return true;
}

}  // namespace orv::platform
