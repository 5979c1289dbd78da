// The document: every message of one forum as a forest of reply trees, and
// the title tree's items in document order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/arena_platform.h"
#include "core/comment.h"
#include "core/import/logfilelist.h"
#include "core/ports.h"

namespace orv {

class COrvDoc {
public:
    COrvDoc() = default;
    ~COrvDoc();
    COrvDoc(const COrvDoc&) = delete;
    COrvDoc& operator=(const COrvDoc&) = delete;

    void SetPorts(const DocPorts& ports) { m_ports = ports; }
    const DocPorts& Ports() const { return m_ports; }

    // --- records -----------------------------------------------------------
    CommentList GetRoots() const { return m_pStore->Roots(); }
    std::size_t GetRootCount() const { return m_pStore->Roots().size(); }
    // The first record with number n in document order; null if none.
    CComment* FindByNumber(std::int32_t n);
    // The record whose number stands before "へのコメント" at markerPos of
    // header line 2; null if none.
    CComment* FindParentOf(std::string_view line2, std::size_t markerPos);
    // A new record of this document, in no list yet.
    CComment& NewRecord() { return m_pStore->NewRecord(); }
    // Appends a new record as the last top-level record (import and load).
    void AddRoot(CComment& record);
    // Adds a new record as the last reply of parent, keeping the number
    // index current.
    void AddReplyTo(CComment& parent, CComment& reply);

    // --- import ------------------------------------------------------------
    // Imports the files of list (which may first ask the user for them).
    void ImportLogFiles(CLogFileList& list);
    // Result of the last import, for callers that report it (the CLI).
    // ReadError: a file could not be read to its end (what was read before
    // the error is kept, and the import went on as at its end).
    enum class ImportEnd {
        Normal,
        NoFile,
        Cancelled,
        NotALog,
        DuplicateStopped,
        OutOfMemory,
        ReadError
    };
    ImportEnd LastImportEnd() const { return m_lastImportEnd; }
    // What a message number that is already there does: Ask shows the
    // duplicate question (Yes overwrites it and every later duplicate of
    // the file, No ends the file); Stop and Overwrite decide without
    // asking, and the question's text is shown as a notice.
    enum class DuplicatePolicy { Ask, Stop, Overwrite };
    void SetDuplicatePolicy(DuplicatePolicy policy) { m_duplicates = policy; }
    DuplicatePolicy GetDuplicatePolicy() const { return m_duplicates; }
    // Where the last import stopped: the first file that could not be read
    // to its end, else the file being read when the import ended; the
    // number of the last message taken from it.
    struct ImportStop {
        std::string path;
        std::int32_t number = 0;
        bool haveNumber = false;  // a message was taken from the file
        int readErr = 0;          // errno of the read error, 0 for none
    };
    const ImportStop& LastImportStop() const { return m_importStop; }
    // What the logs are read as (LogEncodingMode::Auto unless set).
    void SetLogEncoding(LogEncodingMode mode) { m_logEncoding = mode; }
    LogEncodingMode GetLogEncoding() const { return m_logEncoding; }
    // What the user is told of logs read converted: Ask asks before a file
    // whose conversion replaces characters (No leaves the file out) and,
    // after the import, lists the files converted; Silent says nothing, the
    // caller reading LastImportConversions.
    enum class ConversionNotice { Ask, Silent };
    void SetConversionNotice(ConversionNotice notice) { m_conversionNotice = notice; }
    ConversionNotice GetConversionNotice() const { return m_conversionNotice; }
    // A log of the last import that was read converted.
    struct ConvertedLog {
        std::string path;
        LogForm form;
        std::uint64_t replaced = 0;   // characters replaced by 〓
        std::uint64_t firstLine = 0;  // the line of the first, 0 if none
    };
    const std::vector<ConvertedLog>& LastImportConversions() const { return m_conversions; }

    // --- tree --------------------------------------------------------------
    void BuildTree();
    // The delete-tree command: asks IDS_DELETE_TREE, then deletes the
    // selected record with its replies.
    void DeleteSelectedTree();
    bool OnUpdateDeleteSelectedTree() const;
    const std::vector<TreeItem>& GetTreeItems() const { return m_arrTreeItems; }

    // --- document life -----------------------------------------------------
    // Deletes every record; m_arrTreeItems is left alone.
    void DeleteContents();
    // Clears the title tree and m_arrTreeItems, then deletes the contents.
    void OnNewDocument();
    // Reads path; on success the tree is rebuilt and the modified flag
    // cleared. When the file cannot be opened, or memory runs out, the
    // document is unchanged; when reading fails part way it is left empty.
    // Failures are shown through the prompter.
    bool OnOpenDocument(const std::string& path);
    // Writes path completely or not at all (WriteFileAtomically); the
    // document is unchanged by a failure.
    bool OnSaveDocument(const std::string& path);
    // OutOfMemory leaves the document and the tree as they were.
    enum class OpenResult { Ok, CannotOpen, Malformed, BadSchema, ReadError, OutOfMemory };
    OpenResult LastOpenResult() const { return m_lastOpen; }
    enum class SaveResult { Ok, Failed, OutOfMemory };
    SaveResult LastSaveResult() const { return m_lastSave; }

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

private:
    // Puts store in place of the records and rebuilds the tree.
    bool SwitchTo(std::unique_ptr<CCommentStore> store);
    void RebuildIndex();
    void ShowMessage(int id, const std::string& arg = std::string());
    // Shows the system's description of err (else message fallbackId),
    // after the file's name when path is given.
    void ShowSystemError(int fallbackId, int err, const std::string& path = {});

    // Never null; replaced whole when a document is opened.
    std::unique_ptr<CCommentStore> m_pStore = std::make_unique<CCommentStore>();
    std::vector<TreeItem> m_arrTreeItems;
    bool m_bModified = false;
    DocPorts m_ports;

    // number -> first record with that number in document order: an open
    // addressing table of numbers and record ids (id 0 for an empty slot).
    struct IndexSlot {
        std::int32_t number = 0;
        std::uint32_t id = 0;
    };
    bool IndexInsert(CComment& rec);
    std::vector<IndexSlot, BlockAllocator<IndexSlot>> m_index;
    std::size_t m_indexCount = 0;
    bool m_bIndexValid = true;

    ImportEnd m_lastImportEnd = ImportEnd::Normal;
    DuplicatePolicy m_duplicates = DuplicatePolicy::Ask;
    ImportStop m_importStop;
    LogEncodingMode m_logEncoding = LogEncodingMode::Auto;
    ConversionNotice m_conversionNotice = ConversionNotice::Ask;
    std::vector<ConvertedLog> m_conversions;
    OpenResult m_lastOpen = OpenResult::Ok;
    SaveResult m_lastSave = SaveResult::Ok;
};

}  // namespace orv
