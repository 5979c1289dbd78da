// A title tree held in memory without a window: items with a parent and a
// record. Used by the command line and as the base of test fakes.
#pragma once

#include <string>
#include <vector>

#include "core/ports.h"

namespace orv {

class CListTitleTree : public ITitleTree {
public:
    struct Item {
        TreeItem parent;
        std::string title;
        int image;
        int selectedImage;
        CComment* record;
    };

    void ClearTree() override {
        m_items.clear();
        m_selected = kNoItem;
    }
    void SetRedraw(bool) override {}
    void ReserveItems(std::size_t count) override { m_items.reserve(m_items.size() + count); }
    TreeItem InsertItem(std::string_view title, int image, int selectedImage,
                        TreeItem parent) override {
        m_items.push_back({parent, std::string(title), image, selectedImage, nullptr});
        return static_cast<TreeItem>(m_items.size());  // handles start at 1
    }
    void SetItemData(TreeItem item, CComment* record) override {
        if (Valid(item)) m_items[static_cast<std::size_t>(item - 1)].record = record;
    }
    CComment* GetItemData(TreeItem item) const override {
        return Valid(item) ? m_items[static_cast<std::size_t>(item - 1)].record : nullptr;
    }
    TreeItem GetSelectedItem() const override { return m_selected; }
    void SelectItem(TreeItem item) override { m_selected = Valid(item) ? item : kNoItem; }

    const std::vector<Item>& Items() const { return m_items; }
    const Item& At(TreeItem item) const { return m_items[static_cast<std::size_t>(item - 1)]; }

protected:
    bool Valid(TreeItem item) const {
        return item >= 1 && static_cast<std::size_t>(item) <= m_items.size();
    }

    std::vector<Item> m_items;
    TreeItem m_selected = kNoItem;
};

}  // namespace orv
