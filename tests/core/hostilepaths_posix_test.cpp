// Paths that are not what they seem, on POSIX systems: pipes, devices,
// sockets and folders where a file is expected, links, other owners; a log
// that grows while it is read; exports into empty folders, beside the
// leftovers of killed exports, and over the file-size limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

#include "core/fileio.h"
#include "core/htmlexport.h"
#include "core/htmlsitefolder.h"
#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"
#include "fakes/testfiles.h"

using namespace orv;
using namespace orv::test;
namespace fs = std::filesystem;

namespace {

std::string OneMessage(int n, const std::string& text = "text") {
    return Crlf({Header1(n, 99999, "ID", "a b", "title"), Header2("99/01/01 00:00:00"), text});
}

// Makes a node of kind at path; false when the system does not let us.
bool MakeNode(const std::string& kind, const std::string& path) {
    if (kind == "fifo") return ::mkfifo(path.c_str(), 0600) == 0;
    if (kind == "folder") return ::mkdir(path.c_str(), 0700) == 0;
    if (kind == "device") return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (kind == "socket") {
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (s < 0 || path.size() >= sizeof addr.sun_path) return false;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(s);
        return ok;
    }
    return false;
}

mode_t TypeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// Runs f, which must not wait on the pipe at fifo: when it does, a writer
// comes and goes to let it go, and the test fails.
template <class F>
auto WithoutWaiting(const std::string& fifo, F f) {
    auto result = std::async(std::launch::async, f);
    if (result.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "waited on the pipe " << fifo;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    return result.get();
}

const char* const kNodeKinds[] = {"fifo", "folder", "device", "socket"};

TEST(HostilePaths, ASaveOntoWhatIsNoRegularFileIsRefusedAndTheNodeStays) {
    TempDir dir;
    for (const char* kind : kNodeKinds) {
        const std::string path = dir.File(std::string("node-") + kind);
        if (!MakeNode(kind, path)) continue;  // mknod needs a privilege
        const mode_t type = TypeOf(path);
        // Directly and through a link to it.
        const std::string link = path + ".link";
        fs::create_symlink(path, link);
        for (const std::string& target : {path, link}) {
            const int err = WriteFileAtomically(
                target, [](std::FILE* f) { return std::fputs("saved", f) >= 0; });
            EXPECT_EQ(err, std::string(kind) == "folder" ? EISDIR : kErrNotRegularFile) << target;
            EXPECT_EQ(TypeOf(path), type) << target;
        }
        EXPECT_EQ(TypeOf(link), S_IFLNK);
    }
}

TEST(HostilePaths, LogsAndDocumentsThatAreNoRegularFileOpenWithoutWaiting) {
    TempDir dir;
    for (const char* kind : kNodeKinds) {
        const std::string path = dir.File(std::string("node-") + kind);
        if (!MakeNode(kind, path)) continue;
        const std::string why =
            std::string(kind) == "folder" ? "Is a directory" : "Not a regular file";
        // A document: the open-failure message, the document as it was.
        FakePrompter prompter;
        COrvDoc doc;
        doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
        CLogFileList first({dir.Write("first.log", OneMessage(7))});
        doc.ImportLogFiles(first);
        const auto before = Dump(doc);
        EXPECT_FALSE(WithoutWaiting(path, [&] { return doc.OnOpenDocument(path); })) << kind;
        EXPECT_EQ(doc.LastOpenResult(), COrvDoc::OpenResult::CannotOpen) << kind;
        ASSERT_FALSE(prompter.shown.empty());
        EXPECT_EQ(prompter.shown.back().text, path + "\n" + why) << kind;
        EXPECT_EQ(Dump(doc), before) << kind;
        // A log: it cannot be opened, the import ends quietly.
        CLogFileList logs({path});
        EXPECT_FALSE(WithoutWaiting(path, [&] { return logs.OpenLogFile(0); })) << kind;
        int err = 0;
        EXPECT_EQ(WithoutWaiting(path, [&] { return OpenRegularFile(path, err); }), nullptr);
        EXPECT_EQ(FileErrorText(err), why) << kind;
    }
}

struct LinkCase {
    const char* name;
    std::string link;      // the path saved to, relative to the folder
    std::string pointsTo;  // what the link holds
    std::string written;   // the file that gets the bytes
};

TEST(HostilePaths, ASaveWritesThroughLinksAndKeepsOwnerAndMode) {
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    const LinkCase cases[] = {
        {"link to a file", "l1", dir.File("f1"), "f1"},
        {"dangling link", "l2", dir.File("new2"), "new2"},
        {"relative dangling link", "sub/l3", "../new3", "new3"},
        {"link to a dangling link", "l4", dir.File("l5"), "new5"},
    };
    dir.Write("f1", "old");
    fs::create_symlink(dir.File("new5"), dir.File("l5"));
    for (const LinkCase& c : cases) {
        const std::string link = dir.File(c.link);
        if (!fs::is_symlink(link)) fs::create_symlink(c.pointsTo, link);
        ASSERT_EQ(WriteFileAtomically(link, [](std::FILE* f) { return std::fputs("new", f) >= 0; }),
                  0)
            << c.name;
        EXPECT_TRUE(fs::is_symlink(link)) << c.name;
        EXPECT_EQ(ReadAll(dir.File(c.written)), "new") << c.name;
    }
    // A user's file saved by someone who may change owners keeps its owner,
    // group and mode.
    const std::string own = dir.Write("own.mld", "old");
    ASSERT_EQ(::chmod(own.c_str(), 0640), 0);
    const bool chowned = ::chown(own.c_str(), 4321, 4322) == 0;
    ASSERT_EQ(WriteFileAtomically(own, [](std::FILE* f) { return std::fputs("new", f) >= 0; }), 0);
    struct stat st {};
    ASSERT_EQ(::stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (chowned) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

// Appends more messages to the log the first time a position is set, as a
// capture still running would.
class GrowingProgress : public IProgressFactory {
public:
    explicit GrowingProgress(std::string path) : m_path(std::move(path)) {}
    std::vector<int> positions;
    std::unique_ptr<IProgressDlg> CreateProgress(bool) override {
        return std::make_unique<Dlg>(*this);
    }

private:
    class Dlg : public IProgressDlg {
    public:
        explicit Dlg(GrowingProgress& f) : m_f(f) {}
        void SetCaption(const std::string&) override {}
        void SetPos(int p) override {
            m_f.positions.push_back(p);
            if (m_f.m_grown) return;
            m_f.m_grown = true;
            std::ofstream out(m_f.m_path, std::ios::binary | std::ios::app);
            for (int n = 1000; n < 1400; ++n) out << OneMessage(n, std::string(500, 'g'));
        }
        bool CheckCancel() override { return false; }

    private:
        GrowingProgress& m_f;
    };
    std::string m_path;
    bool m_grown = false;
};

TEST(HostilePaths, ALogThatGrowsWhileReadIsImportedWholeWithProgressUpTo100) {
    TempDir dir;
    std::string log;
    // Larger than the reader's first read, so that it meets the new bytes.
    for (int n = 1; n < 1000; ++n) log += OneMessage(n, std::string(500, 'x'));
    const std::string path = dir.Write("growing.log", log);
    GrowingProgress progress(path);
    COrvDoc doc;
    doc.SetPorts({nullptr, &progress, nullptr, nullptr, nullptr});
    CLogFileList list({path});
    doc.ImportLogFiles(list);
    ASSERT_FALSE(progress.positions.empty());
    for (int p : progress.positions) {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 100);
    }
    EXPECT_NE(doc.FindByNumber(1399), nullptr);  // what the file held at its end
}

CommentList OneRecord(CCommentStore& store, std::size_t textBytes = 4) {
    CComment& rec = store.NewRecord();
    rec.SetNumber(1);
    const std::string text(textBytes, 'x');
    const std::string_view fields[5] = {"id", "author", "title", "date", text};
    store.AssignFields(rec, fields);
    store.AddRoot(rec);
    return store.Roots();
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(HostilePaths, AnExportIntoAnEmptyFolderKeepsTheFolder) {
    TempDir dir;
    CCommentStore store;
    const CommentList roots = OneRecord(store);
    const std::string out = dir.File("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0751), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(out.c_str(), &before), 0);
    ASSERT_EQ(ExportHtmlSite(roots, "d", out, nullptr, nullptr).status, HtmlExportStatus::Ok);
    ASSERT_EQ(::stat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same folder, not a new one
    EXPECT_EQ(after.st_mode & 07777, 0751u);
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"authors", "dates", "index.html", "search",
                                                      "search.html", "style.css", "threads"}));
    EXPECT_EQ(Entries(dir.Path().string()), std::vector<std::string>{"out"});
}

struct LeftoverCase {
    const char* name;
    bool folder = true;
    bool lockFile = true;
    bool locked = false;
    bool otherOwner = false;
    bool removed;
};

TEST(HostilePaths, AnExportRemovesTheFoldersOfKilledExportsAndNothingElse) {
    TempDir dir;
    const LeftoverCase cases[] = {
        {".site.Ab12Cd", true, true, false, false, true},     // killed export
        {".other.Zz9yX8", true, true, true, false, false},    // running export
        {".site.noLock", true, false, false, false, false},   // no lock file
        {".site.Theirs", true, true, false, true, false},     // another user's
        {".site.AFile1", false, false, false, false, false},  // a file
        {"site.Ab12Cd", true, true, false, false, false},     // not hidden
        {".site.Ab-2Cd", true, true, false, false, false},    // no name mkdtemp makes
    };
    std::vector<int> held;
    for (const LeftoverCase& c : cases) {
        const std::string path = dir.File(c.name);
        if (!c.folder) {
            dir.Write(c.name, "x");
            continue;
        }
        fs::create_directories(path + "/threads");
        dir.Write(std::string(c.name) + "/threads/t000001.html", "partial");
        if (c.lockFile) {
            const std::string lock = path + "/" + CHtmlSiteFolder::kLockName;
            const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            if (c.locked) {
                ASSERT_EQ(::flock(fd, LOCK_EX), 0);
                held.push_back(fd);
            } else {
                ::close(fd);
            }
        }
        if (c.otherOwner && ::chown(path.c_str(), 4321, 4321) != 0) {
            fs::remove_all(path);  // cannot be made here
        }
    }
    CCommentStore store;
    ASSERT_EQ(ExportHtmlSite(OneRecord(store), "d", dir.File("new"), nullptr, nullptr).status,
              HtmlExportStatus::Ok);
    for (const LeftoverCase& c : cases) {
        if (c.otherOwner && !fs::exists(dir.File(c.name))) continue;
        EXPECT_EQ(!fs::exists(dir.File(c.name)), c.removed) << c.name;
    }
    for (int fd : held) ::close(fd);
}

TEST(HostilePaths, AnExportOverTheFileSizeLimitFailsNamingTheFolderAndLeavesNothing) {
    TempDir dir;
    CCommentStore store;
    const CommentList roots = OneRecord(store, 200000);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 65536;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string out = dir.File("site");
    const HtmlExportResult r = ExportHtmlSite(roots, "d", out, nullptr, nullptr);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(r.status, HtmlExportStatus::Failed);
    EXPECT_EQ(r.err, EFBIG);
    EXPECT_EQ(r.path, out);
    EXPECT_TRUE(Entries(dir.Path().string()).empty());
}

}  // namespace

// Memory that runs out at any point of an export (an address-space limit
// in a child process, raised step by step) leaves nothing beside the
// target: a file made just before its name could be kept was left there
// for good, in a folder no later export recognised.
TEST(HostilePaths, AnExportOutOfMemoryLeavesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves the address space it would limit";
#else
    CCommentStore store;
    for (int n = 1; n <= 3000; ++n) {
        CComment& rec = store.NewRecord();
        rec.SetNumber(n);
        rec.SetId("ID" + std::to_string(n));  // a page per author: many files
        store.AddRoot(rec);
    }
    const CommentList roots = store.Roots();
    TempDir dir;
    const std::string out = dir.File("site");
    std::size_t failed = 0;
    for (rlim_t extra = 0; extra < (rlim_t{64} << 20); extra += rlim_t{128} << 10) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::ifstream statm("/proc/self/statm");
            rlim_t pages = 0;
            statm >> pages;
            const rlimit limit{pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extra,
                               RLIM_INFINITY};
            ::setrlimit(RLIMIT_AS, &limit);
            int code = 0;
            try {
                code =
                    ExportHtmlSite(roots, "d", out, nullptr, nullptr).status == HtmlExportStatus::Ok
                        ? 0
                        : 1;
            } catch (const std::bad_alloc&) {
                code = 2;
            }
            ::_exit(code);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << extra;
        const std::vector<std::string> left = Entries(dir.Path().string());
        if (WEXITSTATUS(status) == 0) {
            EXPECT_EQ(left, std::vector<std::string>{"site"}) << extra;
            break;
        }
        ++failed;
        EXPECT_EQ(left, std::vector<std::string>{}) << extra;
        if (!left.empty()) break;
    }
    // Memory that earlier tests of this process freed can carry the whole
    // export; run alone (as ctest runs it) it fails at many points.
    if (failed == 0) GTEST_SKIP() << "the export never ran out of memory";
#endif
}
