// Searching from the viewer: F3 and Shift+F3, the hit in the tree and the
// text view, typed text that CP932 cannot hold, and Cancel in the search's
// progress dialog.
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/commands.h"
#include "app/progressdlg.h"
#include "findtestutil.h"
#include "res/strings.h"
#include "search/findcontext.h"
#include "search/findengine.h"
#include "search/findoption.h"

using namespace orv;
using namespace orv::cmd;
using namespace orv::test;

namespace {

CProgressDlg* VisibleProgress() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CProgressDlg*>(w); d && d->isVisible()) return d;
    return nullptr;
}

// After a search the window has the keyboard again.
void WaitActive(CMainFrame& f) {
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
}

}  // namespace

class TestFindSearch : public QObject {
    Q_OBJECT
    ScratchSettings m_settings;

private slots:
    void init() { m_settings.Clear(); }

    void keysFindNextAndPreviousAndShowTheHit() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        f->GetTreeView()->setFocus();
        Combo(*f)->setEditText(QStringLiteral("モデム"));  // in the text of message 3 only
        QTest::keyClick(f->GetTreeView(), Qt::Key_F3);
        QCOMPARE(SelectedNumber(*f), 3);
        QCOMPARE(f->GetTextView()->GetComment()->GetNumber(), 3);
        QVERIFY(f->GetTextView()->toPlainText().contains(QStringLiteral("モデムの設定")));
        WaitActive(*f);
        // The hit itself is never tested again: no second hit ahead, and none behind.
        QTest::keyClick(f->GetTreeView(), Qt::Key_F3);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral("\"モデム\" が見つかりません。"));
        WaitActive(*f);
        QTest::keyClick(f->GetTreeView(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(prompter.shown.size(), std::size_t(2));
        QCOMPARE(SelectedNumber(*f), 3);
        // Keys and menu leave the history alone.
        QCOMPARE(Combo(*f)->count(), 0);
        // F3 with the focus in the field searches too.
        SelectNumber(*f, 1);
        WaitActive(*f);
        Combo(*f)->lineEdit()->setFocus();
        QTest::keyClick(Combo(*f)->lineEdit(), Qt::Key_F3);
        QCOMPARE(SelectedNumber(*f), 3);
        QCOMPARE(Combo(*f)->count(), 0);
    }

    void textThatCp932CannotHoldIsNotFound() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        // "はじめ" alone would find message 2; the emoji must not be dropped.
        const QString typed = QStringLiteral("はじめ") + QString::fromUcs4(U"\U0001F600");
        Combo(*f)->setEditText(typed);
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral("\"%1\" が見つかりません。").arg(typed));
        QCOMPARE(SelectedNumber(*f), 1);
        // The next search with a text that converts names it as before.
        Combo(*f)->setEditText(QStringLiteral("é"));
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(QString::fromStdString(prompter.shown[1].text),
                 QStringLiteral("\"é\" が見つかりません。"));
        Combo(*f)->setEditText(QStringLiteral("はじめ"));
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(SelectedNumber(*f), 2);
        QCOMPARE(prompter.shown.size(), std::size_t(2));
    }

    void typedTextConversion() {
        bool unmappable = true;
        QCOMPARE(TypedTextToCp932("ABC ｶﾞ", &unmappable), std::string("ABC \xB6\xDE"));
        QVERIFY(!unmappable);
        QCOMPARE(TypedTextToCp932("\xE3\x81\x82", &unmappable), std::string("\x82\xA0"));  // あ
        const std::string mixed = TypedTextToCp932(
            "a\xF0\x9F\x98\x80"
            "b\xC3\xA9",
            &unmappable);
        QVERIFY(unmappable);
        QCOMPARE(mixed, std::string("a") + kUnmappableChar + "b" + kUnmappableChar);
        // The stand-in matches nothing, not even itself, under any folding.
        int minLen = 0, maxLen = 0;
        QVERIFY(GetSearchLengths(mixed, minLen, maxLen));
        for (std::uint32_t flags : {0u, NORM_IGNORECASE | NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE}) {
            QVERIFY(!FieldMatches(flags, mixed, mixed, minLen, maxLen));
            QVERIFY(!FieldMatches(flags,
                                  "xa\x81\x7F"
                                  "b\x81\x7F",
                                  mixed, minLen, maxLen));
        }
        QCOMPARE(TypedTextToCp932(""), std::string());
    }

    void cancelLeavesTheSelectionWhereItWas() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        f->GetTreeView()->setFocus();
        Combo(*f)->setEditText(QStringLiteral("オフ会"));  // a hit lies ahead
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            // Runs inside the search: the window takes no input, the dialog
            // stands in cancel mode and takes the click.
            CProgressDlg* dlg = VisibleProgress();
            QVERIFY(dlg);
            seen = true;
            QVERIFY(CProgressDlg::BlocksInput(f.get()));
            QVERIFY(f->isEnabled());  // blocked, not greyed
            QVERIFY(dlg->IsCancelMode());
            QCOMPARE(dlg->windowTitle(), QStringLiteral("経過"));
            auto* cancel = dlg->findChild<QPushButton*>();
            QVERIFY(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QVERIFY(seen);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_CANCELLED});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Information);
        QCOMPARE(SelectedNumber(*f), 1);
        QCOMPARE(f->GetTextView()->GetComment()->GetNumber(), 1);
        QVERIFY(f->isEnabled());
        QVERIFY(!VisibleProgress());
        QTRY_VERIFY(f->GetTreeView()->hasFocus());
        // Without a cancel the same search finds the hit.
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(SelectedNumber(*f), 7);
    }
};

QTEST_MAIN(TestFindSearch)
#include "tst_findsearch.moc"
