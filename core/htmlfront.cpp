// The front pages: the forum's figures and its activity by month on the
// first, then every thread as one line of a table, kThreadsPerPage lines a
// page.
#include <algorithm>

#include "core/htmlmarkup.h"

namespace orv::html {

namespace {

// The chart's frame in SVG user units.
constexpr int kPlotLeft = 56, kPlotTop = 12, kPlotWidth = 720, kPlotHeight = 160;
constexpr int kChartWidth = kPlotLeft + kPlotWidth + 12, kChartHeight = kPlotTop + kPlotHeight + 40;

// The smallest of 1, 2, 5 times a power of ten that is at least n.
std::uint32_t NiceCeiling(std::uint32_t n) {
    std::uint64_t step = 1;
    for (;;) {
        for (std::uint64_t f : {1u, 2u, 5u})
            if (step * f >= n) return static_cast<std::uint32_t>(step * f);
        step *= 10;
    }
}

void AppendAttr(std::string& o, const char* name, long long v) {
    o += ' ';
    o += name;
    o += "=\"";
    AppendNumber(o, v);
    o += '"';
}

void AppendChartAxis(std::string& o, std::uint32_t top) {
    o += "<g class=\"axis\">\n";
    for (int k = 0; k <= 4; ++k) {
        const int y = kPlotTop + kPlotHeight - kPlotHeight * k / 4;
        o += "<line";
        AppendAttr(o, "x1", kPlotLeft);
        AppendAttr(o, "x2", kPlotLeft + kPlotWidth);
        AppendAttr(o, "y1", y);
        AppendAttr(o, "y2", y);
        o += "/><text";
        AppendAttr(o, "x", kPlotLeft - 6);
        AppendAttr(o, "y", y + 4);
        o += " text-anchor=\"end\">";
        AppendCount(o, static_cast<std::size_t>(top) * static_cast<std::size_t>(k) / 4);
        o += "</text>\n";
    }
    o += "</g>\n";
}

// A label under the bar of month m: the year at January and at the first
// bar, the month's number as well when there are few bars.
void AppendMonthLabel(std::string& o, const MonthCount& m, std::size_t i, std::size_t bars,
                      double x) {
    const bool yearStart = m.month % 100 == 1 || i == 0;
    const std::size_t yearStep = std::max<std::size_t>(1, bars / 120);  // about 10 labels
    if (bars <= 24) {
        o += "<text class=\"month\"";
        AppendAttr(o, "x", static_cast<long long>(x));
        AppendAttr(o, "y", kPlotTop + kPlotHeight + 14);
        o += " text-anchor=\"middle\">";
        AppendNumber(o, m.month % 100);
        o += "</text>\n";
    }
    if (!yearStart || (m.month / 100) % yearStep != 0) return;
    o += "<text class=\"year\"";
    AppendAttr(o, "x", static_cast<long long>(x));
    AppendAttr(o, "y", kPlotTop + kPlotHeight + 30);
    o += " text-anchor=\"middle\">";
    AppendNumber(o, m.month / 100);
    o += "</text>\n";
}

void AppendChartBar(std::string& o, const MonthCount& m, double x, double width,
                    std::uint32_t top) {
    const int h = static_cast<int>(static_cast<double>(m.messages) * kPlotHeight / top + 0.5);
    if (m.datePage != kNone) {
        o += "<a href=\"dates/";
        AppendDateFile(o, DatePage{m.month, 1, 0, 0});
        o += "\">";
    }
    o += "<rect";
    AppendAttr(o, "x", static_cast<long long>(x + width * 0.1));
    AppendAttr(o, "y", kPlotTop + kPlotHeight - h);
    AppendAttr(o, "width", std::max<long long>(1, static_cast<long long>(width * 0.8)));
    AppendAttr(o, "height", h);
    o += "><title>";
    AppendMonth(o, m.month);
    o += "：";
    AppendCount(o, m.messages);
    o += " 件</title></rect>";
    o += m.datePage != kNone ? "</a>\n" : "\n";
}

// Messages per month as bars; every bar has its month and count as a
// title, and the same figures stand in a table below for any reader.
void AppendActivityChart(std::string& o, const SitePlan& plan) {
    if (plan.months.empty()) return;
    std::uint32_t most = 1;
    for (const MonthCount& m : plan.months) most = std::max(most, m.messages);
    const std::uint32_t top = NiceCeiling(most);
    o += "<figure class=\"chart\">\n<figcaption id=\"chart-title\">月ごとの発言数</figcaption>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
    AppendNumber(o, kChartWidth);
    o += ' ';
    AppendNumber(o, kChartHeight);
    o += "\" aria-labelledby=\"chart-title\">\n";
    AppendChartAxis(o, top);
    const double width = static_cast<double>(kPlotWidth) / static_cast<double>(plan.months.size());
    o += "<g class=\"bars\">\n";
    for (std::size_t i = 0; i < plan.months.size(); ++i) {
        const double x = kPlotLeft + width * static_cast<double>(i);
        AppendChartBar(o, plan.months[i], x, width, top);
        AppendMonthLabel(o, plan.months[i], i, plan.months.size(), x + width / 2);
    }
    o += "</g>\n</svg>\n</figure>\n<details "
         "class=\"months\">\n<summary>月ごとの発言数（表）</summary>\n"
         "<table>\n<thead><tr><th scope=\"col\">月</th><th "
         "scope=\"col\">発言数</th></tr></thead>\n<tbody>\n";
    for (const MonthCount& m : plan.months) {
        if (m.messages == 0) continue;
        o += "<tr><td><a href=\"dates/";
        AppendDateFile(o, DatePage{m.month, 1, 0, 0});
        o += "\">";
        AppendMonth(o, m.month);
        o += "</a></td> <td class=\"num\">";
        AppendCount(o, m.messages);
        o += "</td></tr>\n";
    }
    o += "</tbody>\n</table>\n</details>\n";
}

void AppendStat(std::string& o, const char* label, std::string_view valueHtml) {
    o += "<dt>";
    o += label;
    o += "</dt><dd>";
    o += valueHtml;
    o += "</dd>\n";
}

void AppendFigures(std::string& o, const SitePlan& plan) {
    auto number = [](std::size_t n) {
        std::string s;
        AppendCount(s, n);
        return s;
    };
    // The first and last date-time as the records give them.
    std::string first = "—", last = "—";
    const std::size_t dated = plan.byDate.size() - plan.undated;
    if (dated > 0) {
        first.clear();
        last.clear();
        AppendHtmlText(first, plan.messages[plan.byDate.front()].rec->GetDateTime(), false);
        AppendHtmlText(last, plan.messages[plan.byDate[dated - 1]].rec->GetDateTime(), false);
    }
    o += "<dl class=\"stats\">\n";
    AppendStat(o, "発言数", number(plan.messages.size()));
    AppendStat(o, "スレッド数", number(plan.threads.size()));
    AppendStat(o, "発言者数", number(plan.authors.size()));
    AppendStat(o, "最初の日時", first);
    AppendStat(o, "最後の日時", last);
    if (plan.undated) AppendStat(o, "日時不明の発言", number(plan.undated));
    o += "</dl>\n";
}

void AppendThreadRow(std::string& o, const SitePlan& plan, std::uint32_t t) {
    const ThreadPlan& thread = plan.threads[t];
    const CComment& top = *plan.messages[thread.first].rec;
    std::string file;
    AppendThreadFile(file, plan, t);
    o += "<tr id=\"t";
    o.append(file, 0, file.size() - 5);
    o += "\"><td class=\"title\"><a href=\"threads/";
    o += file;
    o += "\">";
    AppendTitle(o, top.GetTitle());
    o += "</a></td> <td class=\"author\">";
    AppendHtmlText(o, top.GetAuthor(), false);
    o += "</td> <td class=\"num\">";
    AppendCount(o, thread.count - 1);
    o += "</td> <td class=\"date\">";
    AppendStamp(o, thread.firstDate, false);
    o += "</td> <td class=\"date\">";
    AppendStamp(o, thread.lastDate, false);
    o += "</td></tr>\n";
}

void AppendThreadTable(std::string& o, const SitePlan& plan, std::size_t page) {
    const std::size_t begin = page * kThreadsPerPage;
    const std::size_t end = std::min(plan.threads.size(), begin + kThreadsPerPage);
    o += "<table class=\"threads\">\n<caption>スレッド ";
    AppendNumber(o, static_cast<long long>(begin + 1));
    o += "〜";
    AppendNumber(o, static_cast<long long>(end));
    o += "（全 ";
    AppendCount(o, plan.threads.size());
    o += " 件）</caption>\n<thead><tr><th scope=\"col\">タイトル</th><th scope=\"col\">発言者</th>"
         "<th scope=\"col\">返信</th><th scope=\"col\">最初の発言</th>"
         "<th scope=\"col\">最後の発言</th></tr></thead>\n<tbody>\n";
    for (std::size_t t = begin; t < end; ++t)
        AppendThreadRow(o, plan, static_cast<std::uint32_t>(t));
    o += "</tbody>\n</table>\n";
}

void WriteFrontPage(SiteWriter& w, std::size_t page, std::size_t pages) {
    std::string name, title = w.DocHtml();
    AppendIndexFile(name, page);
    if (page > 0) {
        title += " - スレッド一覧 ";
        AppendNumber(title, static_cast<long long>(page + 1));
    }
    PageStream file;
    if (!w.Begin(file, name, title, "", "front")) return;
    std::string& o = file.Buf();
    o += "<main>\n<h1>";
    o += title;
    o += "</h1>\n";
    if (page == 0) {
        AppendFigures(o, w.plan);
        AppendActivityChart(o, w.plan);
    }
    PagerLinks links;
    if (page > 0) AppendIndexFile(links.prevHref, page - 1);
    if (page + 1 < pages) AppendIndexFile(links.nextHref, page + 1);
    if (!w.plan.threads.empty()) {
        o += "<h2>スレッド一覧</h2>\n";
        AppendPager(o, "スレッド一覧のページ", links);
        AppendThreadTable(o, w.plan, page);
        AppendPager(o, "スレッド一覧のページ（表の後）", links);
    }
    o += "</main>\n";
    w.End(file);
}

}  // namespace

void WriteFrontPages(SiteWriter& w) {
    const std::size_t pages = FrontPageCount(w.plan);
    for (std::size_t p = 0; p < pages && !w.Stopped(); ++p) {
        WriteFrontPage(w, p, pages);
        w.Advance(1);
    }
}

}  // namespace orv::html
