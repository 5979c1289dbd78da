// The search bar: its layout, the history (order, case, limit, loading and
// saving) and the keys of the search-string box.
#include <QAbstractItemView>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

#include "app/commands.h"
#include "findtestutil.h"
#include "res/strings.h"
#include "search/findoption.h"

using namespace orv;
using namespace orv::cmd;
using namespace orv::test;

class TestFindBar : public QObject {
    Q_OBJECT
    ScratchSettings m_settings;

    static void Enter(CMainFrame& f, const QString& text) {
        TypeInField(f, text);
        PressInField(f, Qt::Key_Tab);
    }

private slots:
    void init() { m_settings.Clear(); }

    void barHoldsBoxGapAndNineButtons() {
        auto f = OpenFrame(nullptr, false);
        CFindBar* bar = Bar(*f);
        QCOMPARE(bar->windowTitle(), QStringLiteral("検索"));
        QCOMPARE(f->toolBarArea(bar), Qt::TopToolBarArea);
        QVERIFY(bar->isVisible());
        // The tool bar stands above the search bar.
        QVERIFY(f->ToolBar()->geometry().bottom() < bar->geometry().top() + 1);

        const QList<QAction*> items = bar->actions();
        QCOMPARE(items.size(), 14);
        QCOMPARE(bar->widgetForAction(items[0]), static_cast<QWidget*>(Combo(*f)));
        QVERIFY(items[1]->isSeparator());
        const int ids[] = {
            ID_FIND_PREV,        ID_FIND_NEXT,      ID_FIND_ALL,      0, ID_FIND_TITLE,
            ID_FIND_CONTENT,     ID_FIND_AUTHOR,    ID_FIND_AUTHORID, 0, ID_FIND_IGNORECASE,
            ID_FIND_IGNOREWIDTH, ID_FIND_IGNOREKANA};
        for (int i = 0; i < 12; ++i) {
            QAction* a = items[i + 2];
            if (ids[i] == 0) {
                QVERIFY(a->isSeparator());
                continue;
            }
            QCOMPARE(a->data().toInt(), ids[i]);
            QVERIFY2(!a->icon().isNull(), qPrintable(QString::number(ids[i])));
        }

        CFindStrCombo* c = Combo(*f);
        QCOMPARE(c->width(), 200);
        QCOMPARE(c->toolTip(), QStringLiteral("検索文字列"));
        QCOMPARE(c->statusTip(), QStringLiteral("検索文字列の指定"));
    }

    void historyKeepsLatestFirstAndReplacesOtherCase() {
        auto f = OpenFrame(nullptr, false);
        Enter(*f, QStringLiteral("abcdef"));
        Enter(*f, QStringLiteral("ﾊﾟｿｺﾝ"));
        Enter(*f, QStringLiteral("abc"));  // a beginning of an entry is an entry of its own
        QCOMPARE(Entries(*f), (QStringList{"abc", "ﾊﾟｿｺﾝ", "abcdef"}));
        Enter(*f, QStringLiteral("ABCDEF"));
        QCOMPARE(Entries(*f), (QStringList{"ABCDEF", "abc", "ﾊﾟｿｺﾝ"}));
        QCOMPARE(f->GetFindText(), QStringLiteral("ABCDEF"));
        // Full-width letters differ in case too.
        Enter(*f, QStringLiteral("ａｂｃ"));
        Enter(*f, QStringLiteral("ＡＢＣ"));
        QCOMPARE(Entries(*f), (QStringList{"ＡＢＣ", "ABCDEF", "abc", "ﾊﾟｿｺﾝ"}));
        // The same text again moves to the top; an empty field records nothing.
        Enter(*f, QStringLiteral("abc"));
        QCOMPARE(Entries(*f), (QStringList{"abc", "ＡＢＣ", "ABCDEF", "ﾊﾟｿｺﾝ"}));
        Enter(*f, QString());
        QCOMPARE(Combo(*f)->count(), 4);
    }

    void twentyFirstEntryPushesOutTheOldest() {
        auto f = OpenFrame(nullptr, false);
        for (int i = 1; i <= 21; ++i) Enter(*f, QStringLiteral("t%1").arg(i));
        const QStringList e = Entries(*f);
        QCOMPARE(e.size(), 20);
        QCOMPARE(e.front(), QStringLiteral("t21"));
        QCOMPARE(e.back(), QStringLiteral("t2"));
        // Re-entering one of them keeps twenty.
        Enter(*f, QStringLiteral("t10"));
        QCOMPARE(Combo(*f)->count(), 20);
        QCOMPARE(Entries(*f).front(), QStringLiteral("t10"));
        QCOMPARE(Entries(*f).back(), QStringLiteral("t2"));
    }

    void historySavedAndLoadedAcrossWindows() {
        {
            auto f = OpenFrame(nullptr, false);
            Enter(*f, QStringLiteral("一"));
            Enter(*f, QStringLiteral("two"));
            Enter(*f, QStringLiteral("三"));
            f->SaveFrameSettings();
        }
        QCOMPARE(settings::ReadInt(settings::kSecFind, "StrNum", -1), 3);
        QCOMPARE(settings::ReadString(settings::kSecFind, "String0"), QStringLiteral("三"));
        QCOMPARE(settings::ReadString(settings::kSecFind, "String2"), QStringLiteral("一"));
        auto f = OpenFrame(nullptr, false);
        QCOMPARE(Entries(*f), (QStringList{"三", "two", "一"}));
        QVERIFY(f->GetFindText().isEmpty());  // the field starts empty
    }

    void loadingStopsAtFirstEmptyOrMissingValue() {
        settings::WriteInt(settings::kSecFind, "StrNum", 3);
        settings::WriteString(settings::kSecFind, "String0", "first");
        settings::WriteString(settings::kSecFind, "String1", "");
        settings::WriteString(settings::kSecFind, "String2", "third");
        {
            auto f = OpenFrame(nullptr, false);
            QCOMPARE(Entries(*f), QStringList{"first"});
        }
        // StrNum beyond the values that exist; values past StrNum are ignored.
        settings::WriteInt(settings::kSecFind, "StrNum", 5);
        settings::WriteString(settings::kSecFind, "String1", "second");
        {
            auto f = OpenFrame(nullptr, false);
            QCOMPARE(Entries(*f), (QStringList{"first", "second", "third"}));
        }
        settings::WriteInt(settings::kSecFind, "StrNum", 1);
        auto f = OpenFrame(nullptr, false);
        QCOMPARE(Entries(*f), QStringList{"first"});
        // Saving writes StrNum and leaves older values alone.
        f->SaveFrameSettings();
        QCOMPARE(settings::ReadInt(settings::kSecFind, "StrNum", -1), 1);
        QCOMPARE(settings::ReadString(settings::kSecFind, "String2"), QStringLiteral("third"));
    }

    void tabAndEscapeRecordWithoutSearching() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Backtab}) {
            TypeInField(*f, QStringLiteral("オフ会"));
            PressInField(*f, key);
            QCOMPARE(Entries(*f), QStringList{"オフ会"});
            QVERIFY(f->GetTreeView()->hasFocus());
            QCOMPARE(SelectedNumber(*f), 1);
        }
        QVERIFY(prompter.shown.empty());
    }

    void enterRecordsAndFindsNextShiftEnterPrevious() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        TypeInField(*f, QStringLiteral("オフ会"));
        PressInField(*f, Qt::Key_Return);
        QCOMPARE(Entries(*f), QStringList{"オフ会"});
        QCOMPARE(SelectedNumber(*f), 7);
        QTRY_VERIFY(f->GetTreeView()->hasFocus());
        QCOMPARE(Utf8(f->GetTextView()->GetComment()->GetTitle()),
                 QStringLiteral("オフ会のお知らせ"));
        PressInField(*f, Qt::Key_Enter);  // the key pad's Enter
        const int second = SelectedNumber(*f);
        QVERIFY(second != 7 && second != 0);
        PressInField(*f, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(SelectedNumber(*f), 7);
        QCOMPARE(Entries(*f), QStringList{"オフ会"});
        QVERIFY(prompter.shown.empty());
    }

    void enterWithEmptyFieldReportsBadText() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        TypeInField(*f, QString());
        PressInField(*f, Qt::Key_Return);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_BADTEXT});
        QCOMPARE(prompter.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(f->GetTreeView()->hasFocus());
        QCOMPARE(SelectedNumber(*f), 1);
        QCOMPARE(Combo(*f)->count(), 0);
    }

    void enterSearchesWhileTheCommandsAreDisabled() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        std::uint32_t option = FIND_IGNORECASE;  // no target chosen
        f->SetFindOptionStore(&option);
        f->Commands().UpdateAll();
        QVERIFY(!f->Commands().Action(ID_FIND_NEXT)->isEnabled());
        SelectNumber(*f, 1);
        TypeInField(*f, QStringLiteral("はじめまして"));
        PressInField(*f, Qt::Key_Return);
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral("\"はじめまして\" が見つかりません。"));
        QCOMPARE(SelectedNumber(*f), 1);
        // F3 goes through the command state and does nothing.
        QVERIFY(!f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(prompter.shown.size(), std::size_t(1));
    }

    void upAndDownDropTheListDown() {
        auto f = OpenFrame(nullptr, false);
        Enter(*f, QStringLiteral("one"));
        Enter(*f, QStringLiteral("two"));
        TypeInField(*f, QStringLiteral("typed"));
        CFindStrCombo* c = Combo(*f);
        PressInField(*f, Qt::Key_Down);
        QTRY_VERIFY(c->view()->isVisible());
        QCOMPARE(c->FieldText(), QStringLiteral("typed"));  // not stepped to an entry
        // In the open list Down moves; Enter takes the entry, records and searches.
        QTest::keyClick(c->view(), Qt::Key_Down);
        QTest::keyClick(c->view(), Qt::Key_Return);
        QTRY_VERIFY(!c->view()->isVisible());
        QCOMPARE(Entries(*f).front(), c->FieldText());
        QCOMPARE(c->count(), 2);

        TypeInField(*f, QStringLiteral("typed"));
        PressInField(*f, Qt::Key_Up);
        QTRY_VERIFY(c->view()->isVisible());
        c->hidePopup();
        QTRY_VERIFY(!c->view()->isVisible());
        // With Ctrl the key is the box's own and opens nothing.
        PressInField(*f, Qt::Key_Down, Qt::ControlModifier);
        QVERIFY(!c->view()->isVisible());
    }

    void tabAndEscapeInTheOpenListRecordAndLeave() {
        auto f = OpenFrame(nullptr, true);
        Enter(*f, QStringLiteral("one"));
        CFindStrCombo* c = Combo(*f);
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Tab}) {
            TypeInField(*f, QStringLiteral("typed"));
            PressInField(*f, Qt::Key_Down);
            QTRY_VERIFY(c->view()->isVisible());
            QTest::keyClick(c->view(), key);
            QTRY_VERIFY(!c->view()->isVisible());
            QCOMPARE(Entries(*f).front(), QStringLiteral("typed"));
            QTRY_VERIFY(f->GetTreeView()->hasFocus());
        }
        QCOMPARE(Entries(*f), (QStringList{"typed", "one"}));
    }

    void filesDroppedOnTheFieldAreNotTyped() {
        auto f = OpenFrame(nullptr, false);
        CFindStrCombo* c = Combo(*f);
        QVERIFY(!c->lineEdit()->acceptDrops());
        QVERIFY(!c->acceptDrops());
    }

    void choosingAnEntryNeitherSearchesNorReorders() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        SelectNumber(*f, 1);
        Enter(*f, QStringLiteral("オフ会"));
        Enter(*f, QStringLiteral("雑談"));
        Combo(*f)->setCurrentIndex(1);
        QCOMPARE(f->GetFindText(), QStringLiteral("オフ会"));
        QCOMPARE(Entries(*f), (QStringList{"雑談", "オフ会"}));
        QCOMPARE(SelectedNumber(*f), 1);
        // F3 searches for the field's text and leaves the history alone.
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(SelectedNumber(*f), 7);
        QCOMPARE(Entries(*f), (QStringList{"雑談", "オフ会"}));
        // A chosen entry that is then edited records the edited text.
        Combo(*f)->lineEdit()->setFocus();
        QTest::keyClicks(Combo(*f)->lineEdit(), QStringLiteral("x"));
        PressInField(*f, Qt::Key_Tab);
        QCOMPARE(Entries(*f), (QStringList{"オフ会x", "雑談", "オフ会"}));
        QVERIFY(prompter.shown.empty());
    }

    void spaceInTheFieldTypesASpace() {
        auto f = OpenFrame(nullptr, true);
        TypeInField(*f, QStringLiteral("a"));
        QTest::keyClick(Combo(*f)->lineEdit(), Qt::Key_Space);
        QTest::keyClick(Combo(*f)->lineEdit(), Qt::Key_Space, Qt::ShiftModifier);
        QCOMPARE(f->GetFindText(), QStringLiteral("a  "));
        // The Space command offers the key to the bar first.
        QVERIFY(Bar(*f)->HasFocus());
        f->Commands().Execute(ID_SCROLL_PAGE);
        QCOMPARE(f->GetFindText(), QStringLiteral("a   "));
        // Elsewhere the bar declines it and the text stays.
        f->GetTreeView()->setFocus();
        QVERIFY(!Bar(*f)->HasFocus());
        QVERIFY(!Bar(*f)->HandleSpace());
        f->Commands().Execute(ID_SCROLL_PAGE);
        QCOMPARE(f->GetFindText(), QStringLiteral("a   "));
    }
};

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
