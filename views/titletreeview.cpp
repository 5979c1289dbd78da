#include "views/titletreeview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QToolTip>
#include <algorithm>

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

// Half the size of the expand button that the classic style draws in the
// middle of a branch cell.
constexpr int kButtonHalf = 4;

}  // namespace

CTitleTreeView::CTitleTreeView(IViewHost* host, QWidget* parent) : QTreeView(parent) {
    // The host's panes may not all exist yet: setting the model reports a
    // selection change, which must not reach for the text view.
    setModel(&m_model);
    m_host = host;
    setHeaderHidden(true);
    // The model is a flat list of rows: the view draws the tree itself and
    // expands and collapses through the model.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAnimated(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
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
    m_nIndent = std::max(12, indentation());
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { m_textWidth.clear(); });
    // The selection stays visible, in the same colours, without the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
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

TreeItem CTitleTreeView::InsertItem(std::string_view titleCp932, int image, int selectedImage,
                                    TreeItem parent) {
    if (m_bRedrawOff && !m_model.InBulk()) {
        // Items inserted while redrawing is off are shown by one model
        // reset when it resumes; the caret that the reset drops is kept.
        m_savedCurrent = GetSelectedItem();
        m_model.BeginBulk();
    }
    return m_model.Append(titleCp932, image, selectedImage, parent);
}

void CTitleTreeView::FlushBulk() {
    if (!m_model.InBulk()) return;
    const bool wasClearing = m_bClearing;
    m_bClearing = true;  // the reset's own selection changes are not shown
    m_model.EndBulk();
    m_bClearing = wasClearing;
    const QModelIndex saved = m_model.IndexOf(m_savedCurrent);
    if (saved.isValid())
        selectionModel()->setCurrentIndex(saved, QItemSelectionModel::ClearAndSelect);
    m_savedCurrent = kNoItem;
}

void CTitleTreeView::SetItemData(TreeItem item, CComment* record) {
    m_model.SetRecord(item, record);
}

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
    m_model.ExpandPathTo(item);
    const QModelIndex idx = m_model.IndexOf(item);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx, QAbstractItemView::EnsureVisible);
}

// --- single items -------------------------------------------------------------

void CTitleTreeView::Expand(TreeItem item) {
    FlushBulk();
    m_model.Expand(item);
}

void CTitleTreeView::Collapse(TreeItem item) {
    FlushBulk();
    if (!m_model.IsExpanded(item)) return;
    // A collapsed item takes the selection from any item below it.
    const TreeItem selected = GetSelectedItem();
    const int depth = m_model.Depth(item);
    for (TreeItem p = m_model.Parent(selected); m_model.Depth(p) >= depth; p = m_model.Parent(p)) {
        if (p == item) {
            selectionModel()->setCurrentIndex(m_model.IndexOf(item),
                                              QItemSelectionModel::ClearAndSelect);
            break;
        }
    }
    m_model.Collapse(item);
}

void CTitleTreeView::Toggle(TreeItem item) {
    if (m_model.IsExpanded(item))
        Collapse(item);
    else
        Expand(item);
}

void CTitleTreeView::ExpandSubtree(TreeItem item) {
    if (!m_model.HasChildren(item)) return;
    WaitCursor wait;
    std::vector<TreeItem> below;
    TreeItem n = item;
    while (n != kNoItem) {
        below.push_back(n);
        if (m_model.HasChildren(n)) {
            n = m_model.FirstChild(n);
            continue;
        }
        while (n != item && m_model.NextSibling(n) == kNoItem) n = m_model.Parent(n);
        n = n == item ? kNoItem : m_model.NextSibling(n);
    }
    m_model.SetExpanded(below, true);
}

TreeItem CTitleTreeView::GetFirstVisibleItem() const {
    return m_model.ItemOf(indexAt(QPoint(1, 1)));
}

void CTitleTreeView::ScrollToTop(TreeItem item) {
    const QModelIndex idx = m_model.IndexOf(item);
    // As far as the length of the tree allows: the scroll bar stops at its end.
    if (idx.isValid()) scrollTo(idx, QAbstractItemView::PositionAtTop);
}

// --- expand / collapse all ----------------------------------------------------

void CTitleTreeView::ExpandAll(const std::vector<TreeItem>& items) {
    WaitCursor wait;
    FlushBulk();
    NoRedraw freeze(this);
    const TreeItem selected = GetSelectedItem();
    m_model.SetExpanded(items, true);  // the selection keeps its row's index
    if (selected != kNoItem) ScrollToTop(selected);
}

void CTitleTreeView::CollapseAll(const std::vector<TreeItem>& items) {
    WaitCursor wait;
    FlushBulk();
    NoRedraw freeze(this);
    const TreeItem selected = GetSelectedItem();
    // Collapsing an item takes the selection from below it, and the items
    // are collapsed top down: the selection ends on its shallowest listed
    // ancestor. The tree then shows the top-level ancestor first.
    TreeItem top = selected;
    if (m_model.Depth(selected) > 0) {
        std::vector<char> listed(m_model.ItemCount() + 1, 0);
        for (TreeItem item : items) {
            if (m_model.IsItem(item)) listed[static_cast<std::size_t>(item)] = 1;
        }
        TreeItem takes = kNoItem;
        for (TreeItem p = m_model.Parent(selected); m_model.IsItem(p); p = m_model.Parent(p)) {
            if (listed[static_cast<std::size_t>(p)]) takes = p;
            top = p;
        }
        if (takes != kNoItem)
            selectionModel()->setCurrentIndex(m_model.IndexOf(takes),
                                              QItemSelectionModel::ClearAndSelect);
    }
    m_model.SetExpanded(items, false);
    if (top != kNoItem) ScrollToTop(top);
}

// --- geometry -----------------------------------------------------------------

int CTitleTreeView::LevelLabelWidth(TreeItem item) const {
    const int depth = m_model.Depth(item);
    if (depth < kMaxIndentLevels) return 0;
    return fontMetrics().horizontalAdvance(QString::number(depth + 1)) + 8;
}

int CTitleTreeView::LabelStart(TreeItem item) const {
    const int column = std::min(m_model.Depth(item), kMaxIndentLevels);
    return (column + 1) * m_nIndent + LevelLabelWidth(item);
}

QRect CTitleTreeView::ButtonRect(TreeItem item) const {
    const QRect row = visualRect(m_model.IndexOf(item));
    if (!row.isValid()) return {};
    const int column = std::min(m_model.Depth(item), kMaxIndentLevels);
    return QRect(header()->sectionViewportPosition(0) + column * m_nIndent, row.y(), m_nIndent,
                 row.height());
}

QRect CTitleTreeView::LabelRect(TreeItem item) const {
    const QModelIndex idx = m_model.IndexOf(item);
    const QRect row = visualRect(idx);
    if (!row.isValid()) return {};
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    const int width = itemDelegate()->sizeHint(opt, idx).width();
    return QRect(header()->sectionViewportPosition(0) + LabelStart(item), row.y(), width,
                 row.height());
}

TreeItem CTitleTreeView::ItemAtPoint(const QPoint& pos) const {
    return m_model.ItemOf(indexAt(pos));
}

void CTitleTreeView::UpdateContentWidth() {
    if (m_bInWidthUpdate || m_model.InBulk()) return;
    const int rows = m_model.VisibleRows();
    int width = viewport()->width();
    if (rows > 0) {
        const QFontMetrics fm = fontMetrics();
        if (m_nLabelExtra < 0) {
            // What the face and the margins add to the text of a label.
            QStyleOptionViewItem opt;
            initViewItemOption(&opt);
            const QModelIndex first = m_model.index(0, 0);
            m_nLabelExtra = std::max(0, itemDelegate()->sizeHint(opt, first).width() -
                                            fm.horizontalAdvance(m_model.Title(m_model.ItemAt(0))));
            m_nRowHeight = std::max(1, itemDelegate()->sizeHint(opt, first).height());
            // No character of a title is wider than this per byte.
            m_nByteBound =
                std::max(fm.horizontalAdvance(QChar(u'W')), fm.horizontalAdvance(QChar(u'あ')));
        }
        m_textWidth.resize(m_model.ItemCount() + 1, -1);
        // The rows scroll one by one: the first in view is the scroll position.
        const int first = verticalScrollBar()->value();
        const int last = std::min(rows, first + viewport()->height() / m_nRowHeight + 1);
        for (int r = first; r < last; ++r) {
            const TreeItem item = m_model.ItemAt(r);
            const int start = LabelStart(item) + m_nLabelExtra + 2;
            int& text = m_textWidth[static_cast<std::size_t>(item)];
            if (text < 0) {
                // Measured only when it might be the widest.
                const auto bound =
                    static_cast<std::int64_t>(m_model.TitleCp932(item).size()) * m_nByteBound;
                if (start + bound <= width) continue;
                text = fm.horizontalAdvance(m_model.Title(item));
            }
            width = std::max(width, start + text);
        }
    }
    if (header()->sectionSize(0) == width) return;
    m_bInWidthUpdate = true;
    header()->resizeSection(0, width);
    QTreeView::updateGeometries();  // the sideways scroll range follows at once
    m_bInWidthUpdate = false;
}

void CTitleTreeView::updateGeometries() {
    QTreeView::updateGeometries();
    UpdateContentWidth();
}

void CTitleTreeView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    if (dy) UpdateContentWidth();
}

void CTitleTreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QScrollBar* hbar = horizontalScrollBar();
    const int sideways = hbar->value();
    QTreeView::scrollTo(index, hint);  // rows; it would also jump to the left edge
    const TreeItem item = m_model.ItemOf(index);
    if (item == kNoItem) return;
    UpdateContentWidth();
    // Sideways: keep the position when the title is in view, else show as
    // much of it as fits from the item's button on.
    const int start = LabelStart(item);
    const int end = start + LabelRect(item).width();
    const int button = std::min(m_model.Depth(item), kMaxIndentLevels) * m_nIndent;
    const int width = viewport()->width();
    int value = sideways;
    if (start < value || end > value + width) value = std::max(0, std::min(end - width, button));
    hbar->setValue(value);
}

// --- painting -----------------------------------------------------------------

void CTitleTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const TreeItem item = m_model.ItemOf(index);
    if (item == kNoItem) return;
    const int depth = m_model.Depth(item);
    const int column = std::min(depth, kMaxIndentLevels);
    const int x0 = header()->sectionViewportPosition(0);
    const int y = option.rect.y();
    const int h = option.rect.height();

    // The lines of the ancestors that have later siblings, then the item's
    // own line piece and button.
    QStyleOption branch;
    branch.palette = option.palette;
    branch.direction = option.direction;
    const std::uint64_t mask = m_model.LineMask(item);
    for (int k = 0; k < column; ++k) {
        if (!(mask & (std::uint64_t(1) << k))) continue;
        branch.rect = QRect(x0 + k * m_nIndent, y, m_nIndent, h);
        branch.state = QStyle::State_Sibling;
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, painter, this);
    }
    branch.rect = QRect(x0 + column * m_nIndent, y, m_nIndent, h);
    branch.state = QStyle::State_Item;
    if (m_model.HasChildren(item)) branch.state |= QStyle::State_Children;
    if (m_model.IsExpanded(item)) branch.state |= QStyle::State_Open;
    // Below the indented levels every row shares the last column: its line
    // runs on while the next row is down there too.
    const bool lineGoesOn =
        depth < kMaxIndentLevels
            ? m_model.NextSibling(item) != kNoItem
            : m_model.Depth(m_model.ItemAt(index.row() + 1)) >= kMaxIndentLevels;
    if (lineGoesOn) branch.state |= QStyle::State_Sibling;
    if (index.row() == 0) {
        // Nothing stands above the first item: its line starts at its box
        // (or at its middle when it has none), not at the top edge.
        painter->save();
        const int top = y + h / 2 - (m_model.HasChildren(item) ? kButtonHalf : 0);
        painter->setClipRect(QRect(branch.rect.x(), top, branch.rect.width(), y + h - top),
                             Qt::IntersectClip);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, painter, this);
        painter->restore();
    } else {
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, painter, this);
    }

    int labelX = x0 + (column + 1) * m_nIndent;
    if (const int levelWidth = LevelLabelWidth(item)) {
        const QRect box(labelX + 1, y + 2, levelWidth - 4, h - 4);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->setBrush(option.palette.color(QPalette::Window));
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->setPen(option.palette.color(QPalette::WindowText));
        painter->drawText(box, Qt::AlignCenter, QString::number(depth + 1));
        painter->restore();
        labelX += levelWidth;
    }

    QStyleOptionViewItem opt = option;
    opt.state &= ~(QStyle::State_Children | QStyle::State_Open | QStyle::State_Sibling |
                   QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    opt.rect = QRect(labelX, y, std::max(0, x0 + header()->sectionSize(0) - labelX), h);
    if (selectionModel() && selectionModel()->isSelected(index))
        opt.state |= QStyle::State_Selected;
    if (hasFocus() && index == currentIndex()) opt.state |= QStyle::State_HasFocus;
    opt.palette.setCurrentColorGroup(isActiveWindow() ? QPalette::Active : QPalette::Inactive);
    itemDelegate()->paint(painter, opt, index);
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

void CTitleTreeView::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
        m_textWidth.clear();
        m_nLabelExtra = -1;
    }
    QTreeView::changeEvent(e);
}

bool CTitleTreeView::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The whole title, when the pane's edge cuts it.
        const auto* he = static_cast<QHelpEvent*>(e);
        const TreeItem item = ItemAtPoint(he->pos());
        const QRect label = LabelRect(item);
        if (item != kNoItem && (label.left() < 0 || label.right() >= viewport()->width()))
            QToolTip::showText(he->globalPos(), m_model.Title(item), viewport(), label);
        else
            QToolTip::hideText();
        return true;
    }
    return QTreeView::viewportEvent(e);
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
    const TreeItem current = GetSelectedItem();
    const auto select = [this](TreeItem item) {
        const QModelIndex idx = m_model.IndexOf(item);
        if (idx.isValid())
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    };
    const bool plain = !(e->modifiers() & ~Qt::KeypadModifier);
    if (current != kNoItem && plain) {
        switch (key) {
            case Qt::Key_Backspace:
                // Steps to the parent of the selected item, as a tree control does.
                select(m_model.Parent(current));
                e->accept();
                return;
            case Qt::Key_Plus:
                Expand(current);
                e->accept();
                return;
            case Qt::Key_Minus:
                Collapse(current);
                e->accept();
                return;
            case Qt::Key_Asterisk:
                ExpandSubtree(current);
                e->accept();
                return;
            case Qt::Key_Right:
                // Opens the item, or goes to its first reply when it is open.
                if (!m_model.IsExpanded(current))
                    Expand(current);
                else
                    select(m_model.FirstChild(current));
                e->accept();
                return;
            case Qt::Key_Left:
                // Closes the item, or goes to its parent when it is closed.
                if (m_model.IsExpanded(current))
                    Collapse(current);
                else
                    select(m_model.Parent(current));
                e->accept();
                return;
            default:
                break;
        }
    }
    if (key == Qt::Key_Backspace) {
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
    const QPoint pos = e->position().toPoint();
    const TreeItem item = ItemAtPoint(pos);
    if (item == kNoItem) {
        // A click below the last row changes nothing: the selected item
        // stays selected, and visibly so, as in a tree control.
        e->accept();
        return;
    }
    if (e->button() == Qt::LeftButton && m_model.HasChildren(item) &&
        ButtonRect(item).contains(pos)) {
        // The button opens or closes the item without selecting it.
        Toggle(item);
        e->accept();
        return;
    }
    QTreeView::mousePressEvent(e);
}

void CTitleTreeView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const TreeItem item = ItemAtPoint(pos);
    if (e->button() == Qt::LeftButton && m_model.HasChildren(item)) {
        if (ButtonRect(item).contains(pos)) {
            Toggle(item);  // the second click on the button
            e->accept();
            return;
        }
        QTreeView::mouseDoubleClickEvent(e);
        Toggle(item);
        return;
    }
    QTreeView::mouseDoubleClickEvent(e);
}

void CTitleTreeView::focusInEvent(QFocusEvent* e) {
    // Coming into the tree makes no item current: an item is selected only
    // by the user or by a command, never by the focus alone (Delete would
    // otherwise act on a message nobody chose).
    QWidget::focusInEvent(e);
    viewport()->update();
}

void CTitleTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    // The current item is the selected one: whatever the text view shows
    // and Delete removes is visibly selected.
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
