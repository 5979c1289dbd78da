#include "app/librarypane.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/cp932.h"
#include "search/findcontext.h"
#include "search/findoption.h"

namespace orv {

// --- the results ------------------------------------------------------------------

void CLibraryResultsModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CLibraryResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CLibraryResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CLibraryResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const Row& r = At(index.row());
    switch (index.column()) {
        case kDocument:
            return r.path;
        case kNumber:
            return r.number;
        case kTitle:
            return r.title;
        case kAuthor:
            return r.author;
        case kDateTime:
            return r.dateTime;
        default:
            return {};
    }
}

QVariant CLibraryResultsModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kNames[kColumns] = {"文書", "番号", "タイトル", "発言者", "日時"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(kNames[section]) : QVariant();
}

void CLibraryResultsModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    auto key = [column](const Row& r) -> std::pair<QString, std::int64_t> {
        switch (column) {
            case kDocument:
                return {r.path, r.order};
            case kNumber:
                return {QString(), r.number};
            case kTitle:
                return {r.title, r.order};
            case kAuthor:
                return {r.author, r.order};
            case kDateTime:
                return {r.dateTime, r.order};
            default:
                return {QString(), r.order};
        }
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        return order == Qt::AscendingOrder || column < 0 ? key(a) < key(b) : key(b) < key(a);
    });
    changePersistentIndexList(persistentIndexList(), persistentIndexList());
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- the window -------------------------------------------------------------------

namespace {

QString Why(const LibraryProblem& p) {
    switch (p.kind) {
        case LibraryProblem::Kind::Malformed:
            return QStringLiteral("予期しないﾌｧｲﾙ形式です。");
        case LibraryProblem::Kind::BadSchema:
            return QStringLiteral("対応していない形式です。");
        case LibraryProblem::Kind::ReadError:
            return QStringLiteral("読み取れません。");
        case LibraryProblem::Kind::OutOfMemory:
            return QStringLiteral("メモリが足りません。");
        default:
            return QStringLiteral("開けません。");
    }
}

}  // namespace

CLibraryPane::CLibraryPane(QWidget* parent, const QList<QAction*>& options,
                           std::function<std::uint32_t()> option)
    : QWidget(parent, Qt::Tool), m_model(this), m_option(std::move(option)) {
    setObjectName(QStringLiteral("libraryPane"));
    setWindowTitle(QStringLiteral("ライブラリを検索"));
    m_strIndexFile = CLibraryIndex::DefaultFile();

    m_pFolders = new QListWidget(this);
    m_pFolders->setObjectName(QStringLiteral("libraryFolders"));
    auto* add = new QPushButton(QStringLiteral("追加(&D)..."), this);
    auto* remove = new QPushButton(QStringLiteral("削除(&R)"), this);
    m_pIndexButton = new QPushButton(QStringLiteral("索引を更新(&U)"), this);
    m_pStopButton = new QPushButton(QStringLiteral("中止(&S)"), this);
    m_pStopButton->setEnabled(false);
    if (!CLibraryIndex::Available()) {
        m_pIndexButton->setEnabled(false);
        m_pIndexButton->setToolTip(
            QStringLiteral("この版には索引がありません。文書を直接検索します。"));
    }
    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    connect(add, &QPushButton::clicked, this, &CLibraryPane::AddFolder);
    connect(remove, &QPushButton::clicked, this, &CLibraryPane::RemoveFolder);
    connect(m_pIndexButton, &QPushButton::clicked, this, &CLibraryPane::BuildIndex);
    connect(m_pStopButton, &QPushButton::clicked, this, &CLibraryPane::StopIndex);
    auto* folderButtons = new QVBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{add, remove, m_pIndexButton, m_pStopButton, m_pProgress})
        folderButtons->addWidget(w);
    folderButtons->addStretch();
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_pFolders, 1);
    folderRow->addLayout(folderButtons);

    m_pField = new QLineEdit(this);
    m_pField->setObjectName(QStringLiteral("libraryField"));
    auto* go = new QPushButton(QStringLiteral("検索(&F)"), this);
    auto* optionBar = new QToolBar(this);
    optionBar->setIconSize(QSize(16, 16));
    optionBar->addActions(options);
    connect(m_pField, &QLineEdit::returnPressed, this, &CLibraryPane::Search);
    connect(go, &QPushButton::clicked, this, &CLibraryPane::Search);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_pField, 1);
    searchRow->addWidget(go);
    searchRow->addWidget(optionBar);

    m_pList = new QTreeView(this);
    m_pList->setObjectName(QStringLiteral("libraryResults"));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setModel(&m_model);
    m_pList->header()->setSortIndicatorClearable(true);
    m_pList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_pList->setSortingEnabled(true);
    m_pList->installEventFilter(this);
    connect(m_pList, &QAbstractItemView::doubleClicked, this, &CLibraryPane::Pick);
    m_pResultsTitle = new QLabel(TitleFor(0, false), this);
    m_pStatus = new QLabel(this);
    m_pStatus->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addLayout(searchRow);
    layout->addWidget(m_pResultsTitle);
    layout->addWidget(m_pList, 3);
    layout->addWidget(m_pStatus);
    resize(760, 520);
}

CLibraryPane::~CLibraryPane() {
    m_bStopSearch = true;
    m_bStopIndex = true;
    if (m_search.joinable()) m_search.join();
    if (m_index.joinable()) m_index.join();
}

QString CLibraryPane::TitleFor(int count, bool searched) {
    const QString title = QStringLiteral("検索結果");
    return searched ? QStringLiteral("%1 - %2 件").arg(title).arg(count) : title;
}

QStringList CLibraryPane::Folders() const {
    QStringList out;
    for (int i = 0; i < m_pFolders->count(); ++i) out << m_pFolders->item(i)->text();
    return out;
}

void CLibraryPane::SetFolders(const QStringList& folders) {
    m_pFolders->clear();
    for (const QString& f : folders)
        if (!f.isEmpty()) m_pFolders->addItem(f);
}

std::vector<std::string> CLibraryPane::FolderPaths() const {
    std::vector<std::string> out;
    for (const QString& f : Folders()) out.push_back(f.toStdString());
    return out;
}

void CLibraryPane::AddFolder() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("フォルダーの追加"));
    if (!folder.isEmpty() && !Folders().contains(folder)) m_pFolders->addItem(folder);
}

void CLibraryPane::RemoveFolder() { delete m_pFolders->currentItem(); }

void CLibraryPane::StopSearch() {
    m_bStopSearch = true;
    if (m_search.joinable()) m_search.join();
    m_bStopSearch = false;
}

void CLibraryPane::Search() {
    StopSearch();
    const std::string text = TypedTextToCp932(m_pField->text().toStdString());
    const std::uint32_t option = m_option ? m_option() : FIND_DEFAULT;
    m_pStatus->setText(QStringLiteral("検索中！"));
    m_bSearchDone = false;
    m_search = std::thread([this, text, option, paths = FolderPaths(), file = m_strIndexFile] {
        const LibraryDocs docs = CollectDocuments(paths);
        std::string note;
        std::unique_ptr<CLibraryIndex> index =
            file.empty() ? nullptr : CLibraryIndex::Open(file, note);
        LibraryProgress progress;
        progress.stop = &m_bStopSearch;
        LibraryResult result =
            FindInLibrary(docs.docs, {text, option, true}, index.get(), progress);
        if (result.note.empty()) result.note = note;
        if (!result.stopped)
            QMetaObject::invokeMethod(
                this,
                [this, docs, text, option, r = std::move(result)]() mutable {
                    m_strText = text;
                    m_nOption = option;
                    ShowResult(docs, std::move(r));
                },
                Qt::QueuedConnection);
        m_bSearchDone = true;
    });
}

void CLibraryPane::ShowResult(const LibraryDocs& docs, LibraryResult result) {
    if (result.badText) {
        m_pStatus->setText(QStringLiteral("検索文字列が指定されていないか長すぎます。"));
        emit SearchFinished();
        return;
    }
    std::vector<CLibraryResultsModel::Row> rows;
    rows.reserve(result.hits.size());
    for (const LibraryHit& h : result.hits)
        rows.push_back({QString::fromStdString(docs.docs[h.doc].path), h.ordinal, h.number,
                        QString::fromStdString(Cp932ToUtf8(h.title)),
                        QString::fromStdString(Cp932ToUtf8(h.author)),
                        QString::fromStdString(Cp932ToUtf8(h.dateTime)),
                        static_cast<std::uint32_t>(rows.size())});
    m_pList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_model.SetRows(std::move(rows));
    m_pResultsTitle->setText(TitleFor(m_model.rowCount(), true));
    if (m_model.rowCount() > 0) m_pList->setCurrentIndex(m_model.index(0, 0));
    std::vector<LibraryProblem> problems = docs.problems;
    problems.insert(problems.end(), result.problems.begin(), result.problems.end());
    QString status =
        QStringLiteral("%1 文書 (索引 %2)").arg(docs.docs.size()).arg(result.fromIndex);
    for (const LibraryProblem& p : problems)
        status +=
            QStringLiteral("\n検索できません: %1 %2").arg(QString::fromStdString(p.path), Why(p));
    m_pStatus->setText(status);
    emit SearchFinished();
}

void CLibraryPane::BuildIndex() {
    if (Indexing() || m_strIndexFile.empty()) return;
    if (m_index.joinable()) m_index.join();
    m_bStopIndex = false;
    m_bIndexDone = false;
    m_pIndexButton->setEnabled(false);
    m_pStopButton->setEnabled(true);
    m_pProgress->setValue(0);
    m_index = std::thread([this, paths = FolderPaths(), file = m_strIndexFile] {
        std::string note;
        std::unique_ptr<CLibraryIndex> index = CLibraryIndex::Open(file, note);
        IndexReport report;
        if (index) {
            LibraryProgress progress;
            progress.stop = &m_bStopIndex;
            progress.step = [this](std::size_t done, std::size_t total) {
                const int percent = total ? static_cast<int>(done * 100 / total) : 100;
                QMetaObject::invokeMethod(
                    this, [this, percent] { m_pProgress->setValue(percent); },
                    Qt::QueuedConnection);
            };
            report = RefreshIndex(CollectDocuments(paths).docs, *index, progress);
            if (report.indexFailed) note = index->note();
        }
        const bool failed = !index || report.indexFailed;
        QMetaObject::invokeMethod(
            this,
            [this, report, note, failed] {
                m_pIndexButton->setEnabled(true);
                m_pStopButton->setEnabled(false);
                QString status = failed ? QStringLiteral("索引を更新できませんでした。")
                                 : m_bStopIndex ? QStringLiteral("索引の更新を中止しました。")
                                                : QStringLiteral("索引を更新しました。");
                status += QStringLiteral(" (%1 文書を読み込み)").arg(report.indexed);
                for (const LibraryProblem& p : report.problems)
                    status += QStringLiteral("\n読み込めません: %1 %2")
                                  .arg(QString::fromStdString(p.path), Why(p));
                if (!note.empty()) status += QStringLiteral("\n") + QString::fromStdString(note);
                m_pStatus->setText(status);
                emit IndexFinished();
            },
            Qt::QueuedConnection);
        m_bIndexDone = true;
    });
}

void CLibraryPane::StopIndex() { m_bStopIndex = true; }

void CLibraryPane::Pick(const QModelIndex& index) {
    if (!index.isValid()) return;
    const CLibraryResultsModel::Row& row = m_model.At(index.row());
    emit Picked(row.path, row.ordinal, row.number, m_strText, m_nOption);
}

bool CLibraryPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Pick(m_pList->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv
