#include "cli/readstate_cmd.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/output.h"
#include "cli/terminal.h"
#include "core/orvdoc.h"
#include "readstate/docreadstate.h"
#include "res/strings.h"

namespace orv::cli {
namespace {

const char kUnreadUsage[] = "usage: orvlog unread DOC.mld\n";
const char kMarkUsage[] = "usage: orvlog mark DOC.mld --read|--unread NUMBER...\n";

int ReadStateUsage(const char* usage) {
    std::fputs(usage, stderr);
    return kExitUsage;
}

// Opens the store in the user's data folder; a damaged file set aside is
// reported and the command goes on with a new one.
int OpenStore(CReadStateStore& store) {
    const std::string path = CReadStateStore::DefaultPath();
    switch (store.Open(path)) {
        case CReadStateStore::OpenEnd::Ok:
            return kExitOk;
        case CReadStateStore::OpenEnd::Recreated:
            std::fputs(
                MessageLine(path, res::Format(res::IDS_READSTATE_DAMAGED, store.SetAsidePath()))
                    .c_str(),
                stderr);
            return kExitOk;
        case CReadStateStore::OpenEnd::Unavailable:
            std::fputs("orvlog: this build keeps no reading state\n", stderr);
            return kExitUsage;
        case CReadStateStore::OpenEnd::Failed:
            break;
    }
    std::fprintf(stderr, "orvlog: %s: %s\n", path.c_str(), store.LastError().c_str());
    return kExitUsage;
}

// The document and its reading state.
int OpenWithState(const std::string& path, COrvDoc& doc, CReadStateStore& store,
                  CDocReadState& state) {
    TerminalPrompter prompter;
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    if (int status = OpenDocument(doc, prompter, path)) return status;
    if (int status = OpenStore(store)) return status;
    state.SetRecords(doc.GetRoots());
    if (state.Attach(path)) return kExitOk;
    std::fprintf(stderr, "orvlog: %s: %s\n", store.Path().c_str(), store.LastError().c_str());
    return kExitUsage;
}

}  // namespace

int RunUnreadCommand(int argc, char** argv) {
    ParsedArgs args;
    if (!ParseArgs(argc, argv, {}, args)) return ReadStateUsage(kUnreadUsage);
    if (args.help) return PrintHelp(kUnreadUsage);
    if (args.operands.size() != 1) return ReadStateUsage(kUnreadUsage);
    COrvDoc doc;
    CReadStateStore store;
    CDocReadState state(&store);
    if (int status = OpenWithState(args.operands[0], doc, store, state)) return status;
    StdOut out;
    std::string line;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int depth) {
        if (out.Failed() || state.IsRead(rec)) return;
        line.clear();
        AppendTreeLine(line, rec, depth);
        out.Write(line);
    });
    return out.Finish(kExitOk);
}

int RunMarkCommand(int argc, char** argv) {
    ParsedArgs args;
    if (!ParseArgs(argc, argv, {{"--read", false}, {"--unread", false}}, args))
        return ReadStateUsage(kMarkUsage);
    if (args.help) return PrintHelp(kMarkUsage);
    const bool read = args.Has("--read");
    if (read == args.Has("--unread") || args.operands.size() < 2) return ReadStateUsage(kMarkUsage);
    std::vector<std::int32_t> numbers;
    for (std::size_t i = 1; i < args.operands.size(); ++i) {
        std::int32_t n = 0;
        if (!ParseMessageNumber(args.operands[i].c_str(), n)) return ReadStateUsage(kMarkUsage);
        numbers.push_back(n);
    }
    const std::string& path = args.operands[0];
    COrvDoc doc;
    CReadStateStore store;
    CDocReadState state(&store);
    if (int status = OpenWithState(path, doc, store, state)) return status;
    int status = kExitOk;
    for (std::int32_t n : numbers) {
        bool found = false;
        // Every message with that number: a merged document may hold more.
        WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int) {
            if (rec.GetNumber() != n) return;
            state.SetRead(rec, read);
            found = true;
        });
        if (found) continue;
        std::fprintf(stderr, "orvlog: %s: no message %d\n", path.c_str(), n);
        status = kExitNotFound;
    }
    if (state.Flush()) return status;
    std::fprintf(stderr, "orvlog: %s: %s\n", store.Path().c_str(), store.LastError().c_str());
    return kExitUsage;
}

}  // namespace orv::cli
