// Reading text logs: the line reader and the header-line rules.
#pragma once

#include <string>
#include <string_view>

#include "core/headstr.h"
#include "core/logfilelist.h"

namespace orv {

enum class LineKind { MessageStart = 0, HeaderLine2 = 1, Other = 2 };

// Longest line content before a line end is forced.
inline constexpr std::size_t kMaxLineBytes = 4096;

// Reads one line (with its CR LF) into line. When kind is given, classifies
// it; a header line 1 is a MessageStart only when the next line is a header
// line 2 (the file position is restored after looking). Returns true when the
// line is not empty. A read error is reported through prompter (may be null)
// and reads as end of file.
bool ReadLogLine(CLogFileList& file, std::string& line, LineKind* kind = nullptr,
                 IPrompter* prompter = nullptr);
// The same, giving the line as a view that stays valid until the next read
// from file; scratch holds the bytes when they are not in the read buffer.
bool ReadLogLineView(CLogFileList& file, std::string_view& line, std::string& scratch,
                     LineKind* kind = nullptr, IPrompter* prompter = nullptr);

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

// Appends the space-separated tokens of line to tokens; returns their count.
std::size_t SplitHeaderTokens(std::string_view line, HeaderTokenArray& tokens);

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
