#include "views/titletreemodel.h"

#include <algorithm>
#include <array>

#include <QPainter>
#include <QPainterPath>

#include "core/cp932.h"

namespace orv {

namespace {

// Children lists shorter than this are walked instead of rebuilding the row
// table after a single insertion.
constexpr std::int32_t kWalkLimit = 64;

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
    static const std::array<QPixmap, 4> faces = {
        DrawFace(QColor(255, 220, 0), QColor(230, 0, 0), false),
        DrawFace(QColor(255, 220, 0), QColor(230, 0, 0), true),
        DrawFace(QColor(255, 255, 170), QColor(150, 150, 150), false),
        DrawFace(QColor(255, 255, 170), QColor(150, 150, 150), true),
    };
    static const QPixmap none;
    return image >= 0 && image < 4 ? faces[static_cast<std::size_t>(image)] : none;
}

const QIcon& CTitleTreeModel::FaceIcon(int image) {
    // The same picture in every mode: a selected item is not tinted.
    static const std::array<QIcon, 4> icons = [] {
        std::array<QIcon, 4> a;
        for (int i = 0; i < 4; ++i) {
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Active})
                a[static_cast<std::size_t>(i)].addPixmap(FaceImage(i), mode);
        }
        return a;
    }();
    return icons[static_cast<std::size_t>(std::clamp(image, 0, 3))];
}

CTitleTreeModel::CTitleTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    m_nodes.emplace_back();  // the invisible root
    m_display.emplace_back();
    m_displayDone.push_back(true);
}

CTitleTreeModel::~CTitleTreeModel() = default;

void CTitleTreeModel::Clear() {
    if (!m_bBulk) beginResetModel();
    m_nodes.clear();
    m_nodes.emplace_back();
    m_display.assign(1, QString());
    m_displayDone.assign(1, true);
    m_childStart.clear();
    m_childList.clear();
    m_bRowTableValid = false;
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
    RebuildRowTable();
    endResetModel();
}

TreeItem CTitleTreeModel::Append(const std::string& titleCp932, int image, int selectedImage,
                                 TreeItem parentItem) {
    if (parentItem != kTreeRoot && !IsItem(parentItem)) return kNoItem;
    if (m_nodes.size() >= static_cast<std::size_t>(INT32_MAX)) return kNoItem;
    const auto p = static_cast<std::int32_t>(parentItem);
    const auto n = static_cast<std::int32_t>(m_nodes.size());
    const int row = m_nodes[static_cast<std::size_t>(p)].childCount;
    if (!m_bBulk) beginInsertRows(IndexOf(parentItem), row, row);
    Node node;
    node.parent = p;
    node.row = row;
    node.image = static_cast<std::int8_t>(image);
    node.selectedImage = static_cast<std::int8_t>(selectedImage);
    node.title = titleCp932;
    m_nodes.push_back(std::move(node));
    m_display.emplace_back();
    m_displayDone.push_back(false);
    Node& par = m_nodes[static_cast<std::size_t>(p)];
    if (par.lastChild) m_nodes[static_cast<std::size_t>(par.lastChild)].nextSibling = n;
    else par.firstChild = n;
    par.lastChild = n;
    ++par.childCount;
    m_bRowTableValid = false;
    if (!m_bBulk) {
        endInsertRows();
        // The parent gains its expand button.
        if (row == 0 && parentItem != kTreeRoot) {
            const QModelIndex pi = IndexOf(parentItem);
            emit dataChanged(pi, pi);
        }
    }
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

int CTitleTreeModel::Image(TreeItem item, bool selected) const {
    if (!IsItem(item)) return -1;
    const Node& n = m_nodes[static_cast<std::size_t>(item)];
    return selected ? n.selectedImage : n.image;
}

const std::string& CTitleTreeModel::TitleCp932(TreeItem item) const {
    static const std::string empty;
    return IsItem(item) ? m_nodes[static_cast<std::size_t>(item)].title : empty;
}

QModelIndex CTitleTreeModel::IndexOf(TreeItem item) const {
    if (!IsItem(item)) return {};
    return createIndex(m_nodes[static_cast<std::size_t>(item)].row, 0,
                       static_cast<quintptr>(item));
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
    if (IsItem(old)) emit dataChanged(IndexOf(old), IndexOf(old), roles);
    if (IsItem(m_selected)) emit dataChanged(IndexOf(m_selected), IndexOf(m_selected), roles);
}

void CTitleTreeModel::RebuildRowTable() const {
    const std::size_t count = m_nodes.size();
    m_childStart.assign(count + 1, 0);
    m_childList.assign(count > 0 ? count - 1 : 0, 0);
    std::int32_t offset = 0;
    for (std::size_t i = 0; i < count; ++i) {
        m_childStart[i] = offset;
        offset += m_nodes[i].childCount;
    }
    m_childStart[count] = offset;
    for (std::size_t i = 1; i < count; ++i) {
        const Node& n = m_nodes[i];
        m_childList[static_cast<std::size_t>(m_childStart[static_cast<std::size_t>(n.parent)] + n.row)] =
            static_cast<std::int32_t>(i);
    }
    m_bRowTableValid = true;
}

std::int32_t CTitleTreeModel::ChildAt(std::int32_t node, int row) const {
    const Node& n = m_nodes[static_cast<std::size_t>(node)];
    if (row < 0 || row >= n.childCount) return 0;
    if (!m_bRowTableValid) {
        if (row == n.childCount - 1) return n.lastChild;
        if (n.childCount <= kWalkLimit) {
            std::int32_t c = n.firstChild;
            for (int i = 0; i < row && c; ++i) c = m_nodes[static_cast<std::size_t>(c)].nextSibling;
            return c;
        }
        RebuildRowTable();
    }
    return m_childList[static_cast<std::size_t>(m_childStart[static_cast<std::size_t>(node)] + row)];
}

QModelIndex CTitleTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0) return {};
    std::int32_t p = 0;
    if (parent.isValid()) {
        const TreeItem pi = ItemOf(parent);
        if (pi == kNoItem) return {};
        p = static_cast<std::int32_t>(pi);
    }
    const std::int32_t c = ChildAt(p, row);
    if (!c) return {};
    return createIndex(row, 0, static_cast<quintptr>(c));
}

QModelIndex CTitleTreeModel::parent(const QModelIndex& child) const {
    const TreeItem item = ItemOf(child);
    if (item == kNoItem) return {};
    return IndexOf(m_nodes[static_cast<std::size_t>(item)].parent);
}

int CTitleTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return m_nodes[0].childCount;
    const TreeItem item = ItemOf(parent);
    return item == kNoItem ? 0 : m_nodes[static_cast<std::size_t>(item)].childCount;
}

int CTitleTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CTitleTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant CTitleTreeModel::data(const QModelIndex& index, int role) const {
    const TreeItem item = ItemOf(index);
    if (item == kNoItem) return {};
    const auto i = static_cast<std::size_t>(item);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (!m_displayDone[i]) {
            m_display[i] = QString::fromUtf8(Cp932ToUtf8(m_nodes[i].title));
            m_displayDone[i] = true;
        }
        return m_display[i];
    case Qt::DecorationRole: {
        const int image = item == m_selected ? m_nodes[i].selectedImage : m_nodes[i].image;
        if (image < 0 || image >= 4) return {};
        return FaceIcon(image);
    }
    default:
        return {};
    }
}

Qt::ItemFlags CTitleTreeModel::flags(const QModelIndex& index) const {
    const TreeItem item = ItemOf(index);
    if (item == kNoItem) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_nodes[static_cast<std::size_t>(item)].childCount == 0) f |= Qt::ItemNeverHasChildren;
    return f;
}

}  // namespace orv
