// orvlog over the file-size limit: a failed save, not a killed program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/runprogram.h"
#include "fakes/testfiles.h"

using namespace orv::test;

namespace {

TEST(OrvlogSave, OverTheFileSizeLimitExitsTwoAndKeepsTheOldFile) {
    TempDir dir;
    const std::string out = dir.Write("out.mld", "old contents");
    std::string log;
    for (int i = 1; i <= 40; ++i)
        log += Crlf({Header1(i, 40, "ID", "a b", "title"), Header2("99/01/01 00:00:00"),
                     std::string(100, 'x')});
    const std::string logPath = dir.Write("big.log", log);
    const std::string err = dir.File("err.txt");
    // ulimit -f counts 512-byte blocks: the archive needs more than one.
    std::string cmd = "sh -c 'ulimit -f 1; exec \"$0\" import -o \"$1\" \"$2\"' '" +
                      std::string(ORVLOG_PATH) + "' '" + out + "' '" + logPath + "' 2>'" + err +
                      "'";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(ReadAll(err).find("File too large"), std::string::npos) << ReadAll(err);
    EXPECT_EQ(ReadAll(out), "old contents");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.exists();
    EXPECT_EQ(entries, 3);  // out.mld, big.log, err.txt
}

}  // namespace
