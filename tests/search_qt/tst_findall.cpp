// Find all from the viewer: the command in the menu, on its key and on the
// search bar; the results pane's rows, count, sorting and picking; its
// clearing when the records change; its own settings value; and the marks
// on the matches of a message shown by a search.
#include <QDockWidget>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <cstdlib>

#include "app/commands.h"
#include "app/settings.h"
#include "findtestutil.h"
#include "res/strings.h"
#include "search/findoption.h"
#include "views/findresultspane.h"

using namespace orv;
using namespace orv::cmd;
using namespace orv::test;

namespace {

void WaitActive(CMainFrame& f) {
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
}

// Message numbers of the pane's rows, top to bottom.
std::vector<int> Rows(CMainFrame& f) {
    std::vector<int> numbers;
    CFindResultsModel& m = f.FindResults()->Model();
    for (int r = 0; r < m.rowCount(); ++r)
        numbers.push_back(m.data(m.index(r, CFindResultsModel::kNumber), Qt::DisplayRole).toInt());
    return numbers;
}

using Spans = CTextView::Spans;

// Pixels in the mark's colour on the line of text position pos, painted.
int MarkedPixels(CTextView& view, int pos) {
    QTextCursor c(view.document());
    c.setPosition(pos);
    const QRect line = view.cursorRect(c);
    const QImage shot = view.viewport()->grab().toImage();
    int n = 0;
    for (int x = 0; x < shot.width(); ++x) {
        const QColor px = shot.pixelColor(x, line.center().y());
        if (px.red() > 200 && px.green() > 180 && px.blue() < 120) ++n;
    }
    return n;
}

}  // namespace

class TestFindAll : public QObject {
    Q_OBJECT
    ScratchSettings m_settings;

private slots:
    void init() { m_settings.Clear(); }

    void menuKeyAndButtonListEveryHit() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        QAction* all = f->Commands().Action(ID_FIND_ALL);
        // After find next in the Go menu, after the find buttons on the bar.
        QMenu* go = nullptr;
        for (QAction* a : f->menuBar()->actions())
            if (a->text() == QStringLiteral("移動(&G)")) go = a->menu();
        QVERIFY(go);
        QCOMPARE(go->actions().value(2), all);
        QCOMPARE(all->text(), QStringLiteral("すべて検索(&A)"));
        QCOMPARE(all->statusTip(), QStringLiteral("指定した条件に合うすべての発言を検索"));
        QCOMPARE(all->toolTip(), QStringLiteral("すべて検索"));
        const QList<QAction*> bar = Bar(*f)->actions();
        QCOMPARE(bar.indexOf(all), bar.indexOf(f->Commands().Action(ID_FIND_NEXT)) + 1);
        QVERIFY(!all->icon().isNull());
        QVERIFY(!f->FindResults()->isVisible());

        // The menu: the text is recorded as Enter records it.
        SelectNumber(*f, 8);
        TypeInField(*f, QStringLiteral("オフ会"));
        go->popup(QPoint(0, 0));  // runs the update handlers
        QVERIFY(all->isEnabled());
        go->hide();
        all->trigger();
        QCOMPARE(Entries(*f), QStringList{QStringLiteral("オフ会")});
        QVERIFY(f->FindResults()->isVisible());
        QCOMPARE(f->dockWidgetArea(f->FindResults()), Qt::BottomDockWidgetArea);
        QCOMPARE(Rows(*f), (std::vector<int>{7, 8, 10, 11}));  // tree order, the selection too
        QCOMPARE(f->FindResults()->windowTitle(), QStringLiteral("検索結果 - 4 件"));
        QCOMPARE(SelectedNumber(*f), 8);  // nothing is selected by the search itself
        QVERIFY(prompter.shown.empty());
        WaitActive(*f);

        // The key, from the tree.
        TypeInField(*f, QStringLiteral("はじめ"));
        f->GetTreeView()->setFocus();
        QTest::keyClick(f->GetTreeView(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Rows(*f), (std::vector<int>{1, 2, 4}));
        WaitActive(*f);

        // The button; a text found nowhere says so and leaves an empty list.
        TypeInField(*f, QStringLiteral("見当たらない"));
        auto* button = qobject_cast<QToolButton*>(Bar(*f)->widgetForAction(all));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
        QCOMPARE(f->FindResults()->Count(), 0);
        QCOMPARE(f->FindResults()->windowTitle(), QStringLiteral("検索結果 - 0 件"));
        QCOMPARE(Entries(*f).size(), 3);
        WaitActive(*f);

        // Enabled exactly when find next is.
        std::uint32_t option = FIND_IGNORECASE;
        f->SetFindOptionStore(&option);
        f->Commands().UpdateAll();
        QVERIFY(!all->isEnabled());
        QVERIFY(!f->Commands().Execute(ID_FIND_ALL));
    }

    void rowsSortAndEnterShowsTheMessageMarked() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        std::uint32_t option = FIND_TITLE | FIND_CONTENT | FIND_IGNOREWIDTH | FIND_IGNOREKANA;
        f->SetFindOptionStore(&option);
        TypeInField(*f, QStringLiteral("ぱそこん"));
        QVERIFY(f->Commands().Execute(ID_FIND_ALL));
        QCOMPARE(Rows(*f), (std::vector<int>{3, 5, 6}));
        QTreeView* list = f->FindResults()->List();
        QCOMPARE(list->model()->data(list->model()->index(1, CFindResultsModel::kTitle)).toString(),
                 QStringLiteral("RE:ﾊﾟｿｺﾝ通信の設定について"));
        QCOMPARE(
            list->model()->data(list->model()->index(1, CFindResultsModel::kDateTime)).toString(),
            QStringLiteral("98/04/02 12:40:33"));
        // A header sorts; the current row stays on its message.
        list->setCurrentIndex(list->model()->index(1, 0));
        list->sortByColumn(CFindResultsModel::kDateTime, Qt::DescendingOrder);
        QCOMPARE(Rows(*f), (std::vector<int>{6, 5, 3}));
        QCOMPARE(list->currentIndex().row(), 1);
        list->sortByColumn(-1, Qt::AscendingOrder);
        QCOMPARE(Rows(*f), (std::vector<int>{3, 5, 6}));

        // Enter shows the row's message with its folded match marked.
        WaitActive(*f);
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(SelectedNumber(*f), 5);
        CTextView* view = f->GetTextView();
        QCOMPARE(view->GetComment()->GetNumber(), 5);
        // "タイトル　：　RE:" is 10 characters; ﾊﾟｿｺﾝ is 5 half-width ones.
        QCOMPARE(view->CellMatchSpans(0), (Spans{{10, 15}}));
        QVERIFY(view->TextMatchSpans().empty());
        // A double-click does the same.
        const QModelIndex third = list->model()->index(2, CFindResultsModel::kTitle);
        list->scrollTo(third);
        QVERIFY(list->visualRect(third).isValid());
        const QPoint at = list->visualRect(third).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);  // a click alone picks nothing
        QCOMPARE(SelectedNumber(*f), 5);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(SelectedNumber(*f), 6);
        QCOMPARE(view->CellMatchSpans(0), (Spans{{10, 15}}));
        // Shown by other means: no marks.
        SelectNumber(*f, 5);
        QVERIFY(view->CellMatchSpans(0).empty());
    }

    void findNextMarksMatchesInTextAndBand() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        f->GetTreeView()->setFocus();
        TypeInField(*f, QStringLiteral("設定"));
        f->GetTreeView()->setFocus();
        QTest::keyClick(f->GetTreeView(), Qt::Key_F3);
        QCOMPARE(SelectedNumber(*f), 3);
        CTextView* view = f->GetTextView();
        const int at = static_cast<int>(view->toPlainText().indexOf(QStringLiteral("設定")));
        QCOMPARE(view->TextMatchSpans(), (Spans{{at, at + 2}}));
        QVERIFY(MarkedPixels(*view, at) > 0);
        QCOMPARE(view->CellMatchSpans(0), (Spans{{15, 17}}));  // "タイトル　：　ﾊﾟｿｺﾝ通信の"
        QVERIFY(view->CellMatchSpans(2).empty());
        QVERIFY(!view->OnUpdateEditCopy());  // the marks are no selection
        WaitActive(*f);
        // A match on the second line of the text, past a line end.
        TypeInField(*f, QStringLiteral("本文"));
        PressInField(*f, Qt::Key_Return);
        QCOMPARE(SelectedNumber(*f), 5);
        const int second = static_cast<int>(view->toPlainText().indexOf(QStringLiteral("本文")));
        QVERIFY(second > view->toPlainText().indexOf(QLatin1Char('\n')));
        QCOMPARE(view->TextMatchSpans(), (Spans{{second, second + 2}}));
        WaitActive(*f);
        // Find previous marks too; a message shown by a click has none.
        f->GetTreeView()->setFocus();
        TypeInField(*f, QStringLiteral("はじめ"));
        f->GetTreeView()->setFocus();
        QTest::keyClick(f->GetTreeView(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(SelectedNumber(*f), 4);
        QCOMPARE(view->CellMatchSpans(0), (Spans{{10, 13}}));
        SelectNumber(*f, 2);
        QVERIFY(view->CellMatchSpans(0).empty());
        QCOMPARE(MarkedPixels(*view, 0), 0);
    }

    void listIsClearedWhenTheRecordsChange() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.mld"));
        QVERIFY(f->DoSave(a));
        QVERIFY(QFile::copy(a, dir.filePath(QStringLiteral("b.mld"))));
        auto fill = [&] {
            TypeInField(*f, QStringLiteral("オフ会"));
            QVERIFY(f->Commands().Execute(ID_FIND_ALL));
            QCOMPARE(f->FindResults()->Count(), 4);
            WaitActive(*f);
        };
        fill();
        QVERIFY(f->OpenDocumentFile(dir.filePath(QStringLiteral("b.mld"))));
        QCOMPARE(f->FindResults()->Count(), 0);
        QCOMPARE(f->FindResults()->windowTitle(), QStringLiteral("検索結果"));

        fill();
        f->ImportLogs({SampleLog()});  // every message already there: nothing changes
        QCOMPARE(f->FindResults()->Count(), 0);

        fill();
        SelectNumber(*f, 7);
        prompter.answers.push_back(MsgAnswer::No);  // 60006: keep it
        QVERIFY(f->Commands().Execute(ID_EDIT_DELETE_TREE));
        QCOMPARE(f->FindResults()->Count(), 4);
        prompter.answers.push_back(MsgAnswer::Yes);
        QVERIFY(f->Commands().Execute(ID_EDIT_DELETE_TREE));
        QCOMPARE(f->FindResults()->Count(), 0);

        TypeInField(*f, QStringLiteral("はじめ"));
        QVERIFY(f->Commands().Execute(ID_FIND_ALL));
        QCOMPARE(f->FindResults()->Count(), 3);
        prompter.defaultAnswer = MsgAnswer::No;  // do not save the changes
        QVERIFY(f->Commands().Execute(ID_FILE_NEW));
        QCOMPARE(f->FindResults()->Count(), 0);
    }

    void paneKeepsItsPlaceOutsideTheBarState() {
        {
            auto f = OpenFrame(nullptr, true);
            TypeInField(*f, QStringLiteral("オフ会"));
            QVERIFY(f->Commands().Execute(ID_FIND_ALL));
            f->removeDockWidget(f->FindResults());
            f->addDockWidget(Qt::RightDockWidgetArea, f->FindResults());
            f->FindResults()->show();
            f->SaveFrameSettings();
            // Still in place after the bar state was taken.
            QCOMPARE(f->dockWidgetArea(f->FindResults()), Qt::RightDockWidgetArea);
            QVERIFY(f->FindResults()->isVisible());
            f->GetDocument().SetModifiedFlag(false);
        }
        const QString own = settings::ReadString(settings::kSecSettings,
                                                 QString::fromUtf8(settings::kValFindResults));
        QVERIFY2(own.startsWith(QStringLiteral("1,2,0,")), qPrintable(own));
        const QByteArray layout = QByteArray::fromBase64(
            settings::Open()->value(QStringLiteral("BarState 2-Summary/Layout")).toByteArray());
        QVERIFY(!layout.isEmpty());
        const QString name = QStringLiteral("findResultsPane");
        QVERIFY(!layout.contains(
            QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2)));
        QVERIFY(!layout.contains(name.toLatin1()));

        // Saved visible, it still starts hidden; a find all shows it where it was.
        auto f = OpenFrame(nullptr, true);
        CFindResultsPane* pane = f->FindResults();
        QCOMPARE(f->dockWidgetArea(pane), Qt::RightDockWidgetArea);
        QVERIFY(!pane->isVisible());
        QCOMPARE(pane->windowTitle(), QStringLiteral("検索結果"));
        const int savedWidth = own.section(QLatin1Char(','), 5, 5).toInt();
        TypeInField(*f, QStringLiteral("オフ会"));
        QVERIFY(f->Commands().Execute(ID_FIND_ALL));
        QVERIFY(pane->isVisible());
        QCOMPARE(f->dockWidgetArea(pane), Qt::RightDockWidgetArea);
        QTRY_VERIFY2(std::abs(pane->width() - savedWidth) <= 8,
                     qPrintable(QStringLiteral("%1 vs %2").arg(pane->width()).arg(savedWidth)));
        f->GetDocument().SetModifiedFlag(false);
    }

    void paneStartsHiddenAndOpensWithRoomForTenRows() {
        {
            // A run that never showed the pane leaves no place for it.
            auto first = OpenFrame(nullptr, true);
            first->SaveFrameSettings();
            first->GetDocument().SetModifiedFlag(false);
        }
        QCOMPARE(settings::ReadString(settings::kSecSettings,
                                      QString::fromUtf8(settings::kValFindResults)),
                 QString());
        auto f = OpenFrame(nullptr, true);
        f->resize(900, 700);
        CFindResultsPane* pane = f->FindResults();
        QVERIFY(!pane->isVisible());
        // 表示: a checkable item right after the search bar's.
        QMenu* view = nullptr;
        for (QAction* a : f->menuBar()->actions())
            if (a->text() == QStringLiteral("表示(&V)")) view = a->menu();
        QVERIFY(view);
        QAction* toggle = f->Commands().Action(ID_VIEW_FINDRESULTS);
        const QList<QAction*> items = view->actions();
        QCOMPARE(items.indexOf(toggle), items.indexOf(f->Commands().Action(ID_VIEW_FINDBAR)) + 1);
        QCOMPARE(toggle->text(), QStringLiteral("検索結果(&R)"));
        f->Commands().UpdateAll();
        QVERIFY(toggle->isCheckable());
        QVERIFY(!toggle->isChecked());

        SelectNumber(*f, 8);
        TypeInField(*f, QStringLiteral("オフ会"));
        QVERIFY(f->Commands().Execute(ID_FIND_ALL));
        QVERIFY(pane->isVisible());
        QVERIFY(toggle->isChecked());
        QTreeView* list = pane->List();
        // The keyboard is on the first row, but no row is drawn as picked.
        QCOMPARE(list->currentIndex().row(), 0);
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(SelectedNumber(*f), 8);
        // Room for about ten rows below the header.
        QTRY_VERIFY(list->viewport()->height() > 0);
        QApplication::processEvents();
        const double rows = double(list->viewport()->height()) / list->sizeHintForRow(0);
        QVERIFY2(rows >= 9 && rows <= 11.5, qPrintable(QString::number(rows)));

        // The menu item hides and shows it at the same place.
        const int height = pane->height();
        QVERIFY(f->Commands().Execute(ID_VIEW_FINDRESULTS));
        QVERIFY(!pane->isVisible());
        QVERIFY(!toggle->isChecked());
        QVERIFY(f->Commands().Execute(ID_VIEW_FINDRESULTS));
        QVERIFY(pane->isVisible());
        QCOMPARE(f->dockWidgetArea(pane), Qt::BottomDockWidgetArea);
        QTRY_COMPARE(pane->height(), height);
        f->GetDocument().SetModifiedFlag(false);
    }

    void sortArrowPointsUpForAscending() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        TypeInField(*f, QStringLiteral("オフ会"));
        QVERIFY(f->Commands().Execute(ID_FIND_ALL));
        QHeaderView* header = f->FindResults()->List()->header();
        QTRY_VERIFY(header->isVisible() && header->width() > 0);
        // The arrow is what differs from the header without one; it is
        // narrow at the top when it points up.
        const auto arrowWidths = [header](int order) {
            if (order < 0)
                header->setSortIndicator(-1, Qt::AscendingOrder);
            else
                header->setSortIndicator(CFindResultsModel::kNumber, Qt::SortOrder(order));
            return header->grab().toImage();
        };
        const QImage none = arrowWidths(-1);
        for (const auto& [order, up] :
             {std::pair{Qt::AscendingOrder, true}, std::pair{Qt::DescendingOrder, false}}) {
            const QImage with = arrowWidths(order);
            QCOMPARE(with.size(), none.size());
            std::vector<int> widths;  // differing pixels per row, rows with any
            for (int y = 0; y < with.height(); ++y) {
                int n = 0;
                for (int x = 0; x < header->sectionSize(CFindResultsModel::kNumber); ++x)
                    if (with.pixel(x, y) != none.pixel(x, y)) ++n;
                if (n) widths.push_back(n);
            }
            QVERIFY(widths.size() >= 3);
            if (up)
                QVERIFY2(widths.front() < widths.back(), "ascending: ▲");
            else
                QVERIFY2(widths.front() > widths.back(), "descending: ▼");
        }
    }
};

QTEST_MAIN(TestFindAll)
#include "tst_findall.moc"
