// The results of a find all: a dockable pane listing one row per message
// found (number, title, author, date and time), in tree order until a
// column header sorts it. Its title carries the count.
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ports.h"

class QMainWindow;
class QTreeView;

namespace orv {

class CComment;

class CFindResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kNumber, kTitle, kAuthor, kDateTime, kColumns };
    struct Row {
        TreeItem item;
        const CComment* record;  // borrowed from the document
        std::uint32_t order;     // its rank among the hits, in tree order (0, 1, ...)
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row at once (one reset); rows in tree order.
    void SetRows(std::vector<Row> rows);
    const Row& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Numbers sort as numbers, the texts by their bytes (the dates as they
    // are written sort in time order); column -1 restores the tree order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<Row> m_rows;
};

class CFindResultsPane : public QDockWidget {
    Q_OBJECT
public:
    explicit CFindResultsPane(QWidget* parent = nullptr);

    // Shows the hits of one search, remembering the search text (CP932)
    // and option word it ran with; the first row becomes current, but is
    // not selected until the user picks a row.
    void SetResults(std::vector<CFindResultsModel::Row> rows, std::string textCp932,
                    std::uint32_t findOption);
    // Empties the list (the records it names are gone or rebuilt).
    void Clear();
    int Count() const { return m_model.rowCount(); }
    // "検索結果", and with a search shown "検索結果 - 12 件".
    static QString TitleFor(int count, bool searched);

    QTreeView* List() const { return m_list; }
    CFindResultsModel& Model() { return m_model; }
    const std::string& SearchText() const { return m_strText; }
    std::uint32_t SearchOption() const { return m_nOption; }

    // Its visibility and place in window as one settings value:
    // "visible,area,floating,x,y,width,height" (x and y only mean something
    // while it floats). Restore takes a value written by Save; anything else
    // leaves the pane hidden at the bottom. A pane not shown since it was
    // restored saves the place it was restored to; one never shown and
    // never placed saves nothing (an empty value).
    QString SaveState(const QMainWindow& window) const;
    void RestoreState(QMainWindow& window, const QString& state);
    // Shows the pane where it was restored to, at its restored size the
    // first time; with no place restored, docked with room for about
    // kFirstRows rows.
    void ShowAtPlace(QMainWindow& window);
    // Hides the pane as at start: the next ShowAtPlace sizes it again.
    void StartHidden();
    static constexpr int kFirstRows = 10;

signals:
    // Enter or a double-click on a row.
    void Picked(TreeItem item, const CComment* record);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Pick(const QModelIndex& index);

    CFindResultsModel m_model;
    QTreeView* m_list = nullptr;  // child
    std::string m_strText;
    std::uint32_t m_nOption = 0;
    bool m_bSearched = false;
    // The place restored (empty: none), and whether the pane was shown
    // since: until then its own geometry means nothing.
    QString m_strRestored;
    bool m_bShownSinceRestore = false;
};

}  // namespace orv
