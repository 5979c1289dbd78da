// Reading state through the real main window: messages become read when
// shown for a second or paged on, unread titles are bold, the status pane
// counts them, bookmarks and the last position come back after a restart,
// and the document file is never touched.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <set>

#include "app/bookmarklistdlg.h"
#include "app/commands.h"
#include "app/mainframe.h"
#include "app/readingcommands.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "apptestutil.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"

using namespace orv;
using namespace orv::cmd;

class TestReadingState : public QObject {
    Q_OBJECT
    test::ScratchSettings m_settings;
    QTemporaryDir m_data;
    QTemporaryDir m_files;

    QString SampleDoc(const QString& name) { return test::SampleDocIn(m_files, name); }
    static TreeItem Item(CMainFrame& f, std::size_t i) { return f.GetDocument().GetTreeItems()[i]; }
    // Drawn bold (the item must be shown: see OpenExpanded).
    static bool Bold(CMainFrame& f, TreeItem item) {
        CTitleTreeModel& m = f.GetTreeView()->Model();
        const QModelIndex index = m.IndexOf(item);
        if (!index.isValid()) qWarning("item not shown");
        return m.data(index, Qt::FontRole).value<QFont>().bold();
    }
    static bool OpenExpanded(CMainFrame& f, const QString& path) {
        return f.OpenDocumentFile(path) && f.Commands().Execute(ID_VIEW_EXPANDALL);
    }
    // The pane once the idle counting is through.
    static QString Pane(CMainFrame& f) {
        if (!QTest::qWaitFor([&] { return f.Reading().State().Counted(); }))
            qWarning("not counted");
        return f.Reading().StatusPane()->text();
    }
    static QString Count(std::size_t n) { return QStringLiteral("未読 %1 件").arg(n); }

private slots:
    void initTestCase() {
        CSplashScreen::EnableSplashScreen(false);
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }
    void init() {
        m_settings.Clear();
        QDir(m_data.filePath(QStringLiteral("orv"))).removeRecursively();
    }

    void readingSessionLeavesTheDocumentUntouched() {
        const QString path = SampleDoc(QStringLiteral("a.mld"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        const QDateTime mtime = QFileInfo(path).lastModified();
        std::size_t n = 0;
        {
            auto f = test::OpenFrame();
            QVERIFY(OpenExpanded(*f, path));
            n = f->GetDocument().GetTreeItems().size();
            QVERIFY(n > 5);
            QCOMPARE(Pane(*f), Count(n));
            QVERIFY(Bold(*f, Item(*f, 0)));
            // Shown for a second: read.
            CTitleTreeView* tree = f->GetTreeView();
            tree->SelectItem(Item(*f, 0));
            QTRY_VERIFY_WITH_TIMEOUT(!Bold(*f, Item(*f, 0)), 3000);
            QCOMPARE(Pane(*f), Count(n - 1));
            // Paged on: read at once.
            tree->SelectItem(Item(*f, 1));
            QVERIFY(Bold(*f, Item(*f, 1)));
            QTest::keyClick(tree, Qt::Key_Space);
            QVERIFY(!Bold(*f, Item(*f, 1)));
            // Passed over quickly: still unread.
            tree->SelectItem(Item(*f, 2));
            tree->SelectItem(Item(*f, 3));
            QVERIFY(Bold(*f, Item(*f, 2)));
            QVERIFY(f->Commands().Execute(ID_EDIT_BOOKMARK));
            QVERIFY(tree->Model().IsBookmarked(Item(*f, 3)));
            QVERIFY(!tree->Model().IsBookmarked(Item(*f, 2)));
            // The title text stays as it was.
            QCOMPARE(tree->Model().data(tree->Model().IndexOf(Item(*f, 3))).toString(),
                     tree->Model().Title(Item(*f, 3)));
            QVERIFY(f->Commands().Execute(ID_VIEW_OPEN_AT_LAST));
            QVERIFY(f->close());
        }
        QCOMPARE(settings::ReadInt(settings::kSecSettings,
                                   QString::fromUtf8(settings::kValOpenAtLastPosition), 0),
                 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == bytes);
        QCOMPARE(QFileInfo(path).lastModified(), mtime);

        // The next run: marks, the bookmark and the place where reading stopped.
        auto f = test::OpenFrame();
        QVERIFY(OpenExpanded(*f, path));
        QCOMPARE(f->GetTreeView()->GetSelectedItem(), Item(*f, 3));
        QVERIFY(!Bold(*f, Item(*f, 0)));
        QVERIFY(!Bold(*f, Item(*f, 1)));
        QVERIFY(Bold(*f, Item(*f, 2)));
        QVERIFY(f->GetTreeView()->Model().IsBookmarked(Item(*f, 3)));
        f->GetTreeView()->SelectItem(Item(*f, 0));
        QVERIFY(f->Commands().Execute(ID_GO_LAST_POSITION));
        QCOMPARE(f->GetTreeView()->GetSelectedItem(), Item(*f, 3));
    }

    void markCommandsAndNextUnread() {
        auto f = test::OpenFrame();
        QVERIFY(OpenExpanded(*f, SampleDoc(QStringLiteral("b.mld"))));
        CCommandTable& t = f->Commands();
        CTitleTreeView* tree = f->GetTreeView();
        const std::size_t n = f->GetDocument().GetTreeItems().size();
        QVERIFY(t.Execute(ID_EDIT_MARK_ALL_READ));
        QCOMPARE(Pane(*f), Count(0));
        t.UpdateAll();
        QVERIFY(!t.Action(ID_GO_NEXT_UNREAD)->isEnabled());
        // The first root and its replies become unread again.
        tree->SelectItem(Item(*f, 0));
        QVERIFY(t.Execute(ID_EDIT_MARK_UNREAD));
        std::size_t thread = 1;
        while (thread < n && tree->Model().Depth(Item(*f, thread)) > 0) ++thread;
        QCOMPARE(Pane(*f), Count(thread));
        for (std::size_t i = 0; i < n; ++i) QCOMPARE(Bold(*f, Item(*f, i)), i < thread);
        // Next unread goes on from the selection in tree order, then round.
        tree->SelectItem(Item(*f, 1));
        QVERIFY(t.Execute(ID_GO_NEXT_UNREAD));
        QCOMPARE(tree->GetSelectedItem(), thread > 2 ? Item(*f, 2) : Item(*f, 0));
        tree->SelectItem(Item(*f, thread));
        QVERIFY(t.Execute(ID_GO_NEXT_UNREAD));
        QCOMPARE(tree->GetSelectedItem(), Item(*f, 0));
        QVERIFY(t.Execute(ID_EDIT_MARK_READ));
        QCOMPARE(Pane(*f), Count(0));
    }

    // The count follows a deleted thread and an import; the counting lets
    // go of records that the rebuild frees.
    void countFollowsDeleteAndImport() {
        test::FakePrompter prompter;
        prompter.defaultAnswer = MsgAnswer::Yes;
        auto f = test::OpenFrame(&prompter);
        QVERIFY(OpenExpanded(*f, SampleDoc(QStringLiteral("f.mld"))));
        CTitleTreeView* tree = f->GetTreeView();
        const std::size_t n = f->GetDocument().GetTreeItems().size();
        std::size_t thread = 1;
        while (thread < n && tree->Model().Depth(Item(*f, thread)) > 0) ++thread;
        tree->SelectItem(Item(*f, 0));
        QVERIFY(f->Commands().Execute(ID_EDIT_DELETE_TREE));
        QCOMPARE(f->GetDocument().GetTreeItems().size(), n - thread);
        QCOMPARE(Pane(*f), Count(n - thread));
        QTemporaryDir logs;
        const QString log = logs.filePath(QStringLiteral("new.log"));
        QFile out(log);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(
            test::Crlf({test::Header1(900, 900, "NEW00001", "新人", "新しい話題"),
                        test::Header2("98/05/01 10:00"), "本文", ""})));
        out.close();
        f->ImportLogs({log});
        QCOMPARE(f->GetDocument().GetTreeItems().size(), n - thread + 1);
        QCOMPARE(Pane(*f), Count(n - thread + 1));
    }

    void bookmarkListSelectsTheMessage() {
        auto f = test::OpenFrame();
        QVERIFY(f->OpenDocumentFile(SampleDoc(QStringLiteral("c.mld"))));
        CTitleTreeView* tree = f->GetTreeView();
        for (std::size_t i : {4u, 2u}) {
            tree->SelectItem(Item(*f, i));
            QVERIFY(f->Commands().Execute(ID_EDIT_BOOKMARK));
        }
        tree->SelectItem(Item(*f, 0));
        int rows = -1;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<CBookmarkListDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            rows = dlg->List()->topLevelItemCount();
            // In tree order: the second row is message 4.
            QTest::keyClick(dlg->List(), Qt::Key_Down);
            QTest::keyClick(dlg->List(), Qt::Key_Return);
        });
        QVERIFY(f->Commands().Execute(ID_GO_BOOKMARKS));
        QCOMPARE(rows, 2);
        QCOMPARE(tree->GetSelectedItem(), Item(*f, 4));
    }

    void commandsAndShortcuts() {
        auto f = test::OpenFrame();
        CCommandTable& t = f->Commands();
        const std::pair<int, const char*> keys[] = {{ID_GO_NEXT_UNREAD, "Ctrl+U"},
                                                    {ID_EDIT_BOOKMARK, "Ctrl+B"},
                                                    {ID_GO_BOOKMARKS, "Ctrl+Shift+B"}};
        for (const auto& [id, key] : keys)
            QCOMPARE(t.Action(id)->shortcut(), QKeySequence(QString::fromUtf8(key)));
        QCOMPARE(t.Action(ID_GO_NEXT_UNREAD)->text(), QStringLiteral("次の未読へ(&U)"));
        QCOMPARE(t.Action(ID_EDIT_MARK_READ)->text(), QStringLiteral("既読にする(&M)"));
        QCOMPARE(t.Action(ID_EDIT_MARK_UNREAD)->text(), QStringLiteral("未読にする(&U)"));
        QCOMPARE(t.Action(ID_EDIT_MARK_ALL_READ)->text(), QStringLiteral("すべて既読にする(&L)"));
        QCOMPARE(t.Action(ID_EDIT_BOOKMARK)->text(), QStringLiteral("しおりを挟む(&B)"));
        QCOMPARE(t.Action(ID_GO_BOOKMARKS)->text(), QStringLiteral("しおり一覧(&K)..."));
        QCOMPARE(t.Action(ID_GO_LAST_POSITION)->text(), QStringLiteral("前回の位置へ(&R)"));
        QCOMPARE(t.Action(ID_VIEW_OPEN_AT_LAST)->text(),
                 QStringLiteral("開くとき前回の位置へ(&L)"));
        QVERIFY(!t.Action(ID_VIEW_OPEN_AT_LAST)->isChecked());
        // No key does two things.
        std::set<QString> seen;
        for (const CommandInfo& c : AllCommands())
            for (const QKeySequence& k : t.Action(c.id)->shortcuts())
                QVERIFY2(seen.insert(k.toString()).second, qPrintable(k.toString()));
        // The pane stands after the message pane and before かな.
        QStatusBar* sb = f->statusBar();
        QLabel* pane = f->Reading().StatusPane();
        QLabel* message = sb->findChild<QLabel*>(QStringLiteral("messagePane"));
        QLabel* kana = sb->findChild<QLabel*>(QStringLiteral("indicator0"));
        QVERIFY(pane && message && kana);
        QTRY_VERIFY(pane->x() > message->x() && pane->x() < kana->x());
        QCOMPARE(pane->text(), Count(0));
    }

    // Ctrl+U and Ctrl+B reach their commands from the tree and the text,
    // and Ctrl+U also from the search-string box, which does not claim it
    // (the typed text stays).
    void keysFromThePanesAndTheSearchBox() {
        auto f = test::OpenFrame();
        QVERIFY(OpenExpanded(*f, SampleDoc(QStringLiteral("e.mld"))));
        f->activateWindow();
        if (!QTest::qWaitForWindowActive(f.get())) QSKIP("no active window: shortcuts do not fire");
        CTitleTreeView* tree = f->GetTreeView();
        tree->SelectItem(Item(*f, 0));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(tree->GetSelectedItem(), Item(*f, 1));
        QTest::keyClick(f->GetTextView(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(tree->Model().IsBookmarked(Item(*f, 1)));
        QLineEdit* box = f->FindBar()->findChild<QLineEdit*>();
        QVERIFY(box);
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("abc"));
        QTest::keyClick(box, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(tree->GetSelectedItem(), Item(*f, 2));
        QCOMPARE(box->text(), QStringLiteral("abc"));
    }

    void damagedStateIsReportedAndSetAside() {
        const QString dir = m_data.filePath(QStringLiteral("orv"));
        QDir().mkpath(dir);
        QFile junk(dir + QStringLiteral("/readstate.sqlite"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(6000, 'j'));
        junk.close();
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        QVERIFY(f->OpenDocumentFile(SampleDoc(QStringLiteral("d.mld"))));
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_READSTATE_DAMAGED});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Exclamation);
        const QString text = QString::fromStdString(prompter.shown[0].text);
        QVERIFY2(text.startsWith(QStringLiteral("既読情報のファイルが壊れていたため、")),
                 qPrintable(text));
        QVERIFY(text.endsWith(QStringLiteral(" として保存し、新しく作り直しました。")));
        const QStringList aside =
            QDir(dir).entryList({QStringLiteral("readstate.sqlite.damaged-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QFileInfo(dir + QLatin1Char('/') + aside[0]).size(), 6000);
        QVERIFY(text.contains(aside[0]));
        // The new file works.
        f->GetTreeView()->SelectItem(Item(*f, 0));
        QVERIFY(f->Commands().Execute(ID_EDIT_MARK_READ));
        QVERIFY(f->Reading().Flush());
    }
};

QTEST_MAIN(TestReadingState)
#include "tst_readingstate.moc"
