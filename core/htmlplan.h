// The layout of an exported site, worked out before any page is written:
// where every message stands (thread, anchor, place in the date order, its
// author), the threads with their dates, the pages of the front, date and
// author indexes. Built in one walk of the forest and a few sorts; it holds
// positions and views into the records, no copies of their texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/comment.h"

namespace orv::html {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// Entries of one front page (threads), date page and author list page
// (messages), author index page (authors): small enough for a phone.
inline constexpr std::size_t kThreadsPerPage = 500;
inline constexpr std::size_t kMessagesPerPage = 500;
inline constexpr std::size_t kAuthorsPerPage = 500;

// The date-time text "YY/MM/DD hh:mm:ss" (two-digit years taken as 1970 to
// 2069) or "YYYY/MM/DD ..." (1900 to 2099) as the number YYYYMMDDhhmmss, the time part
// optional; 0 for anything that is no date.
std::uint64_t DateStamp(std::string_view dateTime);

struct MessagePlan {
    const CComment* rec = nullptr;
    std::uint64_t date = 0;        // DateStamp of its date-time
    std::uint32_t thread = 0;      // index into SitePlan::threads
    std::uint32_t parent = kNone;  // position of the message it answers
    std::uint32_t span = 1;        // the message and its subtree
    std::uint32_t copy = 1;        // 2 for the second message of its number, ...
    std::uint32_t chrono = 0;      // place in SitePlan::byDate
    std::uint32_t author = 0;      // index into SitePlan::authors
    std::int32_t depth = 0;
};

struct ThreadPlan {
    std::uint32_t first = 0;                    // position of the top-level message
    std::uint32_t count = 0;                    // messages in the thread
    std::uint64_t firstDate = 0, lastDate = 0;  // 0 when none is known
};

// A run of the date order on one page: one month (or the messages with no
// date), cut into pages of kMessagesPerPage.
struct DatePage {
    std::uint32_t month = 0;           // YYYYMM, 0 for messages without a date
    std::uint32_t part = 1;            // 1 for the month's first page
    std::uint32_t begin = 0, end = 0;  // range of SitePlan::byDate
};

struct AuthorPlan {
    std::string_view id;                    // CP932, as in the records
    std::vector<std::uint32_t> messages;    // positions, by date then number
    std::vector<std::string_view> handles;  // names used, most often first
    std::uint64_t firstDate = 0, lastDate = 0;
    std::string file;  // "u-QVA00001", without folder and ".html"
};

struct MonthCount {
    std::uint32_t month = 0;  // YYYYMM
    std::uint32_t messages = 0;
    std::uint32_t datePage = 0;  // the month's first date page
};

struct SitePlan {
    std::vector<MessagePlan> messages;  // document order
    std::vector<ThreadPlan> threads;
    std::vector<std::uint32_t> byDate;      // positions by date, then number
    std::vector<std::uint32_t> datePageOf;  // by place in byDate
    std::vector<DatePage> datePages;
    std::vector<AuthorPlan> authors;  // by ID
    std::vector<MonthCount> months;   // every month from first to last
    std::size_t undated = 0;
};

SitePlan PlanSite(const CommentList& roots);
// Pages of the front index: at least one, also for an empty document.
inline std::size_t FrontPageCount(const SitePlan& plan) {
    return plan.threads.empty() ? 1 : (plan.threads.size() + kThreadsPerPage - 1) / kThreadsPerPage;
}

// "n42", "n42_2": a message's anchor on its thread page.
void AppendAnchor(std::string& out, const MessagePlan& m);
// "42.html", "42_2.html": a thread page's file name within threads/.
void AppendThreadFile(std::string& out, const SitePlan& plan, std::uint32_t thread);
// "threads/42.html#n57" seen from a page in a folder (prefix "../") or at
// the top (prefix "").
void AppendMessageHref(std::string& out, const SitePlan& plan, std::uint32_t pos,
                       std::string_view prefix);
// "1998-04.html", "1998-04-2.html", "undated.html" within dates/.
void AppendDateFile(std::string& out, const DatePage& page);
// "index.html", "index-2.html": the n-th page (0-based) of a paged index.
void AppendIndexFile(std::string& out, std::size_t page);
// An author's n-th page (0-based) within authors/.
void AppendAuthorFile(std::string& out, const AuthorPlan& author, std::size_t page);

}  // namespace orv::html
