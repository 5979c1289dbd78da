// The navigation pane: the document's messages as a tree of titles. It
// offers the title-tree port to the document and shows the selected
// message in the text view. The rows are the model's flat list of shown
// items; the view draws their lines, buttons and indentation itself, so
// that a reply chain of any depth is laid out and painted without
// recursion. Past kMaxIndentLevels levels the indentation stops growing
// and the row shows its level number instead.
#pragma once

#include <QTreeView>
#include <vector>

#include "core/ports.h"
#include "views/titletreemodel.h"

namespace orv {

class COrvDoc;
class IViewHost;

class CTitleTreeView : public QTreeView, public ITitleTree {
    Q_OBJECT
public:
    explicit CTitleTreeView(IViewHost* host = nullptr, QWidget* parent = nullptr);
    ~CTitleTreeView() override;

    void SetHost(IViewHost* host) { m_host = host; }
    CTitleTreeModel& Model() { return m_model; }
    const CTitleTreeModel& Model() const { return m_model; }

    // Levels that are indented; deeper rows stay at this indentation.
    static constexpr int kMaxIndentLevels = 40;
    // Room after a title for a bookmark's ribbon.
    static constexpr int kBookmarkRoom = 12;

    // --- ITitleTree ----------------------------------------------------------
    void ClearTree() override;
    void SetRedraw(bool redraw) override;
    void ReserveItems(std::size_t count) override { m_model.Reserve(count); }
    TreeItem InsertItem(std::string_view titleCp932, int image, int selectedImage,
                        TreeItem parent) override;
    void SetItemData(TreeItem item, CComment* record) override;
    CComment* GetItemData(TreeItem item) const override;
    TreeItem GetSelectedItem() const override;
    // Selects item and shows its record: the one way to select a message
    // from outside the view (a search hit, a list of hits). Its ancestors
    // are expanded and it is scrolled into view.
    void SelectItem(TreeItem item) override;

    // --- single items --------------------------------------------------------
    void Expand(TreeItem item);
    // Collapsing an item with the selection below it selects the item.
    void Collapse(TreeItem item);
    bool IsExpanded(TreeItem item) const { return m_model.IsExpanded(item); }
    TreeItem GetParentItem(TreeItem item) const { return m_model.Parent(item); }
    TreeItem GetFirstVisibleItem() const;
    bool IsClearing() const { return m_bClearing; }

    // --- expand / collapse all (ID_VIEW_EXPANDALL, ID_VIEW_COLLAPSEALL) ------
    // items: the document's item handles in document order.
    void ExpandAll(const std::vector<TreeItem>& items);
    void CollapseAll(const std::vector<TreeItem>& items);

    // --- geometry, in viewport coordinates ------------------------------------
    // The column of the expand button (and of the lines) of a shown item.
    QRect ButtonRect(TreeItem item) const;
    // The face and the title of a shown item (what is highlighted).
    QRect LabelRect(TreeItem item) const;
    // Where the title of an item starts, in content coordinates (0 at the
    // left edge of the unscrolled tree): after the indentation and, below
    // kMaxIndentLevels, the level label.
    int LabelStart(TreeItem item) const;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void OnSelChanged();
    void ScrollToTop(TreeItem item);
    // Ends a pending bulk insertion (one model reset) and restores the
    // caret that the reset dropped.
    void FlushBulk();
    void Toggle(TreeItem item);
    // Expands item and every item below it.
    void ExpandSubtree(TreeItem item);
    // The width of an item's level label (0 above kMaxIndentLevels).
    int LevelLabelWidth(TreeItem item) const;
    // Widens the column to the widest row now in view, so that the pane
    // scrolls sideways to titles wider than it.
    void UpdateContentWidth();
    // The row under a viewport point, kNoItem when none.
    TreeItem ItemAtPoint(const QPoint& pos) const;
    // The bookmark's ribbon, drawn after a label labelWidth wide.
    static QRect BookmarkMarkRect(const QRect& label, int labelWidth);
    void DrawBookmarkMark(QPainter* painter, const QStyleOptionViewItem& opt,
                          const QModelIndex& index) const;

    CTitleTreeModel m_model;
    int m_nIndent = 20;
    // Title widths in pixels by item (-1: not measured yet), and what the
    // face and margins add to them; for the sideways extent.
    std::vector<int> m_textWidth;
    int m_nLabelExtra = -1;
    int m_nRowHeight = 1;
    int m_nByteBound = 1;
    bool m_bClearing = false;
    bool m_bRedrawOff = false;
    bool m_bInWidthUpdate = false;
    TreeItem m_savedCurrent = kNoItem;
    IViewHost* m_host = nullptr;
};

// The document's expand/collapse commands on the host's tree view, and their
// update handlers (enabled exactly when the document has messages).
void OnExpandAll(COrvDoc& doc, IViewHost& host);
void OnCollapseAll(COrvDoc& doc, IViewHost& host);
bool OnUpdateExpandAll(const COrvDoc& doc);
bool OnUpdateCollapseAll(const COrvDoc& doc);

}  // namespace orv
