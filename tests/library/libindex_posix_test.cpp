// An index file that is a pipe is never opened (opening one would wait
// for a writer for ever) nor removed: the search goes on without it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "fakes/testfiles.h"
#include "library/library.h"
#include "library/librarytestutil.h"
#include "search/findoption.h"

namespace orv {
namespace {

TEST(LibraryIndexFile, APipeIsLeftAloneAndTheSearchGoesOn) {
    if (!CLibraryIndex::Available()) GTEST_SKIP() << "no index in this build";
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "lib");
    ASSERT_TRUE(test::WriteRandomDocument(dir.File("lib/d.mld"), 5, 20));
    const std::string file = dir.File("library.sqlite");
    for (const char* suffix : {"", "-wal"}) {
        SCOPED_TRACE(suffix);
        std::filesystem::remove(file);
        std::filesystem::remove(file + "-wal");
        ASSERT_EQ(mkfifo((file + suffix).c_str(), 0600), 0);
        std::string note;
        EXPECT_EQ(CLibraryIndex::Open(file, note), nullptr);
        EXPECT_NE(note.find("not a regular file"), std::string::npos) << note;
        EXPECT_TRUE(std::filesystem::is_fifo(file + suffix));
        const LibraryResult r = FindInLibrary(CollectDocuments({dir.File("lib")}).docs,
                                              {"a", FIND_DEFAULT, true}, nullptr);
        EXPECT_TRUE(r.problems.empty());
    }
}

}  // namespace
}  // namespace orv
