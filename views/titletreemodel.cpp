#include "views/titletreemodel.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

#include "core/cp932.h"

namespace orv {

namespace {

QPixmap DrawFace(QColor base, QColor pattern, bool mouthOpen) {
    QPixmap pm(16, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(1.0, 0.5, 14.0, 14.0);
    QPainterPath circle;
    circle.addEllipse(face);
    p.fillPath(circle, base);
    // The dithered pattern of a 16-colour picture, kept inside the face.
    p.save();
    p.setClipPath(circle);
    p.fillRect(face, QBrush(pattern, Qt::Dense5Pattern));
    p.restore();
    p.setPen(QPen(QColor(64, 32, 0), 1.0));
    p.drawEllipse(face);
    // Eyes.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(4.5, 4.0, 2.0, 2.5));
    p.drawEllipse(QRectF(9.5, 4.0, 2.0, 2.5));
    if (mouthOpen) {
        p.setBrush(QColor(128, 0, 0));
        p.setPen(QPen(Qt::black, 0.8));
        p.drawEllipse(QRectF(5.0, 8.0, 6.0, 4.5));
    } else {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 1.0));
        p.drawArc(QRectF(4.5, 6.5, 7.0, 4.5), 200 * 16, 140 * 16);
    }
    return pm;
}

}  // namespace

const QPixmap& CTitleTreeModel::FaceImage(int image) {
    // In the order of TreeImage: top-level plain and selected, then reply.
    static const std::array<QPixmap, kTreeImageCount> faces = {
        DrawFace(QColor(255, 220, 0), QColor(230, 0, 0), false),
        DrawFace(QColor(255, 220, 0), QColor(230, 0, 0), true),
        DrawFace(QColor(255, 255, 170), QColor(150, 150, 150), false),
        DrawFace(QColor(255, 255, 170), QColor(150, 150, 150), true),
    };
    static const QPixmap none;
    return image >= 0 && image < kTreeImageCount ? faces[static_cast<std::size_t>(image)] : none;
}

const QIcon& CTitleTreeModel::FaceIcon(int image) {
    // The same picture in every mode: a selected item is not tinted.
    static const std::array<QIcon, kTreeImageCount> icons = [] {
        std::array<QIcon, kTreeImageCount> a;
        for (int i = 0; i < kTreeImageCount; ++i) {
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Active})
                a[static_cast<std::size_t>(i)].addPixmap(FaceImage(i), mode);
        }
        return a;
    }();
    return icons[static_cast<std::size_t>(std::clamp(image, 0, kTreeImageCount - 1))];
}

CTitleTreeModel::CTitleTreeModel(QObject* parent) : QAbstractListModel(parent) {
    m_nodes.emplace_back();  // the invisible root
    m_display.emplace_back();
    m_displayDone.push_back(true);
}

CTitleTreeModel::~CTitleTreeModel() = default;

void CTitleTreeModel::Clear() {
    if (!m_bBulk) beginResetModel();
    m_nodes.clear();
    m_nodes.emplace_back();
    m_rows.clear();
    m_display.assign(1, QString());
    m_displayDone.assign(1, true);
    m_bRowIndexValid = false;
    m_bLineMasksValid = false;
    m_selected = kNoItem;
    if (!m_bBulk) endResetModel();
}

void CTitleTreeModel::BeginBulk() {
    if (m_bBulk) return;
    m_bBulk = true;
    beginResetModel();
}

void CTitleTreeModel::EndBulk() {
    if (!m_bBulk) return;
    m_bBulk = false;
    RebuildRows();
    endResetModel();
}

TreeItem CTitleTreeModel::Append(std::string_view titleCp932, int image, int selectedImage,
                                 TreeItem parentItem) {
    if (parentItem != kTreeRoot && !IsItem(parentItem)) return kNoItem;
    if (m_nodes.size() >= static_cast<std::size_t>(INT32_MAX)) return kNoItem;
    const auto p = static_cast<std::int32_t>(parentItem);
    const auto n = static_cast<std::int32_t>(m_nodes.size());
    Node node;
    node.parent = p;
    node.depth = N(p).depth + 1;
    node.image = static_cast<std::int8_t>(image);
    node.selectedImage = static_cast<std::int8_t>(selectedImage);
    node.title = titleCp932;
    m_nodes.push_back(std::move(node));
    m_display.emplace_back();
    m_displayDone.push_back(false);
    Node& par = N(p);
    if (par.lastChild)
        N(par.lastChild).nextSibling = n;
    else
        par.firstChild = n;
    par.lastChild = n;
    m_bLineMasksValid = false;
    m_bRowIndexValid = false;
    if (m_bBulk) return n;

    // Shown at once when its parent is the root or an expanded, shown item.
    int row = -1;
    if (p == 0) {
        row = VisibleRows();
    } else if (par.expanded) {
        const int pr = RowOf(p);
        if (pr >= 0) row = pr + 1 + ShownSubtreeRows(pr);
    }
    if (row >= 0) {
        beginInsertRows(QModelIndex(), row, row);
        m_rows.insert(m_rows.begin() + row, n);
        m_bRowIndexValid = false;
        endInsertRows();
    }
    // The parent may gain its button and the lines beside earlier items
    // may now go on down: repaint every row.
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(VisibleRows() - 1, 0));
    return n;
}

void CTitleTreeModel::SetRecord(TreeItem item, CComment* record) {
    if (IsItem(item)) m_nodes[static_cast<std::size_t>(item)].record = record;
}

CComment* CTitleTreeModel::Record(TreeItem item) const {
    return IsItem(item) ? m_nodes[static_cast<std::size_t>(item)].record : nullptr;
}

TreeItem CTitleTreeModel::Parent(TreeItem item) const {
    return IsItem(item) ? m_nodes[static_cast<std::size_t>(item)].parent : kNoItem;
}

TreeItem CTitleTreeModel::FirstChild(TreeItem item) const {
    if (item != kTreeRoot && !IsItem(item)) return kNoItem;
    const std::int32_t c = m_nodes[static_cast<std::size_t>(item)].firstChild;
    return c ? c : kNoItem;
}

TreeItem CTitleTreeModel::NextSibling(TreeItem item) const {
    if (!IsItem(item)) return kNoItem;
    const std::int32_t s = m_nodes[static_cast<std::size_t>(item)].nextSibling;
    return s ? s : kNoItem;
}

int CTitleTreeModel::Depth(TreeItem item) const {
    return IsItem(item) ? m_nodes[static_cast<std::size_t>(item)].depth : -1;
}

int CTitleTreeModel::Image(TreeItem item, bool selected) const {
    if (!IsItem(item)) return -1;
    const Node& n = m_nodes[static_cast<std::size_t>(item)];
    return selected ? n.selectedImage : n.image;
}

const std::string& CTitleTreeModel::TitleCp932(TreeItem item) const {
    static const std::string empty;
    return IsItem(item) ? m_nodes[static_cast<std::size_t>(item)].title : empty;
}

QString CTitleTreeModel::Title(TreeItem item) const {
    if (!IsItem(item)) return {};
    const auto i = static_cast<std::size_t>(item);
    if (!m_displayDone[i]) {
        m_display[i] = QString::fromUtf8(Cp932ToUtf8(m_nodes[i].title));
        m_displayDone[i] = true;
    }
    return m_display[i];
}

std::uint64_t CTitleTreeModel::LineMask(TreeItem item) const {
    if (!IsItem(item)) return 0;
    if (!m_bLineMasksValid) RebuildLineMasks();
    return m_lineMask[static_cast<std::size_t>(item)];
}

void CTitleTreeModel::RebuildLineMasks() const {
    // A parent always has a lower index than its replies, so one pass in
    // index order sees every parent's mask before its children's.
    m_lineMask.assign(m_nodes.size(), 0);
    for (std::size_t i = 1; i < m_nodes.size(); ++i) {
        const std::int32_t p = m_nodes[i].parent;
        if (p == 0) continue;
        const Node& par = N(p);
        std::uint64_t mask = m_lineMask[static_cast<std::size_t>(p)];
        if (par.nextSibling && par.depth < kLineLevels) mask |= std::uint64_t(1) << par.depth;
        m_lineMask[i] = mask;
    }
    m_bLineMasksValid = true;
}

// --- expansion and rows -------------------------------------------------------

bool CTitleTreeModel::IsExpanded(TreeItem item) const {
    return IsItem(item) && m_nodes[static_cast<std::size_t>(item)].expanded;
}

std::vector<std::int32_t> CTitleTreeModel::ShownBelow(std::int32_t node) const {
    // Pre-order over expanded items, without recursion: down to the first
    // reply of an expanded item, else on to the next sibling of the nearest
    // item that has one, never above node.
    std::vector<std::int32_t> out;
    std::int32_t n = N(node).firstChild;
    while (n) {
        out.push_back(n);
        const Node& nd = N(n);
        if (nd.expanded && nd.firstChild) {
            n = nd.firstChild;
            continue;
        }
        while (n != node && !N(n).nextSibling) n = N(n).parent;
        if (n == node) break;
        n = N(n).nextSibling;
    }
    return out;
}

int CTitleTreeModel::ShownSubtreeRows(int row) const {
    const int depth = N(m_rows[static_cast<std::size_t>(row)]).depth;
    int end = row + 1;
    while (end < VisibleRows() && N(m_rows[static_cast<std::size_t>(end)]).depth > depth) ++end;
    return end - row - 1;
}

void CTitleTreeModel::RebuildRows() {
    m_rows = ShownBelow(0);
    m_bRowIndexValid = false;
}

bool CTitleTreeModel::Expand(TreeItem item) {
    if (!IsItem(item)) return false;
    Node& node = m_nodes[static_cast<std::size_t>(item)];
    if (node.expanded || !node.firstChild) return false;
    node.expanded = true;
    if (m_bBulk) return true;
    const int row = RowOf(item);
    if (row < 0) return true;  // hidden: its rows come when it is shown
    const std::vector<std::int32_t> shown = ShownBelow(static_cast<std::int32_t>(item));
    beginInsertRows(QModelIndex(), row + 1, row + static_cast<int>(shown.size()));
    m_rows.insert(m_rows.begin() + row + 1, shown.begin(), shown.end());
    m_bRowIndexValid = false;
    endInsertRows();
    const QModelIndex idx = index(row, 0);
    emit dataChanged(idx, idx);  // the button turns to minus
    return true;
}

bool CTitleTreeModel::Collapse(TreeItem item) {
    if (!IsItem(item)) return false;
    Node& node = m_nodes[static_cast<std::size_t>(item)];
    if (!node.expanded) return false;
    node.expanded = false;
    if (m_bBulk) return true;
    const int row = RowOf(item);
    if (row < 0) return true;
    const int count = ShownSubtreeRows(row);
    if (count > 0) {
        beginRemoveRows(QModelIndex(), row + 1, row + count);
        m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + row + 1 + count);
        m_bRowIndexValid = false;
        endRemoveRows();
    }
    const QModelIndex idx = index(row, 0);
    emit dataChanged(idx, idx);
    return true;
}

void CTitleTreeModel::ExpandPathTo(TreeItem item) {
    if (!IsItem(item)) return;
    // Mark the hidden ancestors expanded from the bottom up; the topmost
    // collapsed one is shown (all above it are expanded), and expanding it
    // brings in the whole way down as one block of rows.
    TreeItem top = kNoItem;
    for (TreeItem p = Parent(item); IsItem(p); p = Parent(p)) {
        if (!IsExpanded(p)) {
            if (top != kNoItem) m_nodes[static_cast<std::size_t>(top)].expanded = true;
            top = p;
        }
    }
    if (top != kNoItem) Expand(top);
}

void CTitleTreeModel::SetExpanded(const std::vector<TreeItem>& items, bool expanded) {
    for (TreeItem item : items) {
        // An item without replies cannot be expanded.
        if (IsItem(item) && (!expanded || N(static_cast<std::int32_t>(item)).firstChild))
            m_nodes[static_cast<std::size_t>(item)].expanded = expanded;
    }
    if (m_bBulk) return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    RebuildRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before) after.push_back(IndexOf(ItemOf(idx)));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void CTitleTreeModel::RebuildRowIndex() const {
    m_rowOf.assign(m_nodes.size(), -1);
    for (std::size_t r = 0; r < m_rows.size(); ++r)
        m_rowOf[static_cast<std::size_t>(m_rows[r])] = static_cast<std::int32_t>(r);
    m_bRowIndexValid = true;
}

int CTitleTreeModel::RowOf(TreeItem item) const {
    if (!IsItem(item) || m_bBulk) return -1;
    if (!m_bRowIndexValid) RebuildRowIndex();
    return m_rowOf[static_cast<std::size_t>(item)];
}

TreeItem CTitleTreeModel::ItemAt(int row) const {
    if (row < 0 || row >= VisibleRows()) return kNoItem;
    return m_rows[static_cast<std::size_t>(row)];
}

QModelIndex CTitleTreeModel::IndexOf(TreeItem item) const {
    const int row = RowOf(item);
    if (row < 0) return {};
    return createIndex(row, 0, static_cast<quintptr>(item));
}

TreeItem CTitleTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return kNoItem;
    const auto item = static_cast<TreeItem>(index.internalId());
    return IsItem(item) ? item : kNoItem;
}

void CTitleTreeModel::SetSelectedItem(TreeItem item) {
    if (item == m_selected) return;
    const TreeItem old = m_selected;
    m_selected = IsItem(item) ? item : kNoItem;
    if (m_bBulk) return;
    const QList<int> roles = {Qt::DecorationRole};
    const QModelIndex oldIdx = IndexOf(old), newIdx = IndexOf(m_selected);
    if (oldIdx.isValid()) emit dataChanged(oldIdx, oldIdx, roles);
    if (newIdx.isValid()) emit dataChanged(newIdx, newIdx, roles);
}

QModelIndex CTitleTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || parent.isValid() || m_bBulk || row < 0 || row >= VisibleRows()) return {};
    return createIndex(row, 0, static_cast<quintptr>(m_rows[static_cast<std::size_t>(row)]));
}

int CTitleTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_bBulk ? 0 : VisibleRows();
}

QVariant CTitleTreeModel::data(const QModelIndex& index, int role) const {
    const TreeItem item = ItemOf(index);
    if (item == kNoItem) return {};
    const auto i = static_cast<std::size_t>(item);
    switch (role) {
        case Qt::DisplayRole:
            return Title(item);
        case Qt::DecorationRole: {
            const int image = item == m_selected ? m_nodes[i].selectedImage : m_nodes[i].image;
            if (image < 0 || image >= kTreeImageCount) return {};
            return FaceIcon(image);
        }
        default:
            return {};
    }
}

Qt::ItemFlags CTitleTreeModel::flags(const QModelIndex& index) const {
    if (ItemOf(index) == kNoItem) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace orv
