// The date index (dates/: a page per month, cut at kMessagesPerPage) and
// the author index (authors/: every ID with its names, count and dates, and
// a page of each author's messages). Index pages hold links, not messages.
#include <algorithm>

#include "core/htmlmarkup.h"

namespace orv::html {

namespace {

// One message as a line of a list: date, title linked to the message,
// author or number.
void AppendEntry(std::string& o, const SitePlan& plan, std::uint32_t pos, bool withAuthor,
                 const char* idPrefix) {
    const MessagePlan& m = plan.messages[pos];
    o += "<li";
    if (*idPrefix) {
        o += " id=\"";
        o += idPrefix;
        AppendAnchor(o, m);
        o += '"';
    }
    o += "><span class=\"date\">";
    AppendStamp(o, m.date, true);
    o += "</span> <a href=\"";
    AppendMessageHref(o, plan, pos, "../");
    o += "\">";
    AppendTitle(o, m.rec->GetTitle());
    o += "</a> <span class=\"number\">（";
    AppendNumber(o, m.rec->GetNumber());
    o += "）</span>";
    if (withAuthor) {
        o += " <span class=\"author\">";
        AppendHtmlText(o, m.rec->GetAuthor(), false);
        o += "</span>";
    }
    o += "</li>\n";
}

std::string DatePageTitle(const DatePage& page, std::size_t parts) {
    std::string title;
    if (page.month)
        AppendMonth(title, page.month);
    else
        title = "日時不明";
    title += "の発言";
    if (parts > 1) {
        title += "（";
        AppendNumber(title, page.part);
        title += " / ";
        AppendNumber(title, static_cast<long long>(parts));
        title += "）";
    }
    return title;
}

// Number of pages the month of datePages[p] has.
std::size_t PartsOfMonth(const SitePlan& plan, std::size_t p) {
    std::size_t end = p;
    while (end < plan.datePages.size() && plan.datePages[end].month == plan.datePages[p].month)
        ++end;
    return plan.datePages[end - 1].part;
}

void WriteDatePage(SiteWriter& w, std::size_t p) {
    const SitePlan& plan = w.plan;
    const DatePage& page = plan.datePages[p];
    std::string name = "dates/";
    AppendDateFile(name, page);
    const std::string title = DatePageTitle(page, PartsOfMonth(plan, p));
    PageStream file;
    if (!w.Begin(file, name, title + " - " + w.DocHtml(), "../", "dates")) return;
    std::string& o = file.Buf();
    PagerLinks links;
    if (p > 0) AppendDateFile(links.prevHref, plan.datePages[p - 1]);
    if (p + 1 < plan.datePages.size()) AppendDateFile(links.nextHref, plan.datePages[p + 1]);
    links.upHref = "index.html";
    links.upText = "月の一覧";
    AppendPager(o, "日付順のページ", links);
    o += "<main>\n<h1>";
    o += title;
    o += "</h1>\n";
    std::uint64_t day = ~std::uint64_t{0};
    for (std::uint32_t i = page.begin; i < page.end; ++i) {
        const std::uint32_t pos = plan.byDate[i];
        const std::uint64_t d = plan.messages[pos].date / 1000000u;
        if (d != day) {
            if (i != page.begin) o += "</ul>\n";
            o += "<h2>";
            if (d == 0)
                o += "日時不明";
            else
                AppendStamp(o, plan.messages[pos].date, false);
            o += "</h2>\n<ul class=\"entries\">\n";
            day = d;
        }
        AppendEntry(o, plan, pos, true, "d");
    }
    if (page.end > page.begin) o += "</ul>\n";
    o += "</main>\n";
    AppendPager(o, "日付順のページ（末尾）", links);
    w.End(file);
    w.Advance((page.end - page.begin) * kUnitsPerListedMessage);
}

void WriteMonthList(SiteWriter& w) {
    const SitePlan& plan = w.plan;
    PageStream file;
    if (!w.Begin(file, "dates/index.html", "日付順 - " + w.DocHtml(), "../", "dates")) return;
    std::string& o = file.Buf();
    o += "<main>\n<h1>日付順</h1>\n<ul class=\"monthlist\">\n";
    for (std::size_t p = 0; p < plan.datePages.size(); ++p) {
        const DatePage& page = plan.datePages[p];
        if (page.part != 1) continue;
        std::size_t count = 0;
        for (std::size_t q = p; q < plan.datePages.size() && plan.datePages[q].month == page.month;
             ++q)
            count += plan.datePages[q].end - plan.datePages[q].begin;
        o += "<li><a href=\"";
        AppendDateFile(o, page);
        o += "\">";
        if (page.month)
            AppendMonth(o, page.month);
        else
            o += "日時不明";
        o += "</a> <span class=\"count\">";
        AppendCount(o, count);
        o += " 件</span></li>\n";
    }
    o += "</ul>\n</main>\n";
    w.End(file);
}

// The names of an author, at most `most` of them.
void AppendHandles(std::string& o, const AuthorPlan& a, std::size_t most) {
    for (std::size_t k = 0; k < a.handles.size() && k < most; ++k) {
        if (k) o += "、";
        AppendHtmlText(o, a.handles[k], false);
    }
    if (a.handles.size() > most) {
        o += " ほか ";
        AppendNumber(o, static_cast<long long>(a.handles.size() - most));
        o += " 件";
    }
}

void AppendAuthorRow(std::string& o, const AuthorPlan& a) {
    o += "<tr><td class=\"id\"><a href=\"";
    AppendAuthorFile(o, a, 0);
    o += "\">";
    if (a.id.empty())
        o += "（IDなし）";
    else
        AppendHtmlText(o, a.id, false);
    o += "</a></td> <td class=\"author\">";
    AppendHandles(o, a, 3);
    o += "</td> <td class=\"num\">";
    AppendCount(o, a.messages.size());
    o += "</td> <td class=\"date\">";
    AppendStamp(o, a.firstDate, false);
    o += "</td> <td class=\"date\">";
    AppendStamp(o, a.lastDate, false);
    o += "</td></tr>\n";
}

void WriteAuthorIndexPage(SiteWriter& w, std::size_t page, std::size_t pages) {
    const SitePlan& plan = w.plan;
    std::string name = "authors/", title = "発言者";
    AppendIndexFile(name, page);
    if (pages > 1) {
        title += "（";
        AppendNumber(title, static_cast<long long>(page + 1));
        title += " / ";
        AppendNumber(title, static_cast<long long>(pages));
        title += "）";
    }
    PageStream file;
    if (!w.Begin(file, name, title + " - " + w.DocHtml(), "../", "authors")) return;
    std::string& o = file.Buf();
    PagerLinks links;
    if (page > 0) AppendIndexFile(links.prevHref, page - 1);
    if (page + 1 < pages) AppendIndexFile(links.nextHref, page + 1);
    AppendPager(o, "発言者一覧のページ", links);
    o += "<main>\n<h1>";
    o += title;
    o += "</h1>\n<table class=\"authors\">\n<thead><tr><th scope=\"col\">ID</th>"
         "<th scope=\"col\">発言者名</th><th scope=\"col\">発言数</th>"
         "<th scope=\"col\">最初の発言</th><th "
         "scope=\"col\">最後の発言</th></tr></thead>\n<tbody>\n";
    const std::size_t end = std::min(plan.authors.size(), (page + 1) * kAuthorsPerPage);
    for (std::size_t a = page * kAuthorsPerPage; a < end; ++a) AppendAuthorRow(o, plan.authors[a]);
    o += "</tbody>\n</table>\n</main>\n";
    AppendPager(o, "発言者一覧のページ（末尾）", links);
    w.End(file);
}

void AppendAuthorFacts(std::string& o, const AuthorPlan& a) {
    o += "<dl class=\"stats\">\n<dt>発言者名</dt><dd>";
    AppendHandles(o, a, a.handles.size());
    o += "</dd>\n<dt>発言数</dt><dd>";
    AppendCount(o, a.messages.size());
    o += "</dd>\n<dt>最初の発言</dt><dd>";
    AppendStamp(o, a.firstDate, true);
    o += "</dd>\n<dt>最後の発言</dt><dd>";
    AppendStamp(o, a.lastDate, true);
    o += "</dd>\n</dl>\n";
}

void WriteAuthorPage(SiteWriter& w, std::size_t index, std::size_t page, std::size_t pages) {
    const AuthorPlan& a = w.plan.authors[index];
    std::string name = "authors/", title;
    AppendAuthorFile(name, a, page);
    if (a.id.empty())
        title = "（IDなし）";
    else
        AppendHtmlText(title, a.id, false);
    if (!a.handles.empty()) {
        title += " ";
        AppendHtmlText(title, a.handles.front(), false);
    }
    PageStream file;
    if (!w.Begin(file, name, title + " - " + w.DocHtml(), "../", "author")) return;
    std::string& o = file.Buf();
    PagerLinks links;
    if (page > 0) AppendAuthorFile(links.prevHref, a, page - 1);
    if (page + 1 < pages) AppendAuthorFile(links.nextHref, a, page + 1);
    AppendIndexFile(links.upHref, index / kAuthorsPerPage);
    links.upText = "発言者一覧";
    AppendPager(o, "この発言者のページ", links);
    o += "<main>\n<h1>";
    o += title;
    o += "</h1>\n";
    AppendAuthorFacts(o, a);
    o += "<h2>発言</h2>\n<ul class=\"entries\">\n";
    const std::size_t end = std::min(a.messages.size(), (page + 1) * kMessagesPerPage);
    for (std::size_t k = page * kMessagesPerPage; k < end; ++k)
        AppendEntry(o, w.plan, a.messages[k], false, "");
    o += "</ul>\n</main>\n";
    AppendPager(o, "この発言者のページ（末尾）", links);
    w.End(file);
    w.Advance((end - page * kMessagesPerPage) * kUnitsPerListedMessage);
}

}  // namespace

void WriteDatePages(SiteWriter& w) {
    if (!w.sink.MakeFolder("dates")) {
        w.Fail("dates");
        return;
    }
    WriteMonthList(w);
    for (std::size_t p = 0; p < w.plan.datePages.size() && !w.Stopped(); ++p) WriteDatePage(w, p);
}

void WriteAuthorPages(SiteWriter& w) {
    if (!w.sink.MakeFolder("authors")) {
        w.Fail("authors");
        return;
    }
    const std::size_t indexPages =
        std::max<std::size_t>(1, (w.plan.authors.size() + kAuthorsPerPage - 1) / kAuthorsPerPage);
    for (std::size_t p = 0; p < indexPages && !w.Stopped(); ++p)
        WriteAuthorIndexPage(w, p, indexPages);
    for (std::size_t a = 0; a < w.plan.authors.size() && !w.Stopped(); ++a) {
        const std::size_t pages =
            (w.plan.authors[a].messages.size() + kMessagesPerPage - 1) / kMessagesPerPage;
        for (std::size_t p = 0; p < pages && !w.Stopped(); ++p) WriteAuthorPage(w, a, p, pages);
    }
}

}  // namespace orv::html
