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

// Appends the space-separated tokens of line to tokens; returns their count.
std::size_t SplitHeaderTokens(std::string_view line, HeaderTokenArray& tokens);

bool IsHeaderLine1(std::string_view line);
bool IsHeaderLine2(std::string_view line);

// The leading decimal number of s as the C library's atoi reads it, with a
// value outside the 32-bit range saturated.
std::int32_t ParseLeadingInt(const char* s, std::size_t len);

// The CP932-aware position of needle in hay at or after from, never starting
// on a trail byte; npos if absent.
std::size_t FindMbcs(const std::string& hay, const std::string& needle, std::size_t from = 0);

// "へのコメント" in CP932.
extern const std::string kCommentMarker;

}  // namespace orv
