// The HTML site export on POSIX systems: the folder's permissions and links.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "core/htmlexport.h"
#include "fakes/testfiles.h"

using namespace orv;
using namespace orv::test;

TEST(HtmlExportPosix, SiteIsReadableLikeAnyFolderAndLandsThroughALink) {
    TempDir dir;
    CCommentStore store;
    CComment& rec = store.NewRecord();
    rec.SetNumber(1);
    store.AddRoot(rec);
    const CommentList roots = store.Roots();
    const std::string out = dir.File("site");
    ASSERT_EQ(ExportHtmlSite(roots, "d", out, nullptr, nullptr).status, HtmlExportStatus::Ok);
    struct stat st;
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u);  // not owner-only like a fresh temporary folder
    // A link to an empty folder: the site goes into that folder, the link stays.
    std::filesystem::create_directory(dir.File("empty"));
    std::filesystem::create_directory_symlink(dir.File("empty"), dir.File("link"));
    ASSERT_EQ(ExportHtmlSite(roots, "d", dir.File("link") + "/", nullptr, nullptr).status,
              HtmlExportStatus::Ok);
    EXPECT_TRUE(std::filesystem::exists(dir.File("empty/index.html")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
}

// The search page's script, run by Node.js where it is installed: the
// folding finds a word whatever its width and kana, and every hit leads to
// a page of the site.
TEST(HtmlExportPosix, SearchScriptFindsAcrossWidthAndKana) {
    if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no node";
    TempDir dir;
    CCommentStore store;
    const char* titles[] = {"パソコン通信", "ぱそこん教室", "ﾊﾟｿｺﾝ", "パンコン", "Modem"};
    int number = 1;
    for (const char* t : titles) {
        CComment& rec = store.NewRecord();
        rec.SetNumber(number++);
        rec.SetTitle(Sjis(t));
        rec.SetAuthor(Sjis("山田"));
        store.AddRoot(rec);
    }
    const CommentList roots = store.Roots();
    const std::string out = dir.File("site");
    ASSERT_EQ(ExportHtmlSite(roots, "d", out, nullptr, nullptr).status, HtmlExportStatus::Ok);
    const std::string script = dir.Write("t.js", R"js(
const path = require("path"), fs = require("fs");
const site = process.argv[2];
global.orvSearch = require(path.join(site, "search/search.js"));
for (let k = 1; k <= orvSearch.parts; k++) require(path.join(site, "search/data-" + k + ".js"));
for (const q of ["ﾊﾟｿｺﾝ", "ぱそこん", "パソコン", "ＭＯＤＥＭ", "やまだ ﾊﾟｿ", "パ ン"]) {
  const r = orvSearch.find(q, 10);
  for (const e of r.hits) if (!fs.existsSync(path.join(site, e[0].split("#")[0]))) throw e[0];
  console.log(q + "=" + r.hits.map(e => e[1]).join(","));
}
)js");
    const std::string result = dir.File("result.txt");
    ASSERT_EQ(std::system(("node " + script + " " + out + " >" + result).c_str()), 0);
    EXPECT_EQ(ReadAll(result),
              "ﾊﾟｿｺﾝ=1,2,3\nぱそこん=1,2,3\nパソコン=1,2,3\nＭＯＤＥＭ=5\n"
              "やまだ ﾊﾟｿ=\nパ ン=1,2,3,4\n");
}

// The search page itself, in a stand-in for a browser's document: the
// query of the page's address, however it was typed, reaches the field and
// the search runs; titles that are hostile as script text are found as they are.
TEST(HtmlExportPosix, SearchPageTakesAnyQueryFromItsAddress) {
    if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no node";
    TempDir dir;
    CCommentStore store;
    const std::string titles[] = {"\"\\</script>", std::string("a\0b", 3), "100%", "\xE2\x80\xA8",
                                  "\x82"};
    int number = 1;
    for (const std::string& t : titles) {
        CComment& rec = store.NewRecord();
        rec.SetNumber(number++);
        rec.SetTitle(t);
        store.AddRoot(rec);
    }
    const CommentList roots = store.Roots();
    const std::string out = dir.File("site");
    ASSERT_EQ(ExportHtmlSite(roots, "d", out, nullptr, nullptr).status, HtmlExportStatus::Ok);
    const std::string script = dir.Write("page.js", R"js(
const path = require("path");
const site = process.argv[2];
function node() {
  return { children: [], firstChild: null, textContent: "", value: "",
           appendChild(c) { this.children.push(c); if (c.src) { require(path.join(site, c.src)); c.onload(); } },
           removeChild() {}, addEventListener(type, f) { this["on" + type] = f; } };
}
for (const search of ["?q=%E3%81%", "?q=100%", "?q=%22%5C%3C%2Fscript+", "?q=a%00b", "?q=%25"]) {
  const ids = { "search-form": node(), q: node(), status: node(), results: node() };
  let ready;
  global.window = { location: { search: search } };
  global.document = { head: node(), getElementById: id => ids[id], createTextNode: node,
                      createElement: node, addEventListener: (t, f) => { ready = f; } };
  for (const k of Object.keys(require.cache)) delete require.cache[k];
  window.orvSearch = require(path.join(site, "search/search.js"));
  global.orvSearch = window.orvSearch;
  ready();
  console.log(JSON.stringify(ids.q.value) + " " + ids.status.textContent);
}
)js");
    const std::string result = dir.File("result.txt");
    ASSERT_EQ(std::system(("node " + script + " " + out + " >" + result).c_str()), 0);
    EXPECT_EQ(ReadAll(result),
              "\"%E3%81%\" 0 件\n"
              "\"100%\" 1 件\n"
              "\"\\\"\\\\</script \" 1 件\n"
              "\"a\\u0000b\" 1 件\n"
              "\"%\" 1 件\n");
}

// The temporary folder beside the target is named after it: a target
// whose name is near the longest a file name may be still gets its site.
TEST(HtmlExportPosix, LongestFolderNamesTakeTheSite) {
    TempDir dir;
    CCommentStore store;
    CComment& rec = store.NewRecord();
    rec.SetNumber(1);
    store.AddRoot(rec);
    const CommentList roots = store.Roots();
    std::string kana;
    for (int i = 0; i < 85; ++i) kana += "\xE3\x81\x82";  // 255 bytes
    const std::string names[] = {std::string(246, 'a'),
                                 std::string(247, 'b'),
                                 std::string(248, 'c'),
                                 std::string(255, 'd'),
                                 kana,
                                 "xy" + kana.substr(0, 252)};
    for (const std::string& name : names) {
        const std::string out = dir.File(name);
        EXPECT_EQ(ExportHtmlSite(roots, "d", out, nullptr, nullptr).status, HtmlExportStatus::Ok)
            << name.size();
        EXPECT_TRUE(std::filesystem::exists(out + "/index.html")) << name.size();
    }
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.File(""))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, std::size(names));  // no temporary folder left beside them
}
