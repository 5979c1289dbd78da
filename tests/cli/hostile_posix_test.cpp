// orvlog attacked on POSIX systems: output to a full disk or a closed pipe,
// arguments, paths that are no regular file, signals during an export,
// file-size and memory limits, read errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fakes/testfiles.h"

using namespace orv::test;
namespace fs = std::filesystem;

namespace {

struct Ended {
    bool exited = false;
    int code = -1;   // exit status when exited
    int signal = 0;  // the signal that ended it otherwise
};

Ended Wait(pid_t pid) {
    int st = 0;
    ::waitpid(pid, &st, 0);
    Ended e;
    e.exited = WIFEXITED(st);
    e.code = e.exited ? WEXITSTATUS(st) : -1;
    e.signal = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
    return e;
}

// Starts orvlog with args in cwd, standard output on outFd, standard error
// into errPath.
pid_t Start(const std::vector<std::string>& args, int outFd, const std::string& errPath,
            const std::string& cwd = ".") {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(outFd, 1);
    ::dup2(err, 2);
    if (::chdir(cwd.c_str()) != 0) ::_exit(120);
    std::vector<char*> argv{const_cast<char*>(ORVLOG_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ORVLOG_PATH, argv.data());
    ::_exit(121);
}

Ended RunIn(const std::vector<std::string>& args, const std::string& outPath,
            const std::string& errPath, const std::string& cwd = ".") {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const Ended e = Wait(Start(args, out, errPath, cwd));
    ::close(out);
    return e;
}

// Runs a shell command line; its status as Ended.
Ended Shell(const std::string& line) {
    const int st = std::system(line.c_str());
    Ended e;
    e.exited = WIFEXITED(st);
    e.code = e.exited ? WEXITSTATUS(st) : -1;
    e.signal = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
    return e;
}

std::string Log(int first, int count, std::size_t textBytes = 40) {
    std::vector<std::string> lines;
    for (int n = first; n < first + count; ++n) {
        lines.push_back(Header1(n, 99999, "ID", "a b", "title " + std::to_string(n)));
        lines.push_back(Header2("99/01/01 00:00:00", n % 4 == 0 ? n - 1 : -1));
        lines.push_back(std::string(textBytes, 'x'));
    }
    return Crlf(lines);
}

struct Forum {
    TempDir dir;
    std::string log, doc, err;
    explicit Forum(int messages = 20, std::size_t textBytes = 40) {
        log = dir.Write("forum.log", Log(1, messages, textBytes));
        doc = dir.File("forum.mld");
        err = dir.File("err.txt");
        EXPECT_EQ(RunIn({"import", "-o", doc, log}, "/dev/null", err).code, 0) << ReadAll(err);
    }
};

TEST(OrvlogOutput, AFullDiskFailsAClosedPipeEndsQuietly) {
    Forum f;
    const std::vector<std::vector<std::string>> commands = {{"tree", f.doc},
                                                            {"show", f.doc, "1"},
                                                            {"dump", f.doc},
                                                            {"search", f.doc, "title", "--all"},
                                                            {"search", f.doc, "title", "--ranges"},
                                                            {"--help"},
                                                            {"--version"},
                                                            {"tree", "--help"},
                                                            {"search", "-h"},
                                                            {"export-html", "--help"}};
    for (const auto& cmd : commands) {
        const std::string name = cmd[0] + " " + cmd.back();
        const Ended full = RunIn(cmd, "/dev/full", f.err);
        EXPECT_EQ(full.code, 2) << name;
        EXPECT_EQ(ReadAll(f.err), "orvlog: standard output: No space left on device\n") << name;
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        ::close(pipeFds[0]);  // the reader is gone before anything is written
        const Ended closed = Wait(Start(cmd, pipeFds[1], f.err));
        ::close(pipeFds[1]);
        EXPECT_TRUE(closed.exited) << name << " killed by signal " << closed.signal;
        EXPECT_EQ(closed.code, 0) << name;
        EXPECT_EQ(ReadAll(f.err), "") << name;
    }
}

TEST(OrvlogArguments, HelpVersionUnknownOptionsAndDoubleDash) {
    Forum f;
    const std::string out = f.dir.File("out.txt"), made = f.dir.File("made");
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* stdoutStarts;  // null: nothing on standard output
    };
    const Case cases[] = {
        {{"import", "--help"}, 0, "usage: orvlog import"},
        {{"tree", "-h"}, 0, "usage: orvlog tree"},
        {{"show", f.doc, "--help"}, 0, "usage: orvlog show"},
        {{"dump", "--help", f.doc}, 0, "usage: orvlog dump"},
        {{"search", "--help"}, 0, "usage: orvlog search"},
        {{"export-html", f.doc, "--help"}, 0, "usage: orvlog export-html"},
        {{"--help"}, 0, "usage: orvlog import"},
        {{"--version"}, 0, "orvlog "},
        {{"import", "-o", made, "--bogus", f.log}, 2, nullptr},
        {{"export-html", f.doc, made, "--bogus"}, 2, nullptr},
        {{"export-html", f.doc, made, "-x"}, 2, nullptr},
        {{"tree", f.doc, "--bogus"}, 2, nullptr},
        {{"dump", "-q", f.doc}, 2, nullptr},
        {{"search", f.doc, "-x", "--all"}, 2, nullptr},
        {{"--bogus"}, 2, nullptr},
    };
    for (const Case& c : cases) {
        std::string name;
        for (const std::string& a : c.args) name += a + " ";
        const Ended e = RunIn(c.args, out, f.err);
        EXPECT_EQ(e.code, c.code) << name;
        if (c.stdoutStarts)
            EXPECT_EQ(ReadAll(out).rfind(c.stdoutStarts, 0), 0u) << name << ReadAll(out);
        else
            EXPECT_EQ(ReadAll(out), "") << name;
        EXPECT_FALSE(fs::exists(made)) << name;
        EXPECT_FALSE(fs::exists(f.dir.File("--help"))) << name;
    }
    // "--" ends the options: files and search texts may start with a dash.
    fs::copy_file(f.doc, f.dir.File("-d.mld"));
    EXPECT_EQ(RunIn({"tree", "--", "-d.mld"}, out, f.err, f.dir.Path().string()).code, 0);
    EXPECT_EQ(ReadAll(out).rfind("1 title 1\n", 0), 0u);
    EXPECT_EQ(
        RunIn({"search", "--all", "--", "-d.mld", "-x"}, out, f.err, f.dir.Path().string()).code,
        1);
    EXPECT_EQ(
        RunIn({"export-html", "--", "-d.mld", "-site"}, out, f.err, f.dir.Path().string()).code, 0);
    EXPECT_TRUE(fs::exists(f.dir.File("-site/index.html")));
}

TEST(OrvlogPaths, WhatIsNoRegularFileIsRefusedWithoutWaitingAndLeftAlone) {
    Forum f;
    const std::string fifo = f.dir.File("fifo"), out = f.dir.File("o.mld");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string q = "'" + std::string(ORVLOG_PATH) + "'";
    struct Case {
        std::string args;
        std::string message;  // standard error, whole
    };
    const Case cases[] = {
        {"import -o '" + fifo + "' '" + f.log + "'", "orvlog: " + fifo + ": Not a regular file\n"},
        {"import -o '" + out + "' '" + fifo + "'", "orvlog: " + fifo + ": Not a regular file\n"},
        {"import -o '" + out + "' --into '" + fifo + "' '" + f.log + "'",
         "orvlog: " + fifo + ": Not a regular file\n"},
        {"dump '" + fifo + "'", "orvlog: " + fifo + ": Not a regular file\n"},
        {"import -o '" + out + "' --into /dev/zero '" + f.log + "'",
         "orvlog: /dev/zero: Not a regular file\n"},
        {"tree '" + f.dir.File("nosuch.mld") + "'",
         "orvlog: " + f.dir.File("nosuch.mld") + ": No such file or directory\n"},
        {"import -o '" + f.log + "' '" + f.log + "'",
         "orvlog: " + f.log + ": the output is one of the logs being imported\n"},
    };
    const std::string logBytes = ReadAll(f.log);
    for (const Case& c : cases) {
        const Ended e =
            Shell("timeout 20 " + q + " " + c.args + " </dev/null >/dev/null 2>'" + f.err + "'");
        EXPECT_EQ(e.code, 2) << c.args;
        EXPECT_EQ(ReadAll(f.err), c.message) << c.args;
        EXPECT_FALSE(fs::exists(out)) << c.args;
        EXPECT_TRUE(fs::is_fifo(fifo)) << c.args;
        EXPECT_EQ(ReadAll(f.log), logBytes) << c.args;
    }
    // The same file as output and as document to import into stays allowed.
    const std::string doc = f.dir.File("d.mld");
    fs::copy_file(f.doc, doc);
    EXPECT_EQ(RunIn({"import", "-o", doc, "--into", doc, f.dir.Write("more.log", Log(100, 1))},
                    "/dev/null", f.err)
                  .code,
              0);
    EXPECT_EQ(RunIn({"show", doc, "100"}, "/dev/null", f.err).code, 0);
}

TEST(OrvlogExport, IntoTheEmptyCurrentFolderKeepsIt) {
    Forum f;
    const std::string here = f.dir.File("here");
    fs::create_directory(here);
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(here.c_str(), &before), 0);
    EXPECT_EQ(RunIn({"export-html", f.doc, "."}, "/dev/null", f.err, here).code, 0)
        << ReadAll(f.err);
    ASSERT_EQ(::stat(here.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_TRUE(fs::exists(here + "/index.html"));
}

// Waits until a hidden export folder stands in folder; false after a while.
bool ExportRunning(const std::string& folder) {
    for (int i = 0; i < 20000; ++i) {
        for (auto& e : fs::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(".site.", 0) == 0 && fs::exists(e.path() / "threads")) return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OrvlogExport, SignalsCancelCleanlyAndKilledExportsAreCleanedUpNextTime) {
    Forum f(60000, 200);
    const std::string parent = f.dir.File("out");
    fs::create_directory(parent);
    for (int sig : {SIGINT, SIGTERM, SIGKILL}) {
        const pid_t pid =
            Start({"export-html", f.doc, parent + "/site"}, ::open("/dev/null", O_WRONLY), f.err);
        const bool running = ExportRunning(parent);
        ::kill(pid, sig);
        const Ended e = Wait(pid);
        ASSERT_TRUE(running) << "the export did not start";
        EXPECT_EQ(e.signal, sig) << "signal " << sig << ": " << ReadAll(f.err);
        if (sig == SIGKILL) {
            EXPECT_EQ(Names(parent).size(), 1u);  // the killed export's folder
        } else {
            EXPECT_TRUE(Names(parent).empty()) << "signal " << sig;
            EXPECT_NE(ReadAll(f.err).find("export cancelled"), std::string::npos);
        }
    }
    // The next export into the same folder removes what the killed one left.
    Forum small;
    EXPECT_EQ(RunIn({"export-html", small.doc, parent + "/other"}, "/dev/null", f.err).code, 0);
    EXPECT_EQ(Names(parent), std::vector<std::string>{"other"});
}

TEST(OrvlogLimits, FileSizeLimitMemoryAndReadErrorsHaveTheirExitStatus) {
    Forum f(200, 2000);
    const std::string q = "'" + std::string(ORVLOG_PATH) + "'";
    const std::string site = f.dir.File("site");
    Ended e = Shell("sh -c 'ulimit -f 8; exec \"$0\" export-html \"$1\" \"$2\"' " + q + " '" +
                    f.doc + "' '" + site + "' 2>'" + f.err + "'");
    EXPECT_TRUE(e.exited) << "killed by signal " << e.signal;
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(ReadAll(f.err), "orvlog: " + site + ": File too large\n");
    EXPECT_EQ(Names(f.dir.Path().string()),
              (std::vector<std::string>{"err.txt", "forum.log", "forum.mld"}));

    // A read error: what was read is written, the log named, status 7.
    const std::string out = f.dir.File("o.mld");
    e = RunIn({"import", "-o", out, "--into", f.doc, "/proc/self/mem"}, "/dev/null", f.err);
    EXPECT_EQ(e.code, 7);
    EXPECT_EQ(ReadAll(f.err),
              "orvlog: /proc/self/mem: Input/output error (read before the first message)\n");
    EXPECT_EQ(ReadAll(out), ReadAll(f.doc));

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "memory limits do not apply under AddressSanitizer";
#else
    // Out of memory, naming the file: a document and a log of one message
    // larger than the limit.
    const std::string big = f.dir.Write("big.log", Log(1, 1, 100 << 20));
    const std::string bigDoc = f.dir.File("big.mld");
    ASSERT_EQ(RunIn({"import", "-o", bigDoc, big}, "/dev/null", f.err).code, 0);
    const std::string limit = "sh -c 'ulimit -v 100000; exec \"$0\" \"$@\"' " + q + " ";
    e = Shell(limit + "dump '" + bigDoc + "' >/dev/null 2>'" + f.err + "'");
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(ReadAll(f.err), "orvlog: " + bigDoc + ": メモリが足りません。\n");
    e = Shell(limit + "import -o '" + out + "' '" + big + "' 2>'" + f.err + "'");
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(ReadAll(f.err), "orvlog: " + big + ": メモリが足りません。\n");
#endif
}

}  // namespace
