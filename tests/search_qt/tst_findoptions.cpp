// The search options: the seven switches with their menu, buttons and check
// marks, their effect on the find commands and searches, and the option
// word kept in "FindSettings" between runs.
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QtTest>

#include "app/commands.h"
#include "app/orvapp.h"
#include "findtestutil.h"
#include "res/strings.h"
#include "search/findoption.h"

using namespace orv;
using namespace orv::cmd;
using namespace orv::test;

namespace {

struct Switch {
    int id;
    std::uint32_t bit;
    const char* text;
};
const Switch kSwitches[] = {
    {ID_FIND_TITLE, FIND_TITLE, "タイトル文字列を検索(&T)"},
    {ID_FIND_CONTENT, FIND_CONTENT, "発言内容を検索(&O)"},
    {ID_FIND_AUTHOR, FIND_AUTHOR, "発言者を検索(&N)"},
    {ID_FIND_AUTHORID, FIND_AUTHORID, "発言者IDを検索(&I)"},
    {ID_FIND_IGNORECASE, FIND_IGNORECASE, "大文字／小文字同一視(&S)"},
    {ID_FIND_IGNOREWIDTH, FIND_IGNOREWIDTH, "全角／半角同一視(&W)"},
    {ID_FIND_IGNOREKANA, FIND_IGNOREKANA, "ひらがな／カタカナ同一視(&H)"},
};

QMenu* TopMenu(CMainFrame& f, const QString& title) {
    for (QAction* a : f.menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

std::uint32_t StoredOption() {
    return static_cast<std::uint32_t>(settings::ReadInt(settings::kSecFind, "FindOption", -1));
}

}  // namespace

class TestFindOptions : public QObject {
    Q_OBJECT
    ScratchSettings m_settings;

    static COrvApp& App() { return *COrvApp::GetApp(); }

private slots:
    void init() { m_settings.Clear(); }

    void optionWordInTheSettings() {
        App().m_nFindOption = 0;
        App().LoadFindOption();
        QCOMPARE(App().m_nFindOption, 3u);
        App().SaveFindOption();
        QCOMPARE(StoredOption(), 3u);
        // Every bit is kept, the highest one included.
        App().m_nFindOption = 0x80008003u;
        App().SaveFindOption();
        App().m_nFindOption = 0;
        App().LoadFindOption();
        QCOMPARE(App().m_nFindOption, 0x80008003u);
    }

    void eachSwitchFlipsItsBitAndShowsIt() {
        auto f = OpenFrame(nullptr, false);
        std::uint32_t option = 0x8003;
        f->SetFindOptionStore(&option);
        f->Commands().UpdateAll();
        CFindBar* bar = Bar(*f);
        for (const Switch& s : kSwitches) {
            QAction* a = f->Commands().Action(s.id);
            const std::uint32_t before = option;
            QCOMPARE(a->isChecked(), (before & s.bit) != 0);
            QVERIFY(f->Commands().Execute(s.id));
            QCOMPARE(option, before ^ s.bit);
            QCOMPARE(a->isChecked(), (option & s.bit) != 0);
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
            QVERIFY(button);
            QCOMPARE(button->isChecked(), (option & s.bit) != 0);
            // The button does the same as the menu item.
            button->click();
            QCOMPARE(option, before);
            QCOMPARE(a->isChecked(), (before & s.bit) != 0);
        }
        QCOMPARE(option, 0x8003u);
    }

    void submenuAndGoMenuInOrder() {
        auto f = OpenFrame(nullptr, false);
        QMenu* edit = TopMenu(*f, QStringLiteral("編集(&E)"));
        QVERIFY(edit);
        QMenu* sub = nullptr;
        for (QAction* a : edit->actions())
            if (a->menu() && a->text() == QStringLiteral("検索条件(&F)")) sub = a->menu();
        QVERIFY(sub);
        const QList<QAction*> items = sub->actions();
        QCOMPARE(items.size(), 8);
        QVERIFY(items[4]->isSeparator());
        int k = 0;
        for (int i = 0; i < 8; ++i) {
            if (i == 4) continue;
            QCOMPARE(items[i]->data().toInt(), kSwitches[k].id);
            QCOMPARE(items[i]->text(), QString::fromUtf8(kSwitches[k].text));
            ++k;
        }

        QMenu* go = TopMenu(*f, QStringLiteral("移動(&G)"));
        QVERIFY(go);
        // The search commands come first; the reading state's follow them.
        const QList<QAction*> moves = go->actions();
        QVERIFY(moves.size() >= 4);
        QCOMPARE(moves[3]->text(), QStringLiteral("ライブラリを検索(&L)..."));
        QCOMPARE(moves[0]->text(), QStringLiteral("前を検索(&P)"));
        QCOMPARE(moves[1]->text(), QStringLiteral("次を検索(&N)"));
        QCOMPARE(moves[1]->shortcut(), QKeySequence(Qt::Key_F3));
    }

    void findCommandsNeedTwoMessagesAndATarget() {
        auto f = OpenFrame(nullptr, false);
        std::uint32_t option = FIND_DEFAULT;
        f->SetFindOptionStore(&option);
        f->Commands().UpdateAll();
        QVERIFY(!f->Commands().Action(ID_FIND_NEXT)->isEnabled());  // empty document
        f->ImportLogs({SampleLog()});
        QVERIFY(f->Commands().Action(ID_FIND_NEXT)->isEnabled());
        QVERIFY(f->Commands().Action(ID_FIND_PREV)->isEnabled());
        for (int id : {ID_FIND_TITLE, ID_FIND_CONTENT}) f->Commands().Execute(id);
        QCOMPARE(option & FIND_TARGETS, 0u);
        QVERIFY(!f->Commands().Action(ID_FIND_NEXT)->isEnabled());
        QVERIFY(!f->Commands().Action(ID_FIND_PREV)->isEnabled());
        for (const Switch& s : kSwitches) QVERIFY(f->Commands().Action(s.id)->isEnabled());
        // Any one target is enough.
        f->Commands().Execute(ID_FIND_AUTHORID);
        QVERIFY(f->Commands().Action(ID_FIND_NEXT)->isEnabled());
    }

    void foldingTakesEffectAtTheNextSearch() {
        FakePrompter prompter;
        auto f = OpenFrame(&prompter, true);
        std::uint32_t option = 0x8003;  // searches as 3 does
        f->SetFindOptionStore(&option);
        SelectNumber(*f, 1);
        TypeInField(*f, QStringLiteral("ａｂｃ"));
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(prompter.Ids(), std::vector<int>{res::IDS_FIND_NOTFOUND});
        QCOMPARE(SelectedNumber(*f), 1);
        f->Commands().Execute(ID_FIND_IGNORECASE);
        QCOMPARE(f->GetFindText(), QStringLiteral("ａｂｃ"));  // the field keeps its text
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(prompter.shown.size(), std::size_t(1));
        QCOMPARE(SelectedNumber(*f), 12);
        // Width folding alone: the ASCII text finds the full-width one too.
        SelectNumber(*f, 1);
        f->Commands().Execute(ID_FIND_IGNORECASE);
        f->Commands().Execute(ID_FIND_IGNOREWIDTH);
        TypeInField(*f, QStringLiteral("ABC"));
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(SelectedNumber(*f), 12);
        // Author ID only.
        option = FIND_AUTHORID;
        SelectNumber(*f, 1);
        TypeInField(*f, QStringLiteral("QVE01234"));
        QVERIFY(f->Commands().Execute(ID_FIND_NEXT));
        QCOMPARE(SelectedNumber(*f), 7);
    }
};

int main(int argc, char** argv) {
    COrvApp app(argc, argv);
    TestFindOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_findoptions.moc"
