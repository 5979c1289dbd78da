// What every page of an exported site is made of: escaped text, numbers and
// dates, the page head with the site's own navigation, a buffered file, and
// the progress and cancel of the whole export.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/htmlexport.h"
#include "core/htmlplan.h"

namespace orv::html {

void AppendNumber(std::string& out, long long n);
// A count for reading: "12,345".
void AppendCount(std::string& out, std::size_t n);
// Text that should be UTF-8 already (a file name) as HTML character data;
// bytes that are no character become U+FFFD.
void AppendHtmlUtf8(std::string& out, std::string_view utf8);
// utf8 without the characters that reorder text (U+061C, U+200E, U+200F,
// U+202A to U+202E, U+2066 to U+2069), so that a name cannot turn the
// page's title or heading around.
std::string StripBidiControls(std::string_view utf8);
// A title as HTML text; "（タイトルなし）" when it is empty or white space only.
void AppendTitle(std::string& out, std::string_view cp932);
// A DateStamp as "1998/04/01 21:10" (withTime) or "1998/04/01"; "—" for 0.
void AppendStamp(std::string& out, std::uint64_t stamp, bool withTime);
// A month YYYYMM as "1998年4月".
void AppendMonth(std::string& out, std::uint32_t month);
// UTF-8 text as a JavaScript string literal in double quotes.
void AppendJsString(std::string& out, std::string_view utf8);

// A file of the site written through a buffer.
class PageStream {
public:
    bool Open(ISiteSink& sink, const std::string& name);
    std::string& Buf() { return m_buf; }
    void MaybeFlush();
    bool Finish();
    bool Ok() const { return m_ok; }
    const std::string& Name() const { return m_name; }

private:
    void Flush();

    std::unique_ptr<ISiteFile> m_file;
    std::string m_buf;
    std::string m_name;
    bool m_ok = false;
};

// The export in progress: the plan, the sink, the result so far, and the
// progress dialog that counts units of work (a message written on a page).
class SiteWriter {
public:
    SiteWriter(const SitePlan& plan, ISiteSink& sink, std::string documentNameUtf8,
               IProgressDlg* dlg, IPrompter* prompter, std::size_t totalUnits);

    const SitePlan& plan;
    ISiteSink& sink;
    HtmlExportResult result;
    const std::string& DocHtml() const { return m_docHtml; }

    // Opens name and writes its head and the site's header; prefix leads
    // from the page's folder to the top ("" or "../"). False (and the
    // failure recorded) when the file cannot be made.
    bool Begin(PageStream& page, const std::string& name, std::string_view titleHtml,
               std::string_view prefix, const char* bodyClass);
    // Writes the end of the page and closes it.
    bool End(PageStream& page);
    // Writes a whole file at once (style sheet, script).
    bool WriteFile(const std::string& name, std::string_view bytes);
    void Fail(const std::string& name);
    // Counts done units, moves the bar, and asks about a cancel request.
    void Advance(std::size_t units);
    bool Stopped() const { return result.status != HtmlExportStatus::Ok; }

private:
    std::string m_docHtml;
    IProgressDlg* m_dlg;
    IPrompter* m_prompter;
    std::size_t m_total, m_done = 0;
    int m_lastPercent = -1;
};

// The pages of the site, each family in its own source.
void WriteStyleSheet(SiteWriter& w);
void WriteThreadPages(SiteWriter& w);
void WriteFrontPages(SiteWriter& w);
void WriteDatePages(SiteWriter& w);
void WriteAuthorPages(SiteWriter& w);
void WriteSearchFiles(SiteWriter& w);
// The search script's folding table as a JavaScript object literal.
std::string_view SearchFoldTable();
// Pages that list messages as links (date and author pages): how many
// units of progress they count per message.
inline constexpr std::size_t kUnitsPerListedMessage = 1;

// Previous / up / next links in a navigation named label; an empty href
// shows its text without a link, a null upText leaves the middle out.
struct PagerLinks {
    std::string prevHref, upHref, nextHref;
    const char* prevText = "← 前のページ";
    const char* upText = nullptr;
    const char* nextText = "次のページ →";
};
void AppendPager(std::string& out, const char* label, const PagerLinks& links);

}  // namespace orv::html
