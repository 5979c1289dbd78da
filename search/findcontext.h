// The search text and option word as the search engine takes them, made
// from the text typed in the search bar (Unicode) and the application's
// option word. Stands between the document and its prompter so that a "not
// found" message names the text as it was typed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/ports.h"

namespace orv {

// Stands in the search text for a character that CP932 cannot hold: a lead
// byte without a trail byte, which the search never finds in any field.
inline constexpr char kUnmappableChar[] = "\x81\x7F";

// The CP932 form of typed (UTF-8) text; each character without a CP932 form
// becomes kUnmappableChar. unmappable (optional) tells whether there was one.
std::string TypedTextToCp932(const std::string& utf8, bool* unmappable = nullptr);

class CFindContext : public IFindContext, public IPrompter {
public:
    using TextSource = std::function<std::string()>;

    // The typed search text, UTF-8.
    void SetTextSource(TextSource source) { m_source = std::move(source); }
    // The word the commands toggle; null reads as 0.
    void SetOptionStore(const std::uint32_t* option) { m_pOption = option; }
    // Where messages go; null shows nothing and answers Ok.
    void SetPrompter(IPrompter* prompter) { m_pPrompter = prompter; }

    // IFindContext.
    std::string GetFindString() override;
    std::uint32_t GetFindOption() override { return m_pOption ? *m_pOption : 0; }

    // IPrompter: passes every message on; "not found" (IDS_FIND_NOTFOUND) for a text
    // with characters that CP932 cannot hold names the text as typed.
    MsgAnswer MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                         MsgButtons buttons) override;

private:
    TextSource m_source;
    const std::uint32_t* m_pOption = nullptr;
    IPrompter* m_pPrompter = nullptr;
    std::string m_strLastTyped;  // the text of the last GetFindString
    bool m_bLastUnmappable = false;
};

}  // namespace orv
