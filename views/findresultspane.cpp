#include "views/findresultspane.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <string_view>

#include "core/comment.h"
#include "core/cp932.h"

namespace orv {
namespace {

QString FromCp932(std::string_view cp932) { return QString::fromUtf8(Cp932ToUtf8(cp932)); }

// The keyboard's row in the list is marked by a dotted frame, as in a
// Windows list view, not by the filled frame of some styles, which reads as
// a selection.
class CDottedFocusStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameFocusRect) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        QPen pen(option->palette.color(QPalette::Text), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

// A header whose sort arrow points as in a Windows list view: up for
// ascending, down for descending. The toolkit's header asks its style for
// the opposite (a down arrow for ascending), so the two are exchanged.
class CSortHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        if (option->sortIndicator == QStyleOptionHeader::SortDown)
            option->sortIndicator = QStyleOptionHeader::SortUp;
        else if (option->sortIndicator == QStyleOptionHeader::SortUp)
            option->sortIndicator = QStyleOptionHeader::SortDown;
    }
};

}  // namespace

// --- the model ------------------------------------------------------------------

void CFindResultsModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CFindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CFindResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CFindResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CComment* rec = At(index.row()).record;
    if (role == Qt::TextAlignmentRole && index.column() == kNumber)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || !rec) return {};
    switch (index.column()) {
        case kNumber:
            return rec->GetNumber();
        case kTitle:
            return FromCp932(rec->GetTitle());
        case kAuthor:
            return FromCp932(rec->GetAuthor());
        case kDateTime:
            return FromCp932(rec->GetDateTime());
        default:
            return {};
    }
}

QVariant CFindResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[kColumns] = {"発言番号", "タイトル", "発言者", "日時"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(kHeaders[section]) : QVariant();
}

void CFindResultsModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> orderOf;  // of each persistent index
    orderOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) orderOf.push_back(At(i.row()).order);

    auto text = [column](const Row& r) -> std::string_view {
        switch (column) {
            case kTitle:
                return r.record->GetTitle();
            case kAuthor:
                return r.record->GetAuthor();
            default:
                return r.record->GetDateTime();
        }
    };
    auto less = [&](const Row& a, const Row& b) {
        switch (column) {
            case kNumber:
                if (a.record->GetNumber() != b.record->GetNumber())
                    return a.record->GetNumber() < b.record->GetNumber();
                break;
            case kTitle:
            case kAuthor:
            case kDateTime: {
                const int c = text(a).compare(text(b));
                if (c != 0) return c < 0;
                break;
            }
            default:
                break;
        }
        return a.order < b.order;  // ties keep the tree order
    };
    if (column >= 0 && column < kColumns && order == Qt::DescendingOrder)
        std::sort(m_rows.begin(), m_rows.end(),
                  [&](const Row& a, const Row& b) { return less(b, a); });
    else
        std::sort(m_rows.begin(), m_rows.end(), less);

    std::vector<int> rowOf(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r) rowOf[m_rows[r].order] = static_cast<int>(r);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after.append(index(rowOf[orderOf[static_cast<std::size_t>(k)]], before[k].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- the pane ---------------------------------------------------------------------

CFindResultsPane::CFindResultsPane(QWidget* parent) : QDockWidget(parent), m_model(this) {
    setObjectName(QStringLiteral("findResultsPane"));
    setWindowTitle(TitleFor(0, false));
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("findResultsList"));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);  // 100,000 rows lay out at once
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* header = new CSortHeader(Qt::Horizontal, m_list);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setHeader(header);
    auto* focusStyle = new CDottedFocusStyle();
    focusStyle->setParent(m_list);
    m_list->setStyle(focusStyle);
    m_list->setModel(&m_model);
    // Tree order until a header is clicked; a third click returns to it.
    m_list->header()->setSortIndicatorClearable(true);
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_list->setSortingEnabled(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(CFindResultsModel::kTitle, QHeaderView::Stretch);
    m_list->setColumnWidth(CFindResultsModel::kNumber, 80);
    m_list->setColumnWidth(CFindResultsModel::kAuthor, 120);
    m_list->setColumnWidth(CFindResultsModel::kDateTime, 130);
    m_list->installEventFilter(this);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &CFindResultsPane::Pick);
    setWidget(m_list);
}

QString CFindResultsPane::TitleFor(int count, bool searched) {
    const QString title = QStringLiteral("検索結果");
    return searched ? QStringLiteral("%1 - %2 件").arg(title).arg(count) : title;
}

void CFindResultsPane::SetResults(std::vector<CFindResultsModel::Row> rows, std::string textCp932,
                                  std::uint32_t findOption) {
    m_strText = std::move(textCp932);
    m_nOption = findOption;
    m_bSearched = true;
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_model.SetRows(std::move(rows));
    setWindowTitle(TitleFor(Count(), true));
    // The keyboard starts at the first row; nothing is drawn as picked
    // before the user picks it.
    if (Count() > 0)
        m_list->selectionModel()->setCurrentIndex(m_model.index(0, 0),
                                                  QItemSelectionModel::NoUpdate);
}

void CFindResultsPane::Clear() {
    m_model.SetRows({});
    m_strText.clear();
    m_bSearched = false;
    setWindowTitle(TitleFor(0, false));
}

void CFindResultsPane::Pick(const QModelIndex& index) {
    if (!index.isValid()) return;
    const CFindResultsModel::Row& row = m_model.At(index.row());
    emit Picked(row.item, row.record);
}

bool CFindResultsPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Pick(m_list->currentIndex());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

QString CFindResultsPane::SaveState(const QMainWindow& window) const {
    if (!m_bShownSinceRestore) {
        // Never on screen: its geometry is no place the user gave it.
        if (m_strRestored.isEmpty()) return QString();
        QString kept = m_strRestored;
        return kept.replace(0, 1, isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
    }
    const QRect g = geometry();
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
        .arg(isHidden() ? 0 : 1)
        .arg(static_cast<int>(window.dockWidgetArea(const_cast<CFindResultsPane*>(this))))
        .arg(isFloating() ? 1 : 0)
        .arg(g.x())
        .arg(g.y())
        .arg(g.width())
        .arg(g.height());
}

void CFindResultsPane::RestoreState(QMainWindow& window, const QString& state) {
    const QStringList parts = state.split(QLatin1Char(','));
    int v[7] = {};
    bool valid = parts.size() == 7;
    for (int i = 0; valid && i < 7; ++i) v[i] = parts[i].trimmed().toInt(&valid);
    Qt::DockWidgetArea area = Qt::BottomDockWidgetArea;
    if (valid) {
        switch (v[1]) {
            case Qt::LeftDockWidgetArea:
            case Qt::RightDockWidgetArea:
            case Qt::TopDockWidgetArea:
            case Qt::BottomDockWidgetArea:
                area = static_cast<Qt::DockWidgetArea>(v[1]);
                break;
            default:
                break;
        }
    }
    if (window.dockWidgetArea(this) != area) window.addDockWidget(area, this);
    m_strRestored.clear();
    m_bShownSinceRestore = false;
    if (!valid) {
        hide();
        return;
    }
    m_strRestored = QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                        .arg(v[0] ? 1 : 0)
                        .arg(static_cast<int>(area))
                        .arg(v[2] ? 1 : 0)
                        .arg(v[3])
                        .arg(v[4])
                        .arg(std::max(v[5], 50))
                        .arg(std::max(v[6], 40));
    m_bShownSinceRestore = v[0] != 0;
    const QRect g(v[3], v[4], std::max(v[5], 50), std::max(v[6], 40));
    setFloating(v[2] != 0);
    if (isFloating())
        setGeometry(g);
    else
        window.resizeDocks(
            {this},
            {area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea ? g.width()
                                                                               : g.height()},
            area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea ? Qt::Horizontal
                                                                              : Qt::Vertical);
    setVisible(v[0] != 0);
}

void CFindResultsPane::StartHidden() {
    hide();
    m_bShownSinceRestore = false;
}

void CFindResultsPane::ShowAtPlace(QMainWindow& window) {
    const bool first = !m_bShownSinceRestore;
    m_bShownSinceRestore = true;
    show();
    if (!first || isFloating()) return;
    const Qt::DockWidgetArea area = window.dockWidgetArea(this);
    const bool across = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
    int size = 0;
    const QStringList parts = m_strRestored.split(QLatin1Char(','));
    if (parts.size() == 7) {
        size = parts[across ? 5 : 6].toInt();
    } else if (!across) {
        // Room for the header and about kFirstRows rows below the title.
        const int row = std::max(m_list->sizeHintForRow(0), m_list->fontMetrics().height() + 4);
        const int title =
            fontMetrics().height() +
            2 * style()->pixelMetric(QStyle::PM_DockWidgetTitleMargin, nullptr, this) +
            2 * style()->pixelMetric(QStyle::PM_DockWidgetFrameWidth, nullptr, this);
        size = title + m_list->header()->sizeHint().height() + kFirstRows * row +
               2 * m_list->frameWidth() + 2;
    }
    if (size <= 0) return;
    const Qt::Orientation o = across ? Qt::Horizontal : Qt::Vertical;
    window.resizeDocks({this}, {size}, o);
    // A window on screen lays a pane just shown out only later, and may
    // then give it its old size: the size is set once more after that.
    QPointer<QMainWindow> w(&window);
    QTimer::singleShot(0, this, [this, w, size, o] {
        if (w && isVisible() && !isFloating()) w->resizeDocks({this}, {size}, o);
    });
}

}  // namespace orv
