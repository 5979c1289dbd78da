// The text the library index holds for a message, and the terms a search
// text asks it for. Both are folded under all three foldings (letter case,
// width, kana type), so that one index serves every combination: a stretch
// equal to the search text under some of the foldings is equal under all of
// them, so its folded form stands in the folded message. The index proposes
// candidates only; the engine's matcher decides.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/fold.h"

namespace orv {

// Appends the folded keys of field (up to its first NUL byte) to out as
// UTF-8, one character per key.
void AppendIndexText(std::string_view field, std::vector<FoldKey>& scratch, std::string& out);

// A separator between the fields of one message in the index text: no key
// maps to it, so no term holds it.
inline constexpr std::string_view kIndexFieldSeparator = "\n";

// The distinct three-key terms of a search text (CP932) that every message
// holding the text holds in its index text, at most maxTerms of them spread
// over the text. Empty when the text is too short for the index (fewer than
// three keys after folding) or holds a malformed character; such a text is
// searched without the index.
std::vector<std::string> IndexTerms(std::string_view text, std::size_t maxTerms = 24);

}  // namespace orv
