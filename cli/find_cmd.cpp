#include "cli/find_cmd.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal.h"
#include "core/cp932.h"
#include "library/library.h"
#include "res/strings.h"
#include "search/findoption.h"

namespace orv::cli {
namespace {

constexpr int kExitSomeNotSearched = 8;

const char kFindUsage[] =
    "usage: orvlog find TEXT PATH... [--in title,content,author,id] [--ignore case,width,kana]\n"
    "                   [--count] [--no-index]\n";
const char kIndexUsage[] = "usage: orvlog index PATH...\n";

struct Name {
    std::string_view name;
    std::uint32_t bit;
};
constexpr Name kFieldNames[] = {
    {"title", FIND_TITLE}, {"content", FIND_CONTENT}, {"author", FIND_AUTHOR}, {"id", FIND_AUTHORID}};
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
        case LibraryProblem::Kind::Malformed: return "not a document in the expected format";
        case LibraryProblem::Kind::BadSchema: return "a document of an unsupported schema";
        case LibraryProblem::Kind::OutOfMemory: return "out of memory";
        default: return std::strerror(p.err ? p.err : EIO);
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

// False on bad usage; help set for --help.
bool ParseFind(int argc, char** argv, FindArgs& args, bool& help) {
    std::vector<std::string> positional;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (options && (a == "--in" || a == "--ignore")) {
            if (i + 1 >= argc) return false;
            auto bits = a == "--in" ? Bits(argv[++i], kFieldNames) : Bits(argv[++i], kFoldNames);
            if (!bits) return false;
            (a == "--in" ? args.fields : args.folds) = *bits;
        } else if (options && a == "--count") {
            args.count = true;
        } else if (options && a == "--no-index") {
            args.noIndex = true;
        } else if (options && (a == "-h" || a == "--help")) {
            help = true;
        } else if (options && a == "--") {
            options = false;
        } else if (options && a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            positional.emplace_back(a);
        }
    }
    if (help) return true;
    if (positional.size() < 2) return false;
    args.textUtf8 = positional[0];
    args.paths.assign(positional.begin() + 1, positional.end());
    return true;
}

// The exit status of a search or an index run over docs.
int Status(const LibraryDocs& docs, const std::vector<LibraryProblem>& problems, bool found) {
    if (problems.empty()) return found ? kExitOk : kExitNotFound;
    return docs.docs.size() > problems.size() - docs.problems.size() ? kExitSomeNotSearched
                                                                     : kExitUsage;
}

}  // namespace

int RunFindCommand(int argc, char** argv) {
    FindArgs args;
    bool help = false;
    if (!ParseFind(argc, argv, args, help)) {
        std::fputs(kFindUsage, stderr);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kFindUsage, stdout);
        return kExitOk;
    }
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
    if (args.count) {
        std::printf("%zu\n", result.hits.size());
    } else {
        std::string line;
        for (const LibraryHit& h : result.hits) {
            line = docs.docs[h.doc].path;
            line += '\t';
            line += std::to_string(h.number);
            line += '\t';
            line += ToTerminal(h.title);
            line += '\n';
            std::fputs(line.c_str(), stdout);
        }
    }
    return Status(docs, problems, !result.hits.empty());
}

int RunIndexCommand(int argc, char** argv) {
    std::vector<std::string> paths;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (options && (a == "-h" || a == "--help")) {
            std::fputs(kIndexUsage, stdout);
            return kExitOk;
        }
        if (options && a == "--") {
            options = false;
        } else if (options && a.size() > 1 && a[0] == '-') {
            std::fputs(kIndexUsage, stderr);
            return kExitUsage;
        } else {
            paths.emplace_back(a);
        }
    }
    if (paths.empty()) {
        std::fputs(kIndexUsage, stderr);
        return kExitUsage;
    }
    std::unique_ptr<CLibraryIndex> index = OpenIndex(false);
    if (!index) return kExitUsage;
    const LibraryDocs docs = CollectDocuments(paths);
    const IndexReport report = RefreshIndex(docs.docs, *index);
    std::vector<LibraryProblem> problems = docs.problems;
    problems.insert(problems.end(), report.problems.begin(), report.problems.end());
    Report(problems);
    if (!index->note().empty()) std::fprintf(stderr, "orvlog: %s\n", index->note().c_str());
    std::printf("%zu indexed, %zu already current\n", report.indexed, report.current);
    return Status(docs, problems, true);
}

}  // namespace orv::cli
