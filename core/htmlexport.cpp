#include "core/htmlexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/cp932.h"
#include "core/fileio.h"
#include "core/htmlsitefolder.h"
#include "res/strings.h"

namespace orv {

namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 18;

const char kStyleSheet[] = R"css(/* Pages of a forum log */
:root {
  --band: #ece9e2;
  --band-light: #ffffff;
  --band-dark: #a09c94;
  --ink: #1a1a1a;
  --muted: #5c5850;
  --link: #1a4f9c;
  --rule: #d8d4cc;
  --indent: 1.25em;
  --indent-max: 16;
}
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body {
  margin: 0 auto;
  max-width: 60em;
  padding: 0.5em 1em 2em;
  color: var(--ink);
  background: #fbfaf7;
  font-family: "Hiragino Kaku Gothic ProN", "Hiragino Sans", "Yu Gothic UI", "Yu Gothic",
    YuGothic, Meiryo, "MS UI Gothic", "MS PGothic", "Noto Sans CJK JP", "Noto Sans JP",
    "Source Han Sans JP", "IPAexGothic", "IPAPGothic", "VL PGothic", "Takao PGothic",
    sans-serif;
  line-height: 1.6;
}
a { color: var(--link); }
h1 { font-size: 1.4em; margin: 0.5em 0; overflow-wrap: anywhere; }
.stats { display: grid; grid-template-columns: max-content 1fr; gap: 0.1em 1em; margin: 0 0 1em; }
.stats dt { color: var(--muted); }
.stats dd { margin: 0; }
.tree, .tree ul { list-style: none; margin: 0; padding-left: var(--indent); }
.tree { padding-left: 0; }
.tree li { margin: 0.15em 0; overflow-wrap: anywhere; }
.tree ul { border-left: 1px solid var(--rule); }
.tree .author, .tree .date { color: var(--muted); font-size: 0.9em; margin-left: 0.5em; }
.depth { color: var(--muted); font-size: 0.85em; margin-right: 0.4em; }
nav.pages { display: flex; justify-content: space-between; gap: 1em; margin: 0.5em 0; }
nav.pages .off { color: var(--muted); }
article.message {
  margin: 1em 0 1em calc(min(var(--depth, 0), var(--indent-max)) * var(--indent));
  background: #ffffff;
  border: 1px solid var(--rule);
}
article.message:target { outline: 2px solid var(--link); }
.band {
  display: grid;
  grid-template-columns: 1fr 1fr 1fr;
  background: var(--band);
  border-style: solid;
  border-width: 1px;
  border-color: var(--band-light) var(--band-dark) var(--band-dark) var(--band-light);
  font-size: 0.8em;
}
.band > div { padding: 2px 5px; overflow-wrap: anywhere; }
.band .title { grid-column: 1 / span 2; font-weight: bold; }
.band .label { font-weight: normal; color: var(--muted); }
.text {
  margin: 5px;
  white-space: pre-wrap;
  overflow-wrap: anywhere;
  tab-size: 8;
  -moz-tab-size: 8;
  font-family: "MS Gothic", "Osaka-Mono", "Noto Sans Mono CJK JP", "Source Han Code JP",
    "IPAGothic", "VL Gothic", "Takao Gothic", monospace;
  font-size: 1em;
  line-height: 1.5;
}
.links { margin: 0 5px 5px; font-size: 0.9em; color: var(--muted); }
.links a { margin-right: 0.4em; }
.links a[rel="up"] ~ .replies { margin-left: 0.6em; }
@media (max-width: 40em) {
  body { padding: 0.25em 0.5em 1em; }
  :root { --indent: 0.6em; --indent-max: 6; }
  .band { grid-template-columns: 1fr; }
  .band .title { grid-column: auto; }
  .tree .author, .tree .date { display: inline-block; }
}
)css";

void AppendNumber(std::string& out, long long n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

// "t000042.html": a thread page's file name from its position.
void AppendThreadFile(std::string& out, std::size_t thread) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, thread);
    out += 't';
    const std::size_t digits = static_cast<std::size_t>(r.ptr - buf);
    if (digits < 6) out.append(6 - digits, '0');
    out.append(buf, r.ptr);
    out += ".html";
}

void AppendAnchor(std::string& out, std::size_t pos) {
    out += 'm';
    AppendNumber(out, static_cast<long long>(pos + 1));
}

// A sort key for the date-time text "YY/MM/DD hh:mm:ss" (two-digit years
// taken as 1970 to 2069) or "YYYY/MM/DD ..."; empty for anything else.
std::string DateKey(std::string_view d) {
    auto digit = [&](std::size_t i) { return i < d.size() && d[i] >= '0' && d[i] <= '9'; };
    if (digit(0) && digit(1) && d.size() > 2 && d[2] == '/') {
        std::string key = (d[0] >= '7') ? "19" : "20";
        key.append(d);
        return key;
    }
    if (digit(0) && digit(1) && digit(2) && digit(3) && d.size() > 4 && d[4] == '/')
        return std::string(d);
    return std::string();
}

// A file of the site written through a buffer.
class PageStream {
public:
    bool Open(ISiteSink& sink, const std::string& name) {
        m_name = name;
        m_file = sink.NewFile(name);
        m_ok = m_file != nullptr;
        return m_ok;
    }
    std::string& Buf() { return m_buf; }
    void MaybeFlush() {
        if (m_buf.size() >= kFlushBytes) Flush();
    }
    bool Finish() {
        Flush();
        if (m_file && !m_file->Close()) m_ok = false;
        m_file.reset();
        return m_ok;
    }
    bool Ok() const { return m_ok; }
    const std::string& Name() const { return m_name; }

private:
    void Flush() {
        if (m_ok && m_file && !m_buf.empty() && !m_file->Write(m_buf)) m_ok = false;
        m_buf.clear();
    }

    std::unique_ptr<ISiteFile> m_file;
    std::string m_buf;
    std::string m_name;
    bool m_ok = false;
};

void AppendHead(std::string& out, std::string_view titleHtml, const char* styleHref,
                const char* bodyClass) {
    out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    out += titleHtml;
    out += "</title>\n<link rel=\"stylesheet\" href=\"";
    out += styleHref;
    out += "\">\n</head>\n<body class=\"";
    out += bodyClass;
    out += "\">\n";
}

void AppendThreadNav(std::string& out, std::size_t thread, std::size_t threads) {
    out += "<nav class=\"pages\">";
    if (thread > 1) {
        out += "<a href=\"";
        AppendThreadFile(out, thread - 1);
        out += "\" rel=\"prev\">← 前のスレッド</a>";
    } else {
        out += "<span class=\"off\">← 前のスレッド</span>";
    }
    out += "<a href=\"../index.html\">目次</a>";
    if (thread < threads) {
        out += "<a href=\"";
        AppendThreadFile(out, thread + 1);
        out += "\" rel=\"next\">次のスレッド →</a>";
    } else {
        out += "<span class=\"off\">次のスレッド →</span>";
    }
    out += "</nav>\n";
}

const char kNoTitle[] = "（タイトルなし）";

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return 0;
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

// Text that should be UTF-8 already (a file name) as HTML character data;
// bytes that are no character become U+FFFD.
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
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.append(utf8.substr(i, len));
        }
        i += len;
    }
}

}  // namespace

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
            case '&': rep = "&amp;"; break;
            case '<': rep = "&lt;"; break;
            case '>': rep = "&gt;"; break;
            case '"': rep = "&quot;"; break;
            case '\'': rep = "&#39;"; break;
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

HtmlExportResult WriteHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                               ISiteSink& sink, IProgressFactory* progressFactory,
                               IPrompter* prompter) {
    HtmlExportResult result;

    // First walk: the size of every subtree (so that each message knows
    // where its replies stand), the number of messages, the date range.
    std::vector<std::uint32_t> span;     // by position: the record and its subtree
    std::vector<std::size_t> ancestors;  // positions of the open path
    std::string firstKey, lastKey;
    std::string_view firstDate, lastDate;
    WalkDocumentOrder(roots, [&](const CComment& rec, int depth) {
        const std::size_t pos = span.size();
        while (ancestors.size() > static_cast<std::size_t>(depth)) {
            span[ancestors.back()] = static_cast<std::uint32_t>(pos - ancestors.back());
            ancestors.pop_back();
        }
        ancestors.push_back(pos);
        span.push_back(1);
        std::string_view date = rec.GetDateTime();
        std::string key = DateKey(date);
        if (key.empty()) return;
        if (firstKey.empty() || key < firstKey) {
            firstKey = key;
            firstDate = date;
        }
        if (lastKey.empty() || key > lastKey) {
            lastKey = key;
            lastDate = date;
        }
    });
    const std::size_t total = span.size();
    while (!ancestors.empty()) {
        span[ancestors.back()] = static_cast<std::uint32_t>(total - ancestors.back());
        ancestors.pop_back();
    }
    const std::size_t threads = roots.size();

    std::unique_ptr<IProgressDlg> dlg;
    if (progressFactory) dlg = progressFactory->CreateProgress(false);
    if (dlg) dlg->SetCaption(kHtmlExportCaption);
    int lastPercent = -1;

    std::string docHtml;
    AppendHtmlUtf8(docHtml, documentNameUtf8);

    auto fail = [&](const std::string& name) {
        if (result.status == HtmlExportStatus::Ok) {
            result.status = HtmlExportStatus::Failed;
            result.path = name;
        }
    };

    {
        PageStream css;
        if (!css.Open(sink, "style.css")) {
            fail("style.css");
            return result;
        }
        css.Buf() = kStyleSheet;
        if (!css.Finish()) {
            fail("style.css");
            return result;
        }
    }
    if (threads > 0 && !sink.MakeFolder("threads")) {
        fail("threads");
        return result;
    }

    PageStream index;
    if (!index.Open(sink, "index.html")) {
        fail("index.html");
        return result;
    }
    {
        std::string& o = index.Buf();
        AppendHead(o, docHtml + " - 発言一覧", "style.css", "index");
        o += "<header>\n<h1>";
        o += docHtml;
        o += "</h1>\n<dl class=\"stats\">\n<dt>発言数</dt><dd>";
        AppendNumber(o, static_cast<long long>(total));
        o += "</dd>\n<dt>スレッド数</dt><dd>";
        AppendNumber(o, static_cast<long long>(threads));
        o += "</dd>\n<dt>最初の日時</dt><dd>";
        if (firstKey.empty()) o += "—";
        else AppendHtmlText(o, firstDate, false);
        o += "</dd>\n<dt>最後の日時</dt><dd>";
        if (lastKey.empty()) o += "—";
        else AppendHtmlText(o, lastDate, false);
        o += "</dd>\n</dl>\n</header>\n<main>\n";
    }

    // Second walk: the thread pages and the index's entries side by side.
    PageStream page;
    std::size_t pos = 0;
    std::size_t thread = 0;
    int listLevel = -1;  // nesting of the index's list at the last entry
    std::vector<std::size_t> pathPos;
    std::vector<std::int32_t> pathNumber;
    std::string title, author, id, date, fileName;
    bool stop = false;

    auto finishPage = [&] {
        std::string& o = page.Buf();
        o += "</main>\n";
        AppendThreadNav(o, thread, threads);
        o += "</body>\n</html>\n";
        if (!page.Finish()) fail(page.Name());
    };

    WalkDocumentOrder(roots, [&](const CComment& rec, int depth) {
        if (stop) return;
        const std::size_t d = static_cast<std::size_t>(depth);
        const int level = std::min(depth, kHtmlMaxNesting);

        title.clear();
        author.clear();
        id.clear();
        date.clear();
        AppendHtmlText(title, rec.GetTitle(), false);
        AppendHtmlText(author, rec.GetAuthor(), false);
        AppendHtmlText(id, rec.GetId(), false);
        AppendHtmlText(date, rec.GetDateTime(), false);

        if (depth == 0) {
            if (thread > 0) finishPage();
            ++thread;
            fileName = "threads/";
            AppendThreadFile(fileName, thread);
            if (!page.Open(sink, fileName)) {
                fail(fileName);
                stop = true;
                return;
            }
            std::string& o = page.Buf();
            AppendHead(o, (title.empty() ? std::string(kNoTitle) : title) + " - " + docHtml,
                       "../style.css", "thread");
            AppendThreadNav(o, thread, threads);
            o += "<main>\n";
        }
        pathPos.resize(d);
        pathNumber.resize(d);
        pathPos.push_back(pos);
        pathNumber.push_back(rec.GetNumber());

        // The message, its header fields laid out like the viewer's band.
        std::string& o = page.Buf();
        o += "<article class=\"message\" id=\"";
        AppendAnchor(o, pos);
        o += "\" style=\"--depth:";
        AppendNumber(o, level);
        o += "\">\n<div class=\"band\">\n<div class=\"title\"><span class=\"label\">タイトル　：　</span>";
        o += title;
        o += "</div>\n<div class=\"number\"><span class=\"label\">発言番号　：　</span>";
        AppendNumber(o, rec.GetNumber());
        o += "</div>\n<div class=\"author\"><span class=\"label\">発言者　：　</span>";
        o += author;
        o += "</div>\n<div class=\"id\"><span class=\"label\">ID　：　</span>";
        o += id;
        o += "</div>\n<div class=\"date\"><span class=\"label\">日時　：　</span>";
        o += date;
        o += "</div>\n</div>\n<pre class=\"text\">\n";
        AppendHtmlText(o, rec.GetText(), true);
        o += "</pre>\n<nav class=\"links\">";
        if (depth > kHtmlMaxNesting) {
            o += "<span class=\"depth\">階層 ";
            AppendNumber(o, depth);
            o += "</span>";
        }
        if (d > 0) {
            o += "<a href=\"#";
            AppendAnchor(o, pathPos[d - 1]);
            o += "\" rel=\"up\">";
            AppendNumber(o, pathNumber[d - 1]);
            o += " へのコメント</a>";
        }
        const CommentList& replies = rec.GetReplies();
        if (!replies.empty()) {
            o += "<span class=\"replies\">コメント：";
            std::size_t r = pos + 1;
            for (const auto& reply : replies) {
                o += "<a href=\"#";
                AppendAnchor(o, r);
                o += "\">";
                AppendNumber(o, reply->GetNumber());
                o += "</a>";
                r += span[r];
            }
            o += "</span>";
        }
        o += "</nav>\n</article>\n";
        page.MaybeFlush();

        // The index's entry, in nested lists that stop nesting at the cap.
        std::string& x = index.Buf();
        if (listLevel < 0) {
            x += "<ul class=\"tree\">\n<li>";
        } else if (level > listLevel) {
            x += "\n<ul><li>";
        } else {
            for (int l = listLevel; l > level; --l) x += "</li></ul>";
            x += "</li>\n<li>";
        }
        listLevel = level;
        if (depth > kHtmlMaxNesting) {
            x += "<span class=\"depth\">階層 ";
            AppendNumber(x, depth);
            x += "</span>";
        }
        x += "<a href=\"";
        x += fileName;
        x += '#';
        AppendAnchor(x, pos);
        x += "\">";
        x += title.empty() ? std::string(kNoTitle) : title;
        x += "</a><span class=\"author\">";
        x += author;
        x += "</span><span class=\"date\">";
        x += date;
        x += "</span>";
        index.MaybeFlush();

        ++pos;
        if (dlg) {
            const int percent = static_cast<int>(pos * 100 / total);
            if (percent != lastPercent) {
                lastPercent = percent;
                dlg->SetPos(percent);
            }
            if (dlg->CheckCancel()) {
                const MsgAnswer answer =
                    prompter ? prompter->MessageBox(res::IDS_HTML_ASK_CANCEL,
                                                    res::Text(res::IDS_HTML_ASK_CANCEL),
                                                    res::Icon(res::IDS_HTML_ASK_CANCEL),
                                                    MsgButtons::YesNo)
                             : MsgAnswer::Yes;
                if (answer == MsgAnswer::Yes) {
                    result.status = HtmlExportStatus::Cancelled;
                    stop = true;
                }
            }
        }
        if (!page.Ok() || !index.Ok()) stop = true;
    });

    if (result.status == HtmlExportStatus::Cancelled) return result;
    if (!page.Ok() && thread > 0) fail(page.Name());
    if (result.status != HtmlExportStatus::Ok) return result;
    if (thread > 0) finishPage();

    std::string& x = index.Buf();
    if (listLevel >= 0) {
        x += "</li>";
        for (int l = listLevel; l > 0; --l) x += "</ul></li>";
        x += "\n</ul>\n";
    }
    x += "</main>\n</body>\n</html>\n";
    if (!index.Finish()) fail("index.html");
    return result;
}

HtmlExportResult ExportHtmlSite(const CommentList& roots, const std::string& documentNameUtf8,
                                const std::string& outDir, IProgressFactory* progress,
                                IPrompter* prompter) {
    HtmlExportResult result;
    result.path = outDir;
    int err = 0;
    switch (CHtmlSiteFolder::Inspect(outDir, err)) {
        case CHtmlSiteFolder::TargetState::Missing:
        case CHtmlSiteFolder::TargetState::Empty:
            break;
        case CHtmlSiteFolder::TargetState::NotEmpty:
            result.status = HtmlExportStatus::NotEmpty;
            return result;
        case CHtmlSiteFolder::TargetState::NotAFolder:
            result.status = HtmlExportStatus::NotAFolder;
            return result;
        case CHtmlSiteFolder::TargetState::Unreadable:
            result.status = HtmlExportStatus::Failed;
            result.err = err;
            return result;
    }

    // A failure names the folder the user gave, with the system's error: the
    // temporary folder it happened in is gone by the time it is reported.
    CHtmlSiteFolder folder(outDir);
    if (!folder.Begin()) {
        result.status = HtmlExportStatus::Failed;
        result.err = folder.LastError();
        return result;
    }
    result = WriteHtmlSite(roots, documentNameUtf8, folder, progress, prompter);
    if (result.status == HtmlExportStatus::Ok && !folder.Commit())
        result.status = HtmlExportStatus::Failed;
    if (result.status == HtmlExportStatus::Failed) {
        result.err = folder.LastError();
        result.path = outDir;
    }
    if (result.status != HtmlExportStatus::Ok) folder.Discard();
    return result;
}

std::string DescribeHtmlExportFailure(const HtmlExportResult& result) {
    switch (result.status) {
        case HtmlExportStatus::NotEmpty:
            return res::Format(res::IDS_HTML_NOT_EMPTY, result.path);
        case HtmlExportStatus::NotAFolder:
            return res::Format(res::IDS_HTML_NOT_A_FOLDER, result.path);
        case HtmlExportStatus::Failed: {
            std::string text = res::Format(res::IDS_HTML_FAILED, result.path);
            if (result.err) {
                text += "\n";
                text += FileErrorText(result.err);
            }
            return text;
        }
        default:
            return std::string();
    }
}

}  // namespace orv
