// Feeds arbitrary bytes to the log import as one file, answering Yes to every
// question, checks the records against a plain line-at-a-time import of the
// same file, then saves and reloads the result.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/listtree.h"
#include "core/orvdoc.h"
#include "fuzz/roundtrip.h"
#include "tests/fakes/refimport.h"

namespace {

class YesPrompter : public orv::IPrompter {
public:
    orv::MsgAnswer MessageBox(int, const std::string&, orv::MsgIcon, orv::MsgButtons) override {
        return orv::MsgAnswer::Yes;
    }
};

std::string TempPath() {
    static std::string path = "/tmp/orv_fuzz_log." + std::to_string(::getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = TempPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    orv::CListTitleTree tree;
    YesPrompter prompter;
    orv::COrvDoc doc;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    // The same file twice: the second pass overwrites every message.
    orv::CLogFileList list({path, path});
    doc.ImportLogFiles(list);

    orv::CListTitleTree refTree;
    YesPrompter refPrompter;
    orv::COrvDoc ref;
    ref.SetPorts({&refTree, nullptr, nullptr, nullptr, nullptr});
    orv::test::ReferenceImport(ref, {path, path}, refPrompter, nullptr);
    if (orv::test::Dump(doc) != orv::test::Dump(ref)) __builtin_trap();

    orv::fuzz::CheckWriteReadWrite(doc.GetRoots());
    return 0;
}
