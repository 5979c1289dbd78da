// One import of log files into a document, in named steps: open the next
// file, find its first message, then for each message read its header,
// place the record and read its body. COrvDoc::ImportLogFiles runs it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/import/logfilelist.h"
#include "core/import/logscan.h"
#include "core/orvdoc.h"
#include "core/progress.h"

namespace orv {

class CLogImport {
public:
    // The import of list's files into doc, whose records live in store.
    CLogImport(COrvDoc& doc, CCommentStore& store, CLogFileList& list);
    CLogImport(const CLogImport&) = delete;
    CLogImport& operator=(const CLogImport&) = delete;

    // Imports every file of the list and rebuilds the tree when a file was
    // read; returns how the import ended.
    COrvDoc::ImportEnd Run();
    // Where it stopped (see COrvDoc::LastImportStop).
    const COrvDoc::ImportStop& Stop() const { return m_stop; }
    // The files read converted.
    const std::vector<COrvDoc::ConvertedLog>& Conversions() const { return m_conversions; }

private:
    // How the messages of one file ended.
    enum class FileEnd { Done, NotALog };
    // A message being read: its number, the record it overwrites (with
    // that record's fields before) or the new record, its parent.
    struct Message {
        std::int32_t number = 0;
        CComment* existing = nullptr;
        CComment* fresh = nullptr;
        CComment* parent = nullptr;
        std::string_view before[5];
        std::uint32_t len[5] = {};
    };

    // The end of the whole import, after the last file or the user's cancel.
    COrvDoc::ImportEnd EndAfterFiles(std::size_t filesOpened);
    // Reads the open file's messages; NotALog when it has none or a
    // message is broken off.
    FileEnd ImportFile();
    // Says that the file is not a log.
    FileEnd NotALog();
    // Reads lines up to the first message start (in m_line).
    bool FindFirstMessage(CLogScanner& scan);
    // Whether a message whose number is already there may overwrite it:
    // the duplicate question, or the document's policy.
    bool MayOverwrite();
    // Writes header lines 1 and 2 of the message starting at m_line; false
    // when line 2 is missing (a record being overwritten keeps the fields
    // already replaced, with its date and no text).
    bool ReadHeader(CLogScanner& scan, Message& msg);
    // Takes the record the message goes into, linked under its parent.
    void PlaceRecord(Message& msg);
    // Puts the body lines up to the next message start or the end; moves
    // the progress bar and lets the user cancel.
    void ReadBody(CLogScanner& scan);
    // Keeps the message's fields and places a new root.
    void FinishRecord(CLogScanner& scan, Message& msg);
    // Whether the open file is read: a file whose conversion replaces
    // characters is read only if the user agrees (ConversionNotice::Ask).
    bool MayConvert();
    // Notes the open file when it was read converted.
    void NoteConversion();
    // Lists the files read converted (ConversionNotice::Ask).
    void ShowConversions();
    void MoveProgress(std::uint64_t position);
    bool AskCancel();
    // Notes the open file's read error, if it is the first.
    void NoteReadError();
    // The end noted when the import stops at end.
    COrvDoc::ImportEnd EndAs(COrvDoc::ImportEnd end);
    void Show(int id, const std::string& arg = std::string());

    COrvDoc& m_doc;
    CCommentStore& m_store;
    CLogFileList& m_list;
    IPrompter* m_prompter;
    COrvDoc::ImportStop m_stop;
    COrvDoc::ImportStop m_current;  // the file being read
    bool m_bCancelled = false;
    bool m_bAnyStopped = false;  // a duplicate ended a file
    std::vector<COrvDoc::ConvertedLog> m_conversions;

    // The file being read.
    std::string m_fileName;
    std::uint64_t m_length = 0;
    CProgress* m_pProgress = nullptr;
    bool m_bOverwriteAll = false;
    // The progress bar moves by whole percents: the next position at which
    // it moves is worked out once per step, not per line.
    std::uint64_t m_nextStep = 0;
    // The line last read and its kind.
    std::string_view m_line;
    LineKind m_kind = LineKind::Other;
};

}  // namespace orv
