// The HTML site export: untrusted text stays text, every message is on the
// site once, every link lands, and the output folder is left as it was
// unless the export completes.
#include "core/htmlexport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "core/cp932.h"
#include "core/htmlmarkup.h"
#include "core/htmlplan.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"

using namespace orv;
using namespace orv::test;

namespace {

// A site held in memory; can refuse the n-th file it is asked for.
class MemorySink : public ISiteSink {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    int failAt = -1;
    int made = 0;

    bool MakeFolder(const std::string& name) override { return folders.insert(name).second; }
    std::unique_ptr<ISiteFile> NewFile(const std::string& name) override {
        if (made++ == failAt) return nullptr;
        files[name];
        return std::make_unique<File>(files[name]);
    }

private:
    struct File : ISiteFile {
        explicit File(std::string& out) : s(out) {}
        bool Write(std::string_view b) override {
            s.append(b);
            return true;
        }
        bool Close() override { return true; }
        std::string& s;
    };
};

CComment& Rec(CCommentStore& store, int number, const std::string& titleUtf8,
              const std::string& textCp932 = "text\r\n") {
    CComment& r = store.NewRecord();
    r.SetNumber(number);
    r.SetId("QVA00001");
    r.SetAuthor(Sjis("山田 一郎"));
    r.SetTitle(Sjis(titleUtf8));
    r.SetDateTimeRaw("98/04/01 21:10:05");
    r.SetText(textCp932);
    return r;
}

// Two threads: 1 with replies 2 (which has 3 and 4) and 5; 6 alone. The
// number 4 appears twice, as a loaded file may have it.
CommentList Forest(CCommentStore& s) {
    CComment& a = Rec(s, 1, "最初");
    CComment& b = Rec(s, 2, "RE:最初");
    b.AddReply(Rec(s, 3, "RE:RE:最初"));
    b.AddReply(Rec(s, 4, "RE:RE:最初 その2"));
    a.AddReply(b);
    a.AddReply(Rec(s, 5, "RE:最初 別"));
    s.AddRoot(a);
    CComment& c = Rec(s, 6, "二つ目");
    s.AddRoot(c);
    c.AddReply(Rec(s, 4, "重複番号"));
    return s.Roots();
}

struct Tag {
    std::string name;
    std::map<std::string, std::string> attrs;
};

// Every tag of a page, with its attributes (values in double quotes, as
// the exporter writes them). Fails the test on anything else after '<'.
std::vector<Tag> Tags(const std::string& html) {
    static const std::regex tagRe(
        R"(<(/?)([a-zA-Z!][a-zA-Z0-9]*)((?:\s+[a-zA-Z][a-zA-Z0-9-]*(?:="[^"<>]*")?)*)\s*/?>)");
    static const std::regex attrRe(R"re(([a-zA-Z][a-zA-Z0-9-]*)(?:="([^"]*)")?)re");
    std::vector<Tag> tags;
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string::npos) {
        std::smatch m;
        std::string rest = html.substr(i, 400);
        if (!std::regex_search(rest, m, tagRe, std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "not a tag: " << rest.substr(0, 60);
            ++i;
            continue;
        }
        Tag t;
        t.name = m[1].str() + m[2].str();
        std::string attrs = m[3].str();
        for (std::sregex_iterator it(attrs.begin(), attrs.end(), attrRe), end; it != end; ++it)
            t.attrs[(*it)[1].str()] = (*it)[2].str();
        tags.push_back(std::move(t));
        i += static_cast<std::size_t>(m.length(0));
    }
    return tags;
}

const std::set<std::string> kElements = {
    "!DOCTYPE", "html",  "head",   "meta",     "title",   "link",    "body",    "header",
    "main",     "nav",   "h1",     "h2",       "p",       "dl",      "dt",      "dd",
    "ul",       "li",    "a",      "span",     "article", "div",     "pre",     "table",
    "caption",  "thead", "tbody",  "tr",       "th",      "td",      "figure",  "figcaption",
    "svg",      "g",     "line",   "text",     "rect",    "details", "summary", "form",
    "label",    "input", "button", "noscript", "script"};
const std::set<std::string> kAttributes = {"lang",
                                           "charset",
                                           "name",
                                           "content",
                                           "rel",
                                           "href",
                                           "class",
                                           "id",
                                           "style",
                                           "aria-label",
                                           "aria-labelledby",
                                           "aria-live",
                                           "scope",
                                           "xmlns",
                                           "viewBox",
                                           "x",
                                           "y",
                                           "x1",
                                           "x2",
                                           "y1",
                                           "y2",
                                           "width",
                                           "height",
                                           "text-anchor",
                                           "action",
                                           "method",
                                           "role",
                                           "for",
                                           "type",
                                           "autocomplete",
                                           "src"};

// Folder part of a site file name, with its trailing "/".
std::string FolderOf(const std::string& name) {
    std::size_t s = name.rfind('/');
    return s == std::string::npos ? std::string() : name.substr(0, s + 1);
}

std::string Resolve(const std::string& from, const std::string& href) {
    std::string folder = FolderOf(from), rest = href;
    while (rest.rfind("../", 0) == 0) {
        rest.erase(0, 3);
        folder = FolderOf(folder.substr(0, folder.empty() ? 0 : folder.size() - 1));
    }
    return folder + rest;
}

struct SiteFacts {
    std::map<std::string, std::set<std::string>> ids;  // file -> ids
    std::map<std::string, int> articleNumber;          // "file#id" -> number shown
    int articles = 0;
};

// Checks the markup of every page and that every link lands on a file and
// an id of the site; returns what it found.
SiteFacts CheckSite(const MemorySink& site) {
    SiteFacts f;
    static const std::regex numberRe("発言番号　：　</span>(-?[0-9]+)</div>");
    for (const auto& [name, html] : site.files) {
        if (name.size() < 5 || name.substr(name.size() - 5) != ".html") continue;
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos) << name;
        for (const Tag& t : Tags(html)) {
            std::string el = t.name[0] == '/' ? t.name.substr(1) : t.name;
            EXPECT_TRUE(kElements.count(el)) << name << ": <" << t.name << ">";
            for (const auto& [attr, value] : t.attrs) {
                EXPECT_TRUE(kAttributes.count(attr) || (el == "!DOCTYPE" && attr == "html"))
                    << name << ": " << attr;
                if (attr == "id") {
                    EXPECT_TRUE(f.ids[name].insert(value).second) << value;
                }
            }
        }
        // Articles with the number their band shows.
        static const std::string open = "<article class=\"message\" id=\"";
        std::size_t at = 0;
        while ((at = html.find(open, at)) != std::string::npos) {
            at += open.size();
            std::string id = html.substr(at, html.find('"', at) - at);
            std::smatch m;
            std::string rest = html.substr(at, 2000);
            EXPECT_TRUE(std::regex_search(rest, m, numberRe)) << id;
            f.articleNumber[name + "#" + id] = std::stoi(m[1].str());
            ++f.articles;
        }
    }
    for (const auto& [name, html] : site.files) {
        if (name.size() < 5 || name.substr(name.size() - 5) != ".html") continue;
        for (const Tag& t : Tags(html)) {
            auto h = t.attrs.find("href");
            if (h == t.attrs.end()) continue;
            const std::string& href = h->second;
            std::size_t hash = href.find('#');
            std::string file = hash == 0 ? name : Resolve(name, href.substr(0, hash));
            EXPECT_TRUE(site.files.count(file)) << name << " -> " << href;
            if (hash != std::string::npos && site.files.count(file)) {
                EXPECT_TRUE(f.ids[file].count(href.substr(hash + 1))) << name << " -> " << href;
            }
        }
    }
    return f;
}

std::vector<std::string> Listing(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        names.push_back(reinterpret_cast<const char*>(e.path().u8string().c_str()));
    std::sort(names.begin(), names.end());
    return names;
}

// A path of UTF-8 bytes, also where the system's narrow names are not UTF-8.
std::filesystem::path U8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

TEST(HtmlExport, HostileTitlesAndTextsReachThePageAsText) {
    CCommentStore store;
    CComment& top = Rec(store, 1, "<script>alert(1)</script>",
                        "</pre><img src=x onerror=alert(1)>\r\n\"'&amp;\r\n");
    store.AddRoot(top);
    top.SetAuthor("\"><a href=\"javascript:x\">");
    top.SetId("' onmouseover='x");
    top.AddReply(Rec(store, 2, "</title><style>*{}</style>", "<!-- --><a href=x>"));
    const CommentList roots = store.Roots();
    MemorySink site;
    ASSERT_EQ(WriteHtmlSite(roots, "<b>doc</b>.mld", site, nullptr, nullptr).status,
              HtmlExportStatus::Ok);
    CheckSite(site);  // only the exporter's own elements and attributes
    const std::string& page = site.files["threads/1.html"];
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&lt;/pre&gt;&lt;img src=x onerror=alert(1)&gt;\n&quot;&#39;&amp;amp;"),
              std::string::npos);
    EXPECT_NE(page.find("&lt;/title&gt;&lt;style&gt;"), std::string::npos);
    EXPECT_NE(site.files["index.html"].find("<h1>&lt;b&gt;doc&lt;/b&gt;.mld</h1>"),
              std::string::npos);
    for (const auto& [name, html] : site.files) {
        EXPECT_EQ(html.find("javascript:x\""), std::string::npos) << name;
        EXPECT_EQ(html.find("<img"), std::string::npos) << name;
    }
}

// The hrefs of a page's links, each with how often it appears.
std::multiset<std::string> Links(const std::string& html) {
    std::multiset<std::string> links;
    for (const Tag& t : Tags(html))
        if (t.attrs.count("href")) links.insert(t.attrs.at("href"));
    return links;
}

TEST(HtmlExport, EveryMessageOnceAndEveryLinkLands) {
    CCommentStore store;
    CommentList roots = Forest(store);
    MemorySink site;
    FakeProgressFactory progress;
    ASSERT_EQ(WriteHtmlSite(roots, "forum.mld", site, &progress, nullptr).status,
              HtmlExportStatus::Ok);
    SiteFacts f = CheckSite(site);
    EXPECT_EQ(f.articles, 7);
    // Threads are named by their first message; the second message 4 gets
    // a suffix of its own.
    EXPECT_EQ(f.articleNumber.at("threads/1.html#n4"), 4);
    EXPECT_EQ(f.articleNumber.at("threads/6.html#n4_2"), 4);
    for (const char* name :
         {"style.css", "index.html", "dates/index.html", "dates/1998-04.html", "authors/index.html",
          "authors/u-QVA00001.html", "search.html", "search/search.js", "search/data-1.js"})
        EXPECT_EQ(site.files.count(name), 1u) << name;
    // Articles only on thread pages; the date index and the author's page
    // link each message once.
    for (const auto& [name, html] : site.files) {
        if (name.rfind("threads/", 0) != 0) {
            EXPECT_EQ(html.find("<article"), std::string::npos) << name;
        }
    }
    for (const char* index : {"dates/1998-04.html", "authors/u-QVA00001.html"}) {
        const auto links = Links(site.files[index]);
        for (const auto& [key, number] : f.articleNumber)
            EXPECT_EQ(links.count("../" + key), 1u) << index << " " << key;
    }
    const std::string& front = site.files["index.html"];
    EXPECT_NE(front.find("<dt>発言数</dt><dd>7</dd>"), std::string::npos);
    EXPECT_NE(front.find("<dt>スレッド数</dt><dd>2</dd>"), std::string::npos);
    EXPECT_NE(front.find("<tr id=\"t6\"><td class=\"title\"><a href=\"threads/6.html\">二つ目</a>"),
              std::string::npos);
    // 目次 leads back to the thread's own line.
    EXPECT_EQ(Links(site.files["threads/6.html"]).count("../index.html#t6"), 2u);
    // Links to parent and replies name the numbers of the messages they reach,
    // also past a reply with a subtree of its own.
    static const std::regex linkRe("<a href=\"#(n[0-9_]+)\"[^>]*>([0-9]+)[^<]*</a>");
    int links = 0;
    for (const auto& [name, html] : site.files)
        for (std::sregex_iterator it(html.begin(), html.end(), linkRe), end; it != end; ++it) {
            EXPECT_EQ(f.articleNumber[name + "#" + (*it)[1].str()], std::stoi((*it)[2].str()))
                << name << " " << it->str();
            ++links;
        }
    EXPECT_EQ(links, 10);  // five replies, each linked from its parent and back
    // Replies are apart in the text, not only on the screen.
    EXPECT_NE(site.files["threads/1.html"].find(">3</a>、<a href=\"#n4\">4</a>"),
              std::string::npos);
    ASSERT_EQ(progress.dialogs.size(), 1u);
    EXPECT_FALSE(progress.dialogs[0].cancelMode);
    EXPECT_EQ(progress.dialogs[0].positions.back(), 100);
    EXPECT_TRUE(progress.dialogs[0].destroyed);
}

TEST(HtmlExport, TextKeepsLinesTabsAndShowsBadBytesAsReplacement) {
    std::string out;
    AppendHtmlText(out, "\r\na\tb\r\nc\rd\x1b[0m\x82", true);
    // A lone lead byte shows as the system's replacement character (U+FFFD
    // through ICU, the code page's default character on Windows).
    const std::string lone = Cp932ToUtf8("\x82");
    ASSERT_FALSE(lone.empty());
    EXPECT_EQ(out, "\na\tb\nc\nd\xEF\xBF\xBD[0m" + lone);
    CCommentStore store;
    store.AddRoot(Rec(store, 1, "t", "\r\nfirst line after an empty one\r\n"));
    const CommentList roots = store.Roots();
    MemorySink site;
    WriteHtmlSite(roots, "d", site, nullptr, nullptr);
    // The parser drops one line feed after <pre>: the empty first line stays.
    EXPECT_NE(site.files["threads/1.html"].find("<pre class=\"text\">\n\nfirst line"),
              std::string::npos);
}

TEST(HtmlExport, MillionLevelChainIsWrittenWithCappedNesting) {
    CCommentStore store;
    CComment* tail = &store.NewRecord();
    store.AddRoot(*tail);
    for (int i = 1; i < 1000000; ++i) {
        CComment& next = store.NewRecord();
        next.SetNumber(i);
        tail->AddReply(next);
        tail = &next;
    }
    const CommentList roots = store.Roots();
    // Counts instead of keeping: the deepest list nesting, the articles, and
    // indents past the cap.
    struct CountingSink : ISiteSink {
        int maxUl = 0, ul = 0;
        long articles = 0, deeper = 0;
        bool MakeFolder(const std::string&) override { return true; }
        std::unique_ptr<ISiteFile> NewFile(const std::string&) override {
            return std::make_unique<Counter>(*this);
        }
        struct Counter : ISiteFile {
            explicit Counter(CountingSink& sink) : s(sink) {}
            // Looks at every '<' and "--depth:" that starts before the
            // last 16 bytes; those bytes wait for the next write.
            bool Write(std::string_view b) override {
                std::string chunk = carry;
                chunk.append(b);
                const std::size_t limit = chunk.size() > 16 ? chunk.size() - 16 : 0;
                for (std::size_t i = 0; i < limit; ++i) {
                    const char* p = chunk.data() + i;
                    if (*p == '-' && std::memcmp(p, "--depth:", 8) == 0 &&
                        std::atoi(p + 8) > kHtmlMaxNesting)
                        ++s.deeper;
                    if (*p != '<') continue;
                    if (std::memcmp(p, "<ul", 3) == 0) s.maxUl = std::max(s.maxUl, ++s.ul);
                    if (std::memcmp(p, "</ul>", 5) == 0) --s.ul;
                    if (std::memcmp(p, "<arti", 5) == 0) ++s.articles;
                }
                carry = chunk.substr(limit);
                return true;
            }
            bool Close() override { return true; }
            CountingSink& s;
            std::string carry;
        };
    } sink;
    ASSERT_EQ(WriteHtmlSite(roots, "deep", sink, nullptr, nullptr).status, HtmlExportStatus::Ok);
    EXPECT_EQ(sink.articles, 1000000);
    EXPECT_EQ(sink.maxUl, 1);  // lists never nest, whatever the depth
    EXPECT_EQ(sink.ul, 0);
    EXPECT_EQ(sink.deeper, 0);  // indents stop at the cap
}

TEST(HtmlExport, FileThatCannotBeMadeFailsNamingIt) {
    CCommentStore store;
    CommentList roots = Forest(store);
    MemorySink site;
    site.failAt = 2;  // style, first thread, second thread
    HtmlExportResult r = WriteHtmlSite(roots, "d", site, nullptr, nullptr);
    EXPECT_EQ(r.status, HtmlExportStatus::Failed);
    EXPECT_EQ(r.path, "threads/6.html");
}

struct HtmlExportFolder : ::testing::Test {
    TempDir dir;
    CCommentStore store;
    CommentList roots = Forest(store);
    FakeProgressFactory progress;
    FakePrompter prompter;
};

TEST_F(HtmlExportFolder, WritesIntoAMissingOrEmptyFolder) {
    const std::string out = dir.File("site");
    ASSERT_EQ(ExportHtmlSite(roots, "d", out, &progress, &prompter).status, HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(out + "/index.html"));
    EXPECT_TRUE(std::filesystem::exists(out + "/threads/6.html"));
    // An empty folder is taken, also with a trailing "/".
    std::filesystem::create_directory(dir.File("empty"));
    ASSERT_EQ(ExportHtmlSite(roots, "d", dir.File("empty") + "/", nullptr, nullptr).status,
              HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(dir.File("empty/index.html")));
    // A name outside ASCII is the name the folder gets.
    const std::string named = dir.File("site") + "\xE3\x82\xB5\xE3\x82\xA4\xE3\x83\x88";  // サイト
    ASSERT_EQ(ExportHtmlSite(roots, "d", named, nullptr, nullptr).status, HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(U8(named + "/threads/1.html")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              3);  // no temporary folder left beside
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(HtmlExportFolder, NonEmptyFolderOrFileIsRefusedAndUntouched) {
    const std::string out = dir.File("site");
    std::filesystem::create_directory(out);
    dir.Write("site/keep.txt", "mine");
    dir.Write("file", "x");
    const auto before = Listing(dir.Path());
    HtmlExportResult r = ExportHtmlSite(roots, "d", out, &progress, &prompter);
    EXPECT_EQ(r.status, HtmlExportStatus::NotEmpty);
    EXPECT_NE(DescribeHtmlExportFailure(r).find(out), std::string::npos);
    EXPECT_EQ(ExportHtmlSite(roots, "d", dir.File("file"), nullptr, nullptr).status,
              HtmlExportStatus::NotAFolder);
    EXPECT_EQ(Listing(dir.Path()), before);
    EXPECT_EQ(ReadAll(dir.File("site/keep.txt")), "mine");
    EXPECT_TRUE(progress.dialogs.empty());
    // A folder that cannot be made beside: failure, nothing made.
    EXPECT_EQ(ExportHtmlSite(roots, "d", dir.File("no/such/site"), nullptr, nullptr).status,
              HtmlExportStatus::Failed);
    EXPECT_EQ(Listing(dir.Path()), before);
}

TEST_F(HtmlExportFolder, CancelAsksAndLeavesNothing) {
    std::filesystem::create_directory(dir.File("empty"));
    const auto before = Listing(dir.Path());
    // No goes on and asks again at the next request; Yes stops.
    progress.cancelAfter = 2;
    prompter.answers = {MsgAnswer::No};
    ASSERT_EQ(ExportHtmlSite(roots, "d", dir.File("site"), &progress, &prompter).status,
              HtmlExportStatus::Ok);
    ASSERT_EQ(prompter.Ids(), std::vector<int>{res::IDS_HTML_ASK_CANCEL});
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    std::filesystem::remove_all(dir.File("site"));

    for (const std::string& target : {dir.File("site"), dir.File("empty")}) {
        progress.totalChecks = 0;
        prompter.answers = {MsgAnswer::Yes};
        EXPECT_EQ(ExportHtmlSite(roots, "d", target, &progress, &prompter).status,
                  HtmlExportStatus::Cancelled);
        EXPECT_EQ(Listing(dir.Path()), before) << target;
    }
    EXPECT_EQ(progress.live, 0);
}

TEST(HtmlExport, AddressesSurviveLateMessages) {
    CCommentStore store;
    CommentList roots = Forest(store);
    MemorySink before;
    ASSERT_EQ(WriteHtmlSite(roots, "d", before, nullptr, nullptr).status, HtmlExportStatus::Ok);
    const SiteFacts old = CheckSite(before);
    // A late reply deep in the first thread (every later message would
    // move if addresses counted positions), one to the first message, and
    // a new thread.
    roots[0]->GetReplies()[0]->GetReplies()[0]->AddReply(Rec(store, 7, "遅れた返事"));
    roots[0]->AddReply(Rec(store, 8, "もう一つ"));
    store.AddRoot(Rec(store, 9, "新しいスレッド"));
    roots = store.Roots();
    MemorySink after;
    ASSERT_EQ(WriteHtmlSite(roots, "d", after, nullptr, nullptr).status, HtmlExportStatus::Ok);
    const SiteFacts now = CheckSite(after);
    EXPECT_EQ(now.articles, old.articles + 3);
    for (const auto& [address, number] : old.articleNumber) {
        ASSERT_TRUE(now.articleNumber.count(address)) << address;
        EXPECT_EQ(now.articleNumber.at(address), number) << address;
    }
}

TEST(HtmlExport, DateTextsSortAsDates) {
    const struct {
        const char* text;
        std::uint64_t stamp;
    } cases[] = {
        {"98/04/01 21:10:05", 19980401211005u},
        {"05/12/31 23:59:59", 20051231235959u},  // two-digit years below 70 are 20xx
        {"70/01/01", 19700101000000u},
        {"2001/02/03 04:05", 20010203040500u},
        {"98/04/01 21", 19980401210000u},
        {"98/13/01 00:00:00", 0},  // no such month
        {"98/04/00", 0},
        {"98-04-01", 0},
        {"", 0},
        {"9/04/01", 0},
        {"1900/01/01", 19000101000000u},
        {"2099/12/31", 20991231000000u},
        {"1899/12/31", 0},  // years far from any log's are damage
        {"2100/01/01", 0},
        {"0000/01/01", 0},
        {"9999/12/31", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(html::DateStamp(c.text), c.stamp) << c.text;
}

TEST(HtmlExport, NamesThatCouldDeceiveOrVanishAreShownPlainly) {
    CCommentStore store;
    store.AddRoot(Rec(store, 1, "　 \t"));  // white space only
    const CommentList roots = store.Roots();
    MemorySink site;
    // U+202E turns the rest of a line around; U+2066 and U+200F as well.
    WriteHtmlSite(roots,
                  "abc\xE2\x80\xAE"
                  "lmth.exe\xE2\x81\xA6\xE2\x80\x8F",
                  site, nullptr, nullptr);
    CheckSite(site);
    const std::string& front = site.files["index.html"];
    EXPECT_NE(front.find("<title>abclmth.exe</title>"), std::string::npos);
    EXPECT_NE(front.find("<h1>abclmth.exe</h1>"), std::string::npos);
    for (const auto& [name, html] : site.files)
        EXPECT_EQ(html.find("\xE2\x80\xAE"), std::string::npos) << name;
    EXPECT_NE(site.files["threads/1.html"].find("<h1>（タイトルなし）</h1>"), std::string::npos);
    EXPECT_NE(front.find(">（タイトルなし）</a>"), std::string::npos);
}

TEST(HtmlExport, AuthorPagesNeverShareAFileName) {
    CCommentStore store;
    const std::string ids[] = {"QVA00001", "qva00001",           "QVA-0001",
                               "",         std::string(70, 'Z'), std::string(71, 'Z'),
                               "X41",      Sjis("会員")};
    int number = 1;
    for (const std::string& id : ids) {
        CComment& r = Rec(store, number++, "t");
        r.SetId(id);
        store.AddRoot(r);
    }
    const CommentList roots = store.Roots();
    MemorySink site;
    ASSERT_EQ(WriteHtmlSite(roots, "d", site, nullptr, nullptr).status, HtmlExportStatus::Ok);
    CheckSite(site);
    std::set<std::string> folded;
    int pages = 0;
    for (const auto& [name, html] : site.files) {
        if (name.rfind("authors/", 0) != 0 || name == "authors/index.html") continue;
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(folded.insert(lower).second) << name;  // also on a case-blind system
        EXPECT_EQ(name.find_first_not_of(
                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-/._"),
                  std::string::npos)
            << name;
        ++pages;
    }
    EXPECT_EQ(pages, 8);
    EXPECT_EQ(site.files.count("authors/u-QVA00001.html"), 1u);
}

TEST(HtmlExport, LargeForumsArePagedAndMonthsCounted) {
    CCommentStore store;
    // 1,201 threads of one message: January 1998 twice as busy as April,
    // February and March empty.
    for (int n = 1; n <= 1201; ++n) {
        CComment& r = Rec(store, n, "t");
        r.SetDateTimeRaw(n % 3 == 0 ? "98/04/02 10:00:00" : "98/01/15 10:00:00");
        store.AddRoot(r);
    }
    const CommentList roots = store.Roots();
    MemorySink site;
    ASSERT_EQ(WriteHtmlSite(roots, "d", site, nullptr, nullptr).status, HtmlExportStatus::Ok);
    CheckSite(site);
    for (const char* name : {"index.html", "index-2.html", "index-3.html", "dates/1998-01.html",
                             "dates/1998-01-2.html", "dates/1998-04.html", "search/data-1.js"})
        EXPECT_EQ(site.files.count(name), 1u) << name;
    EXPECT_EQ(site.files.count("index-4.html"), 0u);
    EXPECT_EQ(site.files.count("dates/1998-04-2.html"), 0u);  // 400 fit one page
    EXPECT_EQ(Links(site.files["threads/1001.html"]).count("../index-3.html#t1001"), 2u);
    // Four bars, the empty months without a link; each bar says its count.
    const std::string& front = site.files["index.html"];
    static const std::regex barRe("<title>1998年([0-9]+)月：([0-9,]+) 件</title>");
    std::vector<std::string> bars;
    for (std::sregex_iterator it(front.begin(), front.end(), barRe), end; it != end; ++it)
        bars.push_back((*it)[1].str() + ":" + (*it)[2].str());
    EXPECT_EQ(bars, (std::vector<std::string>{"1:801", "2:0", "3:0", "4:400"}));
    EXPECT_EQ(Links(front).count("dates/1998-02.html"), 0u);
}

TEST(HtmlExport, FarApartDatesKeepTheFrontPageSmall) {
    // A bar for every month between the first and the last date: damaged
    // years made one for each of 120,000 months.
    const std::pair<const char*, const char*> cases[] = {
        {"0001/01/01 00:00:00", "9999/12/31 23:59:59"},
        {"1900/01/01 00:00:00", "2099/12/31 23:59:59"},
        {"70/01/01 00:00:00", "69/12/31 23:59:59"},
    };
    for (const auto& [first, last] : cases) {
        CCommentStore store;
        for (const char* date : {first, last}) {
            CComment& r = Rec(store, static_cast<int>(store.Roots().size()) + 1, "t");
            r.SetDateTimeRaw(date);
            store.AddRoot(r);
        }
        const CommentList roots = store.Roots();
        MemorySink site;
        ASSERT_EQ(WriteHtmlSite(roots, "d", site, nullptr, nullptr).status, HtmlExportStatus::Ok);
        CheckSite(site);
        for (const auto& [name, bytes] : site.files)
            EXPECT_LT(bytes.size(), 1u << 20) << first << " " << name;
    }
}

TEST(HtmlExport, CountsReadWithSeparators) {
    const std::pair<std::size_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {100000, "100,000"}, {1234567, "1,234,567"}};
    for (const auto& [n, text] : cases) {
        std::string out;
        html::AppendCount(out, n);
        EXPECT_EQ(out, text);
    }
}

TEST(HtmlExport, ProgressEndsAtAHundredWhateverTheCount) {
    for (int threads : {0, 1, 500, 501}) {
        CCommentStore store;
        for (int n = 1; n <= threads; ++n) store.AddRoot(Rec(store, n, "t"));
        const CommentList roots = store.Roots();
        MemorySink site;
        FakeProgressFactory progress;
        ASSERT_EQ(WriteHtmlSite(roots, "d", site, &progress, nullptr).status, HtmlExportStatus::Ok);
        CheckSite(site);  // an empty document still has every index, linked
        ASSERT_EQ(progress.dialogs.size(), 1u);
        ASSERT_FALSE(progress.dialogs[0].positions.empty()) << threads;
        EXPECT_EQ(progress.dialogs[0].positions.back(), 100) << threads;
    }
}
