#include "core/htmlplan.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <tuple>
#include <unordered_map>

namespace orv::html {

namespace {

void AppendNumber(std::string& out, long long n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

// Reads `count` digits at d[i], or returns false.
bool Digits(std::string_view d, std::size_t i, std::size_t count, std::uint64_t& value) {
    if (i + count > d.size()) return false;
    value = 0;
    for (std::size_t k = i; k < i + count; ++k) {
        if (d[k] < '0' || d[k] > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(d[k] - '0');
    }
    return true;
}

// The forest in document order: positions, depths, parents, threads,
// subtree spans and the copy number of each message number.
void WalkMessages(const CommentList& roots, SitePlan& plan) {
    std::vector<std::uint32_t> path;  // positions of the open ancestors
    std::unordered_map<std::int32_t, std::uint32_t> seen;
    auto close = [&](std::size_t keep) {
        const auto end = static_cast<std::uint32_t>(plan.messages.size());
        while (path.size() > keep) {
            plan.messages[path.back()].span = end - path.back();
            path.pop_back();
        }
    };
    WalkDocumentOrder(roots, [&](const CComment& rec, int depth) {
        close(static_cast<std::size_t>(depth));
        const auto pos = static_cast<std::uint32_t>(plan.messages.size());
        MessagePlan m;
        m.rec = &rec;
        m.depth = depth;
        m.date = DateStamp(rec.GetDateTime());
        m.copy = ++seen[rec.GetNumber()];
        if (depth == 0) plan.threads.push_back(ThreadPlan{pos, 0, 0, 0});
        m.thread = static_cast<std::uint32_t>(plan.threads.size() - 1);
        if (!path.empty()) m.parent = path.back();
        ThreadPlan& t = plan.threads.back();
        ++t.count;
        if (m.date && (!t.firstDate || m.date < t.firstDate)) t.firstDate = m.date;
        if (m.date > t.lastDate) t.lastDate = m.date;
        plan.messages.push_back(m);
        path.push_back(pos);
    });
    close(0);
}

// The date order (messages without a date last) and its pages: one month
// per page, cut at kMessagesPerPage.
void OrderByDate(SitePlan& plan) {
    const std::size_t n = plan.messages.size();
    plan.byDate.resize(n);
    for (std::size_t i = 0; i < n; ++i) plan.byDate[i] = static_cast<std::uint32_t>(i);
    auto key = [&](std::uint32_t p) {
        const MessagePlan& m = plan.messages[p];
        return std::make_tuple(m.date == 0, m.date, m.rec->GetNumber(), p);
    };
    std::sort(plan.byDate.begin(), plan.byDate.end(),
              [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
    plan.datePageOf.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        MessagePlan& m = plan.messages[plan.byDate[i]];
        m.chrono = static_cast<std::uint32_t>(i);
        const auto month = static_cast<std::uint32_t>(m.date / 100000000u);
        if (m.date == 0) ++plan.undated;
        DatePage* last = plan.datePages.empty() ? nullptr : &plan.datePages.back();
        if (!last || last->month != month || last->end - last->begin >= kMessagesPerPage) {
            const std::uint32_t part = (last && last->month == month) ? last->part + 1 : 1;
            const auto at = static_cast<std::uint32_t>(i);
            plan.datePages.push_back(DatePage{month, part, at, at});
        }
        ++plan.datePages.back().end;
        plan.datePageOf[i] = static_cast<std::uint32_t>(plan.datePages.size() - 1);
    }
}

// Every month from the first dated message to the last, empty ones too.
void CountMonths(SitePlan& plan) {
    for (std::size_t p = 0; p < plan.datePages.size(); ++p) {
        const DatePage& page = plan.datePages[p];
        if (page.month == 0) continue;
        if (!plan.months.empty()) {
            std::uint32_t next = plan.months.back().month;
            while (next != page.month && next < page.month) {
                next = (next % 100 == 12) ? (next / 100 + 1) * 100 + 1 : next + 1;
                if (next != page.month) plan.months.push_back(MonthCount{next, 0, kNone});
            }
        }
        if (plan.months.empty() || plan.months.back().month != page.month)
            plan.months.push_back(MonthCount{page.month, 0, static_cast<std::uint32_t>(p)});
        plan.months.back().messages += page.end - page.begin;
    }
}

// A file name for an author that no other author's can equal, also where
// names differ only in letter case: plain IDs of capitals and digits as
// they are, others as hexadecimal bytes, very long ones by their place.
std::string AuthorFile(std::string_view id, std::size_t index) {
    const bool plain =
        !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
    if (plain) return "u-" + std::string(id);
    std::string name;
    if (id.size() > 64) {
        name = "n-";
        AppendNumber(name, static_cast<long long>(index + 1));
        return name;
    }
    name = "x-";
    static const char kHex[] = "0123456789abcdef";
    for (unsigned char c : id) {
        name += kHex[c >> 4];
        name += kHex[c & 15];
    }
    return name;
}

// The names an author used, the most frequent first (ties by first use).
void CollectHandles(const SitePlan& plan, AuthorPlan& a) {
    std::vector<std::pair<std::string_view, std::uint32_t>> names;  // name, first use
    names.reserve(a.messages.size());
    for (std::uint32_t i = 0; i < a.messages.size(); ++i)
        names.emplace_back(plan.messages[a.messages[i]].rec->GetAuthor(), i);
    std::sort(names.begin(), names.end());
    std::vector<std::tuple<std::size_t, std::uint32_t, std::string_view>> counted;
    for (std::size_t i = 0; i < names.size();) {
        std::size_t j = i;
        while (j < names.size() && names[j].first == names[i].first) ++j;
        counted.emplace_back(names.size() - (j - i), names[i].second, names[i].first);
        i = j;
    }
    std::sort(counted.begin(), counted.end());
    for (const auto& c : counted) a.handles.push_back(std::get<2>(c));
}

void GroupAuthors(SitePlan& plan) {
    std::map<std::string_view, std::uint32_t> index;
    for (const MessagePlan& m : plan.messages) index.emplace(m.rec->GetId(), 0);
    plan.authors.resize(index.size());
    std::uint32_t k = 0;
    for (auto& [id, slot] : index) {
        slot = k;
        plan.authors[k].id = id;
        plan.authors[k].file = AuthorFile(id, k);
        ++k;
    }
    for (std::uint32_t pos : plan.byDate) {
        MessagePlan& m = plan.messages[pos];
        m.author = index[m.rec->GetId()];
        AuthorPlan& a = plan.authors[m.author];
        a.messages.push_back(pos);
        if (m.date && !a.firstDate) a.firstDate = m.date;
        if (m.date) a.lastDate = m.date;
    }
    for (AuthorPlan& a : plan.authors) CollectHandles(plan, a);
}

}  // namespace

// The years a four-digit date may name; two-digit years are 1970-2069.
constexpr std::uint64_t kFirstYear = 1900, kLastYear = 2099;

std::uint64_t DateStamp(std::string_view d) {
    std::uint64_t year, month, day, hour = 0, minute = 0, second = 0;
    std::size_t at;
    if (Digits(d, 0, 4, year) && d.size() > 4 && d[4] == '/') {
        // Years far from any log's are damage: each month between the
        // first and the last date gets a bar on the front page.
        if (year < kFirstYear || year > kLastYear) return 0;
        at = 5;
    } else if (Digits(d, 0, 2, year) && d.size() > 2 && d[2] == '/') {
        year += year >= 70 ? 1900 : 2000;
        at = 3;
    } else {
        return 0;
    }
    if (!Digits(d, at, 2, month) || d.size() <= at + 2 || d[at + 2] != '/' ||
        !Digits(d, at + 3, 2, day) || month < 1 || month > 12 || day < 1 || day > 31)
        return 0;
    at += 5;
    // The time as far as it is there: "hh", "hh:mm" or "hh:mm:ss".
    std::uint64_t v;
    if (at < d.size() && d[at] == ' ' && Digits(d, at + 1, 2, v)) {
        hour = v;
        if (d.size() > at + 3 && d[at + 3] == ':' && Digits(d, at + 4, 2, v)) {
            minute = v;
            if (d.size() > at + 6 && d[at + 6] == ':' && Digits(d, at + 7, 2, v)) second = v;
        }
    }
    const std::uint64_t date = (year * 100 + month) * 100 + day;
    return ((date * 100 + hour) * 100 + minute) * 100 + second;
}

SitePlan PlanSite(const CommentList& roots) {
    SitePlan plan;
    WalkMessages(roots, plan);
    OrderByDate(plan);
    CountMonths(plan);
    GroupAuthors(plan);
    return plan;
}

void AppendAnchor(std::string& out, const MessagePlan& m) {
    out += 'n';
    AppendNumber(out, m.rec->GetNumber());
    if (m.copy > 1) {
        out += '_';
        AppendNumber(out, m.copy);
    }
}

void AppendThreadFile(std::string& out, const SitePlan& plan, std::uint32_t thread) {
    const std::size_t at = out.size();
    AppendAnchor(out, plan.messages[plan.threads[thread].first]);
    out.erase(at, 1);  // the anchor without its "n"
    out += ".html";
}

void AppendMessageHref(std::string& out, const SitePlan& plan, std::uint32_t pos,
                       std::string_view prefix) {
    out += prefix;
    out += "threads/";
    AppendThreadFile(out, plan, plan.messages[pos].thread);
    out += '#';
    AppendAnchor(out, plan.messages[pos]);
}

void AppendDateFile(std::string& out, const DatePage& page) {
    if (page.month == 0) {
        out += "undated";
    } else {
        AppendNumber(out, page.month / 100);
        out += (page.month % 100 < 10) ? "-0" : "-";
        AppendNumber(out, page.month % 100);
    }
    if (page.part > 1) {
        out += '-';
        AppendNumber(out, page.part);
    }
    out += ".html";
}

void AppendIndexFile(std::string& out, std::size_t page) {
    out += "index";
    if (page > 0) {
        out += '-';
        AppendNumber(out, static_cast<long long>(page + 1));
    }
    out += ".html";
}

void AppendAuthorFile(std::string& out, const AuthorPlan& author, std::size_t page) {
    out += author.file;
    if (page > 0) {
        out += '-';
        AppendNumber(out, static_cast<long long>(page + 1));
    }
    out += ".html";
}

}  // namespace orv::html
