// The HTML site export: untrusted text stays text, every message is on the
// site once, every link lands, and the output folder is left as it was
// unless the export completes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "core/cp932.h"
#include "core/htmlexport.h"
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
        explicit File(std::string& s) : s(s) {}
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
    static const std::regex tagRe(R"(<(/?)([a-zA-Z!][a-zA-Z0-9]*)((?:\s+[a-zA-Z-]+(?:="[^"<>]*")?)*)\s*>)");
    static const std::regex attrRe(R"re(([a-zA-Z-]+)(?:="([^"]*)")?)re");
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
    "!DOCTYPE", "html", "head", "meta", "title", "link", "body", "header", "main", "nav", "h1",
    "dl", "dt", "dd", "ul", "li", "a", "span", "article", "div", "pre"};
const std::set<std::string> kAttributes = {"lang", "charset", "name", "content", "rel", "href",
                                           "class", "id", "style"};

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
    std::map<std::string, int> articleNumber;            // "file#id" -> number shown
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
    std::set<std::string> allIds;
    for (const auto& [file, ids] : f.ids)
        for (const std::string& id : ids) EXPECT_TRUE(allIds.insert(id).second) << id;
    for (const auto& [name, html] : site.files) {
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
    const std::string& page = site.files["threads/t000001.html"];
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

TEST(HtmlExport, EveryMessageOnceAndEveryLinkLands) {
    CCommentStore store;
    CommentList roots = Forest(store);
    MemorySink site;
    FakeProgressFactory progress;
    ASSERT_EQ(WriteHtmlSite(roots, "forum.mld", site, &progress, nullptr).status,
              HtmlExportStatus::Ok);
    SiteFacts f = CheckSite(site);
    EXPECT_EQ(f.articles, 7);
    EXPECT_EQ(site.files.size(), 4u);  // style, index, two threads
    EXPECT_EQ(site.files.count("style.css"), 1u);
    // Each message is linked once from the index.
    const std::string& index = site.files["index.html"];
    std::multiset<std::string> indexLinks;
    for (const Tag& t : Tags(index))
        if (t.attrs.count("href")) indexLinks.insert(t.attrs.at("href"));
    EXPECT_EQ(f.articleNumber.size(), 7u);
    for (const auto& [key, number] : f.articleNumber)
        EXPECT_EQ(indexLinks.count(key), 1u) << key;
    EXPECT_NE(index.find("<dt>発言数</dt><dd>7</dd>"), std::string::npos);
    EXPECT_NE(index.find("<dt>スレッド数</dt><dd>2</dd>"), std::string::npos);
    // Links to parent and replies name the numbers of the messages they reach,
    // also past a reply with a subtree of its own.
    static const std::regex linkRe("<a href=\"#(m[0-9]+)\"[^>]*>([0-9]+)[^<]*</a>");
    int links = 0;
    for (const auto& [name, html] : site.files)
        for (std::sregex_iterator it(html.begin(), html.end(), linkRe), end; it != end; ++it) {
            EXPECT_EQ(f.articleNumber[name + "#" + (*it)[1].str()], std::stoi((*it)[2].str()))
                << name << " " << it->str();
            ++links;
        }
    EXPECT_EQ(links, 10);  // five replies, each linked from its parent and back
    // Thread pages link each other and the index; percentage mode to 100.
    EXPECT_NE(site.files["threads/t000001.html"].find("href=\"t000002.html\""), std::string::npos);
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
    EXPECT_NE(site.files["threads/t000001.html"].find("<pre class=\"text\">\n\nfirst line"),
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
    // Counts instead of keeping: the deepest list nesting of the index and
    // the articles of the pages.
    struct CountingSink : ISiteSink {
        int maxUl = 0, ul = 0;
        long articles = 0;
        bool MakeFolder(const std::string&) override { return true; }
        std::unique_ptr<ISiteFile> NewFile(const std::string&) override {
            return std::make_unique<Counter>(*this);
        }
        struct Counter : ISiteFile {
            explicit Counter(CountingSink& s) : s(s) {}
            bool Write(std::string_view b) override {
                std::string chunk = carry;
                chunk.append(b);
                const char* p = chunk.data();
                const char* end = p + chunk.size();
                while (end - p >= 5 && (p = static_cast<const char*>(
                                            std::memchr(p, '<', static_cast<std::size_t>(end - p - 4))))) {
                    if (std::memcmp(p, "<ul", 3) == 0) s.maxUl = std::max(s.maxUl, ++s.ul);
                    if (std::memcmp(p, "</ul>", 5) == 0) --s.ul;
                    if (std::memcmp(p, "<arti", 5) == 0) ++s.articles;
                    ++p;
                }
                carry = chunk.substr(chunk.size() >= 4 ? chunk.size() - 4 : 0);
                return true;
            }
            bool Close() override { return true; }
            CountingSink& s;
            std::string carry;
        };
    } sink;
    ASSERT_EQ(WriteHtmlSite(roots, "deep", sink, nullptr, nullptr).status, HtmlExportStatus::Ok);
    EXPECT_EQ(sink.articles, 1000000);
    EXPECT_EQ(sink.maxUl, kHtmlMaxNesting + 1);
    EXPECT_EQ(sink.ul, 0);
}

TEST(HtmlExport, FileThatCannotBeMadeFailsNamingIt) {
    CCommentStore store;
    CommentList roots = Forest(store);
    MemorySink site;
    site.failAt = 3;  // style, index, first thread, second thread
    HtmlExportResult r = WriteHtmlSite(roots, "d", site, nullptr, nullptr);
    EXPECT_EQ(r.status, HtmlExportStatus::Failed);
    EXPECT_EQ(r.path, "threads/t000002.html");
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
    EXPECT_TRUE(std::filesystem::exists(out + "/threads/t000002.html"));
    // An empty folder is taken, also with a trailing "/".
    std::filesystem::create_directory(dir.File("empty"));
    ASSERT_EQ(ExportHtmlSite(roots, "d", dir.File("empty") + "/", nullptr, nullptr).status,
              HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(dir.File("empty/index.html")));
    // A name outside ASCII is the name the folder gets.
    const std::string named = dir.File("site") + "\xE3\x82\xB5\xE3\x82\xA4\xE3\x83\x88";  // サイト
    ASSERT_EQ(ExportHtmlSite(roots, "d", named, nullptr, nullptr).status, HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(U8(named + "/threads/t000001.html")));
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
