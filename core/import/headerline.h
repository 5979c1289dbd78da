// The rules of a log's lines: what makes a header line 1 or 2, the tokens
// of a header line, and the helpers the import reads numbers and markers
// with. Both the import's scanner and the line-at-a-time reference reader
// (core/import/linereader.h) classify lines by them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv {

enum class LineKind { MessageStart = 0, HeaderLine2 = 1, Other = 2 };

// Longest line content before a line end is forced.
inline constexpr std::size_t kMaxLineBytes = 4096;

// Byte column from which a header token belongs to the title.
inline constexpr std::size_t kTitleColumn = 38;

// Calls f(pos, len) for each space-separated token of s[0, n): spaces
// (0x20 only) are skipped; the last token runs to the end, line end
// included, and is empty when s ends in spaces. Stops when f returns false.
template <class F>
void ForEachToken(const char* s, std::size_t n, F&& f) {
    std::size_t pos = 0;
    for (;;) {
        while (pos < n && s[pos] == ' ') ++pos;
        std::size_t end = pos;  // tokens are short: a plain loop beats memchr
        while (end < n && s[end] != ' ') ++end;
        if (!f(pos, end - pos) || end == n) return;
        pos = end;
    }
}

// s without leading and trailing space, TAB, CR and LF bytes.
std::string_view TrimSpace(std::string_view s);

bool IsHeaderLine1(std::string_view line);
bool IsHeaderLine2(std::string_view line);

// The leading decimal number of s as the C library's atoi reads it, with a
// value outside the 32-bit range saturated.
std::int32_t ParseLeadingInt(const char* s, std::size_t len);

// The CP932-aware position of needle in hay at or after from, never starting
// on a trail byte; npos if absent.
std::size_t FindMbcs(std::string_view hay, std::string_view needle, std::size_t from = 0);

// "へのコメント" in CP932.
extern const std::string_view kCommentMarker;

}  // namespace orv
