#include "cli/find_cmd.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/args.h"
#include "cli/output.h"
#include "cli/terminal.h"
#include "core/cp932.h"
#include "core/fileio.h"
#include "library/library.h"
#include "res/strings.h"
#include "search/findoption.h"

namespace orv::cli {
namespace {

const char kFindUsage[] =
    "usage: orvlog find TEXT PATH... [--in title,content,author,id] [--ignore case,width,kana]\n"
    "                   [--count] [--no-index]\n";
const char kIndexUsage[] = "usage: orvlog index PATH...\n";

int FindUsage() {
    std::fputs(kFindUsage, stderr);
    return kExitUsage;
}

int IndexUsage() {
    std::fputs(kIndexUsage, stderr);
    return kExitUsage;
}

struct Name {
    std::string_view name;
    std::uint32_t bit;
};
constexpr Name kFieldNames[] = {{"title", FIND_TITLE},
                                {"content", FIND_CONTENT},
                                {"author", FIND_AUTHOR},
                                {"id", FIND_AUTHORID}};
constexpr Name kFoldNames[] = {
    {"case", FIND_IGNORECASE}, {"width", FIND_IGNOREWIDTH}, {"kana", FIND_IGNOREKANA}};

// The bits a comma-separated list names; nothing when a name is unknown.
template <std::size_t N>
std::optional<std::uint32_t> Bits(std::string_view list, const Name (&names)[N]) {
    std::uint32_t bits = 0;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view word = list.substr(start, comma - start);
        const Name* hit = nullptr;
        for (const Name& n : names)
            if (n.name == word) hit = &n;
        if (!hit) return std::nullopt;
        bits |= hit->bit;
        start = comma + 1;
    }
    return bits;
}

std::string Why(const LibraryProblem& p) {
    switch (p.kind) {
        case LibraryProblem::Kind::Malformed:
            return "not a document in the expected format";
        case LibraryProblem::Kind::BadSchema:
            return "a document of an unsupported schema";
        case LibraryProblem::Kind::OutOfMemory:
            return "out of memory";
        default:
            return FileErrorText(p.err ? p.err : EIO);
    }
}

void Report(const std::vector<LibraryProblem>& problems) {
    for (const LibraryProblem& p : problems)
        std::fprintf(stderr, "orvlog: cannot search %s: %s\n", p.path.c_str(), Why(p).c_str());
}

std::unique_ptr<CLibraryIndex> OpenIndex(bool quiet) {
    std::string note;
    std::unique_ptr<CLibraryIndex> index;
    const std::string file = CLibraryIndex::DefaultFile();
    if (!file.empty()) index = CLibraryIndex::Open(file, note);
    if (!note.empty() && (!quiet || index)) std::fprintf(stderr, "orvlog: %s\n", note.c_str());
    return index;
}

struct FindArgs {
    std::string textUtf8;
    std::vector<std::string> paths;
    std::uint32_t fields = FIND_DEFAULT;
    std::uint32_t folds = 0;
    bool count = false;
    bool noIndex = false;
};

// -1 to go on, else the exit status: bad usage, or the usage printed for
// --help.
int ParseFind(int argc, char** argv, FindArgs& args) {
    ParsedArgs parsed;
    if (!ParseArgs(argc, argv,
                   {{"--in", true}, {"--ignore", true}, {"--count", false}, {"--no-index", false}},
                   parsed))
        return FindUsage();
    if (parsed.help) return PrintHelp(kFindUsage);
    for (const auto& [name, value] : parsed.options) {
        if (name != "--in" && name != "--ignore") continue;
        const auto bits = name == "--in" ? Bits(value, kFieldNames) : Bits(value, kFoldNames);
        if (!bits) return FindUsage();
        (name == "--in" ? args.fields : args.folds) = *bits;
    }
    args.count = parsed.Has("--count");
    args.noIndex = parsed.Has("--no-index");
    if (parsed.operands.size() < 2) return FindUsage();
    args.textUtf8 = parsed.operands[0];
    args.paths.assign(parsed.operands.begin() + 1, parsed.operands.end());
    return -1;
}

// The exit status of a search or an index run over docs.
int Status(const LibraryDocs& docs, const std::vector<LibraryProblem>& problems, bool found) {
    if (problems.empty()) return found ? kExitOk : kExitNotFound;
    return docs.docs.size() > problems.size() - docs.problems.size() ? kExitSomeUnsearched
                                                                     : kExitUsage;
}

}  // namespace

int RunFindCommand(int argc, char** argv) {
    FindArgs args;
    if (int status = ParseFind(argc, argv, args); status >= 0) return status;
    const std::optional<std::string> text = Utf8ToCp932(args.textUtf8);
    if (!text) {
        std::fprintf(stderr, "orvlog: the search text has characters that CP932 cannot hold\n");
        return kExitUsage;
    }
    const LibraryDocs docs = CollectDocuments(args.paths);
    std::unique_ptr<CLibraryIndex> index;
    if (!args.noIndex) index = OpenIndex(true);
    LibraryResult result =
        FindInLibrary(docs.docs, {*text, args.fields | args.folds, !args.noIndex}, index.get());
    if (result.badText) {
        std::fprintf(stderr, "orvlog: %s\n", res::Text(res::IDS_FIND_BADTEXT));
        return kExitUsage;
    }
    if (!result.note.empty()) std::fprintf(stderr, "orvlog: %s\n", result.note.c_str());
    std::vector<LibraryProblem> problems = docs.problems;
    problems.insert(problems.end(), result.problems.begin(), result.problems.end());
    Report(problems);
    StdOut out;
    if (args.count) {
        out.Write(std::to_string(result.hits.size()) + "\n");
    } else {
        std::string line;
        for (const LibraryHit& h : result.hits) {
            if (out.Failed()) break;
            line = docs.docs[h.doc].path;
            line += '\t';
            line += std::to_string(h.number);
            line += '\t';
            line += ToTerminal(h.title);
            line += '\n';
            out.Write(line);
        }
    }
    return out.Finish(Status(docs, problems, !result.hits.empty()));
}

int RunIndexCommand(int argc, char** argv) {
    ParsedArgs args;
    if (!ParseArgs(argc, argv, {}, args)) return IndexUsage();
    if (args.help) return PrintHelp(kIndexUsage);
    const std::vector<std::string>& paths = args.operands;
    if (paths.empty()) return IndexUsage();
    std::unique_ptr<CLibraryIndex> index = OpenIndex(false);
    if (!index) return kExitUsage;
    const LibraryDocs docs = CollectDocuments(paths);
    const IndexReport report = RefreshIndex(docs.docs, *index);
    std::vector<LibraryProblem> problems = docs.problems;
    problems.insert(problems.end(), report.problems.begin(), report.problems.end());
    Report(problems);
    if (!index->note().empty()) std::fprintf(stderr, "orvlog: %s\n", index->note().c_str());
    StdOut out;
    out.Write(std::to_string(report.indexed) + " indexed, " + std::to_string(report.current) +
              " already current\n");
    return out.Finish(report.indexFailed ? kExitUsage : Status(docs, problems, true));
}

}  // namespace orv::cli
