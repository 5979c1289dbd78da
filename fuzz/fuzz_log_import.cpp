// Feeds arbitrary bytes to the log import as one file, answering Yes to every
// question, checks the records against a plain line-at-a-time import of the
// same file, then saves and reloads the result.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/listtree.h"
#include "core/orvdoc.h"
#include "fuzz/memoryfile.h"
#include "fuzz/roundtrip.h"
#include "tests/fakes/refimport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orv::fuzz::MemoryFile file(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!file.Ok()) return 0;
    const std::string path = file.Path();
    orv::CListTitleTree tree;
    orv::fuzz::YesPrompter prompter;
    orv::COrvDoc doc;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    // The same file twice: the second pass overwrites every message.
    orv::CLogFileList list({path, path});
    doc.ImportLogFiles(list);

    orv::CListTitleTree refTree;
    orv::fuzz::YesPrompter refPrompter;
    orv::COrvDoc ref;
    ref.SetPorts({&refTree, nullptr, nullptr, nullptr, nullptr});
    orv::test::ReferenceImport(ref, {path, path}, refPrompter, nullptr);
    if (orv::test::Dump(doc) != orv::test::Dump(ref)) __builtin_trap();

    orv::fuzz::CheckWriteReadWrite(doc.GetRoots());
    return 0;
}
