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
    kExitUsage = 2,     // bad usage, or a file that cannot be opened or written
    kExitNotALog = 3,   // a log rejected as not being a log
    kExitMalformed = 4, // a document file that is not in the expected format
    kExitSchema = 5,    // a document file of an unsupported schema
};

// Prints every message to standard error; answers questions from fixed
// answers (the duplicate question from --duplicates, everything else No).
class TerminalPrompter : public IPrompter {
public:
    MsgAnswer duplicateAnswer = MsgAnswer::No;
    int lastId = 0;
    // The file the messages are about (a document being opened or saved),
    // printed before them when set.
    std::string subject;
    MsgAnswer MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                         MsgButtons buttons) override;
};

// A one-line progress bar on standard error, only when it is a terminal.
class TerminalProgressFactory : public IProgressFactory {
public:
    std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) override;
};

// Opens a document for a subcommand; returns kExitOk or the exit status
// that the failure calls for (the message, naming path, is already printed
// through prompter, the document's prompter).
int OpenDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path);

// Saves the document to path; false when that failed (the message, naming
// path, is already printed through prompter).
bool SaveDocument(COrvDoc& doc, TerminalPrompter& prompter, const std::string& path);

// Starts a fresh line on standard error when a progress bar stands on the
// current one, so that what is printed next is not run into the bar.
void EndProgressLine();

// Reads a message number given on the command line: decimal, within the
// 32-bit range; false for anything else.
bool ParseMessageNumber(const char* text, std::int32_t& number);

// CP932 to UTF-8 with CR LF turned into LF, for terminal output.
std::string ToTerminal(std::string_view cp932);

}  // namespace orv::cli
