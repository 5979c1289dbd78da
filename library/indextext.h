// The text the library index holds for a message, and the terms a search
// text asks it for. Both are folded under all three foldings (letter case,
// width, kana type), so that one index serves every combination: a stretch
// equal to the search text under some of the foldings is equal under all of
// them, so its folded form stands in the folded message. The index proposes
// candidates only; the engine's matcher decides.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "search/fold.h"

namespace orv {

// A separator between the terms the index is given for a message: no key
// maps to it, so no term holds it.
inline constexpr char kIndexTermSeparator = '\n';

// The terms of the messages of one document as the index is given them:
// per message, each distinct three-key stretch of its folded fields (no
// stretch runs across two fields) once, as UTF-8 followed by
// kIndexTermSeparator. Counts how many messages hold each term, so that a
// search can leave out the commonest terms of its text.
class CIndexTermCollector {
public:
    // Appends the terms of one message's fields (each up to its first NUL
    // byte) to out.
    void AddMessage(std::initializer_list<std::string_view> fields, std::string& out);
    // Calls each(term, messages) for every term that at least min messages
    // hold.
    template <typename Each>
    void ForCommon(std::uint32_t min, Each each) const {
        for (const Slot& s : m_slots)
            if (s.key && s.count >= min) each(TermOf(s.key), s.count);
    }
    std::uint32_t Messages() const { return m_message; }

private:
    struct Slot {
        std::uint64_t key = 0;  // 0 empty, else 1 << 48 | the three keys
        std::uint32_t count = 0;
        std::uint32_t last = 0;  // the last message (1-based) that held it
    };
    static std::string TermOf(std::uint64_t key);
    Slot& Find(std::uint64_t key);
    void Grow();

    std::vector<Slot> m_slots = std::vector<Slot>(1 << 16);
    std::size_t m_used = 0;
    std::uint32_t m_message = 0;
    std::vector<FoldKey> m_keys;          // of one field
    std::string m_utf8;                   // the keys as UTF-8
    std::vector<std::uint32_t> m_starts;  // where each key starts in m_utf8
};

// The distinct three-key terms of a search text (CP932) that every message
// holding the text holds in its index text, at most maxTerms of them spread
// over the text. Empty when the text is too short for the index (fewer than
// three keys after folding) or holds a malformed character; such a text is
// searched without the index.
std::vector<std::string> IndexTerms(std::string_view text, std::size_t maxTerms = 24);

}  // namespace orv
