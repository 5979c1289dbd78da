// Feeds arbitrary bytes to the log import as one file, answering Yes to every
// question, checks the records against a plain line-at-a-time import of the
// same file, then saves and reloads the result.
#include <sys/mman.h>
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

// The input as a file that lives in memory only: nothing is left behind,
// however the run ends. The reader opens it by its /proc name.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : m_fd(::memfd_create("orv_fuzz_log", MFD_CLOEXEC)) {
        if (m_fd >= 0 && size > 0 && ::write(m_fd, data, size) != static_cast<ssize_t>(size)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~MemoryFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    const std::string path = file.Path();
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
