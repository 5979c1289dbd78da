// Choosing and ordering the logs of one import: the order dialog's moves
// and removal, the chooser, the import command, and the message boxes.
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/importcommand.h"
#include "app/importorderdlg.h"
#include "app/logfilechooser.h"
#include "app/msgprompter.h"
#include "res/strings.h"
#include "viewtestutil.h"

using namespace orv;
using namespace orv::test;

namespace {

QStringList Entries(const CImportOrderDlg& dlg) {
    QStringList names;
    for (int i = 0; i < dlg.ListBox()->count(); ++i) names << dlg.ListBox()->item(i)->text();
    return names;
}

void Select(CImportOrderDlg& dlg, int row) {
    dlg.ListBox()->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

QPushButton* Button(CImportOrderDlg& dlg, const char* name) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Hands out fixed paths and lets a script run the order dialog.
class ScriptedChooser : public ILogFileChooser {
public:
    std::vector<std::string> files;
    std::function<void(CImportOrderDlg&)> script;
    int orderAsked = 0;
    bool ChooseLogFiles(std::vector<std::string>& paths) override {
        paths = files;
        return true;
    }
    bool ConfirmImportOrder(std::vector<std::string>& paths) override {
        ++orderAsked;
        CImportOrderDlg dlg(paths);
        script(dlg);
        return dlg.result() == QDialog::Accepted;
    }
};

}  // namespace

class TestImportOrder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void listsNamesWithoutFolders() {
        std::vector<std::string> paths = {"/logs/a/one.log", "/logs/b/two.txt", "/x/three.log"};
        CImportOrderDlg dlg(paths);
        QCOMPARE(dlg.windowTitle(), QStringLiteral(u"取り込み順番の設定"));
        QCOMPARE(Entries(dlg), (QStringList{"one.log", "two.txt", "three.log"}));
        QVERIFY(dlg.ListBox()->selectedItems().isEmpty());
        for (const char* b : {"upButton", "downButton", "removeButton"}) QVERIFY(Button(dlg, b));
        QCOMPARE(Button(dlg, "upButton")->text(), QStringLiteral(u"↑上へ(&U)"));
        QCOMPARE(Button(dlg, "downButton")->text(), QStringLiteral(u"↓下へ(&D)"));
        QCOMPARE(Button(dlg, "removeButton")->text(), QStringLiteral(u"×削除(&R)"));
    }

    void movesStopAtTheEnds() {
        std::vector<std::string> paths = {"/a/1.log", "/a/2.log", "/a/3.log"};
        CImportOrderDlg dlg(paths);
        // Nothing selected: the buttons do nothing.
        Button(dlg, "upButton")->click();
        Button(dlg, "removeButton")->click();
        QCOMPARE(Entries(dlg), (QStringList{"1.log", "2.log", "3.log"}));
        Select(dlg, 2);
        Button(dlg, "downButton")->click();  // the last stays last
        QCOMPARE(Entries(dlg), (QStringList{"1.log", "2.log", "3.log"}));
        QCOMPARE(dlg.ListBox()->currentRow(), 2);
        Select(dlg, 0);
        Button(dlg, "upButton")->click();  // the first stays first
        QCOMPARE(Entries(dlg), (QStringList{"1.log", "2.log", "3.log"}));
        Button(dlg, "downButton")->click();
        QCOMPARE(Entries(dlg), (QStringList{"2.log", "1.log", "3.log"}));
        QCOMPARE(dlg.ListBox()->selectedItems().front()->text(), QStringLiteral("1.log"));
        Button(dlg, "downButton")->click();
        QCOMPARE(Entries(dlg), (QStringList{"2.log", "3.log", "1.log"}));
        Select(dlg, 1);
        Button(dlg, "upButton")->click();
        QCOMPARE(Entries(dlg), (QStringList{"3.log", "2.log", "1.log"}));
        // Cancel leaves the list alone; OK writes the new order.
        dlg.reject();
        QCOMPARE(paths, (std::vector<std::string>{"/a/1.log", "/a/2.log", "/a/3.log"}));
        dlg.accept();
        QCOMPARE(paths, (std::vector<std::string>{"/a/3.log", "/a/2.log", "/a/1.log"}));
    }

    void enterPressesTheFocusedButton() {
        std::vector<std::string> paths = {"/a/1.log", "/a/2.log"};
        {
            CImportOrderDlg dlg(paths);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            Select(dlg, 1);
            Button(dlg, "upButton")->setFocus();
            QTest::keyClick(Button(dlg, "upButton"), Qt::Key_Return);
            QCOMPARE(Entries(dlg), (QStringList{"2.log", "1.log"}));
            QVERIFY(dlg.isVisible());
            Button(dlg, "cancelButton")->setFocus();
            QTest::keyClick(Button(dlg, "cancelButton"), Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        QCOMPARE(paths, (std::vector<std::string>{"/a/1.log", "/a/2.log"}));
    }

    void removalLeavesNoSelection() {
        std::vector<std::string> paths = {"/a/1.log", "/a/2.log", "/a/3.log"};
        CImportOrderDlg dlg(paths);
        Select(dlg, 1);
        Button(dlg, "removeButton")->click();
        QCOMPARE(Entries(dlg), (QStringList{"1.log", "3.log"}));
        QVERIFY(dlg.ListBox()->selectedItems().isEmpty());
        Button(dlg, "removeButton")->click();  // nothing selected: nothing removed
        QCOMPARE(dlg.ListBox()->count(), 2);
        Select(dlg, 0);
        Button(dlg, "removeButton")->click();
        Select(dlg, 0);
        Button(dlg, "removeButton")->click();
        dlg.accept();
        QVERIFY(paths.empty());
    }

    void sameNameFromTwoFoldersImportsEachOnce() {
        TempDir dir;
        std::filesystem::create_directories(dir.Path() / "a");
        std::filesystem::create_directories(dir.Path() / "b");
        const std::string first = dir.Write("a/forum.log", LogText({{1, -1, "first file", "one"}}));
        const std::string second =
            dir.Write("b/forum.log", LogText({{2, 1, "second file", "two"}}));
        ScriptedChooser chooser;
        chooser.files = {second, first};  // as a file dialog might report them
        chooser.script = [](CImportOrderDlg& dlg) {
            QCOMPARE(Entries(dlg), (QStringList{"forum.log", "forum.log"}));
            Select(dlg, 1);
            Button(dlg, "upButton")->click();
            dlg.accept();
        };
        TestHost host;
        COrvDoc doc;
        FakePrompter prompter;
        DocPorts ports;
        ports.tree = host.tree;
        ports.prompter = &prompter;
        doc.SetPorts(ports);
        OnImportLog(doc, &chooser);
        QCOMPARE(chooser.orderAsked, 1);
        QVERIFY(prompter.shown.empty());
        // Reordered: the first file first, so that 2 finds its parent 1.
        QCOMPARE(doc.GetRootCount(), std::size_t(1));
        QCOMPARE(doc.GetRoots()[0]->GetNumber(), 1);
        QCOMPARE(doc.GetRoots()[0]->GetReplies().size(), std::size_t(1));
        QCOMPARE(doc.GetTreeItems().size(), std::size_t(2));
    }

    void emptyOrderOrCancelImportsNothingSilently() {
        TempDir dir;
        const std::string a = dir.Write("a.log", LogText({{1, -1, "a", "x"}}));
        const std::string b = dir.Write("b.log", LogText({{2, -1, "b", "y"}}));
        for (bool cancel : {false, true}) {
            ScriptedChooser chooser;
            chooser.files = {a, b};
            chooser.script = [cancel](CImportOrderDlg& dlg) {
                if (cancel) {
                    dlg.reject();
                    return;
                }
                for (int i = 0; i < 2; ++i) {
                    Select(dlg, 0);
                    Button(dlg, "removeButton")->click();
                }
                dlg.accept();
            };
            COrvDoc doc;
            FakePrompter prompter;
            DocPorts ports;
            ports.prompter = &prompter;
            ports.chooser = &chooser;
            doc.SetPorts(ports);
            OnImportLog(doc);
            QCOMPARE(doc.GetRootCount(), std::size_t(0));
            QVERIFY(prompter.shown.empty());
        }
    }

    void oneFileNeedsNoOrder() {
        TempDir dir;
        ScriptedChooser chooser;
        chooser.files = {dir.Write("only.log", LogText({{1, -1, "a", "x"}}))};
        chooser.script = [](CImportOrderDlg&) { QFAIL("no order dialog for one file"); };
        COrvDoc doc;
        OnImportLog(doc, &chooser);
        QCOMPARE(chooser.orderAsked, 0);
        QCOMPARE(doc.GetRootCount(), std::size_t(1));
    }

    void chooserFiltersAndCancel() {
        const QStringList filters = CLogFileChooser::NameFilters();
        QCOMPARE(filters.size(), 2);
        QVERIFY(filters[0].startsWith(QStringLiteral(u"テキスト形式会議室ログ ファイル (")));
        QVERIFY(filters[1].startsWith(QStringLiteral(u"すべてのファイル (")));
        // Cancelling the file dialog chooses nothing.
        QWidget owner;
        CLogFileChooser chooser(&owner);
        QTimer::singleShot(0, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        std::vector<std::string> paths;
        QVERIFY(!chooser.ChooseLogFiles(paths));
        QVERIFY(paths.empty());
    }

    void messageBoxIcons() {
        QCOMPARE(CMsgPrompter::ToQtIcon(MsgIcon::Exclamation), QMessageBox::Warning);
        QCOMPARE(CMsgPrompter::ToQtIcon(MsgIcon::Question), QMessageBox::Question);
        QCOMPARE(CMsgPrompter::ToQtIcon(MsgIcon::Information), QMessageBox::Information);
        QCOMPARE(CMsgPrompter::ToQtIcon(MsgIcon::Stop), QMessageBox::Critical);
        QCOMPARE(CMsgPrompter::ToQtIcon(MsgIcon::None), QMessageBox::NoIcon);
        CMsgPrompter prompter;
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->text(), QStringLiteral(u"ログファイルの取り込みを中止しますか？"));
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(prompter.MessageBox(60009, "ログファイルの取り込みを中止しますか？",
                                     MsgIcon::Information, MsgButtons::YesNo),
                 MsgAnswer::No);
    }

    void noEntryLooksChosenBeforeASelection() {
        std::vector<std::string> paths = {"/l/one.log", "/l/two.log", "/l/three.log"};
        CImportOrderDlg dlg(paths);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.ListBox()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        // A point of each entry's row right of its text.
        auto rowColour = [&dlg](int row) {
            const QImage img = dlg.ListBox()->viewport()->grab().toImage();
            const QRect r = dlg.ListBox()->visualItemRect(dlg.ListBox()->item(row));
            return img.pixelColor(r.right() - 4, r.center().y());
        };
        QCOMPARE(rowColour(0), rowColour(2));
        Select(dlg, 1);
        QVERIFY(rowColour(1) != rowColour(2));
    }

    void messageLinesBreakAtTheirOwnEnds() {
        // 60007 with a long name: each of its two lines stays whole.
        CMsgPrompter prompter;
        bool whole = false;
        QTimer::singleShot(0, [&whole] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            whole = true;
            for (const QString& line : box->text().split(QLatin1Char('\n')))
                whole = whole && label->fontMetrics().horizontalAdvance(line) <= label->width();
            box->reject();
        });
        prompter.MessageBox(
            res::IDS_IMPORT_DUPLICATE,
            res::Format(res::IDS_IMPORT_DUPLICATE, "conference-room-12-archive-1998-04.log"),
            MsgIcon::Question, MsgButtons::YesNo);
        QVERIFY(whole);
    }
};

QTEST_MAIN(TestImportOrder)
#include "tst_importorder.moc"
