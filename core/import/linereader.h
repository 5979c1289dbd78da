// The line-at-a-time log reader: one line after another through the log
// file list's buffer, classified by the rules of core/import/headerline.h,
// and the header tokens as CHeadStr values. The import itself uses the
// faster scanner (core/import/logscan.h); this reader is the plain
// reference the import tests and the fuzz target compare it with, line for
// line and record for record.
#pragma once

#include <string>
#include <string_view>

#include "core/import/headerline.h"
#include "core/import/headstr.h"
#include "core/import/logfilelist.h"

namespace orv {

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

}  // namespace orv
