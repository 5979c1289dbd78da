// The EUC-JP decoder through ICU's "EUC-JP" converter.
#include <unicode/ucnv.h>

#include <memory>

#include "core/charset_platform.h"

namespace orv::platform {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread, opened on first use.
UConverter* Converter() {
    thread_local ConverterPtr slot;
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(ucnv_open("EUC-JP", &status));
        if (U_FAILURE(status)) slot.reset();
    }
    if (slot) ucnv_reset(slot.get());
    return slot.get();
}

}  // namespace

bool DecodeEucJp(std::string_view bytes, std::u16string& units) {
    if (bytes.empty()) return true;
    UConverter* cnv = Converter();
    if (!cnv) return false;
    // No EUC-JP character gives more UTF-16 units than it has bytes.
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
