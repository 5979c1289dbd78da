#include "app/importorderdlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <memory>

#include "app/corepath.h"

namespace orv {

namespace {

// The entry under the keyboard cursor looks like any other until it is
// selected: with nothing selected, no entry seems chosen, and the buttons
// (which act on the selection) indeed act on none.
class CNoCursorDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected)) option->state &= ~QStyle::State_HasFocus;
    }
};

}  // namespace

CImportOrderDlg::CImportOrderDlg(std::vector<std::string>& paths, QWidget* parent)
    : QDialog(parent), m_paths(paths), m_original(paths) {
    setWindowTitle(QStringLiteral(u"取り込み順番の設定"));
    // Widgets are Qt children of the dialog, which owns them.
    auto* note =
        new QLabel(QStringLiteral(u"　ファイルの取り込む順番を指定してください。この順番が正しく（"
                                  u"コメント番号の若い順）ないとツリーが正しく作成されません。"),
                   this);
    note->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listBox"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_list->setItemDelegate(new CNoCursorDelegate(m_list));  // owned by the list
    for (std::size_t i = 0; i < m_original.size(); ++i) {
        // The name without its folder; the entry remembers its own path.
        const QString path = FromCorePath(m_original[i]);
        auto* item = new QListWidgetItem(QFileInfo(path).fileName(), m_list);
        item->setData(Qt::UserRole, static_cast<qulonglong>(i));
        item->setToolTip(path);
    }
    m_list->setCurrentRow(-1);

    auto* up = new QPushButton(QStringLiteral(u"↑上へ(&U)"), this);
    up->setObjectName(QStringLiteral("upButton"));
    auto* down = new QPushButton(QStringLiteral(u"↓下へ(&D)"), this);
    down->setObjectName(QStringLiteral("downButton"));
    auto* remove = new QPushButton(QStringLiteral(u"×削除(&R)"), this);
    remove->setObjectName(QStringLiteral("removeButton"));
    connect(up, &QPushButton::clicked, this, &CImportOrderDlg::OnUp);
    connect(down, &QPushButton::clicked, this, &CImportOrderDlg::OnDown);
    connect(remove, &QPushButton::clicked, this, &CImportOrderDlg::OnRemove);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &CImportOrderDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CImportOrderDlg::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(up);
    side->addWidget(down);
    side->addWidget(remove);
    side->addStretch(1);
    side->addWidget(ok);
    side->addWidget(cancel);
    auto* grid = new QGridLayout(this);
    grid->addWidget(note, 0, 0, 1, 2);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(side, 1, 1);
    resize(400, 320);
}

void CImportOrderDlg::Move(int delta) {
    const QList<QListWidgetItem*> sel = m_list->selectedItems();
    if (sel.isEmpty()) return;
    const int k = m_list->row(sel.front());
    QListWidgetItem* item = m_list->takeItem(k);
    const int to = std::clamp(k + delta, 0, m_list->count());
    m_list->insertItem(to, item);
    m_list->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
}

void CImportOrderDlg::OnUp() { Move(-1); }

void CImportOrderDlg::OnDown() { Move(+1); }

void CImportOrderDlg::OnRemove() {
    const QList<QListWidgetItem*> sel = m_list->selectedItems();
    if (sel.isEmpty()) return;
    std::unique_ptr<QListWidgetItem> gone(m_list->takeItem(m_list->row(sel.front())));
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
}

void CImportOrderDlg::accept() {
    std::vector<std::string> order;
    order.reserve(static_cast<std::size_t>(m_list->count()));
    for (int i = 0; i < m_list->count(); ++i) {
        const auto src = m_list->item(i)->data(Qt::UserRole).toULongLong();
        order.push_back(m_original[static_cast<std::size_t>(src)]);
    }
    m_paths = std::move(order);
    QDialog::accept();
}

}  // namespace orv
