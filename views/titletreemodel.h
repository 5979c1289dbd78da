// The items of the title tree and what of them is shown. The hierarchy is
// held compactly: one node per item in a vector (node 0 is the invisible
// root), linked by parent / first-child / next-sibling indices, with the
// depth and the expanded state of each node. The model that the view sees
// is flat: one row per visible item (the roots, and the replies of expanded
// items) in document order, so that no part of the view walks the levels of
// a reply chain recursively, however deep it is. An item's handle
// (TreeItem) is its node index; a row's index carries it as internal id.
#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QPixmap>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ports.h"

namespace orv {

class CTitleTreeModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Levels whose "more siblings follow" line is kept per node (LineMask).
    static constexpr int kLineLevels = 64;

    explicit CTitleTreeModel(QObject* parent = nullptr);
    ~CTitleTreeModel() override;

    // --- items ---------------------------------------------------------------
    // Removes every item (one model reset).
    void Clear();
    // While bulk is on, insertions send no per-row signals; EndBulk makes
    // them visible with one model reset (expanded items stay expanded).
    void BeginBulk();
    void EndBulk();
    bool InBulk() const { return m_bBulk; }
    // Appends an item as the last child of parent (kTreeRoot for the top
    // level); kNoItem when parent is not an item.
    TreeItem Append(std::string_view titleCp932, int image, int selectedImage, TreeItem parent);
    bool IsItem(TreeItem item) const {
        return item > 0 && static_cast<std::size_t>(item) < m_nodes.size();
    }
    std::size_t ItemCount() const { return m_nodes.size() - 1; }
    // Room for count more items without moving the ones there.
    void Reserve(std::size_t count) {
        m_nodes.reserve(m_nodes.size() + count);
        m_display.reserve(m_display.size() + count);
        m_displayDone.reserve(m_displayDone.size() + count);
    }
    void SetRecord(TreeItem item, CComment* record);
    CComment* Record(TreeItem item) const;
    TreeItem Parent(TreeItem item) const;
    // kNoItem when there is none; FirstChild(kTreeRoot) is the first root.
    TreeItem FirstChild(TreeItem item) const;
    TreeItem NextSibling(TreeItem item) const;
    bool HasChildren(TreeItem item) const { return FirstChild(item) != kNoItem; }
    // 0 for a top-level item.
    int Depth(TreeItem item) const;
    int Image(TreeItem item, bool selected) const;
    // The raw CP932 title and its display text.
    const std::string& TitleCp932(TreeItem item) const;
    QString Title(TreeItem item) const;
    // Bit k set: the item's ancestor at depth k (k < kLineLevels) has a
    // later sibling, so the line joining them passes beside this item.
    std::uint64_t LineMask(TreeItem item) const;

    // --- expansion and rows --------------------------------------------------
    bool IsExpanded(TreeItem item) const;
    // Expands or collapses one item; its shown replies come or go as one
    // block of rows. False when nothing changed.
    bool Expand(TreeItem item);
    bool Collapse(TreeItem item);
    // Expands every collapsed ancestor of item, so that it gets a row.
    void ExpandPathTo(TreeItem item);
    // Sets the expanded state of every listed item and lays the rows out
    // again once; rows that stay shown keep their indexes (and so the
    // view's current item and selection).
    void SetExpanded(const std::vector<TreeItem>& items, bool expanded);
    // The row of a shown item, -1 for a hidden one.
    int RowOf(TreeItem item) const;
    TreeItem ItemAt(int row) const;
    int VisibleRows() const { return static_cast<int>(m_rows.size()); }

    QModelIndex IndexOf(TreeItem item) const;
    TreeItem ItemOf(const QModelIndex& index) const;

    // The item drawn with its selected image (the caret of the view).
    void SetSelectedItem(TreeItem item);

    // The four face images: 0 top level, 1 top level selected, 2 reply,
    // 3 reply selected.
    static const QPixmap& FaceImage(int image);
    static const QIcon& FaceIcon(int image);

    // --- QAbstractItemModel ----------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Node {
        std::int32_t parent = -1;
        std::int32_t firstChild = 0;  // 0: none
        std::int32_t lastChild = 0;
        std::int32_t nextSibling = 0;
        std::int32_t depth = -1;
        std::int8_t image = -1;
        std::int8_t selectedImage = -1;
        bool expanded = false;
        CComment* record = nullptr;
        std::string title;  // CP932
    };

    const Node& N(std::int32_t n) const { return m_nodes[static_cast<std::size_t>(n)]; }
    Node& N(std::int32_t n) { return m_nodes[static_cast<std::size_t>(n)]; }
    // The shown descendants of node, in order.
    std::vector<std::int32_t> ShownBelow(std::int32_t node) const;
    // The number of rows after row that belong to its item's subtree.
    int ShownSubtreeRows(int row) const;
    void RebuildRows();
    void RebuildRowIndex() const;
    void RebuildLineMasks() const;

    std::vector<Node> m_nodes;
    // The shown items, one per row.
    std::vector<std::int32_t> m_rows;
    // Row of each node (-1: hidden), rebuilt on demand after rows change.
    mutable std::vector<std::int32_t> m_rowOf;
    mutable bool m_bRowIndexValid = false;
    mutable std::vector<std::uint64_t> m_lineMask;
    mutable bool m_bLineMasksValid = false;
    // Display texts, converted from CP932 on first use.
    mutable std::vector<QString> m_display;
    mutable std::vector<bool> m_displayDone;
    bool m_bBulk = false;
    TreeItem m_selected = kNoItem;
};

}  // namespace orv
