#include "core/orvdoc.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "core/archive.h"
#include "core/fileio.h"
#include "core/logimport.h"
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
    void Destroy() { m_dlg.reset(); }

private:
    std::unique_ptr<IProgressDlg> m_dlg;
    int m_last = -1;
};

int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 100;
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

}  // namespace

COrvDoc::~COrvDoc() = default;

void COrvDoc::ShowSystemError(int fallbackId, int err, const std::string& path) {
    // The system's description of the error, or else the general message;
    // a bare "No such file or directory" does not say which file.
    const char* why = err ? std::strerror(err) : nullptr;
    std::string text = why && *why ? why : res::Text(fallbackId);
    if (!path.empty()) text = path + "\n" + text;
    if (m_ports.prompter)
        m_ports.prompter->MessageBox(fallbackId, text, MsgIcon::Exclamation, MsgButtons::Ok);
}

void COrvDoc::ShowMessage(int id, const std::string& arg) {
    if (m_ports.prompter)
        m_ports.prompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

// --- records ---------------------------------------------------------------

void COrvDoc::RebuildIndex() {
    m_index.clear();
    WalkDocumentOrder(m_listRoots,
                      [&](CComment& rec, int) { m_index.try_emplace(rec.GetNumber(), &rec); });
    m_bIndexValid = true;
}

CComment* COrvDoc::FindByNumber(std::int32_t n) {
    if (!m_bIndexValid) RebuildIndex();
    auto it = m_index.find(n);
    return it == m_index.end() ? nullptr : it->second;
}

void COrvDoc::AddRoot(std::unique_ptr<CComment> record) {
    CComment* rec = record.get();
    m_listRoots.push_back(std::move(record));
    // A new last root comes after everything indexed: it is the first of its
    // number only when the number is new.
    if (m_bIndexValid) {
        if (rec->GetReplies().empty())
            m_index.try_emplace(rec->GetNumber(), rec);
        else
            m_bIndexValid = false;
    }
}

void COrvDoc::AddReplyTo(CComment& parent, std::unique_ptr<CComment> reply) {
    CComment* rec = reply.get();
    parent.AddReply(std::move(reply));
    if (m_bIndexValid) {
        // A reply lands in the middle of the document order; a number seen
        // before may now come later than this one.
        if (!rec->GetReplies().empty() || m_index.count(rec->GetNumber()))
            m_bIndexValid = false;
        else
            m_index.emplace(rec->GetNumber(), rec);
    }
}

CComment* COrvDoc::FindParentOf(const std::string& line2, std::size_t markerPos) {
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
    bool anyStopped = false;
    try {
        for (std::size_t i = 0;; ++i) {
            if (cancelled || !list.OpenLogFile(i)) {
                list.Close();
                if (cancelled) ShowMessage(res::IDS_IMPORT_CANCELLED);
                if (i > 0) BuildTree();
                m_lastImportEnd = cancelled   ? ImportEnd::Cancelled
                                  : i == 0    ? ImportEnd::NoFile
                                  : anyStopped ? ImportEnd::DuplicateStopped
                                               : ImportEnd::Normal;
                return;
            }
            const std::string fileName = list.GetFileName();
            const std::uint64_t length = list.GetLength();
            Progress progress(m_ports.progress, false);
            progress.SetCaption(fileName + kImportingSuffix);
            bool overwriteAll = false;

            std::string_view line;
            std::string scratch;
            LineKind kind = LineKind::Other;
            bool found = false;
            while (ReadLogLineView(list, line, scratch, &kind, prompter)) {
                if (kind == LineKind::MessageStart) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                ShowMessage(res::IDS_NOT_A_LOG, fileName);
                list.Close();
                m_lastImportEnd = ImportEnd::NotALog;
                return;
            }

            while (kind == LineKind::MessageStart && !cancelled) {
                HeaderTokenArray tokens;
                tokens.reserve(16);
                SplitHeaderTokens(line, tokens);
                const std::int32_t n =
                    ParseLeadingInt(tokens[0].m_strToken.data(), tokens[0].m_strToken.size());
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
                std::unique_ptr<CComment> fresh;
                CComment* rec = existing;
                // An overwrite that changes a record marks the document
                // modified, so that closing asks to save what it brought.
                std::unique_ptr<CComment> before;
                if (rec) {
                    before = std::make_unique<CComment>();
                    before->SetId(rec->GetId());
                    before->SetAuthor(rec->GetAuthor());
                    before->SetTitle(rec->GetTitle());
                    before->SetDateTimeRaw(rec->GetDateTime());
                    before->SetText(rec->GetText());
                } else {
                    fresh = std::make_unique<CComment>();
                    rec = fresh.get();
                }
                rec->ParseHeader(tokens);

                std::string line2;
                LineKind kind2 = LineKind::Other;
                if (!ReadLogLine(list, line2, &kind2, prompter) || kind2 != LineKind::HeaderLine2) {
                    // A record being overwritten keeps the header fields
                    // already replaced.
                    if (before) SetModifiedFlag();
                    ShowMessage(res::IDS_NOT_A_LOG, fileName);
                    list.Close();
                    m_lastImportEnd = ImportEnd::NotALog;
                    return;
                }
                bool placed = false;
                std::size_t marker = FindMbcs(line2, kCommentMarker);
                if (marker != std::string::npos) {
                    if (CComment* parent = FindParentOf(line2, marker)) {
                        if (fresh) {
                            AddReplyTo(*parent, std::move(fresh));
                            SetModifiedFlag();
                        }
                        placed = true;
                    }
                }
                rec->SetDateTime(line2.size() > 5 ? line2.substr(5, 17) : std::string());

                std::string body;
                kind = LineKind::Other;
                while (ReadLogLineView(list, line, scratch, &kind, prompter)) {
                    if (kind == LineKind::MessageStart) break;
                    body += line;
                    progress.SetPos(Percent(list.GetPosition(), length));
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
                rec->SetText(std::move(body));
                if (before && (before->GetId() != rec->GetId() ||
                               before->GetAuthor() != rec->GetAuthor() ||
                               before->GetTitle() != rec->GetTitle() ||
                               before->GetDateTime() != rec->GetDateTime() ||
                               before->GetText() != rec->GetText()))
                    SetModifiedFlag();
                if (fresh && !placed) {
                    AddRoot(std::move(fresh));
                    SetModifiedFlag();
                }
            }
            list.Close();
            progress.Destroy();
        }
    } catch (const std::bad_alloc&) {
        list.Close();
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
    const std::uint64_t total = m_listRoots.size();
    std::uint64_t done = 0;
    m_arrTreeItems.reserve(total);
    for (auto& root : m_listRoots) {
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
    bool removed = false;
    for (auto it = m_listRoots.begin(); it != m_listRoots.end(); ++it) {
        if (it->get() == rec) {
            m_listRoots.erase(it);
            removed = true;
            break;
        }
    }
    for (auto it = m_listRoots.begin(); !removed && it != m_listRoots.end(); ++it)
        removed = (*it)->RemoveFromSubtree(rec);
    m_bIndexValid = false;
    BuildTree();
    SetModifiedFlag();
}

// --- document life -----------------------------------------------------------

void COrvDoc::DeleteContents() {
    m_listRoots.clear();
    m_index.clear();
    m_bIndexValid = true;
}

void COrvDoc::OnNewDocument() {
    if (m_ports.tree) m_ports.tree->ClearTree();
    m_arrTreeItems.clear();
    DeleteContents();
    m_bModified = false;
}

bool COrvDoc::OnOpenDocument(const std::string& path) {
    std::FILE* f = OpenFile(path, "rb");
    // A folder or a device opens but is no document: it counts as a file
    // that cannot be opened, and the document stays as it was.
    struct stat st;
    if (f && (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode))) {
        std::fclose(f);
        f = nullptr;
        errno = EISDIR;
    }
    if (!f) {
        m_lastOpen = OpenResult::CannotOpen;
        ShowSystemError(res::IDS_OPEN_FAILED, errno, path);
        return false;
    }
    // Read into a list of its own, so that the shown records stay valid
    // until the document switches over.
    CommentList roots;
    errno = 0;
    ArchiveResult result = ReadArchive(f, roots);
    const int readErrno = errno;
    std::fclose(f);
    if (result != ArchiveResult::Ok) {
        roots.clear();
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
    if (m_ports.tree) m_ports.tree->ClearTree();
    m_arrTreeItems.clear();
    DeleteContents();
    m_listRoots = std::move(roots);
    m_bIndexValid = false;
    m_bModified = false;
    m_lastOpen = OpenResult::Ok;
    BuildTree();
    return true;
}

bool COrvDoc::OnSaveDocument(const std::string& path) {
    int err = WriteFileAtomically(path, [&](std::FILE* f) { return WriteArchive(m_listRoots, f); });
    if (err == 0) {
        m_bModified = false;
        return true;
    }
    ShowSystemError(res::IDS_SAVE_FAILED, err);
    return false;
}

}  // namespace orv
