#include "views/titletreeview.h"

#include <unordered_map>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleFactory>

#include "core/orvdoc.h"
#include "views/logfont.h"
#include "views/textview.h"
#include "views/viewhost.h"

namespace orv {

namespace {

// The wait cursor for the life of the object.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Suspends repainting of a widget for the life of the object.
class NoRedraw {
public:
    explicit NoRedraw(QWidget* w) : m_w(w), m_was(w && w->updatesEnabled()) {
        if (m_was) m_w->setUpdatesEnabled(false);
    }
    ~NoRedraw() {
        if (m_was) m_w->setUpdatesEnabled(true);
    }
    NoRedraw(const NoRedraw&) = delete;
    NoRedraw& operator=(const NoRedraw&) = delete;

private:
    QWidget* m_w;
    bool m_was;
};

}  // namespace

CTitleTreeView::CTitleTreeView(IViewHost* host, QWidget* parent)
    : QTreeView(parent) {
    // The host's panes may not all exist yet: setting the model reports a
    // selection change, which must not reach for the text view.
    setModel(&m_model);
    m_host = host;
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setItemsExpandable(true);
    setAnimated(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(16, 15));
    setTextElideMode(Qt::ElideRight);
    // The system's user-interface font of Japanese desktops (mapped to an
    // installed Japanese face), so titles need no per-string font fallback.
    InstallFontSubstitutions();
    QFont uiFont(QStringLiteral("MS UI Gothic"));
    uiFont.setPointSize(9);
    setFont(uiFont);
    // The classic style draws the dotted lines between items and the
    // buttons at every level.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(this);
        setStyle(classic);
    }
    // The selection stays visible, in the same colours, without the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(this, &QTreeView::collapsed, this, &CTitleTreeView::OnCollapsed);
}

CTitleTreeView::~CTitleTreeView() {
    // Nothing may reach the text view while the widgets are torn down.
    m_bClearing = true;
}

// --- ITitleTree ---------------------------------------------------------------

void CTitleTreeView::ClearTree() {
    WaitCursor wait;
    CTextView* text = m_host ? m_host->GetTextView() : nullptr;
    if (text) text->ClearComment();
    NoRedraw freezeTree(this);
    NoRedraw freezeText(text);
    m_bClearing = true;
    m_model.Clear();
    m_savedCurrent = kNoItem;
    m_savedExpanded.clear();
    m_bClearing = false;
}

void CTitleTreeView::SetRedraw(bool redraw) {
    if (!redraw) {
        if (m_bRedrawOff) return;
        m_bRedrawOff = true;
        setUpdatesEnabled(false);
        return;
    }
    if (!m_bRedrawOff) return;
    FlushBulk();
    m_bRedrawOff = false;
    setUpdatesEnabled(true);
}

TreeItem CTitleTreeView::InsertItem(const std::string& titleCp932, int image, int selectedImage,
                                    TreeItem parent) {
    if (m_bRedrawOff && !m_model.InBulk()) {
        // Items inserted while redrawing is off are shown by one model
        // reset when it resumes; what the reset would lose is kept here.
        m_savedCurrent = GetSelectedItem();
        m_savedExpanded.clear();
        for (std::size_t i = 1; i <= m_model.ItemCount(); ++i) {
            const auto item = static_cast<TreeItem>(i);
            if (isExpanded(m_model.IndexOf(item))) m_savedExpanded.push_back(item);
        }
        m_model.BeginBulk();
    }
    return m_model.Append(titleCp932, image, selectedImage, parent);
}

void CTitleTreeView::FlushBulk() {
    if (!m_model.InBulk()) return;
    const bool wasClearing = m_bClearing;
    m_bClearing = true;  // the reset's own selection changes are not shown
    m_model.EndBulk();
    for (TreeItem item : m_savedExpanded) {
        if (m_model.IsItem(item)) setExpanded(m_model.IndexOf(item), true);
    }
    m_bClearing = wasClearing;
    if (m_model.IsItem(m_savedCurrent))
        selectionModel()->setCurrentIndex(m_model.IndexOf(m_savedCurrent),
                                          QItemSelectionModel::ClearAndSelect);
    m_savedExpanded.clear();
    m_savedCurrent = kNoItem;
}

void CTitleTreeView::SetItemData(TreeItem item, CComment* record) { m_model.SetRecord(item, record); }

CComment* CTitleTreeView::GetItemData(TreeItem item) const { return m_model.Record(item); }

TreeItem CTitleTreeView::GetSelectedItem() const {
    if (m_model.InBulk()) return m_savedCurrent;
    return m_model.ItemOf(currentIndex());
}

void CTitleTreeView::SelectItem(TreeItem item) {
    FlushBulk();
    if (!m_model.IsItem(item)) {
        selectionModel()->clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    // Open the way to the item, then make it the caret.
    for (TreeItem p = m_model.Parent(item); m_model.IsItem(p); p = m_model.Parent(p))
        expand(m_model.IndexOf(p));
    const QModelIndex idx = m_model.IndexOf(item);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx, QAbstractItemView::EnsureVisible);
}

// --- single items -------------------------------------------------------------

void CTitleTreeView::Expand(TreeItem item) {
    FlushBulk();
    if (m_model.IsItem(item)) expand(m_model.IndexOf(item));
}

void CTitleTreeView::Collapse(TreeItem item) {
    FlushBulk();
    if (m_model.IsItem(item)) collapse(m_model.IndexOf(item));
}

bool CTitleTreeView::IsExpanded(TreeItem item) const {
    return m_model.IsItem(item) && isExpanded(m_model.IndexOf(item));
}

TreeItem CTitleTreeView::GetFirstVisibleItem() const {
    return m_model.ItemOf(indexAt(QPoint(1, 1)));
}

void CTitleTreeView::OnCollapsed(const QModelIndex& index) {
    if (m_bBatch) return;
    // A collapsed item takes the selection from any item below it.
    const TreeItem item = m_model.ItemOf(index);
    for (TreeItem p = m_model.Parent(GetSelectedItem()); m_model.IsItem(p); p = m_model.Parent(p)) {
        if (p == item) {
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            return;
        }
    }
}

void CTitleTreeView::ScrollToTop(TreeItem item) {
    if (!m_model.IsItem(item)) return;
    // As far as the length of the tree allows: the scroll bar stops at its end.
    scrollTo(m_model.IndexOf(item), QAbstractItemView::PositionAtTop);
}

// --- expand / collapse all ----------------------------------------------------

void CTitleTreeView::ExpandAll(const std::vector<TreeItem>& items) {
    WaitCursor wait;
    FlushBulk();
    NoRedraw freeze(this);
    const TreeItem selected = GetSelectedItem();
    m_bBatch = true;
    scheduleDelayedItemsLayout();  // one layout for all items
    for (TreeItem item : items) {
        if (m_model.IsItem(item)) expand(m_model.IndexOf(item));
    }
    executeDelayedItemsLayout();
    m_bBatch = false;
    if (selected != kNoItem) ScrollToTop(selected);
}

void CTitleTreeView::CollapseAll(const std::vector<TreeItem>& items) {
    WaitCursor wait;
    FlushBulk();
    NoRedraw freeze(this);
    const TreeItem selected = GetSelectedItem();
    // The selected item's ancestors, top-level first, with their depth; a
    // collapsed ancestor takes the selection.
    std::vector<TreeItem> path;
    for (TreeItem p = selected; m_model.IsItem(p); p = m_model.Parent(p)) path.push_back(p);
    std::reverse(path.begin(), path.end());
    std::unordered_map<TreeItem, std::size_t> depthOf;
    for (std::size_t d = 0; d < path.size(); ++d) depthOf.emplace(path[d], d);
    std::size_t currentDepth = path.empty() ? 0 : path.size() - 1;

    m_bBatch = true;
    scheduleDelayedItemsLayout();
    for (TreeItem item : items) {
        if (!m_model.IsItem(item)) continue;
        collapse(m_model.IndexOf(item));
        const auto it = depthOf.find(item);
        if (it != depthOf.end() && it->second < currentDepth) {
            currentDepth = it->second;
            selectionModel()->setCurrentIndex(m_model.IndexOf(item),
                                              QItemSelectionModel::ClearAndSelect);
        }
    }
    executeDelayedItemsLayout();
    m_bBatch = false;
    if (!path.empty()) ScrollToTop(path.front());
}

// --- events -------------------------------------------------------------------

bool CTitleTreeView::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) &&
            !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (CTextView* text = m_host ? m_host->GetTextView() : nullptr) {
                text->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QTreeView::event(e);
}

void CTitleTreeView::keyPressEvent(QKeyEvent* e) {
    const QString text = e->text();
    const int key = e->key();
    const bool keypadOp = (e->modifiers() & Qt::KeypadModifier) &&
                          (key == Qt::Key_Plus || key == Qt::Key_Minus || key == Qt::Key_Asterisk);
    if (!keypadOp && !text.isEmpty() && text.at(0).isPrint() &&
        !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Typed characters neither search the titles nor beep.
        e->accept();
        return;
    }
    if (key == Qt::Key_Backspace && e->modifiers() == Qt::NoModifier) {
        // Backspace steps to the parent of the selected item, as a tree
        // control does.
        const QModelIndex parent = currentIndex().parent();
        if (parent.isValid())
            selectionModel()->setCurrentIndex(parent, QItemSelectionModel::ClearAndSelect);
        e->accept();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void CTitleTreeView::mousePressEvent(QMouseEvent* e) {
    // A click brings the viewer to the front; the text view stays the pane
    // that the view commands (print, font, copy) act on.
    if (QWidget* top = window()) {
        top->raise();
        top->activateWindow();
    }
    QTreeView::mousePressEvent(e);
}

void CTitleTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    // The current item is the selected one: when the view makes an item
    // current on its own (focus coming into an unselected tree), it is
    // shown selected too, so that what the text view shows and what Delete
    // removes is visible.
    if (current.isValid() && selectionModel() && !selectionModel()->isSelected(current))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    m_model.SetSelectedItem(m_model.ItemOf(current));
    OnSelChanged();
}

void CTitleTreeView::OnSelChanged() {
    if (m_bClearing) return;
    // The caret, not the item the notification names.
    const TreeItem item = GetSelectedItem();
    CComment* record = item != kNoItem ? m_model.Record(item) : nullptr;
    if (CTextView* text = m_host ? m_host->GetTextView() : nullptr) text->SetComment(record);
}

// --- document commands --------------------------------------------------------

void OnExpandAll(COrvDoc& doc, IViewHost& host) {
    if (CTitleTreeView* tree = host.GetTreeView()) tree->ExpandAll(doc.GetTreeItems());
}

void OnCollapseAll(COrvDoc& doc, IViewHost& host) {
    if (CTitleTreeView* tree = host.GetTreeView()) tree->CollapseAll(doc.GetTreeItems());
}

bool OnUpdateExpandAll(const COrvDoc& doc) { return doc.GetRootCount() != 0; }

bool OnUpdateCollapseAll(const COrvDoc& doc) { return doc.GetRootCount() != 0; }

}  // namespace orv
