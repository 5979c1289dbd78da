// The thread pages: every message of a thread with its header fields, its
// text, and links to the message it answers, its replies, and the messages
// before and after it by date.
#include <algorithm>

#include "core/htmlmarkup.h"

namespace orv::html {

namespace {

// A link target for message pos seen from a page of threads/.
void AppendThreadHref(std::string& out, const SitePlan& plan, std::uint32_t pos,
                      std::uint32_t fromThread) {
    const MessagePlan& m = plan.messages[pos];
    if (m.thread != fromThread) AppendThreadFile(out, plan, m.thread);
    out += '#';
    AppendAnchor(out, m);
}

void AppendField(std::string& o, const char* cls, const char* label) {
    o += "<div class=\"";
    o += cls;
    o += "\"><span class=\"label\">";
    o += label;
    o += "　：　</span>";
}

// The header fields, laid out like the viewer's band.
void AppendBand(std::string& o, const SitePlan& plan, const MessagePlan& m) {
    const CComment& rec = *m.rec;
    o += "<div class=\"band\">\n<h2 class=\"title\"><span class=\"label\">タイトル　：　</span>";
    AppendTitle(o, rec.GetTitle());
    o += "</h2>\n";
    AppendField(o, "number", "発言番号");
    AppendNumber(o, rec.GetNumber());
    o += "</div>\n";
    AppendField(o, "author", "発言者");
    AppendHtmlText(o, rec.GetAuthor(), false);
    o += "</div>\n";
    AppendField(o, "id", "ID");
    o += "<a href=\"../authors/";
    AppendAuthorFile(o, plan.authors[m.author], 0);
    o += "\">";
    AppendHtmlText(o, rec.GetId(), false);
    o += "</a></div>\n";
    AppendField(o, "date", "日時");
    AppendHtmlText(o, rec.GetDateTime(), false);
    o += "</div>\n";
    if (m.depth > 0) {
        o += "<div class=\"level\">階層 ";
        AppendNumber(o, m.depth);
        o += "</div>\n";
    }
    o += "</div>\n";
}

void AppendReplyLinks(std::string& o, const SitePlan& plan, std::uint32_t pos) {
    const MessagePlan& m = plan.messages[pos];
    const CommentList replies = m.rec->GetReplies();
    if (replies.empty()) return;
    o += "<li class=\"replies\">コメント：";
    std::uint32_t r = pos + 1;
    for (std::size_t k = 0; k < replies.size(); ++k) {
        if (k) o += "、";
        o += "<a href=\"#";
        AppendAnchor(o, plan.messages[r]);
        o += "\">";
        AppendNumber(o, plan.messages[r].rec->GetNumber());
        o += "</a>";
        r += plan.messages[r].span;
    }
    o += "</li>\n";
}

void AppendDateNeighbour(std::string& o, const SitePlan& plan, std::uint32_t chrono,
                         std::uint32_t fromThread, const char* rel, const char* text) {
    o += "<li class=\"";
    o += rel;
    o += "\"><a href=\"";
    AppendThreadHref(o, plan, plan.byDate[chrono], fromThread);
    o += "\" rel=\"";
    o += rel;
    o += "\">";
    o += text;
    o += "</a></li>\n";
}

// The link row: parent, replies, neighbours by date, place in the date index.
void AppendLinks(std::string& o, const SitePlan& plan, std::uint32_t pos) {
    const MessagePlan& m = plan.messages[pos];
    o += "<ul class=\"links\">\n";
    if (m.parent != kNone) {
        o += "<li><a href=\"#";
        AppendAnchor(o, plan.messages[m.parent]);
        o += "\" rel=\"up\">";
        AppendNumber(o, plan.messages[m.parent].rec->GetNumber());
        o += " へのコメント</a></li>\n";
    }
    AppendReplyLinks(o, plan, pos);
    if (m.chrono > 0)
        AppendDateNeighbour(o, plan, m.chrono - 1, m.thread, "prev", "← 日付順で前の発言");
    if (m.chrono + 1 < plan.byDate.size())
        AppendDateNeighbour(o, plan, m.chrono + 1, m.thread, "next", "日付順で次の発言 →");
    o += "<li><a href=\"../dates/";
    AppendDateFile(o, plan.datePages[plan.datePageOf[m.chrono]]);
    o += "#d";
    AppendAnchor(o, m);
    o += "\">日付順の一覧</a></li>\n</ul>\n";
}

void AppendMessage(std::string& o, const SitePlan& plan, std::uint32_t pos) {
    const MessagePlan& m = plan.messages[pos];
    o += "<article class=\"message\" id=\"";
    AppendAnchor(o, m);
    o += "\" style=\"--depth:";
    AppendNumber(o, std::min(m.depth, kHtmlMaxNesting));
    o += "\">\n";
    AppendBand(o, plan, m);
    o += "<pre class=\"text\">\n";
    AppendHtmlText(o, m.rec->GetText(), true);
    o += "</pre>\n";
    AppendLinks(o, plan, pos);
    o += "</article>\n";
}

void AppendThreadNav(std::string& o, const SitePlan& plan, std::uint32_t t, const char* label) {
    PagerLinks links;
    links.prevText = "← 前のスレッド";
    links.nextText = "次のスレッド →";
    if (t > 0) AppendThreadFile(links.prevHref, plan, t - 1);
    if (t + 1 < plan.threads.size()) AppendThreadFile(links.nextHref, plan, t + 1);
    // 目次 leads back to this thread's own line of the front pages.
    links.upHref = "../";
    AppendIndexFile(links.upHref, t / kThreadsPerPage);
    links.upHref += "#t";
    AppendThreadFile(links.upHref, plan, t);
    links.upHref.resize(links.upHref.size() - 5);  // without ".html"
    links.upText = "目次";
    AppendPager(o, label, links);
}

void WriteThreadPage(SiteWriter& w, std::uint32_t t) {
    const SitePlan& plan = w.plan;
    const ThreadPlan& thread = plan.threads[t];
    const CComment& top = *plan.messages[thread.first].rec;
    std::string name = "threads/", title;
    AppendThreadFile(name, plan, t);
    AppendTitle(title, top.GetTitle());
    PageStream page;
    if (!w.Begin(page, name, title + " - " + w.DocHtml(), "../", "thread")) return;
    std::string& o = page.Buf();
    AppendThreadNav(o, plan, t, "スレッド");
    o += "<main>\n<h1>";
    o += title;
    o += "</h1>\n<p class=\"about\">発言 ";
    AppendCount(o, thread.count);
    o += " 件、";
    AppendStamp(o, thread.firstDate, false);
    o += " から ";
    AppendStamp(o, thread.lastDate, false);
    o += "</p>\n";
    for (std::uint32_t pos = thread.first; pos < thread.first + thread.count; ++pos) {
        AppendMessage(o, plan, pos);
        page.MaybeFlush();
        w.Advance(1);
        if (w.Stopped() || !page.Ok()) break;
    }
    o += "</main>\n";
    AppendThreadNav(o, plan, t, "スレッド（ページ末）");
    w.End(page);
}

}  // namespace

void WriteThreadPages(SiteWriter& w) {
    if (w.plan.threads.empty()) return;
    if (!w.sink.MakeFolder("threads")) {
        w.Fail("threads");
        return;
    }
    for (std::uint32_t t = 0; t < w.plan.threads.size() && !w.Stopped(); ++t) WriteThreadPage(w, t);
}

}  // namespace orv::html
