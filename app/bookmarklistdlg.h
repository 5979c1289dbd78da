// "しおり一覧": the bookmarked messages of the document in tree order, with
// title, number and date; Enter or a double-click selects one.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "core/ports.h"

class QTreeWidget;

namespace orv {

class CBookmarkListDlg : public QDialog {
    Q_OBJECT
public:
    struct Row {
        TreeItem item = kNoItem;
        QString title;
        int number = 0;
        QString date;
    };

    CBookmarkListDlg(const std::vector<Row>& rows, QWidget* parent = nullptr);
    // The item of the row chosen, kNoItem when none was.
    TreeItem ChosenItem() const { return m_chosen; }
    QTreeWidget* List() const { return m_pList; }

private:
    void Choose();

    std::vector<Row> m_rows;
    QTreeWidget* m_pList = nullptr;
    TreeItem m_chosen = kNoItem;
};

}  // namespace orv
