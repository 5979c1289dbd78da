#include "core/import/headerline.h"

#include <climits>
#include <cstring>
#include <string>

#include "core/cp932.h"

namespace orv {

// "へのコメント" in CP932.
const std::string_view kCommentMarker = "\x82\xD6\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67";

namespace {

bool IsCSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int32_t ParseLeadingInt(const char* s, std::size_t len) {
    std::size_t i = 0;
    while (i < len && IsCSpace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < len && IsDigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<std::int32_t>(value);
}

std::size_t FindMbcs(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= hay.size() ? from : std::string::npos;
    std::size_t i = 0;
    while (i < hay.size()) {
        if (i >= from && hay[i] == needle[0] && hay.substr(i, needle.size()) == needle) return i;
        i += IsLeadByte(static_cast<unsigned char>(hay[i])) && i + 1 < hay.size() ? 2 : 1;
    }
    return std::string::npos;
}

std::string_view TrimSpace(std::string_view s) {
    auto trim = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && trim(s[b])) ++b;
    while (e > b && trim(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool IsHeaderLine1(std::string_view line) {
    if (line.empty() || !IsDigit(static_cast<unsigned char>(line[0]))) return false;
    std::size_t count = 0, firstLen = 0;
    ForEachToken(line.data(), line.size(), [&](std::size_t, std::size_t len) {
        if (count++ == 0) firstLen = len;
        return count < 4;
    });
    if (count < 4) return false;
    const char* t = line.data();  // token 0 starts the line
    // "%d/%d": digits, "/", then a second number (leading white space and a
    // sign allowed, as scanf reads it).
    std::size_t i = 0;
    while (i < firstLen && IsDigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == 0 || i >= firstLen || t[i] != '/') return false;
    const std::size_t slash = i;
    std::size_t j = slash + 1;
    while (j < firstLen && IsCSpace(static_cast<unsigned char>(t[j]))) ++j;
    if (j < firstLen && (t[j] == '+' || t[j] == '-')) ++j;
    if (j >= firstLen || !IsDigit(static_cast<unsigned char>(t[j]))) return false;
    std::int32_t first = ParseLeadingInt(t, slash);
    std::int32_t second = ParseLeadingInt(t + slash + 1, firstLen - slash - 1);
    if (first > second) return false;
    return slash == firstLen - slash - 1;
}

bool IsHeaderLine2(std::string_view line) {
    if (line.size() < 5 || line[0] != '(' || line[3] != ')') return false;
    const char* rest = line.data() + 4;
    std::size_t count = 0;
    bool ok = false;
    ForEachToken(rest, line.size() - 4, [&](std::size_t pos, std::size_t len) {
        if (count == 0) {
            ok = std::memchr(rest + pos, '/', len) != nullptr;
        } else {
            ok = ok && std::memchr(rest + pos, ':', len) != nullptr;
        }
        return ++count < 2;
    });
    return count >= 2 && ok;
}

}  // namespace orv
