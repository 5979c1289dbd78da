#include "search/findcontext.h"

#include <algorithm>

#include "core/cp932.h"
#include "res/strings.h"

namespace orv {
namespace {

// Byte length of the UTF-8 sequence that starts with b (1 for a stray byte).
std::size_t Utf8Length(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}

}  // namespace

std::string TypedTextToCp932(const std::string& utf8, bool* unmappable) {
    if (unmappable) *unmappable = false;
    if (auto whole = Utf8ToCp932(utf8)) return *whole;
    // Some character has no CP932 form: convert one character at a time.
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n =
            std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        auto one = Utf8ToCp932(std::string_view(utf8).substr(i, n));
        if (one && !one->empty()) {
            out += *one;
        } else {
            out += kUnmappableChar;
            if (unmappable) *unmappable = true;
        }
        i += n;
    }
    return out;
}

std::string CFindContext::GetFindString() {
    m_strLastTyped = m_source ? m_source() : std::string();
    return TypedTextToCp932(m_strLastTyped, &m_bLastUnmappable);
}

MsgAnswer CFindContext::MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                                   MsgButtons buttons) {
    if (!m_pPrompter) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
    if (id == res::IDS_FIND_NOTFOUND && m_bLastUnmappable)
        return m_pPrompter->MessageBox(id, res::Format(id, m_strLastTyped), icon, buttons);
    return m_pPrompter->MessageBox(id, textUtf8, icon, buttons);
}

}  // namespace orv
