// The library search window: the folders of the library (added and
// removed by the user), a search field with the search bar's option
// buttons, and the messages found in every document of the library,
// sortable by any column. Searches and the indexing run on threads of
// their own, so the window never waits for them; indexing shows its
// progress and can be stopped.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "library/library.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace orv {

class CLibraryResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kDocument, kNumber, kTitle, kAuthor, kDateTime, kColumns };
    struct Row {
        QString path;  // the document as found
        std::uint32_t ordinal;
        std::int32_t number;
        QString title, author, dateTime;
        std::uint32_t order;  // its rank in the order found
    };
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<Row> rows);
    const Row& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Numbers as numbers, texts as texts; column -1 restores the order found.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<Row> m_rows;
};

class CLibraryPane : public QWidget {
    Q_OBJECT
public:
    // options: the search bar's option buttons, shown here too; option
    // reads the option word they set.
    CLibraryPane(QWidget* parent, const QList<QAction*>& options,
                 std::function<std::uint32_t()> option);
    ~CLibraryPane() override;

    QStringList Folders() const;
    void SetFolders(const QStringList& folders);
    // The index file (tests give one of their own).
    void SetIndexFile(const std::string& file) { m_strIndexFile = file; }

    QLineEdit* Field() const { return m_pField; }
    QTreeView* List() const { return m_pList; }
    CLibraryResultsModel& Model() { return m_model; }
    QLabel* Status() const { return m_pStatus; }
    QProgressBar* Progress() const { return m_pProgress; }
    bool Searching() const { return m_search.joinable() && !m_bSearchDone; }
    bool Indexing() const { return m_index.joinable() && !m_bIndexDone; }

    // "検索結果", and after a search "検索結果 - 12 件".
    static QString TitleFor(int count, bool searched);

public slots:
    void Search();
    void BuildIndex();
    void StopIndex();

signals:
    // Enter or a double-click on a row: open path, show its message
    // ordinal (number), mark the search text (CP932) under the option word.
    void Picked(const QString& path, std::uint32_t ordinal, std::int32_t number,
                const std::string& textCp932, std::uint32_t findOption);
    void SearchFinished();
    void IndexFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddFolder();
    void RemoveFolder();
    void Pick(const QModelIndex& index);
    void ShowResult(const LibraryDocs& docs, LibraryResult result);
    void StopSearch();
    std::vector<std::string> FolderPaths() const;

    CLibraryResultsModel m_model;
    std::function<std::uint32_t()> m_option;
    std::string m_strIndexFile;
    QListWidget* m_pFolders = nullptr;  // children
    QLineEdit* m_pField = nullptr;
    QTreeView* m_pList = nullptr;
    QLabel* m_pResultsTitle = nullptr;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pIndexButton = nullptr;
    QPushButton* m_pStopButton = nullptr;

    std::string m_strText;  // of the results shown
    std::uint32_t m_nOption = 0;
    std::thread m_search;
    std::atomic<bool> m_bStopSearch{false};
    std::atomic<bool> m_bSearchDone{true};
    std::thread m_index;
    std::atomic<bool> m_bStopIndex{false};
    std::atomic<bool> m_bIndexDone{true};
};

}  // namespace orv
