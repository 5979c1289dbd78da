// The HTML site export on POSIX systems: the folder's permissions and links.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
