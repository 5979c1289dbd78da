#include "core/orvdoc.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "core/archive.h"
#include "core/fileio.h"
#include "core/import/headerline.h"
#include "core/import/importer.h"
#include "core/progress.h"
#include "res/strings.h"

namespace orv {

namespace {

const char kBuildingTree[] = "ツリー生成中！";

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
    CLogImport import(*this, *m_pStore, list);
    m_importStop = ImportStop{};
    m_lastImportEnd = import.Run();
    m_importStop = import.Stop();
    m_conversions = import.Conversions();
}

// --- tree --------------------------------------------------------------------

void COrvDoc::BuildTree() {
    ITitleTree* tree = m_ports.tree;
    if (tree) tree->ClearTree();
    m_arrTreeItems.clear();
    if (!tree) return;
    tree->SetRedraw(false);
    CProgress progress(m_ports.progress, false);
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
