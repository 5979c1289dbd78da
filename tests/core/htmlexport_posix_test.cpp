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
