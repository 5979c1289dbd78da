#include "app/readingcommands.h"

#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "app/bookmarklistdlg.h"
#include "app/commands.h"
#include "app/corepath.h"
#include "app/settings.h"
#include "core/cp932.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"
#include "views/viewhost.h"

namespace orv {

using namespace cmd;

CReadingCommands::CReadingCommands(QWidget* window, COrvDoc& doc, IViewHost& host,
                                   QString storePath)
    : QObject(window),
      m_pWindow(window),
      m_doc(doc),
      m_host(host),
      m_storePath(std::move(storePath)) {
    m_bOpenAtLast = settings::ReadInt(settings::kSecSettings,
                                      QString::fromUtf8(settings::kValOpenAtLastPosition), 0) == 1;
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kFlushIntervalMs);
    connect(m_pTimer, &QTimer::timeout, this, [this] { Flush(); });
    m_pCountTimer = new QTimer(this);
    m_pCountTimer->setInterval(0);
    connect(m_pCountTimer, &QTimer::timeout, this, [this] {
        if (!m_state.CountSome(kCountSlice)) return;
        m_pCountTimer->stop();
        UpdatePane();
    });
}

CReadingCommands::~CReadingCommands() { m_state.Flush(); }

void CReadingCommands::SaveSettings() const {
    settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValOpenAtLastPosition),
                       m_bOpenAtLast ? 1 : 0);
}

// --- the store ------------------------------------------------------------------

void CReadingCommands::Report(int id, const std::string& arg) {
    if (m_pPrompter)
        m_pPrompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

void CReadingCommands::EnsureStore() {
    if (m_bStoreTried) return;
    m_bStoreTried = true;
    const std::string path =
        m_storePath.isEmpty() ? CReadStateStore::DefaultPath() : CorePath(m_storePath);
    switch (m_store.Open(path)) {
        case CReadStateStore::OpenEnd::Recreated:
            Report(res::IDS_READSTATE_DAMAGED, m_store.SetAsidePath());
            break;
        case CReadStateStore::OpenEnd::Failed:
            Report(res::IDS_READSTATE_UNAVAILABLE, path);
            break;
        default:
            break;
    }
}

bool CReadingCommands::Flush() {
    const bool ok = m_state.Flush();
    if (!m_state.HasPending()) m_pTimer->stop();
    return ok;
}

void CReadingCommands::Attach(const QString& path) {
    EnsureStore();
    m_state.Attach(CorePath(path));
    Changed();
}

// --- what the frame tells -----------------------------------------------------------

void CReadingCommands::TakeRecords() {
    m_state.SetRecords(m_doc.GetRoots());
    m_bRecordsTaken = true;
    StartCounting();
}

void CReadingCommands::StartCounting() {
    if (!m_state.Counted()) m_pCountTimer->start();
}

void CReadingCommands::DocumentOpened(const QString& path) {
    m_state.Reset();
    TakeRecords();
    Attach(path);
    m_previous = m_state.GetLastPosition();
    if (m_bOpenAtLast) OnLastPosition();
}

void CReadingCommands::DocumentSaved(const QString& path) {
    if (m_state.IsAttached()) {
        // Saved under another name: a copy, which takes the state along.
        m_state.Reset();
    }
    TakeRecords();
    Attach(path);
}

void CReadingCommands::DocumentNew() {
    m_state.Reset();
    m_previous = {};
    TakeRecords();
    Changed();
}

void CReadingCommands::RecordsChanged() {
    if (m_bRecordsTaken) {
        m_bRecordsTaken = false;
        return;
    }
    m_state.SetRecords(m_doc.GetRoots());
    StartCounting();
    Changed();
}

// Something changed: redraw the titles, count again, write soon.
void CReadingCommands::Changed() {
    if (CTitleTreeView* tree = m_host.GetTreeView()) {
        tree->Model().SetReadingState(&m_state);
        tree->viewport()->update();
    }
    UpdatePane();
    if (m_state.HasPending() && !m_pTimer->isActive()) m_pTimer->start();
}

void CReadingCommands::AddStatusPane(QStatusBar* bar) {
    m_pPane = new QLabel(bar);
    m_pPane->setObjectName(QStringLiteral("unreadPane"));
    m_pPane->setAlignment(Qt::AlignCenter);
    m_pPane->setFrameShape(QFrame::Panel);
    m_pPane->setFrameShadow(QFrame::Sunken);
    m_pPane->setMinimumWidth(
        m_pPane->fontMetrics().horizontalAdvance(QStringLiteral("未読 0000000 件")));
    // Index 0 is the message pane (the one stretching widget); the
    // permanent panes start after it.
    bar->insertPermanentWidget(1, m_pPane);
    UpdatePane();
}

void CReadingCommands::UpdatePane() {
    if (!m_pPane) return;
    // Until every message is counted the pane waits (a moment after an
    // opening).
    m_pPane->setText(
        m_state.Counted()
            ? QStringLiteral("未読 %1 件").arg(static_cast<qulonglong>(m_state.UnreadCount()))
            : QString());
}

void CReadingCommands::ConnectViews() {
    if (CTitleTreeView* tree = m_host.GetTreeView(); tree && m_connectedTree != tree) {
        m_connectedTree = tree;
        // Clearing the tree comes before any record is freed or reused:
        // the counting lets go of them until the frame hands them again.
        connect(&tree->Model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
            m_pCountTimer->stop();
            m_state.DropRecords();
        });
    }
    CTextView* text = m_host.GetTextView();
    if (!text || m_connectedText == text) return;
    m_connectedText = text;
    connect(text, &CTextView::CommentShown, this, [this](const CComment* rec) {
        if (!rec) return;
        m_state.SetLastPosition(*rec);
        if (!m_pTimer->isActive()) m_pTimer->start();
    });
    connect(text, &CTextView::CommentRead, this, [this](const CComment* rec) { MarkShown(rec); });
}

void CReadingCommands::MarkShown(const CComment* record) {
    if (!record || m_state.IsRead(*record)) return;
    m_state.SetRead(*record, true);
    Changed();
}

// --- commands --------------------------------------------------------------------------

TreeItem CReadingCommands::ItemOfKey(MessageKey key) const {
    CTitleTreeView* tree = m_host.GetTreeView();
    if (!tree) return kNoItem;
    for (TreeItem item : m_doc.GetTreeItems()) {
        const CComment* rec = tree->GetItemData(item);
        if (rec && KeyOf(*rec) == key) return item;
    }
    return kNoItem;
}

void CReadingCommands::OnNextUnread() {
    CTitleTreeView* tree = m_host.GetTreeView();
    const std::vector<TreeItem>& items = m_doc.GetTreeItems();
    if (!tree || items.empty()) return;
    // From the message after the selected one, round to the start.
    std::size_t start = 0;
    const TreeItem sel = tree->GetSelectedItem();
    for (std::size_t i = 0; sel != kNoItem && i < items.size(); ++i)
        if (items[i] == sel) start = i + 1;
    for (std::size_t n = 0; n < items.size(); ++n) {
        const TreeItem item = items[(start + n) % items.size()];
        const CComment* rec = tree->GetItemData(item);
        if (rec && !m_state.IsRead(*rec)) {
            tree->SelectItem(item);
            return;
        }
    }
}

void CReadingCommands::OnMarkSelected(bool read) {
    CTitleTreeView* tree = m_host.GetTreeView();
    const TreeItem sel = tree ? tree->GetSelectedItem() : kNoItem;
    if (sel == kNoItem) return;
    // The selected item and the items after it in document order that
    // stand deeper: its replies.
    const CTitleTreeModel& model = tree->Model();
    const std::vector<TreeItem>& items = m_doc.GetTreeItems();
    const int depth = model.Depth(sel);
    std::size_t i = 0;
    while (i < items.size() && items[i] != sel) ++i;
    for (std::size_t j = i; j < items.size(); ++j) {
        if (j > i && model.Depth(items[j]) <= depth) break;
        if (const CComment* rec = tree->GetItemData(items[j])) m_state.SetRead(*rec, read);
    }
    Changed();
}

void CReadingCommands::OnMarkAllRead() {
    m_state.SetAllRead(true);
    Changed();
}

void CReadingCommands::OnToggleBookmark() {
    CTitleTreeView* tree = m_host.GetTreeView();
    const TreeItem sel = tree ? tree->GetSelectedItem() : kNoItem;
    const CComment* rec = sel != kNoItem ? tree->GetItemData(sel) : nullptr;
    if (!rec) return;
    m_state.ToggleBookmark(*rec);
    Changed();
}

void CReadingCommands::OnBookmarkList() {
    CTitleTreeView* tree = m_host.GetTreeView();
    if (!tree) return;
    std::vector<CBookmarkListDlg::Row> rows;
    for (TreeItem item : m_doc.GetTreeItems()) {
        const CComment* rec = tree->GetItemData(item);
        if (!rec || !m_state.IsBookmarked(*rec)) continue;
        rows.push_back({item, tree->Model().Title(item), rec->GetNumber(),
                        QString::fromStdString(Cp932ToUtf8(rec->GetDateTime()))});
    }
    CBookmarkListDlg dlg(rows, m_pWindow);
    if (dlg.exec() == QDialog::Accepted && dlg.ChosenItem() != kNoItem)
        tree->SelectItem(dlg.ChosenItem());
}

void CReadingCommands::OnLastPosition() {
    if (!m_previous.has) return;
    const TreeItem item = ItemOfKey(m_previous.key);
    if (CTitleTreeView* tree = m_host.GetTreeView(); tree && item != kNoItem)
        tree->SelectItem(item);
}

void CReadingCommands::BuildCommands(CCommandTable& t) {
    auto hasSelection = [this](CCmdUI& ui) {
        CTitleTreeView* tree = m_host.GetTreeView();
        ui.Enable(tree && tree->GetSelectedItem() != kNoItem);
    };
    t.SetHandler(
        ID_GO_NEXT_UNREAD, [this] { OnNextUnread(); },
        [this](CCmdUI& ui) { ui.Enable(!m_state.Counted() || m_state.UnreadCount() > 0); });
    t.SetHandler(
        ID_EDIT_MARK_READ, [this] { OnMarkSelected(true); }, hasSelection);
    t.SetHandler(
        ID_EDIT_MARK_UNREAD, [this] { OnMarkSelected(false); }, hasSelection);
    t.SetHandler(
        ID_EDIT_MARK_ALL_READ, [this] { OnMarkAllRead(); },
        [this](CCmdUI& ui) { ui.Enable(!m_state.Counted() || m_state.UnreadCount() > 0); });
    t.SetHandler(
        ID_EDIT_BOOKMARK, [this] { OnToggleBookmark(); },
        [this, hasSelection](CCmdUI& ui) {
            hasSelection(ui);
            CTitleTreeView* tree = m_host.GetTreeView();
            const TreeItem sel = tree ? tree->GetSelectedItem() : kNoItem;
            ui.SetCheck(sel != kNoItem && tree->Model().IsBookmarked(sel) ? 1 : 0);
        });
    t.SetHandler(
        ID_GO_BOOKMARKS, [this] { OnBookmarkList(); },
        [this](CCmdUI& ui) { ui.Enable(!m_doc.GetTreeItems().empty()); });
    t.SetHandler(
        ID_GO_LAST_POSITION, [this] { OnLastPosition(); },
        [this](CCmdUI& ui) { ui.Enable(m_previous.has && !m_doc.GetTreeItems().empty()); });
    t.SetHandler(
        ID_VIEW_OPEN_AT_LAST, [this] { m_bOpenAtLast = !m_bOpenAtLast; },
        [this](CCmdUI& ui) { ui.SetCheck(m_bOpenAtLast ? 1 : 0); });
}

}  // namespace orv
