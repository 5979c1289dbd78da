// The items of the title tree, held compactly: one node per item in a vector
// (node 0 is the invisible root), linked by parent / first-child /
// next-sibling indices, with a row table rebuilt after bulk insertions. An
// item's handle (TreeItem) is its node index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractItemModel>
#include <QIcon>
#include <QPixmap>

#include "core/ports.h"

namespace orv {

class CTitleTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CTitleTreeModel(QObject* parent = nullptr);
    ~CTitleTreeModel() override;

    // --- items ---------------------------------------------------------------
    // Removes every item (one model reset).
    void Clear();
    // While bulk is on, insertions send no per-row signals; EndBulk makes
    // them visible with one model reset.
    void BeginBulk();
    void EndBulk();
    bool InBulk() const { return m_bBulk; }
    // Appends an item as the last child of parent (kTreeRoot for the top
    // level); kNoItem when parent is not an item.
    TreeItem Append(const std::string& titleCp932, int image, int selectedImage,
                    TreeItem parent);
    bool IsItem(TreeItem item) const {
        return item > 0 && static_cast<std::size_t>(item) < m_nodes.size();
    }
    std::size_t ItemCount() const { return m_nodes.size() - 1; }
    void SetRecord(TreeItem item, CComment* record);
    CComment* Record(TreeItem item) const;
    TreeItem Parent(TreeItem item) const;
    int Image(TreeItem item, bool selected) const;
    // The raw CP932 title.
    const std::string& TitleCp932(TreeItem item) const;

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
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Node {
        std::int32_t parent = -1;
        std::int32_t firstChild = 0;   // 0: none
        std::int32_t lastChild = 0;
        std::int32_t nextSibling = 0;
        std::int32_t row = 0;          // place among the parent's children
        std::int32_t childCount = 0;
        std::int8_t image = -1;
        std::int8_t selectedImage = -1;
        CComment* record = nullptr;
        std::string title;             // CP932
    };

    std::int32_t ChildAt(std::int32_t node, int row) const;
    void RebuildRowTable() const;

    std::vector<Node> m_nodes;
    // Children of node n: m_childList[m_childStart[n] .. + childCount).
    mutable std::vector<std::int32_t> m_childStart;
    mutable std::vector<std::int32_t> m_childList;
    mutable bool m_bRowTableValid = true;
    // Display texts, converted from CP932 on first use.
    mutable std::vector<QString> m_display;
    mutable std::vector<bool> m_displayDone;
    bool m_bBulk = false;
    TreeItem m_selected = kNoItem;
};

}  // namespace orv
