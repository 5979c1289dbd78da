// The command line's side of the core's ports: messages on standard error,
// a progress bar when standard error is a terminal, and exit statuses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/orvdoc.h"
#include "core/ports.h"

namespace orv::cli {

enum ExitStatus {
    kExitOk = 0,
    kExitNotFound = 1,
    kExitUsage = 2,           // bad usage, or a file that cannot be opened or written
    kExitNotALog = 3,         // a log rejected as not being a log
    kExitMalformed = 4,       // a document file that is not in the expected format
    kExitSchema = 5,          // a document file of an unsupported schema
    kExitNoMemory = 6,        // out of memory
    kExitReadError = 7,       // a read error in a log (what was read before it is written)
    kExitSomeUnsearched = 8,  // some documents of a library could not be searched
};

// The file a command works on, named when memory runs out.
void SetWorkingFile(const std::string& path);
const std::string& WorkingFile();

// Prints every message to standard error on one line, after the file it is
// about; answers questions from fixed answers (a question to cancel Yes
// when an interrupt is pending, everything else No). What to do with
// duplicates is the document's policy, set from --duplicates.
class TerminalPrompter : public IPrompter {
public:
    // The file the messages are about (a document being opened or saved),
    // printed before them when set.
    std::string subject;
    // The logs of a running import: a message without a subject is about
    // the log being read. A read error is left to the caller to report
    // (with how far the log was read), and so is the "not a log" that
    // follows from it.
    const CLogFileList* importing = nullptr;
    MsgAnswer MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                         MsgButtons buttons) override;
};

// A one-line progress bar on standard error, only when it is a terminal.
// With cancelOnInterrupt, a progress is made in any case and asks to cancel
// once SIGINT or SIGTERM was caught (CatchInterrupts).
class TerminalProgressFactory : public IProgressFactory {
public:
    bool cancelOnInterrupt = false;
    std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) override;
};

// The bar's line for percent (held to 0..100), without the leading return.
std::string ProgressBarText(const std::string& caption, int percent);

// One line of a message about subject (may be empty): the subject once,
// then the text with its lines joined.
std::string MessageLine(const std::string& subject, const std::string& text);

// Opens a document for a subcommand; returns kExitOk or the exit status
// that the failure calls for (the message, naming path, is already printed
// through prompter, the document's prompter).
int OpenDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path);

// Saves the document to path; returns kExitOk or the exit status of the
// failure (the message, naming path, is already printed through prompter).
int SaveDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path);

// Starts a fresh line on standard error when a progress bar stands on the
// current one, so that what is printed next is not run into the bar.
void EndProgressLine();

// Reads a message number given on the command line: decimal, within the
// 32-bit range; false for anything else.
bool ParseMessageNumber(const char* text, std::int32_t& number);

// CP932 to UTF-8 with CR LF turned into LF, for terminal output.
std::string ToTerminal(std::string_view cp932);

}  // namespace orv::cli
