#include "core/orvdoc.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "core/archive.h"
#include "core/fileio.h"
#include "core/logimport.h"
#include "core/logscan.h"
#include "res/strings.h"

namespace orv {

namespace {

const char kImportingSuffix[] = " 取り込み中！";
const char kBuildingTree[] = "ツリー生成中！";

// Owns a progress dialog for one long operation; every call is a no-op when
// the document has no progress port.
class Progress {
public:
    Progress(IProgressFactory* factory, bool cancelMode) {
        if (factory) m_dlg = factory->CreateProgress(cancelMode);
    }
    void SetCaption(const std::string& text) {
        if (m_dlg) m_dlg->SetCaption(text);
    }
    void SetPos(int percent) {
        if (m_dlg && percent != m_last) {
            m_last = percent;
            m_dlg->SetPos(percent);
        }
    }
    bool CheckCancel() { return m_dlg && m_dlg->CheckCancel(); }
    // Whether a dialog follows the work step by step.
    bool Watched() const { return m_dlg != nullptr; }
    void Destroy() { m_dlg.reset(); }

private:
    std::unique_ptr<IProgressDlg> m_dlg;
    int m_last = -1;
};

// Writes the ID, author and title of header line 1 through scan, as
// ParseHeader reads them from its tokens, with their lengths in len[0..2].
void PutHeaderLine1(CLogScanner& scan, std::string_view line, std::uint32_t (&len)[5]) {
    std::size_t count = 0, authorFrom = 0, titleFrom = 0;
    ForEachToken(line.data(), line.size(), [&](std::size_t pos, std::size_t n) {
        const std::string_view token = line.substr(pos, n);
        if (count == 1) {
            scan.Put(token);
            authorFrom = titleFrom = scan.Written();
        } else if (count >= 2 && pos < kTitleColumn) {
            if (scan.Written() > authorFrom) scan.Put(" ");
            scan.Put(token);
            titleFrom = scan.Written();
        } else if (count >= 2) {
            if (scan.Written() > titleFrom) scan.Put(" ");
            scan.Put(token);
            scan.TrimTabLfCr(titleFrom);
        }
        ++count;
        return true;
    });
    len[0] = static_cast<std::uint32_t>(authorFrom);
    len[1] = static_cast<std::uint32_t>(titleFrom - authorFrom);
    len[2] = static_cast<std::uint32_t>(scan.Written() - titleFrom);
}

// The share of done in total, 0 to 100: a log that grows while it is read
// passes the length taken when it was opened.
int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) return 100;
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

}  // namespace

COrvDoc::~COrvDoc() = default;

void COrvDoc::ShowSystemError(int fallbackId, int err, const std::string& path) {
    // The system's description of the error, or else the general message;
    // a bare "No such file or directory" does not say which file.
    const std::string why = err ? FileErrorText(err) : std::string();
    std::string text = !why.empty() ? why : res::Text(fallbackId);
    if (!path.empty()) text = path + "\n" + text;
    if (m_ports.prompter)
        m_ports.prompter->MessageBox(fallbackId, text, MsgIcon::Exclamation, MsgButtons::Ok);
}

void COrvDoc::ShowMessage(int id, const std::string& arg) {
    if (m_ports.prompter)
        m_ports.prompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

// --- records ---------------------------------------------------------------

namespace {

// Eight consecutive numbers share one group of eight slots (one cache
// line), so that the mostly consecutive numbers of a forum are looked up
// with few cache misses; the groups themselves are spread by a Fibonacci
// hash, so that no pattern of numbers piles up in one place.
std::size_t Slot(std::int32_t n, std::size_t mask) {
    const auto u = static_cast<std::uint32_t>(n);
    const auto group = static_cast<std::size_t>(
        (static_cast<std::uint64_t>(u >> 3) * 0x9E3779B97F4A7C15ull) >> 32);
    return (group << 3 | (u & 7u)) & mask;
}

}  // namespace

bool COrvDoc::IndexInsert(CComment& rec) {
    if ((m_indexCount + 1) * 2 > m_index.size()) {
        // Grow to keep the table at most half full; re-inserting keeps each
        // number's record, as every number is there once.
        auto old = std::move(m_index);
        m_index.assign(old.empty() ? 1024 : old.size() * 2, IndexSlot{});
        const std::size_t mask = m_index.size() - 1;
        for (const IndexSlot& slot : old) {
            if (!slot.id) continue;
            std::size_t i = Slot(slot.number, mask);
            while (m_index[i].id) i = (i + 1) & mask;
            m_index[i] = slot;
        }
    }
    const std::size_t mask = m_index.size() - 1;
    const std::int32_t n = rec.GetNumber();
    std::size_t i = Slot(n, mask);
    for (; m_index[i].id; i = (i + 1) & mask)
        if (m_index[i].number == n) return false;
    m_index[i] = {n, m_pStore->IdOf(rec)};
    ++m_indexCount;
    return true;
}

void COrvDoc::RebuildIndex() {
    m_index.clear();
    m_indexCount = 0;
    WalkDocumentOrder(GetRoots(), [&](CComment& rec, int) { IndexInsert(rec); });
    m_bIndexValid = true;
}

CComment* COrvDoc::FindByNumber(std::int32_t n) {
    if (!m_bIndexValid) RebuildIndex();
    if (m_index.empty()) return nullptr;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t i = Slot(n, mask); m_index[i].id; i = (i + 1) & mask)
        if (m_index[i].number == n) return &m_pStore->Ref(m_index[i].id);
    return nullptr;
}

void COrvDoc::AddRoot(CComment& rec) {
    m_pStore->AddRoot(rec);
    // A new last root comes after everything indexed: it is the first of its
    // number only when the number is new.
    if (m_bIndexValid) {
        if (rec.GetReplies().empty())
            IndexInsert(rec);
        else
            m_bIndexValid = false;
    }
}

void COrvDoc::AddReplyTo(CComment& parent, CComment& rec) {
    parent.AddReply(rec);
    if (m_bIndexValid) {
        // A reply lands in the middle of the document order; a number seen
        // before may now come later than this one.
        if (!rec.GetReplies().empty() || !IndexInsert(rec)) m_bIndexValid = false;
    }
}

CComment* COrvDoc::FindParentOf(std::string_view line2, std::size_t markerPos) {
    if (markerPos == 0 || markerPos > line2.size()) return nullptr;
    std::size_t i = markerPos - 1;
    while (line2[i] != ' ') {
        // No space before the marker: no number is read; the message
        // becomes a root.
        if (i == 0) return nullptr;
        --i;
    }
    return FindByNumber(ParseLeadingInt(line2.data() + i, markerPos - i));
}

// --- import ----------------------------------------------------------------

void COrvDoc::ImportLogFiles(CLogFileList& list) {
    IPrompter* prompter = m_ports.prompter;
    if (m_ports.chooser) list.SetChooser(m_ports.chooser);
    bool cancelled = false;
    m_lastImportEnd = ImportEnd::Normal;
    m_importStop = ImportStop{};
    ImportStop current;  // the file being read
    bool anyStopped = false;
    // A file that could not be read to its end counts as ended there; the
    // first such file is the one reported.
    auto noteReadError = [&] {
        if (!list.Failed() || m_importStop.readErr) return;
        m_importStop = current;
        m_importStop.readErr = list.ReadError() ? list.ReadError() : EIO;
    };
    auto endAs = [&](ImportEnd end) {
        noteReadError();
        if (!m_importStop.readErr) m_importStop = current;
        list.Close();
        m_lastImportEnd = m_importStop.readErr && end != ImportEnd::Cancelled ? ImportEnd::ReadError : end;
    };
    try {
        for (std::size_t i = 0;; ++i) {
            if (cancelled || !list.OpenLogFile(i)) {
                list.Close();
                if (cancelled) ShowMessage(res::IDS_IMPORT_CANCELLED);
                if (i > 0) BuildTree();
                endAs(cancelled     ? ImportEnd::Cancelled
                      : i == 0     ? ImportEnd::NoFile
                      : anyStopped ? ImportEnd::DuplicateStopped
                                   : ImportEnd::Normal);
                return;
            }
            current = ImportStop{list.GetFilePath()};
            const std::string fileName = list.GetFileName();
            const std::uint64_t length = list.GetLength();
            Progress progress(m_ports.progress, false);
            progress.SetCaption(fileName + kImportingSuffix);
            bool overwriteAll = false;

            // The file's bytes go straight into the arena; each message's
            // fields are written there in place (ID, author, title, date,
            // then the body lines as they stand).
            CLogScanner scan(list, *m_pStore);
            std::string_view line;
            LineKind kind = LineKind::Other;
            bool found = false;
            while (scan.Next(line, kind, prompter)) {
                if (kind == LineKind::MessageStart) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                ShowMessage(res::IDS_NOT_A_LOG, fileName);
                endAs(ImportEnd::NotALog);
                return;
            }
            // The progress bar moves by whole percents: the next position
            // at which it moves is worked out once per step, not per line.
            std::uint64_t nextStep = 0;

            while (kind == LineKind::MessageStart && !cancelled) {
                const std::int32_t n = ParseLeadingInt(line.data(), line.size());
                current.number = n;
                current.haveNumber = true;
                CComment* existing = FindByNumber(n);
                if (existing && !overwriteAll) {
                    MsgAnswer answer =
                        prompter ? prompter->MessageBox(
                                       res::IDS_IMPORT_DUPLICATE,
                                       res::Format(res::IDS_IMPORT_DUPLICATE, fileName),
                                       res::Icon(res::IDS_IMPORT_DUPLICATE), MsgButtons::YesNo)
                                 : MsgAnswer::No;
                    if (answer != MsgAnswer::Yes) {
                        anyStopped = true;
                        break;
                    }
                    overwriteAll = true;
                }
                // An overwrite that changes a record marks the document
                // modified, so that closing asks to save what it brought.
                // The old bytes stay in the arena until the next reclaim.
                std::string_view before[5];
                if (existing) {
                    before[0] = existing->GetId();
                    before[1] = existing->GetAuthor();
                    before[2] = existing->GetTitle();
                    before[3] = existing->GetDateTime();
                    before[4] = existing->GetText();
                }

                // ID, author and title from header line 1, before the next
                // read may move the line.
                std::uint32_t len[5] = {};
                scan.Begin();
                PutHeaderLine1(scan, line, len);

                std::string_view line2;
                LineKind kind2 = LineKind::Other;
                if (!scan.Next(line2, kind2, prompter) || kind2 != LineKind::HeaderLine2) {
                    // A record being overwritten keeps the header fields
                    // already replaced, with its date and no text.
                    if (existing) {
                        scan.Put(before[3]);
                        len[3] = static_cast<std::uint32_t>(before[3].size());
                        scan.Finish(*existing, len);
                        SetModifiedFlag();
                    } else {
                        scan.Abandon();
                    }
                    ShowMessage(res::IDS_NOT_A_LOG, fileName);
                    endAs(ImportEnd::NotALog);
                    return;
                }
                // The parent is looked up before the date is written: the
                // date may land on the first bytes of header line 2.
                const std::size_t marker = FindMbcs(line2, kCommentMarker);
                CComment* parent =
                    marker != std::string::npos ? FindParentOf(line2, marker) : nullptr;
                const std::string_view dateTime =
                    TrimSpace(line2.size() > 5 ? line2.substr(5, 17) : std::string_view());
                scan.Put(dateTime);
                len[3] = static_cast<std::uint32_t>(dateTime.size());

                CComment* rec = existing;
                CComment* fresh = nullptr;
                if (!rec) {
                    fresh = &m_pStore->NewRecord();
                    rec = fresh;
                }
                rec->SetNumber(n);
                const bool placed = parent != nullptr;
                if (parent && fresh) {
                    AddReplyTo(*parent, *fresh);
                    SetModifiedFlag();
                }

                kind = LineKind::Other;
                for (;;) {
                    // With no dialog to move or ask, plain lines go in runs.
                    if (!progress.Watched()) scan.PutPlainBody();
                    if (!scan.NextBody(line, kind, prompter)) break;
                    if (kind == LineKind::MessageStart) break;
                    if (scan.GetPosition() >= nextStep) {
                        const int percent = Percent(scan.GetPosition(), length);
                        progress.SetPos(percent);
                        nextStep = length / 100 * static_cast<std::uint64_t>(percent + 1);
                        while (nextStep < length && Percent(nextStep, length) <= percent) ++nextStep;
                    }
                    if (progress.CheckCancel()) {
                        MsgAnswer answer =
                            prompter ? prompter->MessageBox(res::IDS_IMPORT_ASK_CANCEL,
                                                            res::Text(res::IDS_IMPORT_ASK_CANCEL),
                                                            res::Icon(res::IDS_IMPORT_ASK_CANCEL),
                                                            MsgButtons::YesNo)
                                     : MsgAnswer::Yes;
                        cancelled = answer == MsgAnswer::Yes;
                    }
                    if (cancelled) {
                        kind = LineKind::Other;
                        break;
                    }
                }
                scan.Finish(*rec, len);
                if (existing && (before[0] != rec->GetId() || before[1] != rec->GetAuthor() ||
                                 before[2] != rec->GetTitle() ||
                                 before[3] != rec->GetDateTime() || before[4] != rec->GetText()))
                    SetModifiedFlag();
                if (fresh && !placed) {
                    AddRoot(*fresh);
                    SetModifiedFlag();
                }
            }
            noteReadError();
            list.Close();
            progress.Destroy();
        }
    } catch (const std::bad_alloc&) {
        list.Close();
        if (!m_importStop.readErr) m_importStop = current;
        m_lastImportEnd = ImportEnd::OutOfMemory;
        ShowMessage(res::IDS_OUT_OF_MEMORY);
    }
}

// --- tree --------------------------------------------------------------------

void COrvDoc::BuildTree() {
    ITitleTree* tree = m_ports.tree;
    if (tree) tree->ClearTree();
    m_arrTreeItems.clear();
    if (!tree) return;
    tree->SetRedraw(false);
    Progress progress(m_ports.progress, false);
    progress.SetCaption(kBuildingTree);
    const std::uint64_t total = GetRootCount();
    std::uint64_t done = 0;
    m_arrTreeItems.reserve(m_pStore->LiveRecords());
    tree->ReserveItems(m_pStore->LiveRecords());
    for (CComment* root : GetRoots()) {
        ++done;
        progress.SetPos(Percent(done, total));
        root->AddToTreeView(*tree, m_arrTreeItems, kTreeRoot, m_ports.prompter);
    }
    tree->SetRedraw(true);
}

bool COrvDoc::OnUpdateDeleteSelectedTree() const {
    return m_ports.tree && m_ports.tree->GetSelectedItem() != kNoItem;
}

void COrvDoc::DeleteSelectedTree() {
    ITitleTree* tree = m_ports.tree;
    if (!tree || !m_ports.prompter) return;
    if (m_ports.prompter->MessageBox(res::IDS_DELETE_TREE, res::Text(res::IDS_DELETE_TREE),
                                     res::Icon(res::IDS_DELETE_TREE),
                                     MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    TreeItem item = tree->GetSelectedItem();
    if (item == kNoItem) return;
    CComment* rec = tree->GetItemData(item);
    if (!rec) return;
    // Without memory to gather the subtree the document stays whole.
    try {
        if (!m_pStore->Remove(rec)) return;
    } catch (const std::bad_alloc&) {
        ShowMessage(res::IDS_OUT_OF_MEMORY);
        return;
    }
    m_bIndexValid = false;
    // The tree is rebuilt next, so reclaiming the field bytes of deleted
    // records leaves no view of them behind; without memory for it they
    // wait for the next compaction.
    try {
        m_pStore->CompactIfMostlyDead();
    } catch (const std::bad_alloc&) {
    }
    BuildTree();
    SetModifiedFlag();
}

// --- document life -----------------------------------------------------------

void COrvDoc::DeleteContents() {
    m_pStore = std::make_unique<CCommentStore>();
    m_index.clear();
    m_indexCount = 0;
    m_bIndexValid = true;
}

void COrvDoc::OnNewDocument() {
    if (m_ports.tree) m_ports.tree->ClearTree();
    m_arrTreeItems.clear();
    DeleteContents();
    m_bModified = false;
}

bool COrvDoc::OnOpenDocument(const std::string& path) {
    // A folder, a pipe or a device is no document: it counts as a file that
    // cannot be opened (a pipe without waiting for a writer), and the
    // document stays as it was.
    int openErr = 0;
    std::FILE* f = OpenRegularFile(path, openErr);
    if (!f) {
        m_lastOpen = OpenResult::CannotOpen;
        ShowSystemError(res::IDS_OPEN_FAILED, openErr, path);
        return false;
    }
    // Read into a store of its own, so that the shown records stay valid
    // until the document switches over.
    std::unique_ptr<CCommentStore> store;
    ArchiveResult result = ArchiveResult::Ok;
    int readErrno = 0;
    try {
        store = std::make_unique<CCommentStore>();
        errno = 0;
        result = ReadArchive(f, *store);
        readErrno = errno;
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        store.reset();
        m_lastOpen = OpenResult::OutOfMemory;
        ShowMessage(res::IDS_OUT_OF_MEMORY);
        return false;
    }
    std::fclose(f);
    if (result != ArchiveResult::Ok) {
        store.reset();
        OnNewDocument();
        switch (result) {
            case ArchiveResult::BadSchema:
                m_lastOpen = OpenResult::BadSchema;
                ShowMessage(res::IDS_BAD_SCHEMA);
                break;
            case ArchiveResult::Malformed:
                m_lastOpen = OpenResult::Malformed;
                ShowMessage(res::IDS_ARCHIVE_MALFORMED);
                break;
            default:
                m_lastOpen = OpenResult::ReadError;
                ShowSystemError(res::IDS_OPEN_FAILED, readErrno, path);
                break;
        }
        return false;
    }
    return SwitchTo(std::move(store));
}

bool COrvDoc::SwitchTo(std::unique_ptr<CCommentStore> store) {
    // The old records stay until the new tree stands: when there is no
    // memory for it, the old document comes back with its tree.
    std::unique_ptr<CCommentStore> old = std::move(m_pStore);
    m_pStore = std::move(store);
    m_index.clear();
    m_indexCount = 0;
    m_bIndexValid = false;
    try {
        BuildTree();
    } catch (const std::bad_alloc&) {
        m_pStore = std::move(old);
        BuildTree();
        m_lastOpen = OpenResult::OutOfMemory;
        ShowMessage(res::IDS_OUT_OF_MEMORY);
        return false;
    }
    m_bModified = false;
    m_lastOpen = OpenResult::Ok;
    return true;
}

bool COrvDoc::OnSaveDocument(const std::string& path) {
    // Saving reclaims the bytes of deleted and overwritten fields; without
    // memory for that the records are written as they lie.
    if (m_pStore->DeadBytes() > 0) {
        try {
            m_pStore->Compact();
        } catch (const std::bad_alloc&) {
        }
    }
    bool outOfMemory = false;
    int err = WriteFileAtomically(path, [&](std::FILE* f) {
        try {
            return WriteArchive(GetRoots(), f);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            errno = ENOMEM;
            return false;
        }
    });
    if (err == 0) {
        m_bModified = false;
        m_lastSave = SaveResult::Ok;
        return true;
    }
    if (outOfMemory) {
        m_lastSave = SaveResult::OutOfMemory;
        ShowMessage(res::IDS_OUT_OF_MEMORY);
    } else {
        m_lastSave = SaveResult::Failed;
        ShowSystemError(res::IDS_SAVE_FAILED, err);
    }
    return false;
}

}  // namespace orv
