// orvlog: the viewer's command-line companion. Imports text logs into
// ".mld" documents and prints what a document holds.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/console.h"
#include "cli/find_cmd.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/readstate_cmd.h"
#include "cli/search_cmd.h"
#include "cli/terminal.h"
#include "core/cp932.h"
#include "core/fileio.h"
#include "core/htmlexport.h"
#include "core/orvdoc.h"
#include "res/strings.h"

using namespace orv;
using namespace orv::cli;

namespace {

const char kImportUsage[] =
    "usage: orvlog import -o OUT.mld [--into DOC.mld] [--duplicates stop|overwrite]\n"
    "                    [--encoding auto|cp932|utf-8|euc-jp|iso-2022-jp] LOG...\n"
    "  --encoding  what the logs are written in (default auto: detected per file;\n"
    "              cp932 reads them as they are, without detection)\n";
const char kTreeUsage[] = "usage: orvlog tree DOC.mld\n";
const char kShowUsage[] = "usage: orvlog show DOC.mld NUMBER\n";
const char kDumpUsage[] = "usage: orvlog dump DOC.mld\n";
const char kExportUsage[] = "usage: orvlog export-html DOC.mld OUTDIR\n";
const char kUsage[] =
    "usage: orvlog import -o OUT.mld [--into DOC.mld] [--duplicates stop|overwrite]\n"
    "                    [--encoding auto|cp932|utf-8|euc-jp|iso-2022-jp] LOG...\n"
    "       orvlog tree DOC.mld\n"
    "       orvlog show DOC.mld NUMBER\n"
    "       orvlog dump DOC.mld\n"
    "       orvlog search DOC.mld TEXT [--from NUMBER] [--prev] [--in FIELDS] [--ignore FOLDS] "
    "[--all | --count | --ranges]\n"
    "       orvlog export-html DOC.mld OUTDIR\n"
    "       orvlog unread DOC.mld\n"
    "       orvlog mark DOC.mld --read|--unread NUMBER...\n"
    "       orvlog find TEXT PATH... [--in FIELDS] [--ignore FOLDS] [--count] [--no-index]\n"
    "       orvlog index PATH...\n"
    "       orvlog --version\n"
    "Every command takes -h or --help; \"--\" ends the options.\n";

int Usage(const char* usage = kUsage) {
    std::fputs(usage, stderr);
    return kExitUsage;
}

// The arguments of a command with its usage: -1 to go on, else the exit
// status (the usage printed, on standard output for --help).
int ReadArgs(int argc, char** argv, std::initializer_list<OptionDef> known, const char* usage,
             ParsedArgs& args) {
    if (!ParseArgs(argc, argv, known, args)) return Usage(usage);
    if (!args.help) return -1;
    return PrintHelp(usage);
}

// The logs must be files that can be read, and none may be the output.
int CheckLogs(const std::vector<std::string>& logs, const std::string& out) {
    for (const std::string& log : logs) {
        int err = 0;
        std::FILE* f = OpenRegularFile(log, err);
        if (f) std::fclose(f);
        if (!f) {
            std::fprintf(stderr, "orvlog: %s: %s\n", log.c_str(), FileErrorText(err).c_str());
            return kExitUsage;
        }
        if (SameFile(log, out)) {
            std::fprintf(stderr, "orvlog: %s: the output is one of the logs being imported\n",
                         out.c_str());
            return kExitUsage;
        }
    }
    return kExitOk;
}

// How an import ended, as an exit status; a read error is reported here,
// with how far its log was read.
int ImportStatus(const COrvDoc& doc) {
    const COrvDoc::ImportStop& stop = doc.LastImportStop();
    switch (doc.LastImportEnd()) {
        case COrvDoc::ImportEnd::NotALog:
            return kExitNotALog;
        case COrvDoc::ImportEnd::OutOfMemory:
            return kExitNoMemory;
        case COrvDoc::ImportEnd::ReadError: {
            EndProgressLine();
            const std::string reached = stop.haveNumber
                                            ? "read up to message " + std::to_string(stop.number)
                                            : std::string("read before the first message");
            std::fprintf(stderr, "orvlog: %s: %s (%s)\n", stop.path.c_str(),
                         FileErrorText(stop.readErr).c_str(), reached.c_str());
            return kExitReadError;
        }
        default:
            return kExitOk;
    }
}

// Tells of each log read converted, on standard error.
void NoteConversions(const COrvDoc& doc) {
    for (const COrvDoc::ConvertedLog& log : doc.LastImportConversions()) {
        const LineEnds ends = log.form.ends;
        std::string note = std::string("read as ") + EncodingName(log.form.encoding);
        if (log.form.encoding == LogEncoding::Utf8Bom) note += " with BOM";
        note += ends == LineEnds::Lf   ? ", LF line ends"
                : ends == LineEnds::Cr ? ", CR line ends"
                                       : "";
        if (log.replaced)
            note += "; " + std::to_string(log.replaced) +
                    (log.replaced == 1 ? " character" : " characters") +
                    " not in Shift-JIS replaced by 〓, the first in line " +
                    std::to_string(log.firstLine);
        EndProgressLine();
        std::fprintf(stderr, "orvlog: %s: %s\n", log.path.c_str(), note.c_str());
    }
}

int Import(int argc, char** argv) {
    ParsedArgs args;
    if (int status =
            ReadArgs(argc, argv,
                     {{"-o", true}, {"--into", true}, {"--duplicates", true}, {"--encoding", true}},
                     kImportUsage, args);
        status >= 0)
        return status;
    LogEncodingMode encoding = LogEncodingMode::Auto;
    if (!ParseEncodingMode(args.Value("--encoding", "auto"), encoding)) return Usage(kImportUsage);
    const std::string out = args.Value("-o"), into = args.Value("--into");
    const std::string dup = args.Value("--duplicates", "stop");
    if (dup != "stop" && dup != "overwrite") return Usage(kImportUsage);
    const std::vector<std::string>& logs = args.operands;
    if (out.empty() || logs.empty()) return Usage(kImportUsage);
    if (int status = CheckLogs(logs, out)) return status;

    TerminalPrompter prompter;
    TerminalProgressFactory progress;
    COrvDoc doc;
    doc.SetDuplicatePolicy(dup == "overwrite" ? COrvDoc::DuplicatePolicy::Overwrite
                                              : COrvDoc::DuplicatePolicy::Stop);
    doc.SetLogEncoding(encoding);
    doc.SetConversionNotice(COrvDoc::ConversionNotice::Silent);
    // No title tree: nothing here shows one, so the import builds none.
    doc.SetPorts({nullptr, &progress, &prompter, nullptr, nullptr});
    if (!into.empty()) {
        int status = OpenDocument(doc, prompter, into);
        if (status != kExitOk) return status;
    }
    CLogFileList list(logs);
    SetWorkingFile(logs.front());
    prompter.importing = &list;
    doc.ImportLogFiles(list);
    prompter.importing = nullptr;
    NoteConversions(doc);
    if (int status = SaveDocument(doc, prompter, out)) return status;
    return ImportStatus(doc);
}

// Opens the document of a printing command.
int OpenForReading(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path) {
    doc.SetPorts({nullptr, nullptr, &prompter, nullptr, nullptr});
    return OpenDocument(doc, prompter, path);
}

int Tree(int argc, char** argv) {
    ParsedArgs args;
    if (int status = ReadArgs(argc, argv, {}, kTreeUsage, args); status >= 0) return status;
    if (args.operands.size() != 1) return Usage(kTreeUsage);
    TerminalPrompter prompter;
    COrvDoc doc;
    if (int status = OpenForReading(doc, prompter, args.operands[0])) return status;
    StdOut out;
    std::string line;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int depth) {
        if (out.Failed()) return;
        line.clear();
        AppendTreeLine(line, rec, depth);
        out.Write(line);
    });
    return out.Finish(kExitOk);
}

int Show(int argc, char** argv) {
    ParsedArgs args;
    if (int status = ReadArgs(argc, argv, {}, kShowUsage, args); status >= 0) return status;
    if (args.operands.size() != 2) return Usage(kShowUsage);
    std::int32_t n = 0;
    if (!ParseMessageNumber(args.operands[1].c_str(), n)) return Usage(kShowUsage);
    TerminalPrompter prompter;
    COrvDoc doc;
    if (int status = OpenForReading(doc, prompter, args.operands[0])) return status;
    CComment* rec = doc.FindByNumber(n);
    if (!rec) {
        std::fprintf(stderr, "orvlog: %s: no message %d\n", args.operands[0].c_str(), n);
        return kExitNotFound;
    }
    StdOut out;
    out.Write("発言番号: " + std::to_string(rec->GetNumber()) +
              "\nID: " + ToTerminal(rec->GetId()) + "\n発言者: " + ToTerminal(rec->GetAuthor()) +
              "\nタイトル: " + ToTerminal(rec->GetTitle()) +
              "\n日時: " + ToTerminal(rec->GetDateTime()) + "\n\n" + ToTerminal(rec->GetText()));
    return out.Finish(kExitOk);
}

void JsonString(std::string& out, const std::string& utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
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
    ParsedArgs args;
    if (int status = ReadArgs(argc, argv, {}, kDumpUsage, args); status >= 0) return status;
    if (args.operands.size() != 1) return Usage(kDumpUsage);
    TerminalPrompter prompter;
    COrvDoc doc;
    if (int status = OpenForReading(doc, prompter, args.operands[0])) return status;
    StdOut out;
    std::string line;
    WalkDocumentOrder(doc.GetRoots(), [&](CComment& rec, int depth) {
        if (out.Failed()) return;
        line = "{\"depth\":" + std::to_string(depth) +
               ",\"number\":" + std::to_string(rec.GetNumber()) + ",\"id\":";
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
        out.Write(line);
    });
    return out.Finish(kExitOk);
}

// Writes the document as a site of HTML pages into OUTDIR, which must not
// exist or be empty. Ctrl+C or SIGTERM cancels it: nothing is left behind,
// and the process then ends by that signal.
int ExportHtml(int argc, char** argv) {
    ParsedArgs args;
    if (int status = ReadArgs(argc, argv, {}, kExportUsage, args); status >= 0) return status;
    if (args.operands.size() != 2) return Usage(kExportUsage);
    const std::string& docPath = args.operands[0];
    const std::string& outDir = args.operands[1];
    TerminalPrompter prompter;
    TerminalProgressFactory progress;
    progress.cancelOnInterrupt = true;
    COrvDoc doc;
    if (int status = OpenForReading(doc, prompter, docPath)) return status;
    std::string name = docPath;
    if (std::size_t slash = name.find_last_of("/\\"); slash != std::string::npos)
        name.erase(0, slash + 1);
    SetWorkingFile(outDir);
    CatchInterrupts();
    const HtmlExportResult r = ExportHtmlSite(doc.GetRoots(), name, outDir, &progress, &prompter);
    EndProgressLine();
    switch (r.status) {
        case HtmlExportStatus::Ok:
            return kExitOk;
        case HtmlExportStatus::NotEmpty:
            std::fprintf(stderr,
                         "orvlog: %s: not empty: give a folder that is empty or does not exist\n",
                         outDir.c_str());
            break;
        case HtmlExportStatus::NotAFolder:
            std::fprintf(stderr, "orvlog: %s: not a folder\n", outDir.c_str());
            break;
        case HtmlExportStatus::Cancelled:
            std::fprintf(stderr, "orvlog: %s: export cancelled\n", outDir.c_str());
            EndByPendingInterrupt();
            break;
        case HtmlExportStatus::Failed:
            std::fprintf(stderr, "orvlog: %s: %s\n", outDir.c_str(),
                         FileErrorText(r.err ? r.err : EIO).c_str());
            break;
    }
    return kExitUsage;
}

int RunCommand(int argc, char** argv) {
    const std::string cmd = argv[1];
    if (cmd == "import") return Import(argc - 1, argv + 1);
    if (cmd == "tree") return Tree(argc - 1, argv + 1);
    if (cmd == "show") return Show(argc - 1, argv + 1);
    if (cmd == "dump") return Dump(argc - 1, argv + 1);
    if (cmd == "search") return RunSearchCommand(argc - 1, argv + 1);
    if (cmd == "export-html") return ExportHtml(argc - 1, argv + 1);
    if (cmd == "unread") return RunUnreadCommand(argc - 1, argv + 1);
    if (cmd == "mark") return RunMarkCommand(argc - 1, argv + 1);
    if (cmd == "find") return RunFindCommand(argc - 1, argv + 1);
    if (cmd == "index") return RunIndexCommand(argc - 1, argv + 1);
    if (cmd == "-h" || cmd == "--help") return PrintHelp(kUsage);
    if (cmd == "--version") return PrintHelp(std::string("orvlog ") + ORV_VERSION + "\n");
    return Usage();
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
    // Memory can run out anywhere a command works; it ends the command with
    // a message naming the file it worked on.
    try {
        return RunCommand(argc, argv);
    } catch (const std::bad_alloc&) {
        EndProgressLine();
        std::fputs(MessageLine(WorkingFile(), res::Text(res::IDS_OUT_OF_MEMORY)).c_str(), stderr);
        return kExitNoMemory;
    }
}
