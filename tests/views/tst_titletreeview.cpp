// The navigation pane: items built from the document, selection shown in
// the text view, clearing, keys, expand and collapse all, deletion.
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "viewtestutil.h"

using namespace orv;
using namespace orv::test;

namespace {

// Roots 1..30, then a chain 31 <- 32 <- 33 <- 34 (34 three levels below 31),
// root 35 with reply 36, then roots 37..80.
std::vector<Msg> ForumMessages() {
    std::vector<Msg> msgs;
    for (int n = 1; n <= 30; ++n) msgs.push_back({n, -1, "Root " + std::to_string(n), "body"});
    msgs.push_back({31, -1, "Alpha 雪の日の写真", "今朝の雪の写真です。"});
    msgs.push_back({32, 31, "Beta", "reply one"});
    msgs.push_back({33, 32, "Bravo", "reply two"});
    msgs.push_back({34, 33, "Charlie", "reply three"});
    msgs.push_back({35, -1, "Delta", "another root"});
    msgs.push_back({36, 35, "Echo", "reply to delta"});
    for (int n = 37; n <= 80; ++n) msgs.push_back({n, -1, "Root " + std::to_string(n), "body"});
    return msgs;
}

// A document whose messages 1..depth each answer the one before.
void FillChain(COrvDoc& doc, int depth) {
    CComment* last = nullptr;
    for (int n = 1; n <= depth; ++n) {
        CComment& rec = doc.NewRecord();
        rec.SetNumber(n);
        rec.SetTitle(n == 1 ? "chain" : "RE:chain");
        if (last)
            doc.AddReplyTo(*last, rec);
        else
            doc.AddRoot(rec);
        last = &rec;
    }
}

int ShownNumber(TestHost& host) {
    const CComment* rec = host.text->GetComment();
    return rec ? rec->GetNumber() : -1;
}

}  // namespace

class TestTitleTreeView : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHost> host;
    std::unique_ptr<COrvDoc> doc;
    std::unique_ptr<TempDir> dir;
    FakePrompter prompter;

    TreeItem Item(int n) { return ItemOfNumber(*doc, *host->tree, n); }

private slots:
    void initTestCase() { UsePrivateSettings(); }

    void init() {
        host = std::make_unique<TestHost>();
        host->resize(700, 300);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        doc = std::make_unique<COrvDoc>();
        dir = std::make_unique<TempDir>();
        prompter = FakePrompter();
        ImportInto(*doc, *host, *dir, ForumMessages(), &prompter);
        QCOMPARE(doc->GetTreeItems().size(), std::size_t(80));
    }
    void cleanup() {
        doc.reset();
        host.reset();
    }

    void itemsMirrorTheForest() {
        const CTitleTreeModel& m = host->tree->Model();
        QCOMPARE(m.ItemCount(), std::size_t(80));
        QCOMPARE(m.rowCount(), 76);  // 80 minus the four replies
        const TreeItem alpha = Item(31), beta = Item(32), charlie = Item(34);
        QCOMPARE(host->tree->GetParentItem(alpha), kTreeRoot);
        QCOMPARE(host->tree->GetParentItem(beta), alpha);
        QCOMPARE(host->tree->GetParentItem(charlie), Item(33));
        QCOMPARE(m.Image(alpha, false), 0);
        QCOMPARE(m.Image(alpha, true), 1);
        QCOMPARE(m.Image(charlie, false), 2);
        QCOMPARE(m.Image(charlie, true), 3);
        QCOMPARE(m.data(m.IndexOf(alpha)).toString(), QStringLiteral(u"Alpha 雪の日の写真"));
        // The child links agree with the parent links, and the rows are the
        // shown items: the replies of a collapsed item have none.
        const QModelIndex ai = m.IndexOf(alpha);
        QCOMPARE(m.FirstChild(kTreeRoot), Item(1));
        QCOMPARE(m.FirstChild(alpha), beta);
        QCOMPARE(m.NextSibling(beta), kNoItem);
        QCOMPARE(m.NextSibling(alpha), Item(35));
        QCOMPARE(m.FirstChild(charlie), kNoItem);
        QCOMPARE(m.index(30, 0), ai);
        QVERIFY(!m.IndexOf(beta).isValid());
        QCOMPARE(m.Depth(charlie), 3);
        // Nothing is expanded or selected after a rebuild; the pane is empty.
        QVERIFY(!host->tree->IsExpanded(alpha));
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QVERIFY(!host->text->GetComment());
    }

    void selectingShowsTheMessage() {
        host->tree->SelectItem(Item(34));
        QCOMPARE(host->tree->GetSelectedItem(), Item(34));
        QCOMPARE(ShownNumber(*host), 34);
        QCOMPARE(host->text->toPlainText(), QStringLiteral("reply three\n"));
        QVERIFY(host->tree->IsExpanded(Item(31)) && host->tree->IsExpanded(Item(33)));
        // The selected item opens its mouth.
        const CTitleTreeModel& m = host->tree->Model();
        const auto face = [&](int n) {
            return m.data(m.IndexOf(Item(n)), Qt::DecorationRole).value<QIcon>().cacheKey();
        };
        QCOMPARE(face(34), CTitleTreeModel::FaceIcon(3).cacheKey());
        QCOMPARE(face(33), CTitleTreeModel::FaceIcon(2).cacheKey());

        // Arrow keys move the selection, and the text follows.
        host->tree->setFocus();
        QTest::keyClick(host->tree, Qt::Key_Up);
        QCOMPARE(ShownNumber(*host), 33);
        QCOMPARE(face(33), CTitleTreeModel::FaceIcon(3).cacheKey());
        QCOMPARE(face(34), CTitleTreeModel::FaceIcon(2).cacheKey());

        // A click on a title shows that message.
        const QRect r = host->tree->visualRect(host->tree->Model().IndexOf(Item(32)));
        QTest::mouseClick(host->tree->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(ShownNumber(*host), 32);
        QCOMPARE(host->text->CellTexts()[1], QStringLiteral(u"発言番号　：　32"));
    }

    void clearingDoesNotShowMessages() {
        host->tree->SelectItem(Item(33));
        QCOMPARE(ShownNumber(*host), 33);
        host->textViewRequests = 0;
        host->tree->ClearTree();
        // One request: the ClearComment; the deletion's selection changes
        // never reach the text view.
        QCOMPARE(host->textViewRequests, 1);
        QVERIFY(!host->text->GetComment());
        QVERIFY(host->text->toPlainText().isEmpty());
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QCOMPARE(host->tree->Model().ItemCount(), std::size_t(0));
        QVERIFY(!host->tree->IsClearing());
    }

    void rebuildEmptiesTheTextView() {
        host->tree->SelectItem(Item(2));
        doc->BuildTree();
        QVERIFY(!host->text->GetComment());
        QCOMPARE(host->text->CellTexts()[0], QStringLiteral(u"タイトル　：　"));
        QCOMPARE(doc->GetTreeItems().size(), std::size_t(80));
    }

    void tabMovesBetweenPanes() {
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
        host->tree->setFocus();
        QTRY_VERIFY(host->tree->hasFocus());
        QTest::keyClick(host->tree, Qt::Key_Tab);
        QTRY_VERIFY(host->text->hasFocus());
        QTest::keyClick(host->text, Qt::Key_Tab);
        QTRY_VERIFY(host->tree->hasFocus());
        QTest::keyClick(host->tree, Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_VERIFY(host->text->hasFocus());
    }

    void typedLettersDoNothing() {
        host->tree->SelectItem(Item(1));
        host->tree->setFocus();
        // Without swallowing, "d" would jump to "Delta" and "r" to a root.
        QTest::keyClicks(host->tree, QStringLiteral("dr e"));
        QCOMPARE(host->tree->GetSelectedItem(), Item(1));
        QCOMPARE(ShownNumber(*host), 1);
        // The keypad's plus and minus still expand and collapse.
        host->tree->SelectItem(Item(35));
        QTest::keyClick(host->tree, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(host->tree->IsExpanded(Item(35)));
        QTest::keyClick(host->tree, Qt::Key_Minus, Qt::KeypadModifier);
        QVERIFY(!host->tree->IsExpanded(Item(35)));
    }

    void focusOnAnUnselectedTreeSelectsWhatItShows() {
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
        host->text->setFocus();
        QTRY_VERIFY(host->text->hasFocus());
        QTest::keyClick(host->text, Qt::Key_Tab);
        QTRY_VERIFY(host->tree->hasFocus());
        if (ShownNumber(*host) != -1) {
            // Whatever the text view shows is the visibly selected item.
            QVERIFY(host->tree->GetSelectedItem() != kNoItem);
            QVERIFY(host->tree->selectionModel()->isSelected(host->tree->currentIndex()));
        }
    }

    void backspaceStepsToTheParent() {
        host->tree->SelectItem(Item(33));
        host->tree->setFocus();
        const TreeItem parent = host->tree->GetParentItem(Item(33));
        QVERIFY(parent != kNoItem && parent != kTreeRoot);
        QTest::keyClick(host->tree, Qt::Key_Backspace);
        QCOMPARE(host->tree->GetSelectedItem(), parent);
        // At the top level it stays where it is.
        host->tree->SelectItem(Item(1));
        QTest::keyClick(host->tree, Qt::Key_Backspace);
        QCOMPARE(host->tree->GetSelectedItem(), Item(1));
    }

    void expandAllKeepsTheSelectionAtTheTop() {
        host->tree->SelectItem(Item(33));
        host->tree->Collapse(Item(31));  // the selection moves up to 31
        QCOMPARE(host->tree->GetSelectedItem(), Item(31));
        host->tree->SelectItem(Item(32));
        OnExpandAll(*doc, *host);
        for (int n : {31, 32, 33, 35}) QVERIFY(host->tree->IsExpanded(Item(n)));
        QCOMPARE(host->tree->GetSelectedItem(), Item(32));
        QCOMPARE(ShownNumber(*host), 32);
        QCOMPARE(host->tree->GetFirstVisibleItem(), Item(32));

        // Near the end the tree cannot scroll that far: it stops at its end.
        host->tree->SelectItem(Item(79));
        OnExpandAll(*doc, *host);
        QScrollBar* sb = host->tree->verticalScrollBar();
        QCOMPARE(sb->value(), sb->maximum());
        QCOMPARE(host->tree->GetSelectedItem(), Item(79));
    }

    void collapseAllSelectsTheTopLevelAncestor() {
        host->tree->SelectItem(Item(34));  // three levels below 31
        OnCollapseAll(*doc, *host);
        for (int n : {31, 32, 33, 35}) QVERIFY(!host->tree->IsExpanded(Item(n)));
        QCOMPARE(host->tree->GetSelectedItem(), Item(31));
        QCOMPARE(ShownNumber(*host), 31);
        QCOMPARE(host->tree->GetFirstVisibleItem(), Item(31));
    }

    void nothingSelectedChangesNothing() {
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QScrollBar* sb = host->tree->verticalScrollBar();
        OnExpandAll(*doc, *host);
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QCOMPARE(sb->value(), 0);
        QVERIFY(host->tree->IsExpanded(Item(31)));
        OnCollapseAll(*doc, *host);
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QCOMPARE(sb->value(), 0);
        QVERIFY(!host->text->GetComment());
    }

    void commandsNeedMessages() {
        QVERIFY(OnUpdateExpandAll(*doc));
        QVERIFY(OnUpdateCollapseAll(*doc));
        COrvDoc empty;
        QVERIFY(!OnUpdateExpandAll(empty));
        QVERIFY(!OnUpdateCollapseAll(empty));
    }

    void deletingTheSelectedSubtree() {
        host->tree->SelectItem(Item(32));
        QVERIFY(doc->OnUpdateDeleteSelectedTree());
        prompter.answers = {MsgAnswer::No};
        doc->DeleteSelectedTree();
        QCOMPARE(doc->GetTreeItems().size(), std::size_t(80));
        QCOMPARE(prompter.shown.back().id, 60006);
        QCOMPARE(prompter.shown.back().icon, MsgIcon::None);

        prompter.answers = {MsgAnswer::Yes};
        doc->DeleteSelectedTree();
        QCOMPARE(doc->GetTreeItems().size(), std::size_t(77));
        QCOMPARE(Item(32), kNoItem);
        QCOMPARE(Item(34), kNoItem);
        QVERIFY(Item(31) != kNoItem);
        QVERIFY(!host->text->GetComment());  // no pane shows a deleted record
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QVERIFY(!doc->OnUpdateDeleteSelectedTree());
    }

    void focusAfterARebuildSelectsNothing() {
        // Delete a subtree; the rebuilt tree then gets the focus as it does
        // after the question box closes.
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
        host->tree->SelectItem(Item(32));
        prompter.answers = {MsgAnswer::Yes};
        doc->DeleteSelectedTree();
        host->text->setFocus();
        QTRY_VERIFY(host->text->hasFocus());
        QTest::keyClick(host->text, Qt::Key_Tab);
        QTRY_VERIFY(host->tree->hasFocus());
        QCOMPARE(host->tree->GetSelectedItem(), kNoItem);
        QVERIFY(!host->tree->currentIndex().isValid());
        QVERIFY(!doc->OnUpdateDeleteSelectedTree());
        // A second Delete answered Yes removes nothing nobody chose.
        prompter.answers = {MsgAnswer::Yes};
        doc->DeleteSelectedTree();
        QCOMPARE(doc->GetTreeItems().size(), std::size_t(77));
        // The user's arrow key selects.
        QTest::keyClick(host->tree, Qt::Key_Down);
        QCOMPARE(host->tree->GetSelectedItem(), Item(1));
        QVERIFY(doc->OnUpdateDeleteSelectedTree());
    }

    void keysAndButtonsOpenAndClose() {
        CTitleTreeView& tree = *host->tree;
        tree.setFocus();
        tree.SelectItem(Item(31));
        QTest::keyClick(&tree, Qt::Key_Right);  // opens
        QVERIFY(tree.IsExpanded(Item(31)));
        QTest::keyClick(&tree, Qt::Key_Right);  // goes to the first reply
        QCOMPARE(tree.GetSelectedItem(), Item(32));
        QTest::keyClick(&tree, Qt::Key_Left);  // closed: goes to the parent
        QCOMPARE(tree.GetSelectedItem(), Item(31));
        QTest::keyClick(&tree, Qt::Key_Asterisk, Qt::KeypadModifier);  // everything below
        QVERIFY(tree.IsExpanded(Item(32)) && tree.IsExpanded(Item(33)));
        QTest::keyClick(&tree, Qt::Key_Left);
        QVERIFY(!tree.IsExpanded(Item(31)));
        // A click on the button opens or closes without selecting.
        tree.scrollTo(tree.Model().IndexOf(Item(35)));
        const QPoint button = tree.ButtonRect(Item(35)).center();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, button);
        QVERIFY(tree.IsExpanded(Item(35)));
        QCOMPARE(tree.GetSelectedItem(), Item(31));
        // A double click on a title opens or closes it.
        const QPoint title = tree.LabelRect(Item(35)).center();
        QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, title);
        QVERIFY(!tree.IsExpanded(Item(35)));
        QCOMPARE(tree.GetSelectedItem(), Item(35));
        // Closing an item above the selection moves the selection up.
        tree.SelectItem(Item(34));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.ButtonRect(Item(32)).center());
        QCOMPARE(tree.GetSelectedItem(), Item(32));
        QCOMPARE(ShownNumber(*host), 32);
    }

    void clickBelowTheRowsKeepsTheSelection() {
        // A short tree, so that empty space lies below its last row.
        COrvDoc small;
        ImportInto(small, *host, *dir,
                   {{1, -1, "One", "a"}, {2, -1, "Two", "b"}, {3, 1, "Re: One", "c"}}, &prompter);
        CTitleTreeView& tree = *host->tree;
        const TreeItem two = ItemOfNumber(small, tree, 2);
        tree.SelectItem(two);
        const QRect last = tree.visualRect(tree.Model().index(tree.Model().rowCount() - 1, 0));
        const QPoint below(last.left() + 30, last.bottom() + 40);
        QVERIFY(below.y() < tree.viewport()->height());
        QVERIFY(!tree.indexAt(below).isValid());
        const struct {
            const char* what;
            std::function<void()> act;
        } actions[] = {
            {"click", [&] { QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, below); }},
            {"right click",
             [&] { QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, below); }},
            {"double click",
             [&] { QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, below); }},
            {"ctrl click",
             [&] {
                 QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::ControlModifier, below);
             }},
        };
        for (const auto& a : actions) {
            a.act();
            QVERIFY2(tree.GetSelectedItem() == two, a.what);
            // Current and visibly selected, shown, and what Shift+Del would take.
            QVERIFY2(tree.selectionModel()->isSelected(tree.currentIndex()), a.what);
            QVERIFY2(tree.selectionModel()->selectedIndexes().size() == 1, a.what);
            QCOMPARE(ShownNumber(*host), 2);
            QVERIFY(small.OnUpdateDeleteSelectedTree());
        }
        tree.ClearTree();
    }

    void firstRootsLineStartsAtItsBox() {
        // The line above an item joins it to the one before; the first item
        // has none, so nothing is drawn between its middle and the top edge.
        CTitleTreeView& tree = *host->tree;
        tree.scrollToTop();
        tree.horizontalScrollBar()->setValue(0);
        const QImage shot = tree.viewport()->grab().toImage();
        const QColor background = tree.viewport()->palette().color(QPalette::Base);
        const auto linePixels = [&](int n) {
            const QRect cell = tree.ButtonRect(Item(n));
            int count = 0;
            for (int y = cell.top(); y < cell.center().y() - 5; ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (shot.pixelColor(x, y) != background) ++count;
            return count;
        };
        QCOMPARE(tree.Model().ItemAt(0), Item(1));
        QCOMPARE(linePixels(1), 0);
        QVERIFY(linePixels(2) > 0);  // the second root's line comes from the first
    }

    void deepTitlesStayReadable() {
        // A chain 60 deep under a root: past 40 levels the indentation stops.
        std::vector<Msg> msgs = {{1, -1, "Top", "body"}};
        for (int n = 2; n <= 61; ++n)
            msgs.push_back({n, n - 1,
                            "RE:" + std::string(n == 61 ? "a long title at the very end" : "x"),
                            "body"});
        COrvDoc deep;
        ImportInto(deep, *host, *dir, msgs, &prompter);
        CTitleTreeView& tree = *host->tree;
        const auto item = [&](int n) { return ItemOfNumber(deep, tree, n); };
        tree.SelectItem(item(61));
        const int indent = tree.indentation();
        QCOMPARE(tree.LabelStart(item(40)) - tree.LabelStart(item(39)), indent);
        const int deepest = tree.ButtonRect(item(61)).left();
        QCOMPARE(tree.ButtonRect(item(45)).left(), deepest);
        QCOMPARE(tree.ButtonRect(item(41)).left(), deepest);
        QCOMPARE(tree.ButtonRect(item(40)).left(), deepest - indent);
        // The pane scrolled sideways to the selected title, from its button.
        QScrollBar* hbar = tree.horizontalScrollBar();
        QVERIFY(hbar->maximum() > 0);
        QVERIFY(hbar->value() > 0);
        QVERIFY(tree.ButtonRect(item(61)).left() >= 0);
        // A title cut at the edge shows whole as a tooltip; one in full view does not.
        hbar->setValue(tree.LabelStart(item(61)) + 3 * indent - tree.viewport()->width());
        const QRect cut = tree.LabelRect(item(61));
        QVERIFY(cut.left() >= 0);
        QVERIFY(cut.right() >= tree.viewport()->width());
        QHelpEvent over(QEvent::ToolTip, cut.center(), tree.viewport()->mapToGlobal(cut.center()));
        QCoreApplication::sendEvent(tree.viewport(), &over);
        QCOMPARE(QToolTip::text(), QStringLiteral("RE:a long title at the very end"));
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        hbar->setValue(0);
        const QRect whole = tree.LabelRect(item(1));
        QHelpEvent short_(QEvent::ToolTip, whole.center(),
                          tree.viewport()->mapToGlobal(whole.center()));
        QCoreApplication::sendEvent(tree.viewport(), &short_);
        QVERIFY(!QToolTip::isVisible());
        tree.ClearTree();  // no pane keeps a record of this document
    }

    void sidewaysRangeEndsAtTheWidestRow() {
        // Wherever a deep chain is scrolled, the pane scrolls sideways just
        // far enough to show the widest row in view, never into blank space.
        for (const int depth : {30, 60, 1000}) {
            COrvDoc deep;
            DocPorts ports;
            ports.tree = host->tree;
            deep.SetPorts(ports);
            FillChain(deep, depth);
            deep.BuildTree();
            CTitleTreeView& tree = *host->tree;
            OnExpandAll(deep, *host);
            const auto check = [&](const char* where) {
                QCoreApplication::processEvents();
                const int first = tree.verticalScrollBar()->value();
                int widest = tree.viewport()->width();
                for (int r = first; r < tree.Model().rowCount(); ++r) {
                    const TreeItem item = tree.Model().ItemAt(r);
                    if (tree.visualRect(tree.Model().index(r, 0)).top() >=
                        tree.viewport()->height())
                        break;
                    widest = std::max(widest, tree.LabelStart(item) + tree.LabelRect(item).width());
                }
                const int end = tree.horizontalScrollBar()->maximum() + tree.viewport()->width();
                QVERIFY2(std::abs(end - widest) <= 4,
                         qPrintable(QStringLiteral("depth %1, %2: range ends at %3, widest row %4")
                                        .arg(depth)
                                        .arg(QLatin1String(where))
                                        .arg(end)
                                        .arg(widest)));
            };
            check("top");
            tree.setFocus();
            QTest::keyClick(&tree, Qt::Key_Down);
            QTest::keyClick(&tree, Qt::Key_End);
            check("deepest selected");
            tree.horizontalScrollBar()->setValue(tree.horizontalScrollBar()->maximum());
            check("scrolled right");
            tree.verticalScrollBar()->setValue(tree.verticalScrollBar()->maximum() / 2);
            check("middle");
            tree.verticalScrollBar()->setValue(0);
            check("back at the top");
            tree.ClearTree();
            deep.SetPorts(DocPorts());
        }
    }

    void millionLevelChain() {
        // Every message answers the one before: expand all, collapse all,
        // select the deepest by keyboard and as a search hit, delete it.
        constexpr int kDepth = 1000000;
        COrvDoc deep;
        DocPorts ports;
        ports.tree = host->tree;
        ports.prompter = &prompter;
        deep.SetPorts(ports);
        FillChain(deep, kDepth);
        deep.BuildTree();
        CTitleTreeView& tree = *host->tree;
        const CTitleTreeModel& m = tree.Model();
        const TreeItem deepest = deep.GetTreeItems().back();
        QCOMPARE(m.rowCount(), 1);

        OnExpandAll(deep, *host);
        QCOMPARE(m.rowCount(), kDepth);
        tree.viewport()->repaint();
        tree.setFocus();
        QTest::keyClick(&tree, Qt::Key_Down);
        QTest::keyClick(&tree, Qt::Key_End);
        QCOMPARE(tree.GetSelectedItem(), deepest);
        QCOMPARE(ShownNumber(*host), kDepth);
        tree.viewport()->repaint();

        OnCollapseAll(deep, *host);
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(ShownNumber(*host), 1);

        tree.SelectItem(deepest);  // what a search hit does
        QCOMPARE(m.rowCount(), kDepth);
        QCOMPARE(ShownNumber(*host), kDepth);
        QCOMPARE(m.RowOf(deepest), kDepth - 1);
        tree.viewport()->repaint();

        prompter.answers = {MsgAnswer::Yes};
        deep.DeleteSelectedTree();
        QCOMPARE(deep.GetTreeItems().size(), std::size_t(kDepth - 1));
        QCOMPARE(tree.GetSelectedItem(), kNoItem);
        OnExpandAll(deep, *host);
        QCOMPARE(m.rowCount(), kDepth - 1);
        tree.ClearTree();
        deep.SetPorts(DocPorts());
    }

    void insertionsWithRedrawOnAndKeptState() {
        CTitleTreeView& tree = *host->tree;
        tree.ClearTree();
        QCOMPARE(tree.InsertItem("x", 0, 1, 12345), kNoItem);
        // Redraw on: every insertion is shown at once, rows stay right past
        // the walk limit of the row lookup.
        const TreeItem top = tree.InsertItem("top", 0, 1, kTreeRoot);
        std::vector<TreeItem> kids;
        for (int i = 0; i < 100; ++i)
            kids.push_back(tree.InsertItem("kid " + std::to_string(i), 2, 3, top));
        const CTitleTreeModel& m = tree.Model();
        QCOMPARE(m.rowCount(), 1);
        tree.Expand(top);
        QCOMPARE(m.rowCount(), 101);
        for (int i : {0, 50, 63, 64, 99})
            QCOMPARE(m.ItemOf(m.index(i + 1, 0)), kids[static_cast<std::size_t>(i)]);
        // Shown at once under an expanded item, after its last reply.
        const TreeItem late = tree.InsertItem("late", 2, 3, top);
        QCOMPARE(m.ItemAt(101), late);
        QCOMPARE(m.NextSibling(kids[99]), late);
        CCommentStore store;
        CComment* rec = &store.NewRecord();
        rec->SetNumber(7);
        tree.SetItemData(kids[5], rec);
        QCOMPARE(tree.GetItemData(kids[5]), rec);
        QCOMPARE(tree.GetItemData(kNoItem), nullptr);

        // A bulk insertion into a tree with a selection keeps the selection
        // and the expanded items.
        tree.SelectItem(kids[5]);
        QCOMPARE(ShownNumber(*host), 7);
        tree.SetRedraw(false);
        const TreeItem more = tree.InsertItem("more", 2, 3, kids[5]);
        QCOMPARE(tree.GetSelectedItem(), kids[5]);
        tree.SetRedraw(true);
        QCOMPARE(tree.GetSelectedItem(), kids[5]);
        QVERIFY(tree.IsExpanded(top));
        QCOMPARE(tree.GetParentItem(more), kids[5]);
        QCOMPARE(ShownNumber(*host), 7);
        tree.ClearTree();
        QVERIFY(!host->text->GetComment());
    }
};

QTEST_MAIN(TestTitleTreeView)
#include "tst_titletreeview.moc"
