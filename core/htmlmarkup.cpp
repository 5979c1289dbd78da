#include "core/htmlmarkup.h"

#include <array>
#include <charconv>

#include "core/cp932.h"
#include "res/strings.h"

namespace orv {

namespace {
constexpr std::size_t kFlushBytes = std::size_t{1} << 18;
}

void AppendHtmlText(std::string& out, std::string_view cp932, bool multiline) {
    if (cp932.empty()) return;
    // Bytes that need more than a copy: markup characters and controls.
    static const auto kSpecial = [] {
        std::array<bool, 256> t{};
        for (int c = 0; c < 0x20; ++c) t[c] = true;
        t['\t'] = t['\n'] = false;
        for (unsigned char c : {'&', '<', '>', '"', '\'', '\x7f', '\r'}) t[c] = true;
        return t;
    }();
    thread_local std::string utf8;
    Cp932ToUtf8Into(cp932, utf8);
    const char* s = utf8.data();
    const std::size_t n = utf8.size();
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (!kSpecial[c]) continue;
        const char* rep;
        switch (c) {
            case '&':
                rep = "&amp;";
                break;
            case '<':
                rep = "&lt;";
                break;
            case '>':
                rep = "&gt;";
                break;
            case '"':
                rep = "&quot;";
                break;
            case '\'':
                rep = "&#39;";
                break;
            case '\r':
                if (!multiline) continue;
                // CR LF and a lone CR both end a line.
                rep = (i + 1 < n && s[i + 1] == '\n') ? "" : "\n";
                break;
            default:
                rep = "\xEF\xBF\xBD";  // U+FFFD for a control character
        }
        out.append(s + run, i - run);
        out += rep;
        run = i + 1;
    }
    out.append(s + run, n - run);
}

}  // namespace orv

namespace orv::html {

namespace {

const char kNoTitle[] = "（タイトルなし）";

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else
        return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return len;
}

bool IsBidiControl(std::string_view s, std::size_t i, std::size_t len) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    if (len == 2) return b(0) == 0xD8 && b(1) == 0x9C;  // U+061C
    if (len != 3 || b(0) != 0xE2) return false;
    if (b(1) == 0x80) return b(2) == 0x8E || b(2) == 0x8F || (b(2) >= 0xAA && b(2) <= 0xAE);
    return b(1) == 0x81 && b(2) >= 0xA6 && b(2) <= 0xA9;
}

// True when the CP932 text holds nothing but spaces, tabs, line ends and
// ideographic spaces.
bool IsBlank(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '\x81' && i + 1 < s.size() && s[i + 1] == '\x40') {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

void Append2(std::string& out, std::uint64_t v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

}  // namespace

void AppendNumber(std::string& out, long long n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

void AppendCount(std::string& out, std::size_t n) {
    std::string digits;
    AppendNumber(digits, static_cast<long long>(n));
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
}

void AppendHtmlUtf8(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = Utf8SequenceLength(utf8, i);
        const char c = utf8[i];
        if (len == 0 || (len == 1 && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F))) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.append(utf8.substr(i, len));
        }
        i += len;
    }
}

std::string StripBidiControls(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = std::max<std::size_t>(Utf8SequenceLength(utf8, i), 1);
        if (!IsBidiControl(utf8, i, len)) out.append(utf8.substr(i, len));
        i += len;
    }
    return out;
}

void AppendTitle(std::string& out, std::string_view cp932) {
    if (IsBlank(cp932))
        out += kNoTitle;
    else
        AppendHtmlText(out, cp932, false);
}

void AppendStamp(std::string& out, std::uint64_t stamp, bool withTime) {
    if (stamp == 0) {
        out += "—";
        return;
    }
    AppendNumber(out, static_cast<long long>(stamp / 10000000000u));
    out += '/';
    Append2(out, stamp / 100000000u);
    out += '/';
    Append2(out, stamp / 1000000u);
    if (!withTime) return;
    out += ' ';
    Append2(out, stamp / 10000u);
    out += ':';
    Append2(out, stamp / 100u);
}

void AppendMonth(std::string& out, std::uint32_t month) {
    AppendNumber(out, month / 100);
    out += "年";
    AppendNumber(out, month % 100);
    out += "月";
}

void AppendJsString(std::string& out, std::string_view utf8) {
    out += '"';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c == '<' || c == 0xE2) {
            // "<" and the line separators U+2028 / U+2029 as escapes.
            if (c == '<') {
                out += "\\u003c";
                continue;
            }
            if (i + 2 < utf8.size() && utf8[i + 1] == '\x80' &&
                (utf8[i + 2] == '\xA8' || utf8[i + 2] == '\xA9')) {
                out += utf8[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                i += 2;
                continue;
            }
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

bool PageStream::Open(ISiteSink& sink, const std::string& name) {
    m_name = name;
    m_buf.clear();
    m_file = sink.NewFile(name);
    m_ok = m_file != nullptr;
    return m_ok;
}

void PageStream::MaybeFlush() {
    if (m_buf.size() >= kFlushBytes) Flush();
}

bool PageStream::Finish() {
    Flush();
    if (m_file && !m_file->Close()) m_ok = false;
    m_file.reset();
    return m_ok;
}

void PageStream::Flush() {
    if (m_ok && m_file && !m_buf.empty() && !m_file->Write(m_buf)) m_ok = false;
    m_buf.clear();
}

SiteWriter::SiteWriter(const SitePlan& p, ISiteSink& s, std::string documentNameUtf8,
                       IProgressDlg* dlg, IPrompter* prompter, std::size_t totalUnits)
    : plan(p), sink(s), m_dlg(dlg), m_prompter(prompter), m_total(totalUnits ? totalUnits : 1) {
    AppendHtmlUtf8(m_docHtml, StripBidiControls(documentNameUtf8));
}

bool SiteWriter::Begin(PageStream& page, const std::string& name, std::string_view titleHtml,
                       std::string_view prefix, const char* bodyClass) {
    if (!page.Open(sink, name)) {
        Fail(name);
        return false;
    }
    std::string& o = page.Buf();
    o += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    o += titleHtml;
    o += "</title>\n<link rel=\"stylesheet\" href=\"";
    o += prefix;
    o += "style.css\">\n</head>\n<body class=\"";
    o += bodyClass;
    o += "\">\n<header class=\"site\">\n<p class=\"docname\"><a href=\"";
    o += prefix;
    o += "index.html\">";
    o += m_docHtml;
    o += "</a></p>\n<nav class=\"site\" aria-label=\"索引\"><ul>";
    static const char* const kLinks[][2] = {{"index.html", "スレッド一覧"},
                                            {"dates/index.html", "日付順"},
                                            {"authors/index.html", "発言者"},
                                            {"search.html", "検索"}};
    for (const auto& link : kLinks) {
        o += "<li><a href=\"";
        o += prefix;
        o += link[0];
        o += "\">";
        o += link[1];
        o += "</a></li> ";
    }
    o += "</ul></nav>\n</header>\n";
    return true;
}

bool SiteWriter::End(PageStream& page) {
    page.Buf() += "</body>\n</html>\n";
    if (page.Finish()) return true;
    Fail(page.Name());
    return false;
}

bool SiteWriter::WriteFile(const std::string& name, std::string_view bytes) {
    PageStream file;
    if (file.Open(sink, name)) {
        file.Buf() = bytes;
        if (file.Finish()) return true;
    }
    Fail(name);
    return false;
}

void SiteWriter::Fail(const std::string& name) {
    if (result.status != HtmlExportStatus::Ok) return;
    result.status = HtmlExportStatus::Failed;
    result.path = name;
}

void SiteWriter::Advance(std::size_t units) {
    m_done += units;
    if (!m_dlg || Stopped()) return;
    const int percent = static_cast<int>(std::min(m_done, m_total) * 100 / m_total);
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        m_dlg->SetPos(percent);
    }
    if (!m_dlg->CheckCancel()) return;
    const MsgAnswer answer =
        m_prompter
            ? m_prompter->MessageBox(res::IDS_HTML_ASK_CANCEL, res::Text(res::IDS_HTML_ASK_CANCEL),
                                     res::Icon(res::IDS_HTML_ASK_CANCEL), MsgButtons::YesNo)
            : MsgAnswer::Yes;
    if (answer == MsgAnswer::Yes) result.status = HtmlExportStatus::Cancelled;
}

void AppendPager(std::string& out, const char* label, const PagerLinks& links) {
    out += "<nav class=\"pages\" aria-label=\"";
    out += label;
    out += "\"><ul>";
    auto item = [&](std::string_view href, const char* text, const char* rel) {
        out += "<li>";
        if (href.empty()) {
            out += "<span class=\"off\">";
        } else {
            out += "<a href=\"";
            out += href;
            out += '"';
            if (*rel) {
                out += " rel=\"";
                out += rel;
                out += '"';
            }
            out += '>';
        }
        out += text;
        out += href.empty() ? "</span>" : "</a>";
        out += "</li> ";
    };
    item(links.prevHref, links.prevText, "prev");
    if (links.upText) item(links.upHref, links.upText, "");
    item(links.nextHref, links.nextText, "next");
    out += "</ul></nav>\n";
}

}  // namespace orv::html
