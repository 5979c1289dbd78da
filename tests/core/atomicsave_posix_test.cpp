// The atomic save on POSIX systems: a killed or over-limit save leaves the
// old file and nothing else.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/fileio.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"

using namespace orv;
using namespace orv::test;

namespace {

std::vector<std::string> FolderEntries(const TempDir& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicSave, KilledSaveLeavesTheOldFileAndNothingElse) {
    TempDir dir;
    const std::string target = dir.Write("doc.mld", "old contents");
    // A stale temporary file of an earlier save is replaced, not kept.
    dir.Write("doc.mld.saving", "left over");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteFileAtomically(target, [&](std::FILE* f) {
            std::string block(1 << 20, 'x');
            std::fwrite(block.data(), 1, block.size(), f);
            std::fflush(f);
            (void)!::write(ready[1], "r", 1);
            for (;;) ::pause();
            return true;
        });
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ReadAll(target), "old contents");
    // With unnamed temporary files nothing is left at all; the fixed name is
    // what a file system without them may keep until the next save.
    auto entries = FolderEntries(dir);
    EXPECT_TRUE(entries == std::vector<std::string>{"doc.mld"} ||
                entries == (std::vector<std::string>{"doc.mld", "doc.mld.saving"}));

    EXPECT_EQ(WriteFileAtomically(target, [](std::FILE* f) { return std::fputs("new", f) >= 0; }),
              0);
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"doc.mld"});
}

TEST(AtomicSave, OverTheFileSizeLimitTheSaveFailsAndIsReported) {
    TempDir dir;
    const std::string target = dir.Write("doc.mld", "old contents");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FakePrompter prompter;
        COrvDoc doc;
        doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
        for (int i = 0; i < 100; ++i) {
            CComment& rec = doc.NewRecord();
            rec.SetNumber(i);
            rec.SetText(std::string(200, 'x'));
            doc.AddRoot(rec);
        }
        doc.SetModifiedFlag();
        bool saved = doc.OnSaveDocument(target);
        bool reported = prompter.shown.size() == 1 &&
                        prompter.shown[0].id == res::IDS_SAVE_FAILED &&
                        prompter.shown[0].text == std::strerror(EFBIG);
        ::_exit(!saved && reported && doc.IsModified() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(target), "old contents");
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"doc.mld"});
}

}  // namespace
