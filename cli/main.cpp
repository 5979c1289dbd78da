// orvlog: the viewer's command-line companion. Imports text logs into
// ".mld" documents and prints what a document holds.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/find_cmd.h"
#include "cli/search_cmd.h"
#include "cli/terminal.h"
#include "core/cp932.h"
#include "core/fileio.h"
#include "core/htmlexport.h"
#include "core/orvdoc.h"


using namespace orv;
using namespace orv::cli;

namespace {

const char kUsage[] =
    "usage: orvlog import -o OUT.mld [--into DOC.mld] [--duplicates stop|overwrite] LOG...\n"
    "       orvlog tree DOC.mld\n"
    "       orvlog show DOC.mld NUMBER\n"
    "       orvlog dump DOC.mld\n"
    "       orvlog search DOC.mld TEXT [--from NUMBER] [--prev] [--in FIELDS] [--ignore FOLDS] "
    "[--all | --count | --ranges]\n"
    "       orvlog export-html DOC.mld OUTDIR\n"
    "       orvlog find TEXT PATH... [--in FIELDS] [--ignore FOLDS] [--count] [--no-index]\n"
    "       orvlog index PATH...\n"
    ;

int Usage() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Import(int argc, char** argv) {
    std::string out, into;
    MsgAnswer duplicates = MsgAnswer::No;
    std::vector<std::string> logs;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-o" || a == "--into" || a == "--duplicates") && i + 1 >= argc) return Usage();
        if (a == "-o") {
            out = argv[++i];
        } else if (a == "--into") {
            into = argv[++i];
        } else if (a == "--duplicates") {
            std::string v = argv[++i];
            if (v == "stop")
                duplicates = MsgAnswer::No;
            else if (v == "overwrite")
                duplicates = MsgAnswer::Yes;
            else
                return Usage();
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage();
        } else {
            logs.push_back(a);
        }
    }
    if (out.empty() || logs.empty()) return Usage();
    for (const std::string& log : logs) {
        // A folder may open, but no log can be read from it.
        std::FILE* f = OpenFile(log, "rb");
        struct stat st {};
        const char* why = nullptr;
        if (!f || ::fstat(::fileno(f), &st) != 0)
            why = std::strerror(errno);
        else if (S_ISDIR(st.st_mode))
            why = std::strerror(EISDIR);
        else if (!S_ISREG(st.st_mode))
            why = "not a regular file";
        if (f) std::fclose(f);
        if (why) {
            std::fprintf(stderr, "orvlog: cannot open %s: %s\n", log.c_str(), why);
            return kExitUsage;
        }
    }

    TerminalPrompter prompter;
    prompter.duplicateAnswer = duplicates;
    TerminalProgressFactory progress;
    COrvDoc doc;
    // No title tree: nothing here shows one, so the import builds none.
    doc.SetPorts({nullptr, &progress, &prompter, nullptr, nullptr});
    if (!into.empty()) {
        int status = OpenDocument(doc, prompter, into);
        if (status != kExitOk) return status;
    }
    CLogFileList list(logs);
    doc.ImportLogFiles(list);
    if (!SaveDocument(doc, prompter, out)) return kExitUsage;
    switch (doc.LastImportEnd()) {
        case COrvDoc::ImportEnd::NotALog:
            return kExitNotALog;
        case COrvDoc::ImportEnd::OutOfMemory:
            return kExitUsage;
        default:
            return kExitOk;
    }
}

int Tree(int argc, char** argv) {
    if (argc != 2) return Usage();
    TerminalPrompter prompter;
    COrvDoc doc;
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    if (int status = OpenDocument(doc, prompter, argv[1])) return status;
    std::string out;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int depth) {
        out.assign(static_cast<std::size_t>(depth) * 2, ' ');
        out += std::to_string(rec.GetNumber());
        out += ' ';
        out += ToTerminal(rec.GetTitle());
        out += '\n';
        std::fputs(out.c_str(), stdout);
    });
    return kExitOk;
}

int Show(int argc, char** argv) {
    if (argc != 3) return Usage();
    std::int32_t n = 0;
    if (!ParseMessageNumber(argv[2], n)) return Usage();
    TerminalPrompter prompter;
    COrvDoc doc;
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    if (int status = OpenDocument(doc, prompter, argv[1])) return status;
    CComment* rec = doc.FindByNumber(n);
    if (!rec) {
        std::fprintf(stderr, "orvlog: no message %d\n", n);
        return kExitNotFound;
    }
    std::printf("発言番号: %d\nID: %s\n発言者: %s\nタイトル: %s\n日時: %s\n\n%s",
                rec->GetNumber(), ToTerminal(rec->GetId()).c_str(),
                ToTerminal(rec->GetAuthor()).c_str(), ToTerminal(rec->GetTitle()).c_str(),
                ToTerminal(rec->GetDateTime()).c_str(), ToTerminal(rec->GetText()).c_str());
    return kExitOk;
}

void JsonString(std::string& out, const std::string& utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

int Dump(int argc, char** argv) {
    if (argc != 2) return Usage();
    TerminalPrompter prompter;
    COrvDoc doc;
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    if (int status = OpenDocument(doc, prompter, argv[1])) return status;
    std::string line;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int depth) {
        line = "{\"depth\":" + std::to_string(depth) + ",\"number\":" +
               std::to_string(rec.GetNumber()) + ",\"id\":";
        JsonString(line, Cp932ToUtf8(rec.GetId()));
        line += ",\"author\":";
        JsonString(line, Cp932ToUtf8(rec.GetAuthor()));
        line += ",\"title\":";
        JsonString(line, Cp932ToUtf8(rec.GetTitle()));
        line += ",\"datetime\":";
        JsonString(line, Cp932ToUtf8(rec.GetDateTime()));
        line += ",\"text\":";
        JsonString(line, Cp932ToUtf8(rec.GetText()));
        line += "}\n";
        std::fputs(line.c_str(), stdout);
    });
    return kExitOk;
}

// Writes the document as a site of HTML pages into OUTDIR, which must not
// exist or be empty.
int ExportHtml(int argc, char** argv) {
    if (argc != 3) return Usage();
    const std::string outDir = argv[2];
    TerminalPrompter prompter;
    TerminalProgressFactory progress;
    COrvDoc doc;
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    if (int status = OpenDocument(doc, prompter, argv[1])) return status;
    std::string name = argv[1];
    if (std::size_t slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
    const HtmlExportResult r = ExportHtmlSite(doc.GetRoots(), name, outDir, &progress, &prompter);
    switch (r.status) {
        case HtmlExportStatus::Ok:
            return kExitOk;
        case HtmlExportStatus::NotEmpty:
            std::fprintf(stderr, "orvlog: %s is not empty: give a folder that is empty or does not exist\n",
                         outDir.c_str());
            break;
        case HtmlExportStatus::NotAFolder:
            std::fprintf(stderr, "orvlog: %s is not a folder\n", outDir.c_str());
            break;
        case HtmlExportStatus::Cancelled:
            std::fprintf(stderr, "orvlog: export cancelled\n");
            break;
        case HtmlExportStatus::Failed:
            std::fprintf(stderr, "orvlog: cannot write %s: %s\n", r.path.c_str(),
                         std::strerror(r.err ? r.err : EIO));
            break;
    }
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // The subcommands read their arguments as UTF-8 C strings.
    const std::vector<std::string> args = StartConsole(argc, argv);
    std::vector<char*> utf8;
    for (const std::string& a : args) utf8.push_back(const_cast<char*>(a.c_str()));
    utf8.push_back(nullptr);
    argc = static_cast<int>(args.size());
    argv = utf8.data();
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    if (cmd == "import") return Import(argc - 1, argv + 1);
    if (cmd == "tree") return Tree(argc - 1, argv + 1);
    if (cmd == "show") return Show(argc - 1, argv + 1);
    if (cmd == "dump") return Dump(argc - 1, argv + 1);
    if (cmd == "search") return RunSearchCommand(argc - 1, argv + 1);
    if (cmd == "export-html") return ExportHtml(argc - 1, argv + 1);
    if (cmd == "find") return RunFindCommand(argc - 1, argv + 1);
    if (cmd == "index") return RunIndexCommand(argc - 1, argv + 1);
    if (cmd == "-h" || cmd == "--help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    return Usage();
}
