// The navigation pane: the document's messages as a tree of titles. It
// offers the title-tree port to the document and shows the selected
// message in the text view.
#pragma once

#include <vector>

#include <QTreeView>

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

    // --- ITitleTree ----------------------------------------------------------
    void ClearTree() override;
    void SetRedraw(bool redraw) override;
    TreeItem InsertItem(const std::string& titleCp932, int image, int selectedImage,
                        TreeItem parent) override;
    void SetItemData(TreeItem item, CComment* record) override;
    CComment* GetItemData(TreeItem item) const override;
    TreeItem GetSelectedItem() const override;
    void SelectItem(TreeItem item) override;

    // --- single items --------------------------------------------------------
    void Expand(TreeItem item);
    // Collapsing an item with the selection below it selects the item.
    void Collapse(TreeItem item);
    bool IsExpanded(TreeItem item) const;
    TreeItem GetParentItem(TreeItem item) const { return m_model.Parent(item); }
    TreeItem GetFirstVisibleItem() const;
    bool IsClearing() const { return m_bClearing; }

    // --- expand / collapse all (commands 32795 and 32796) --------------------
    // items: the document's item handles in document order.
    void ExpandAll(const std::vector<TreeItem>& items);
    void CollapseAll(const std::vector<TreeItem>& items);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void OnSelChanged();
    void OnCollapsed(const QModelIndex& index);
    void ScrollToTop(TreeItem item);
    // Ends a pending bulk insertion (one model reset) and restores the
    // caret and the expanded items that the reset dropped.
    void FlushBulk();

    CTitleTreeModel m_model;
    bool m_bClearing = false;
    bool m_bRedrawOff = false;
    bool m_bBatch = false;   // inside ExpandAll / CollapseAll
    TreeItem m_savedCurrent = kNoItem;
    std::vector<TreeItem> m_savedExpanded;
    IViewHost* m_host = nullptr;
};

// The document's expand/collapse commands on the host's tree view, and their
// update handlers (enabled exactly when the document has messages).
void OnExpandAll(COrvDoc& doc, IViewHost& host);
void OnCollapseAll(COrvDoc& doc, IViewHost& host);
bool OnUpdateExpandAll(const COrvDoc& doc);
bool OnUpdateCollapseAll(const COrvDoc& doc);

}  // namespace orv
