#include "app/bookmarklistdlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orv {

CBookmarkListDlg::CBookmarkListDlg(const std::vector<Row>& rows, QWidget* parent)
    : QDialog(parent), m_rows(rows) {
    setWindowTitle(QStringLiteral("しおり一覧"));
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("bookmarkList"));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setHeaderLabels(
        {QStringLiteral("タイトル"), QStringLiteral("発言番号"), QStringLiteral("日時")});
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        auto* it = new QTreeWidgetItem(m_pList);
        it->setText(0, m_rows[i].title);
        it->setText(1, QString::number(m_rows[i].number));
        it->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        it->setText(2, m_rows[i].date);
        it->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    }
    m_pList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pList->header()->setStretchLastSection(false);
    m_pList->resizeColumnToContents(1);
    m_pList->resizeColumnToContents(2);
    if (!m_rows.empty()) m_pList->setCurrentItem(m_pList->topLevelItem(0));
    connect(m_pList, &QTreeWidget::itemActivated, this, [this] { Choose(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("移動"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_rows.empty());
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
    resize(560, 320);
}

void CBookmarkListDlg::Choose() {
    const QTreeWidgetItem* it = m_pList->currentItem();
    if (!it) return;
    m_chosen = m_rows[static_cast<std::size_t>(it->data(0, Qt::UserRole).toULongLong())].item;
    accept();
}

}  // namespace orv
