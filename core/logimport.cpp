#include "core/logimport.h"

#include <climits>
#include <cstring>

#include "core/cp932.h"
#include "res/strings.h"

namespace orv {

// "へのコメント" in CP932.
const std::string kCommentMarker = "\x82\xD6\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67";

namespace {

bool IsCSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Gathers one raw line. Returns false on a read error.
bool GatherLine(CLogFileList& file, std::string& line) {
    line.clear();
    for (;;) {
        int c = file.GetByte();
        if (c < 0) break;
        if (line.size() >= kMaxLineBytes) {
            // The line is full. A CR LF split across the cut still ends the
            // line normally; any other byte is kept for the next line, and
            // the line is ended with LF.
            if (c == '\n' && line.back() == '\r') {
                line.push_back('\n');
            } else {
                line.push_back('\n');
                file.Seek(file.GetPosition() - 1);
            }
            break;
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n' && line.size() >= 2 && line[line.size() - 2] == '\r') break;
    }
    // Lines are NUL-terminated strings to the rest of the import: a NUL ends
    // the content, and a line that starts with NUL reads as end of file.
    std::size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return !file.Failed();
}

}  // namespace

std::int32_t ParseLeadingInt(const char* s, std::size_t len) {
    std::size_t i = 0;
    while (i < len && IsCSpace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < len && IsDigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<std::int32_t>(value);
}

std::size_t FindMbcs(const std::string& hay, const std::string& needle, std::size_t from) {
    if (needle.empty()) return from <= hay.size() ? from : std::string::npos;
    std::size_t i = 0;
    while (i < hay.size()) {
        if (i >= from && hay.compare(i, needle.size(), needle) == 0) return i;
        i += IsLeadByte(static_cast<unsigned char>(hay[i])) && i + 1 < hay.size() ? 2 : 1;
    }
    return std::string::npos;
}

std::size_t SplitHeaderTokens(const std::string& line, HeaderTokenArray& tokens) {
    std::size_t count = 0;
    std::size_t pos = 0;
    for (;;) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        std::size_t space = line.find(' ', pos);
        std::size_t end = space == std::string::npos ? line.size() : space;
        int kind = count == 0 ? 0 : count == 1 ? 1 : (pos < kTitleColumn ? 2 : 3);
        tokens.emplace_back(kind, line.substr(pos, end - pos));
        ++count;
        if (space == std::string::npos) break;
        pos = space;
    }
    return count;
}

bool IsHeaderLine1(const std::string& line) {
    if (line.empty() || !IsDigit(static_cast<unsigned char>(line[0]))) return false;
    HeaderTokenArray tokens;
    if (SplitHeaderTokens(line, tokens) < 4) return false;
    const std::string& t = tokens[0].m_strToken;
    // "%d/%d": digits, "/", then a second number (leading white space and a
    // sign allowed, as scanf reads it).
    std::size_t i = 0;
    while (i < t.size() && IsDigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == 0 || i >= t.size() || t[i] != '/') return false;
    std::size_t slash = i;
    std::size_t j = slash + 1;
    while (j < t.size() && IsCSpace(static_cast<unsigned char>(t[j]))) ++j;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (j >= t.size() || !IsDigit(static_cast<unsigned char>(t[j]))) return false;
    std::int32_t first = ParseLeadingInt(t.data(), slash);
    std::int32_t second = ParseLeadingInt(t.data() + slash + 1, t.size() - slash - 1);
    if (first > second) return false;
    return slash == t.size() - slash - 1;
}

bool IsHeaderLine2(const std::string& line) {
    if (line.size() < 5 || line[0] != '(' || line[3] != ')') return false;
    HeaderTokenArray tokens;
    if (SplitHeaderTokens(line.substr(4), tokens) < 2) return false;
    return tokens[0].m_strToken.find('/') != std::string::npos &&
           tokens[1].m_strToken.find(':') != std::string::npos;
}

bool ReadLogLine(CLogFileList& file, std::string& line, LineKind* kind, IPrompter* prompter) {
    auto fail = [&] {
        if (prompter)
            prompter->MessageBox(res::IDS_LOG_READ_FAILED, res::Text(res::IDS_LOG_READ_FAILED),
                                 res::Icon(res::IDS_LOG_READ_FAILED), MsgButtons::Ok);
        line.clear();
        if (kind) *kind = LineKind::Other;
        return false;
    };
    if (!GatherLine(file, line)) return fail();
    if (!kind) return !line.empty();
    if (line.empty()) {
        *kind = LineKind::Other;
        return false;
    }
    if (IsHeaderLine1(line)) {
        std::uint64_t pos = file.GetPosition();
        std::string next;
        if (!GatherLine(file, next)) return fail();
        *kind = !next.empty() && IsHeaderLine2(next) ? LineKind::MessageStart : LineKind::Other;
        if (!file.Seek(pos)) return fail();
    } else {
        *kind = IsHeaderLine2(line) ? LineKind::HeaderLine2 : LineKind::Other;
    }
    return true;
}

}  // namespace orv
