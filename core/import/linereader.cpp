#include "core/import/linereader.h"

#include <cstring>

#include "res/strings.h"

namespace orv {

namespace {

// Gathers one raw line as a view. Returns false on a read error.
bool GatherLine(CLogFileList& file, std::string_view& line, std::string& scratch) {
    line = file.ReadRawLineView(scratch, kMaxLineBytes);
    // Lines are NUL-terminated strings to the rest of the import: a NUL ends
    // the content, and a line that starts with NUL reads as end of file.
    if (const void* nul = std::memchr(line.data(), '\0', line.size()))
        line =
            line.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - line.data()));
    return !file.Failed();
}

}  // namespace

std::size_t SplitHeaderTokens(std::string_view line, HeaderTokenArray& tokens) {
    std::size_t count = 0;
    ForEachToken(line.data(), line.size(), [&](std::size_t pos, std::size_t len) {
        const int kind = count == 0           ? TokenKind::Number
                         : count == 1         ? TokenKind::Id
                         : pos < kTitleColumn ? TokenKind::Author
                                              : TokenKind::Title;
        tokens.emplace_back(kind, std::string(line.substr(pos, len)));
        ++count;
        return true;
    });
    return count;
}

bool ReadLogLineView(CLogFileList& file, std::string_view& line, std::string& scratch,
                     LineKind* kind, IPrompter* prompter) {
    auto fail = [&] {
        if (prompter)
            prompter->MessageBox(res::IDS_LOG_READ_FAILED, res::Text(res::IDS_LOG_READ_FAILED),
                                 res::Icon(res::IDS_LOG_READ_FAILED), MsgButtons::Ok);
        line = std::string_view();
        if (kind) *kind = LineKind::Other;
        return false;
    };
    if (!GatherLine(file, line, scratch)) return fail();
    if (!kind) return !line.empty();
    if (line.empty()) {
        *kind = LineKind::Other;
        return false;
    }
    if (IsHeaderLine1(line)) {
        // Looking ahead may refill the read buffer: keep the line's bytes.
        if (line.data() != scratch.data()) {
            scratch.assign(line);
            line = scratch;
        }
        const std::uint64_t pos = file.GetPosition();
        thread_local std::string nextScratch;
        std::string_view next;
        if (!GatherLine(file, next, nextScratch)) return fail();
        *kind = !next.empty() && IsHeaderLine2(next) ? LineKind::MessageStart : LineKind::Other;
        if (!file.Seek(pos)) return fail();
    } else {
        *kind = IsHeaderLine2(line) ? LineKind::HeaderLine2 : LineKind::Other;
    }
    return true;
}

bool ReadLogLine(CLogFileList& file, std::string& line, LineKind* kind, IPrompter* prompter) {
    std::string scratch;
    std::string_view view;
    bool result = ReadLogLineView(file, view, scratch, kind, prompter);
    line.assign(view);
    return result;
}

}  // namespace orv
