// The state file under hostile conditions: a viewer killed while it
// writes, a full disk, a pipe or a read-only folder where the file goes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "fakes/testfiles.h"
#include "readstate/docreadstate.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

MessageKey Key(std::uint64_t i) { return (i + 1) * 0x9E3779B97F4A7C15ull; }

// A state bound to a made-up document at path ("doc.mld", not read).
struct Bound {
    CReadStateStore store;
    CDocReadState state{&store};
    bool Open(const std::string& statePath, const std::string& doc) {
        return store.Open(statePath) == CReadStateStore::OpenEnd::Ok && state.Attach(doc);
    }
};

TEST(ReadStatePosix, KilledWriterLosesOnlyWhatItHadNotWritten) {
    TempDir dir;
    const std::string statePath = dir.File("readstate.sqlite"), doc = dir.File("doc.mld");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        Bound b;
        if (!b.Open(statePath, doc)) _exit(3);
        // Batches of 200 marks; after each one that was written, its number.
        for (std::uint32_t batch = 0;; ++batch) {
            for (std::uint64_t i = 0; i < 200; ++i) b.state.SetRead(Key(batch * 200ull + i), true);
            if (!b.state.Flush()) _exit(4);
            if (write(pipeFds[1], &batch, sizeof batch) != sizeof batch) _exit(5);
        }
    }
    close(pipeFds[1]);
    std::uint32_t written = 0, got = 0;
    while (written < 40 && read(pipeFds[0], &got, sizeof got) == sizeof got) written = got;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    Bound b;
    ASSERT_TRUE(b.Open(statePath, doc)) << b.store.LastError();
    for (std::uint64_t i = 0; i < (written + 1ull) * 200; ++i)
        ASSERT_TRUE(b.state.IsRead(Key(i))) << i;
}

TEST(ReadStatePosix, FullDiskKeepsTheMarksForTheNextBatch) {
    TempDir dir;
    const std::string statePath = dir.File("readstate.sqlite"), doc = dir.File("doc.mld");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Bound b;
        if (!b.Open(statePath, doc)) _exit(3);
        // Files may not grow past 64 KiB: the next large batch fails.
        signal(SIGXFSZ, SIG_IGN);
        rlimit small{64 * 1024, RLIM_INFINITY};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(4);
        for (std::uint64_t i = 0; i < 20000; ++i) b.state.SetRead(Key(i), true);
        if (b.state.Flush()) _exit(5);
        if (!b.state.HasPending()) _exit(6);
        // Room again: the same marks go out with the next batch.
        rlimit room{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &room);
        _exit(b.state.Flush() ? 0 : 7);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    Bound b;
    ASSERT_TRUE(b.Open(statePath, doc));
    for (std::uint64_t i = 0; i < 20000; ++i) ASSERT_TRUE(b.state.IsRead(Key(i))) << i;
}

TEST(ReadStatePosix, APipeInPlaceOfTheFileIsNotWaitedOn) {
    TempDir dir;
    const std::string statePath = dir.File("readstate.sqlite");
    ASSERT_EQ(mkfifo(statePath.c_str(), 0600), 0);
    CReadStateStore store;
    EXPECT_EQ(store.Open(statePath), CReadStateStore::OpenEnd::Failed);
    EXPECT_EQ(fs::status(statePath).type(), fs::file_type::fifo);
}

TEST(ReadStatePosix, ReadOnlyFolderLeavesTheStateInMemory) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempDir dir;
    fs::create_directory(dir.File("ro"));
    chmod(dir.File("ro").c_str(), 0555);
    CReadStateStore store;
    EXPECT_EQ(store.Open(dir.File("ro/readstate.sqlite")), CReadStateStore::OpenEnd::Failed);
    chmod(dir.File("ro").c_str(), 0755);
}

}  // namespace
}  // namespace orv::test
