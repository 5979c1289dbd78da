// The library search window: a search across the documents of two
// folders, sorting, and a result opened as 開く opens a document (asking to
// save a modified one first), with its message selected and marked.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeView>
#include <QtTest>

#include "app/commands.h"
#include "app/librarypane.h"
#include "app/mainframe.h"
#include "app/splashscreen.h"
#include "apptestutil.h"
#include "fakes/fakeports.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"

using namespace orv;
using namespace orv::cmd;

class TestLibraryPane : public QObject {
    Q_OBJECT
    test::ScratchSettings m_settings;
    QTemporaryDir m_files;

    // Runs the pane's search for text and waits for its results.
    static bool SearchFor(CLibraryPane& pane, const QString& text) {
        QSignalSpy done(&pane, &CLibraryPane::SearchFinished);
        pane.Field()->setText(text);
        QTest::keyClick(pane.Field(), Qt::Key_Return);
        return done.wait(10000);
    }

private slots:
    void initTestCase() {
        CSplashScreen::EnableSplashScreen(false);
        QDir(m_files.path()).mkpath(QStringLiteral("a/deeper"));
        QDir(m_files.path()).mkpath(QStringLiteral("b"));
        QVERIFY(test::MakeSampleDocument(m_files.filePath(QStringLiteral("a/deeper/one.mld"))));
        QVERIFY(test::MakeSampleDocument(m_files.filePath(QStringLiteral("b/two.mld"))));
    }
    void init() { m_settings.Clear(); }

    void searchSortAndOpenAResultMarked() {
        test::FakePrompter prompter;
        CMainFrame f;
        f.SetPrompter(&prompter);
        std::uint32_t option = FIND_DEFAULT | FIND_IGNOREKANA | FIND_IGNOREWIDTH;
        f.SetFindOptionStore(&option);
        f.ShowInitial();
        QVERIFY(f.Commands().Execute(ID_FIND_LIBRARY));
        CLibraryPane* pane = f.LibraryPane();
        QVERIFY(pane->isVisible());
        QCOMPARE(f.Commands().Action(ID_FIND_LIBRARY)->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+Shift+L")));
        pane->SetIndexFile(m_files.filePath(QStringLiteral("cache/library.sqlite")).toStdString());
        pane->SetFolders(
            {m_files.filePath(QStringLiteral("a")), m_files.filePath(QStringLiteral("b"))});

        if (CLibraryIndex::Available()) {
            QSignalSpy indexed(pane, &CLibraryPane::IndexFinished);
            pane->BuildIndex();
            QVERIFY(indexed.wait(10000));
            QCOMPARE(pane->Progress()->value(), 100);
        }
        // ぱそこん finds ﾊﾟｿｺﾝ in three messages of each document.
        QVERIFY(SearchFor(*pane, QStringLiteral("ぱそこん")));
        CLibraryResultsModel& model = pane->Model();
        QCOMPARE(model.rowCount(), 6);
        bool titled = false;
        for (QLabel* l : pane->findChildren<QLabel*>())
            titled = titled || l->text() == QStringLiteral("検索結果 - 6 件");
        QVERIFY(titled);
        QCOMPARE(model.At(0).path, m_files.filePath(QStringLiteral("a/deeper/one.mld")));
        QCOMPARE(model.At(3).path, m_files.filePath(QStringLiteral("b/two.mld")));
        // A click on the number header sorts by number, descending on the
        // second click; the order found comes back on the third.
        pane->List()->header()->setSortIndicator(CLibraryResultsModel::kNumber,
                                                 Qt::DescendingOrder);
        QCOMPARE(model.At(0).number, 6);
        QCOMPARE(model.At(5).number, 3);
        pane->List()->header()->setSortIndicator(-1, Qt::AscendingOrder);
        QCOMPARE(model.At(0).number, 3);

        // A modified document is offered for saving first; No goes on.
        f.GetDocument().SetModifiedFlag(true);
        pane->List()->setCurrentIndex(model.index(4, 0));  // two.mld, message 5
        QTest::keyClick(pane->List(), Qt::Key_Return);
        QVERIFY(!prompter.shown.empty());
        QCOMPARE(prompter.shown.back().id, res::IDS_SAVE_CHANGES);
        QVERIFY(f.windowTitle().startsWith(QStringLiteral("two.mld")));
        const TreeItem selected = f.GetTreeView()->GetSelectedItem();
        QVERIFY(selected != kNoItem);
        QCOMPARE(f.GetTreeView()->GetItemData(selected)->GetNumber(), 5);
        // ﾊﾟｿｺﾝ marked in the title cell of the band.
        QCOMPARE(f.GetTextView()->CellMatchSpans(0).size(), std::size_t{1});
    }

    void aMissingFolderIsReportedAndTheRestSearched() {
        CMainFrame f;
        f.ShowInitial();
        CLibraryPane* pane = f.LibraryPane();
        pane->SetIndexFile(m_files.filePath(QStringLiteral("cache2/library.sqlite")).toStdString());
        pane->SetFolders(
            {m_files.filePath(QStringLiteral("gone")), m_files.filePath(QStringLiteral("b"))});
        QVERIFY(SearchFor(*pane, QStringLiteral("はじめ")));
        QCOMPARE(pane->Model().rowCount(), 3);
        QVERIFY(pane->Status()->text().contains(m_files.filePath(QStringLiteral("gone"))));
    }
};

QTEST_MAIN(TestLibraryPane)
#include "tst_librarypane.moc"
