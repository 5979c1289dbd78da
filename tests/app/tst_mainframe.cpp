// The main window: first start, what it keeps between runs, the layouts,
// dropped files, the Space key, the close sequence and command states.
#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

#include "app/commands.h"
#include "app/exporthtmlcommand.h"
#include "app/mainframe.h"
#include "app/nametoolbar.h"
#include "app/progressdlg.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "app/viewsplitter.h"
#include "apptestutil.h"
#include "fakes/fakeports.h"
#include "res/strings.h"
#include "views/textview.h"
#include "views/titletreeview.h"

using namespace orv;
using namespace orv::cmd;

namespace {

int Int(const char* section, const char* name, int def = -12345) {
    return settings::ReadInt(section, QString::fromUtf8(name), def);
}

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
    test::ScratchSettings m_settings;
    QTemporaryDir m_files;

    // Closes as the user would, answering the save question with answer.
    static bool CloseFrame(CMainFrame& f) { return f.close(); }

    QString SampleDoc(const QString& name) { return test::SampleDocIn(m_files, name); }

private slots:
    void initTestCase() { CSplashScreen::EnableSplashScreen(false); }
    void init() { m_settings.Clear(); }

    void firstStartWithEmptySettings() {
        auto f = test::OpenFrame();
        QVERIFY(f->IsCreated());
        QCOMPARE(f->windowTitle(), QStringLiteral("無題 - Orv's Meeting log viewer"));
        QCOMPARE(f->GetViewMode(), 1);
        QCOMPARE(f->Splitter()->orientation(), Qt::Horizontal);
        QCOMPARE(f->Splitter()->FirstPaneSize(), 200);
        QCOMPARE(f->Splitter()->widget(0), static_cast<QWidget*>(f->GetTreeView()));
        QCOMPARE(f->Splitter()->PaneId(1), 59649);
        QVERIFY(!f->isMaximized());
        QVERIFY(f->ToolBar()->isVisible());
        QCOMPARE(f->toolBarArea(f->ToolBar()), Qt::TopToolBarArea);
        QCOMPARE(f->ToolBar()->windowTitle(), QStringLiteral("ツール"));
        QVERIFY(f->statusBar()->isVisible());
        QCOMPARE(f->findChild<QLabel*>(QStringLiteral("messagePane"))->text(),
                 QStringLiteral("レディ"));
        // The search bar below the tool bar, with an empty search text.
        QVERIFY(f->GetFindString().empty());
        QVERIFY(f->FindBar() && f->FindBar()->isVisible());
        QVERIFY(f->Commands().Action(ID_VIEW_FINDBAR)->isChecked());
        QVERIFY(f->GetTextView()->hasFocus() || !QApplication::focusWidget());
    }

    void menusCarryTextsPromptsAndKeys() {
        auto f = test::OpenFrame();
        const QList<QAction*> top = f->menuBar()->actions();
        QStringList titles;
        for (QAction* a : top) titles << a->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                      QStringLiteral("表示(&V)"), QStringLiteral("移動(&G)"),
                                      QStringLiteral("ヘルプ(&H)")}));
        QAction* save = f->Commands().Action(ID_FILE_SAVE);
        QCOMPARE(save->text(), QStringLiteral("上書き保存(&S)"));
        QCOMPARE(save->statusTip(), QStringLiteral("作業中のファイルを上書きして保存"));
        QCOMPARE(save->toolTip(), QStringLiteral("保存"));
        QCOMPARE(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(f->Commands().Action(ID_EDIT_COPY)->shortcuts().size(), 2);
        QCOMPARE(f->Commands().Action(ID_FIND_PREV)->shortcut(),
                 QKeySequence(QStringLiteral("Shift+F3")));
        // Every item of the menus has a command entry.
        for (const MenuEntry& m : MenuBarLayout())
            if (m.kind == MenuKind::Item)
                QVERIFY2(FindCommand(m.id), qPrintable(QString::number(m.id)));
    }

    void commandStatesFollowTheProgram() {
        auto f = test::OpenFrame();
        CCommandTable& t = f->Commands();
        t.UpdateAll();
        // Empty document: expand, collapse and delete greyed; no recent files.
        QVERIFY(!t.Action(ID_VIEW_EXPANDALL)->isEnabled());
        QVERIFY(!t.Action(ID_EDIT_DELETE_TREE)->isEnabled());
        QVERIFY(!t.Action(ID_FILE_MRU_FILE1)->isEnabled());
        QCOMPARE(t.Action(ID_FILE_MRU_FILE1)->text(), QStringLiteral("最近使ったファイル"));
        QVERIFY(t.Action(ID_VIEW_SIDEBYSIDE)->isChecked());
        QVERIFY(!t.Action(ID_VIEW_TOPBOTTOM)->isChecked());
        QVERIFY(t.Action(ID_VIEW_TOOLBAR)->isChecked());
        // Search options: default word 3 checks title and text only; a
        // toggle flips its own bit.
        QVERIFY(t.Action(ID_FIND_TITLE)->isChecked());
        QVERIFY(t.Action(ID_FIND_CONTENT)->isChecked());
        QVERIFY(!t.Action(ID_FIND_IGNORECASE)->isChecked());
        std::uint32_t word = 0x8003;
        f->SetFindOptionStore(&word);
        QVERIFY(t.Execute(ID_FIND_IGNORECASE));
        QCOMPARE(word, 0x8007u);
        QVERIFY(t.Action(ID_FIND_IGNORECASE)->isChecked());
        QVERIFY(t.Execute(ID_FIND_TITLE));
        QCOMPARE(word, 0x8006u);
        QVERIFY(!t.Action(ID_FIND_TITLE)->isChecked());

        f->ImportLogs({test::SampleLog()});
        QVERIFY(t.Action(ID_VIEW_EXPANDALL)->isEnabled());
        // A selection change updates the states by itself; the focus
        // coming into the rebuilt tree selects nothing.
        QVERIFY(!t.Action(ID_EDIT_DELETE_TREE)->isEnabled());
        f->activateWindow();
        f->GetTreeView()->setFocus();
        QTRY_VERIFY(f->GetTreeView()->hasFocus());
        QVERIFY(!t.Action(ID_EDIT_DELETE_TREE)->isEnabled());
        f->GetTreeView()->SelectItem(f->GetDocument().GetTreeItems().at(1));
        QVERIFY(t.Action(ID_EDIT_DELETE_TREE)->isEnabled());
        QVERIFY(t.Execute(ID_VIEW_TOPBOTTOM));
        QVERIFY(t.Action(ID_VIEW_TOPBOTTOM)->isChecked());
        QVERIFY(!t.Action(ID_VIEW_SIDEBYSIDE)->isChecked());
        QVERIFY(t.Execute(ID_VIEW_TOOLBAR));
        QVERIFY(!f->ToolBar()->isVisible());
        QVERIFY(!t.Action(ID_VIEW_TOOLBAR)->isChecked());
        f->GetDocument().SetModifiedFlag(false);
    }

    void layoutAndSplitComeBack() {
        {
            auto f = test::OpenFrame();
            QCOMPARE(f->SetViewMode(0), 1);
            QCOMPARE(f->Splitter()->orientation(), Qt::Vertical);
            QCOMPARE(f->Splitter()->PaneId(1), 59664);
            // The other orientation starts with its own first-pane size.
            QCOMPARE(f->Splitter()->FirstPaneSize(), 100);
            f->Splitter()->SetFirstPaneSize(0, 140, 50);
            f->Splitter()->RecalcLayout();
            QVERIFY(CloseFrame(*f));
        }
        QCOMPARE(Int(settings::kSecSettings, settings::kValViewMode), 0);
        QCOMPARE(Int(settings::kSecSettings, settings::kValSplitPosition), 140);
        auto f = test::OpenFrame();
        QCOMPARE(f->GetViewMode(), 0);
        QCOMPARE(f->Splitter()->FirstPaneSize(), 140);
        // The mode in force: nothing changes.
        f->Splitter()->setSizes({120, 200});
        QCOMPARE(f->SetViewMode(0), 0);
        QCOMPARE(f->Splitter()->FirstPaneSize(), 120);
    }

    void splitBelowMinimumHidesTheTree() {
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition),
                           30);
        {
            auto f = test::OpenFrame();
            QCOMPARE(f->Splitter()->FirstPaneSize(), 0);
            QVERIFY(f->GetTextView()->width() > 0);
            QVERIFY(CloseFrame(*f));
        }
        QCOMPARE(Int(settings::kSecSettings, settings::kValSplitPosition), 0);
        auto f = test::OpenFrame();
        QCOMPARE(f->Splitter()->FirstPaneSize(), 0);
        // Dragging the bar out again shows the tree; a drag under 50 hides it.
        f->Splitter()->setSizes({150, 300});
        emit f->Splitter()->splitterMoved(150, 1);
        QCOMPARE(f->Splitter()->IdealSize(1), 150);
        f->Splitter()->setSizes({40, 410});
        emit f->Splitter()->splitterMoved(40, 1);
        QCOMPARE(f->Splitter()->FirstPaneSize(), 0);
    }

    void unknownViewModeKeepsTheDefaultLayout() {
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode), 7);
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition),
                           300);
        auto f = test::OpenFrame();
        QCOMPARE(f->GetViewMode(), 1);
        QCOMPARE(f->Splitter()->FirstPaneSize(), 100);
    }

    void placementComesBack() {
        {
            auto f = test::OpenFrame();
            f->showNormal();
            f->setGeometry(40, 50, 640, 420);
            QTest::qWait(20);
            QVERIFY(CloseFrame(*f));
        }
        WindowPlacement wp;
        QVERIFY(CMainFrame::ReadWindowPlacement(wp));
        QCOMPARE(wp.flags, 0u);
        QCOMPARE(wp.showCmd, 1u);
        QCOMPARE(wp.normal, QRect(40, 50, 640, 420));
        auto f = test::OpenFrame();
        QVERIFY(!f->StartsMaximized());
        QCOMPARE(f->normalGeometry(), QRect(40, 50, 640, 420));
    }

    void maximizedComesBackMaximized() {
        settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos),
                              QStringLiteral("0,1,-1,-1,-1,-1,30,30,530,430"));
        {
            auto f = test::OpenFrame();
            f->showMaximized();
            QTRY_VERIFY(f->isMaximized());
            QVERIFY(CloseFrame(*f));
        }
        WindowPlacement wp;
        QVERIFY(CMainFrame::ReadWindowPlacement(wp));
        QCOMPARE(wp.flags, 2u);
        QCOMPARE(wp.showCmd, 3u);
        QCOMPARE(wp.normal, QRect(30, 30, 500, 400));
        auto f = test::OpenFrame();
        QVERIFY(f->StartsMaximized());
        QTRY_VERIFY(f->isMaximized());
        // Restoring gives the rectangle from before the maximizing.
        QCOMPARE(f->normalGeometry(), QRect(30, 30, 500, 400));
    }

    void minimizedIsNotSavedAsMaximized() {
        {
            auto f = test::OpenFrame();
            f->setWindowState(Qt::WindowMinimized);
            QVERIFY(CloseFrame(*f));
        }
        WindowPlacement wp;
        QVERIFY(CMainFrame::ReadWindowPlacement(wp));
        QCOMPARE(wp.flags, 0u);
        QCOMPARE(wp.showCmd, 2u);
        auto f = test::OpenFrame();
        QVERIFY(!f->StartsMaximized());
        QVERIFY(!f->isMinimized());
    }

    void badPlacementIsIgnored() {
        settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos),
                              QStringLiteral("2,3,1,2"));
        auto f = test::OpenFrame();
        QVERIFY(!f->StartsMaximized());
        QVERIFY(!f->isMaximized());
    }

    void barVisibilityComesBack() {
        {
            auto f = test::OpenFrame();
            QVERIFY(f->Commands().Execute(ID_VIEW_TOOLBAR));
            QVERIFY(f->Commands().Execute(ID_VIEW_STATUS_BAR));
            QVERIFY(CloseFrame(*f));
        }
        auto f = test::OpenFrame();
        QVERIFY(!f->ToolBar()->isVisible());
        QVERIFY(!f->statusBar()->isVisible());
        QVERIFY(!f->Commands().Action(ID_VIEW_STATUS_BAR)->isChecked());
        QVERIFY(f->Commands().Execute(ID_VIEW_TOOLBAR));
        QVERIFY(CloseFrame(*f));
        auto g = test::OpenFrame();
        QVERIFY(g->ToolBar()->isVisible());
        QVERIFY(!g->statusBar()->isVisible());
    }

    void closeWritesSettingsEvenWhenCancelled() {
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        f->ImportLogs({test::SampleLog()});
        QVERIFY(f->GetDocument().IsModified());
        f->SetViewMode(0);
        prompter.answers = {MsgAnswer::Cancel};
        QVERIFY(!f->close());
        QVERIFY(f->isVisible());
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_SAVE_CHANGES});
        QCOMPARE(QString::fromStdString(prompter.shown.back().text),
                 QStringLiteral("無題 への変更を保存しますか?"));
        QCOMPARE(Int(settings::kSecSettings, settings::kValViewMode), 0);
        QVERIFY(
            settings::Contains(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos)));
        QVERIFY(settings::Contains("ViewFont 2", QStringLiteral("Height")));
        // No: the window closes without saving.
        prompter.answers = {MsgAnswer::No};
        QVERIFY(f->close());
    }

    void noCloseWhileALongOperationRuns() {
        auto f = test::OpenFrame();
        f->setEnabled(false);  // what a progress dialog does to its owner
        QVERIFY(!f->close());
        QVERIFY(
            !settings::Contains(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode)));
        f->setEnabled(true);
        {
            // A progress dialog blocks the window without disabling it.
            CProgressDlg progress;
            QVERIFY(progress.Create(f.get(), false));
            QVERIFY(f->isEnabled());
            QVERIFY(!f->close());
        }
        QVERIFY(f->close());
    }

    void saveAnswerYesSavesThroughSaveAs() {
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        const QString target = m_files.filePath(QStringLiteral("saved.mld"));
        QString proposed;
        f->SetFileDialogHook([&](bool open, const QString& p) {
            proposed = p;
            return open ? QString() : target;
        });
        f->ImportLogs({test::SampleLog()});
        prompter.answers = {MsgAnswer::Yes};
        QVERIFY(f->close());
        QCOMPARE(proposed, QStringLiteral("無題.mld"));
        QVERIFY(QFileInfo(target).size() > 2);
        QCOMPARE(f->windowTitle(), QStringLiteral("saved.mld - Orv's Meeting log viewer"));
    }

    void exportHtmlWritesTheShownDocumentIntoAChosenFolder() {
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        // The command stands right after "名前を付けて保存(&A)...".
        const QList<QAction*> file = f->menuBar()->actions().at(0)->menu()->actions();
        const int saveAs = static_cast<int>(file.indexOf(f->Commands().Action(ID_FILE_SAVE_AS)));
        QCOMPARE(file.at(saveAs + 1)->text(), QStringLiteral("HTML 形式で書き出す(&H)..."));

        f->ImportLogs({test::SampleLog()});
        QVERIFY(f->GetDocument().IsModified());
        const QString site = m_files.filePath(QStringLiteral("site"));
        QString offered = QStringLiteral("unset");
        f->SetFolderDialogHook([&](const QString& start) {
            offered = start;
            return site;
        });
        QVERIFY(f->Commands().Execute(ID_FILE_EXPORT_HTML));
        QVERIFY(!offered.isEmpty());
        QFile index(site + QStringLiteral("/index.html"));
        QVERIFY(index.open(QIODevice::ReadOnly));
        QVERIFY(index.readAll().contains("<h1>無題</h1>"));
        QVERIFY(f->GetDocument().IsModified());  // an export is no save
        // It says so, and No opens nothing.
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_HTML_DONE});

        // The same folder again: refused with its name; nothing changes.
        prompter.shown.clear();
        QVERIFY(f->Commands().Execute(ID_FILE_EXPORT_HTML));
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_HTML_NOT_EMPTY});
        QVERIFY(QString::fromStdString(prompter.shown[0].text)
                    .contains(QDir::toNativeSeparators(site)));

        // A cancel request asks; Yes leaves no folder behind.
        test::FakeProgressFactory progress;
        progress.cancelAfter = 1;
        DocPorts ports = f->GetDocument().Ports();
        DocPorts withFake = ports;
        withFake.progress = &progress;
        f->GetDocument().SetPorts(withFake);
        const QString other = m_files.filePath(QStringLiteral("other"));
        f->SetFolderDialogHook([&](const QString&) { return other; });
        prompter.shown.clear();
        prompter.answers = {MsgAnswer::Yes};
        QVERIFY(f->Commands().Execute(ID_FILE_EXPORT_HTML));
        f->GetDocument().SetPorts(ports);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_HTML_ASK_CANCEL});
        QVERIFY(!progress.dialogs.at(0).cancelMode);
        QVERIFY(!QFileInfo::exists(other));
        f->GetDocument().SetModifiedFlag(false);
    }

    void exportIntoAFolderStillToBeMade() {
        // The real folder dialog: a typed name of a folder that does not
        // exist yet is taken, the export makes it, says how many pages went
        // where, and Yes opens the site.
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        f->ImportLogs({test::SampleLog()});
        QUrl opened;
        f->SetSiteOpener([&](const QUrl& url) { opened = url; });
        const QString site = m_files.filePath(QStringLiteral("fresh"));
        QVERIFY(!QFileInfo::exists(site));
        bool refused = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            dlg->setDirectory(m_files.path());
            auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (edit) edit->setText(QStringLiteral("fresh"));
            // A refusal comes as a message box over the dialog.
            QTimer::singleShot(0, [&refused] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    refused = true;
                    box->reject();
                }
            });
            QMetaObject::invokeMethod(dlg, "accept");  // what its button does
            if (dlg->isVisible()) dlg->reject();
        });
        prompter.answers = {MsgAnswer::Yes};
        QVERIFY(f->Commands().Execute(ID_FILE_EXPORT_HTML));
        QVERIFY(!refused);
        QVERIFY(QFileInfo(site + QStringLiteral("/index.html")).isFile());
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_HTML_DONE});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Question);
        const QString pages =
            QString::number(f->GetDocument().GetRootCount() + 1);  // index + threads
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 pages + QStringLiteral(" ページを HTML 形式で書き出しました。\n") +
                     QDir::toNativeSeparators(site) + QStringLiteral("\n\nブラウザで開きますか？"));
        QCOMPARE(opened, QUrl::fromLocalFile(site + QStringLiteral("/index.html")));

        // Cases of the dialog alone: what it takes, from where it starts.
        QDir(m_files.path()).mkpath(QStringLiteral("there"));
        const struct {
            const char* typed;
            bool taken;          // by its button, which is enabled then
            const char* chosen;  // relative to the start folder
        } cases[] = {
            {"new-one", true, "new-one"},   // to be made by the export
            {"there", true, "there"},       // an existing folder
            {"no/such/parent", false, ""},  // nowhere to make it
            {"", true, ""},                 // the folder shown
        };
        for (const auto& c : cases) {
            CExportFolderDialog dlg(f.get(), m_files.path());
            dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromUtf8(c.typed));
            QVERIFY(dlg.AcceptButton());
            QCOMPARE(dlg.AcceptButton()->isEnabled(), c.taken);
            QTimer::singleShot(0, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->reject();
            });
            dlg.accept();
            QCOMPARE(dlg.result() == QDialog::Accepted, c.taken);
            if (c.taken)
                QCOMPARE(
                    dlg.ChosenFolder(),
                    QDir::cleanPath(QDir(m_files.path()).filePath(QString::fromUtf8(c.chosen))));
        }
        f->GetDocument().SetModifiedFlag(false);
    }

    void droppedFiles() {
        test::FakePrompter prompter;
        test::ScriptedChooser chooser;
        auto f = test::OpenFrame(&prompter);
        f->SetLogFileChooser(&chooser);
        const QString doc1 = SampleDoc(QStringLiteral("one.mld"));
        const QString doc2 = SampleDoc(QStringLiteral("two.mld"));
        // Two documents and a log: the first document opens, the log is
        // offered for import into it; the second document is ignored.
        prompter.answers = {MsgAnswer::No};
        f->OnDropFiles({doc1, test::SampleLog(), doc2});
        QCOMPARE(f->GetPathName(), doc1);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_DROP_IMPORT});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Question);
        QCOMPARE(prompter.shown[0].buttons, MsgButtons::YesNo);
        QVERIFY(!f->GetDocument().IsModified());

        // Only documents: no question; capitals count as a document.
        prompter.shown.clear();
        const QString upper = m_files.filePath(QStringLiteral("THREE.MLD"));
        QVERIFY(QFile::copy(doc2, upper));
        f->OnDropFiles({upper});
        QCOMPARE(f->GetPathName(), upper);
        QVERIFY(prompter.shown.empty());

        // Two logs, Yes: both imported, the order dialog sees the drop order.
        const QString log2 = m_files.filePath(QStringLiteral("copy.txt"));
        QFile::copy(test::SampleLog(), log2);
        prompter.answers = {MsgAnswer::Yes};
        prompter.defaultAnswer = MsgAnswer::No;  // duplicates of the open file are not overwritten
        f->OnDropFiles({test::SampleLog(), log2});
        QCOMPARE(chooser.orders.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(chooser.orders[0][0]), test::SampleLog());
        QCOMPARE(QString::fromStdString(chooser.orders[0][1]), log2);
        f->GetDocument().SetModifiedFlag(false);
    }

    void spaceScrollsTheText() {
        auto f = test::OpenFrame();
        f->resize(700, 300);
        const QString doc = SampleDoc(QStringLiteral("space.mld"));
        QVERIFY(f->OpenDocumentFile(doc));
        CTextView* text = f->GetTextView();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->GetTreeView()->setFocus();
        QTRY_VERIFY(f->GetTreeView()->hasFocus());
        QString many;
        for (int i = 0; i < 300; ++i) many += QStringLiteral("line %1\n").arg(i);
        text->setPlainText(many);
        QScrollBar* bar = text->verticalScrollBar();
        bar->setValue(0);
        QSignalSpy space(f->Commands().Action(ID_SCROLL_PAGE), &QAction::triggered);
        QTest::keyClick(f->GetTreeView(), Qt::Key_Space);
        QCOMPARE(space.count(), 1);
        const int after = bar->value();
        QVERIFY(after > 0);
        QTest::keyClick(f->GetTreeView(), Qt::Key_Space, Qt::ShiftModifier);
        QCOMPARE(bar->value(), 0);
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Space);
        QCOMPARE(bar->value(), after);
    }

    void newAndOpenAskAboutChanges() {
        test::FakePrompter prompter;
        auto f = test::OpenFrame(&prompter);
        const QString doc = SampleDoc(QStringLiteral("ask.mld"));
        f->ImportLogs({test::SampleLog()});
        prompter.answers = {MsgAnswer::Cancel};
        QVERIFY(!f->OpenDocumentFile(doc));
        QVERIFY(f->GetDocument().IsModified());
        prompter.answers = {MsgAnswer::No};
        QVERIFY(f->OpenDocumentFile(doc));
        QCOMPARE(f->windowTitle(), QStringLiteral("ask.mld - Orv's Meeting log viewer"));
        QVERIFY(f->GetDocument().GetRootCount() > 0);
        // The open document is not read again.
        const std::size_t asked = prompter.shown.size();
        f->GetDocument().SetModifiedFlag(true);
        QVERIFY(f->OpenDocumentFile(doc));
        QCOMPARE(prompter.shown.size(), asked);
        prompter.answers = {MsgAnswer::No};
        QVERIFY(f->OnFileNew());
        QCOMPARE(f->GetDocument().GetRootCount(), std::size_t{0});
        QCOMPARE(f->windowTitle(), QStringLiteral("無題 - Orv's Meeting log viewer"));
        // A file that is not there leaves the document as it was.
        QVERIFY(!f->OpenDocumentFile(m_files.filePath(QStringLiteral("missing.mld"))));
        QCOMPARE(f->GetPathName(), QString());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
