// Feeds arbitrary bytes to the detector of a log's form and to its
// converter: the form, the converted bytes and the count of what is
// replaced do not depend on the pieces the file is read in (nor on
// whether it is converted or only counted), and a file the detector takes for CP932 with CR LF
// imports exactly as when its bytes are taken as they are.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/import/logconvert.h"
#include "core/import/logform.h"
#include "core/listtree.h"
#include "core/orvdoc.h"
#include "fuzz/memoryfile.h"
#include "tests/fakes/refimport.h"

namespace {

std::vector<std::string> ImportDump(const std::string& path, orv::LogEncodingMode mode) {
    orv::CListTitleTree tree;
    orv::fuzz::YesPrompter prompter;
    orv::COrvDoc doc;
    doc.SetPorts({&tree, nullptr, &prompter, nullptr, nullptr});
    doc.SetLogEncoding(mode);
    orv::CLogFileList list({path});
    doc.ImportLogFiles(list);
    return orv::test::Dump(doc);
}

// The converted bytes; counting alone over the same pieces must find what
// converting replaced, at the same first line.
std::string Convert(orv::LogForm form, std::string_view in, std::size_t piece) {
    orv::CLogConverter conv(form), counter(form);
    std::string out;
    for (std::size_t at = 0;; at += piece) {
        const bool last = at + piece >= in.size();
        conv.Convert(in.substr(std::min(at, in.size()), piece), last, out);
        counter.Count(in.substr(std::min(at, in.size()), piece), last);
        if (last) break;
    }
    if (counter.Replaced() != conv.Replaced() ||
        counter.FirstReplacedLine() != conv.FirstReplacedLine())
        __builtin_trap();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the size of the pieces, the rest is the file.
    const std::size_t piece = 1 + data[0] % 17;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    orv::CLogFormDetector whole, pieces;
    whole.Feed(bytes);
    for (std::size_t at = 0; at < bytes.size(); at += piece) pieces.Feed(bytes.substr(at, piece));
    if (!(whole.Result() == pieces.Result())) __builtin_trap();

    using orv::LineEnds;
    using orv::LogEncoding;
    for (LogEncoding e : {LogEncoding::Cp932, LogEncoding::Utf8, LogEncoding::Utf8Bom,
                          LogEncoding::EucJp, LogEncoding::Iso2022Jp}) {
        for (LineEnds l : {LineEnds::CrLf, LineEnds::Lf, LineEnds::Cr}) {
            const orv::LogForm form{e, l};
            if (Convert(form, bytes, bytes.size() + 1) != Convert(form, bytes, piece))
                __builtin_trap();
        }
    }

    if (!whole.Result().Converted()) {
        const orv::fuzz::MemoryFile file(bytes);
        if (!file.Ok()) return 0;
        if (ImportDump(file.Path(), orv::LogEncodingMode::Auto) !=
            ImportDump(file.Path(), orv::LogEncodingMode::Cp932))
            __builtin_trap();
    }
    return 0;
}
