#include "cli/search_cmd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "cli/args.h"
#include "cli/output.h"
#include "cli/terminal.h"
#include "core/cp932.h"
#include "core/orvdoc.h"
#include "res/strings.h"
#include "search/findall.h"
#include "search/findengine.h"

namespace orv::cli {
namespace {

const char kSearchUsage[] =
    "usage: orvlog search DOC.mld TEXT [--from NUMBER] [--prev] [--in title,content,author,id]\n"
    "                     [--ignore case,width,kana] [--all | --count | --ranges]\n";

int SearchUsage() {
    std::fputs(kSearchUsage, stderr);
    return kExitUsage;
}

class FixedFind : public IFindContext {
public:
    std::string text;
    std::uint32_t option = FIND_DEFAULT;
    std::string GetFindString() override { return text; }
    std::uint32_t GetFindOption() override { return option; }
};

// Passes messages on; "not found" names the search text as it was typed
// (its CP932 form may read back differently).
class NamingPrompter : public IPrompter {
public:
    NamingPrompter(IPrompter& next, std::string typedUtf8)
        : m_next(next), m_typed(std::move(typedUtf8)) {}
    MsgAnswer MessageBox(int id, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override {
        if (id == res::IDS_FIND_NOTFOUND)
            return m_next.MessageBox(id, res::Format(id, m_typed), icon, buttons);
        return m_next.MessageBox(id, text, icon, buttons);
    }

private:
    IPrompter& m_next;
    std::string m_typed;
};

// Sets bits of option from a comma-separated list of names; false on an
// unknown name.
bool ParseList(std::string_view list, const std::pair<const char*, std::uint32_t>* names,
               std::size_t count, std::uint32_t& option) {
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        bool known = false;
        for (std::size_t i = 0; i < count; ++i) {
            if (name == names[i].first) {
                option |= names[i].second;
                known = true;
            }
        }
        if (!known) return false;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return true;
}

void PrintRecord(StdOut& out, const CComment& rec) {
    std::string line = std::to_string(rec.GetNumber());
    line += ' ';
    line += ToTerminal(rec.GetTitle());
    line += '\n';
    out.Write(line);
}

// One line per field of rec that holds matches: number, field name, then
// each match as START-END (byte offsets in the field's CP932 bytes, END
// exclusive).
void PrintRanges(StdOut& out, const CComment& rec, const RecordRanges& ranges) {
    const std::pair<const char*, const std::vector<ByteRange>*> fields[] = {
        {"title", &ranges.title},
        {"author", &ranges.author},
        {"id", &ranges.id},
        {"content", &ranges.text}};
    for (const auto& [name, list] : fields) {
        if (list->empty()) continue;
        std::string line = std::to_string(rec.GetNumber());
        line += ' ';
        line += name;
        for (const ByteRange& r : *list) {
            line += ' ';
            line += std::to_string(r.begin);
            line += '-';
            line += std::to_string(r.end);
        }
        line += '\n';
        out.Write(line);
    }
}

}  // namespace

int RunSearchCommand(int argc, char** argv) {
    static const std::pair<const char*, std::uint32_t> kFields[] = {{"title", FIND_TITLE},
                                                                    {"content", FIND_CONTENT},
                                                                    {"author", FIND_AUTHOR},
                                                                    {"id", FIND_AUTHORID}};
    static const std::pair<const char*, std::uint32_t> kFolds[] = {
        {"case", FIND_IGNORECASE}, {"width", FIND_IGNOREWIDTH}, {"kana", FIND_IGNOREKANA}};

    ParsedArgs args;
    if (!ParseArgs(argc, argv,
                   {{"--from", true},
                    {"--in", true},
                    {"--ignore", true},
                    {"--prev", false},
                    {"--all", false},
                    {"--count", false},
                    {"--ranges", false}},
                   args))
        return SearchUsage();
    if (args.help) return PrintHelp(kSearchUsage);
    bool haveFrom = false, fieldsGiven = false;
    std::int32_t from = 0;
    std::uint32_t fields = 0, folds = 0;
    for (const auto& [name, value] : args.options) {
        if (name == "--from") {
            if (!ParseMessageNumber(value.c_str(), from)) return SearchUsage();
            haveFrom = true;
        } else if (name == "--in") {
            fieldsGiven = true;
            if (!ParseList(value, kFields, std::size(kFields), fields)) return SearchUsage();
        } else if (name == "--ignore") {
            if (!ParseList(value, kFolds, std::size(kFolds), folds)) return SearchUsage();
        }
    }
    const bool prev = args.Has("--prev"), all = args.Has("--all"), count = args.Has("--count"),
               ranges = args.Has("--ranges");
    if (args.operands.size() != 2 || int(all) + int(count) + int(ranges) > 1) return SearchUsage();
    const std::string& path = args.operands[0];
    const std::string& textUtf8 = args.operands[1];

    FixedFind find;
    find.option = (fieldsGiven ? fields : FIND_DEFAULT) | folds;
    std::optional<std::string> text = Utf8ToCp932(textUtf8);
    if (!text) {
        std::fprintf(stderr, "orvlog: the search text has characters that CP932 cannot hold\n");
        return kExitUsage;
    }
    find.text = *text;

    TerminalPrompter prompter;
    COrvDoc doc;
    // No title tree: the search walks the records in document order, which
    // is the tree's order.
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, &find});
    if (int status = OpenDocument(doc, prompter, path)) return status;
    std::vector<const CComment*> records;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int) { records.push_back(&rec); });
    const CRecordOrder order(records);
    StdOut out;

    if (all || count || ranges) {
        // Every match in tree order; the messages go to standard error as
        // the viewer shows them, "not found" naming the text as typed.
        NamingPrompter naming(prompter, textUtf8);
        DocPorts ports = doc.Ports();
        ports.prompter = &naming;
        FindAllResult found = FindAll(order, ports);
        if (found.outcome == SearchOutcome::BadText || found.outcome == SearchOutcome::Failed)
            return kExitUsage;
        if (count) out.Write(std::to_string(found.hits.size()) + "\n");
        CMatchFinder finder(find.option, find.text);
        for (std::size_t i : found.hits) {
            const CComment& rec = *records[i];
            if (out.Failed()) break;
            if (ranges)
                PrintRanges(out, rec, FindRecordRanges(rec, find.option, finder));
            else if (all)
                PrintRecord(out, rec);
        }
        return out.Finish(found.hits.empty() ? kExitNotFound : kExitOk);
    }

    // As the viewer's find next and previous: from the message after (before)
    // the one given, else after the first (before the last).
    std::size_t current = prev && !records.empty() ? records.size() - 1 : 0;
    if (haveFrom) {
        const CComment* start = doc.FindByNumber(from);
        const auto at = std::find(records.begin(), records.end(), start);
        if (!start || at == records.end()) {
            std::fprintf(stderr, "orvlog: %s: no message %d\n", path.c_str(), from);
            return kExitUsage;
        }
        current = static_cast<std::size_t>(at - records.begin());
    }
    const int step = prev ? -1 : +1;
    const int start = static_cast<int>(current) + step;
    if (records.empty() || start < 0 || start >= static_cast<int>(records.size()))
        return kExitNotFound;  // at the end of the order: nothing searched
    std::size_t hit = 0;
    switch (SearchRecords(order, doc.Ports(), start, step, hit)) {
        case SearchOutcome::Found:
            PrintRecord(out, *records[hit]);
            return out.Finish(kExitOk);
        case SearchOutcome::NotFound:
            return kExitNotFound;
        default:  // a text that cannot be searched for, a failure, a cancel
            return kExitUsage;
    }
}

}  // namespace orv::cli
