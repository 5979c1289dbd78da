#include "app/commands.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace orv::cmd {
namespace {

const std::vector<CommandInfo> kCommands = {
    {ID_FILE_NEW, "新規作成(&N)", "新規にファイルを作成\n新規", "Ctrl+N"},
    {ID_FILE_OPEN, "開く(&O)...", "既存のファイルを開く\n開く", "Ctrl+O"},
    {ID_FILE_SAVE, "上書き保存(&S)", "作業中のファイルを上書きして保存\n保存", "Ctrl+S"},
    {ID_FILE_SAVE_AS, "名前を付けて保存(&A)...",
     "作業中のファイルを新しい名前で保存\n名前をつけて保存", ""},
    {ID_FILE_EXPORT_HTML, "HTML 形式で書き出す(&H)...",
     "作業中のファイルを HTML 形式のページとしてフォルダに書き出す\nHTML 形式で書き出す", ""},
    {ID_FILE_IMPORT_LOG, "ログテキスト取り込み(&I)...",
     "テキスト形式の会議室ログファイルを取り込む\n取り込み", ""},
    {ID_FILE_PRINT, "印刷(&P)...", "作業中のファイルを印刷\n印刷", "Ctrl+P"},
    {ID_FILE_PRINT_DIRECT, "", "", ""},
    {ID_FILE_PRINT_PREVIEW, "印刷プレビュー(&V)", "印刷イメージを表示\nプレビュー", ""},
    {ID_FILE_PRINT_SETUP, "プリンタの設定(&R)...", "プリンタ／印刷オプションの変更\n印刷設定", ""},
    {ID_FILE_MRU_FILE1, "最近使ったファイル", "指定のファイルを開く", ""},
    {ID_FILE_MRU_FILE1 + 1, "", "指定のファイルを開く", ""},
    {ID_FILE_MRU_FILE1 + 2, "", "指定のファイルを開く", ""},
    {ID_FILE_MRU_FILE4, "", "指定のファイルを開く", ""},
    {ID_APP_EXIT, "終了(&X)", "アプリケーションを終了し、ファイルの保存を指示\n終了", ""},
    {ID_EDIT_COPY, "コピー(&C)", "選択範囲をコピーしてクリップボードに保存\nコピー",
     "Ctrl+C; Ctrl+Ins"},
    {ID_EDIT_DELETE_TREE, "ツリー削除(&D)", "選択されたツリーの削除\nツリー削除", "Shift+Del"},
    {ID_FIND_TITLE, "タイトル文字列を検索(&T)", "タイトル文字列を検索対象にする\nタイトル検索", ""},
    {ID_FIND_CONTENT, "発言内容を検索(&O)", "発言内容を検索対象にする\n発言内容検索", ""},
    {ID_FIND_AUTHOR, "発言者を検索(&N)", "発言者を検索対象にする\n発言者検索", ""},
    {ID_FIND_AUTHORID, "発言者IDを検索(&I)", "発言者IDを検索対象にする\n発言者ID検索", ""},
    {ID_FIND_IGNORECASE, "大文字／小文字同一視(&S)",
     "検索時に大文字／小文字を同一視する\n大文字／小文字同一視", ""},
    {ID_FIND_IGNOREWIDTH, "全角／半角同一視(&W)",
     "検索時に全角／半角を同一視する\n全角／半角同一視", ""},
    {ID_FIND_IGNOREKANA, "ひらがな／カタカナ同一視(&H)",
     "検索時にひらがな／カタカナを同一視する\nひらがな／カタカナ同一視", ""},
    {ID_VIEW_TOOLBAR, "ツールバー(&T)", "ツールバーの表示／非表示\nツールバーの表示切り替え", ""},
    {ID_VIEW_FINDBAR, "検索バー(&F)", "検索バーの表示／非表示\n検索バーの表示／非表示", ""},
    {ID_VIEW_FINDRESULTS, "検索結果(&R)", "検索結果の表示／非表示\n検索結果の表示／非表示", ""},
    {ID_VIEW_STATUS_BAR, "ステータスバー(&S)",
     "ステータスバーの表示／非表示\nステータスバーの表示切り替え", ""},
    {ID_VIEW_TOPBOTTOM, "上下(&V)", "ビューを上下に分割する\n上下分割", ""},
    {ID_VIEW_SIDEBYSIDE, "左右(&H)", "ビューを左右に分割する\n左右分割", ""},
    {ID_VIEW_FONT, "フォントの変更(&F)...", "コメント表示部のフォント変更\nフォント", ""},
    {ID_VIEW_EXPANDALL, "全ツリー展開(&O)", "すべての発言ツリーを展開\n全ツリー展開", ""},
    {ID_VIEW_COLLAPSEALL, "全ツリー折り畳み(&C)", "すべての発言ツリーを折り畳む\n全ツリー折り畳み",
     ""},
    {ID_FIND_PREV, "前を検索(&P)", "指定した条件に合う前の発言を検索\n前を検索", "Shift+F3"},
    {ID_FIND_NEXT, "次を検索(&N)", "指定した条件に合う次の発言を検索\n次を検索", "F3"},
    {ID_FIND_ALL, "すべて検索(&A)", "指定した条件に合うすべての発言を検索\nすべて検索",
     "Ctrl+Shift+F"},
    {ID_GO_NEXT_UNREAD, "次の未読へ(&U)", "ツリーの順で次の未読の発言へ移動\n次の未読へ", "Ctrl+U"},
    {ID_EDIT_MARK_READ, "既読にする(&M)", "選択した発言とそのコメントを既読にする\n既読にする", ""},
    {ID_EDIT_MARK_UNREAD, "未読にする(&U)", "選択した発言とそのコメントを未読にする\n未読にする",
     ""},
    {ID_EDIT_MARK_ALL_READ, "すべて既読にする(&L)", "すべての発言を既読にする\nすべて既読にする",
     ""},
    {ID_EDIT_BOOKMARK, "しおりを挟む(&B)", "選択した発言にしおりを挟む／外す\nしおり", "Ctrl+B"},
    {ID_GO_BOOKMARKS, "しおり一覧(&K)...", "しおりを挟んだ発言の一覧\nしおり一覧", "Ctrl+Shift+B"},
    {ID_GO_LAST_POSITION, "前回の位置へ(&R)", "前回最後に選択した発言へ移動\n前回の位置へ", ""},
    {ID_VIEW_OPEN_AT_LAST, "開くとき前回の位置へ(&L)",
     "ファイルを開くとき前回最後に選択した発言を選択する\n開くとき前回の位置へ", ""},
    {ID_FIND_LIBRARY, "ライブラリを検索(&L)...", "フォルダーのすべての文書を検索\nライブラリを検索",
     "Ctrl+Shift+L"},
    {ID_HELP_CONTENTS, "目次(&C)", "オンライン ドキュメントの目次を表示", ""},
    {ID_APP_ABOUT, "バージョン情報(&A)...",
     "プログラムの情報、バージョンそして著作権を表示\nバージョン", ""},
    {ID_NEXT_PANE, "", "", "F6"},
    {ID_PREV_PANE, "", "", "Shift+F6"},
    // The Space key; the frame adds Shift+Space, which scrolls backward.
    {ID_SCROLL_PAGE, "", "", "Space"},
    {IDC_FIND_STRING, "", "検索文字列の指定\n検索文字列", ""},
};

using K = MenuKind;
const std::vector<MenuEntry> kMenuBar = {
    {K::Popup, 0, "ファイル(&F)"},
    {K::Item, ID_FILE_NEW, nullptr},
    {K::Item, ID_FILE_OPEN, nullptr},
    {K::Item, ID_FILE_SAVE, nullptr},
    {K::Item, ID_FILE_SAVE_AS, nullptr},
    {K::Item, ID_FILE_EXPORT_HTML, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_FILE_IMPORT_LOG, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_FILE_PRINT, nullptr},
    {K::Item, ID_FILE_PRINT_PREVIEW, nullptr},
    {K::Item, ID_FILE_PRINT_SETUP, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_FILE_MRU_FILE1, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_APP_EXIT, nullptr},
    {K::End, 0, nullptr},
    {K::Popup, 0, "編集(&E)"},
    {K::Item, ID_EDIT_COPY, nullptr},
    {K::Item, ID_EDIT_DELETE_TREE, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_EDIT_MARK_READ, nullptr},
    {K::Item, ID_EDIT_MARK_UNREAD, nullptr},
    {K::Item, ID_EDIT_MARK_ALL_READ, nullptr},
    {K::Item, ID_EDIT_BOOKMARK, nullptr},
    {K::Separator, 0, nullptr},
    {K::Popup, 0, "検索条件(&F)"},
    {K::Item, ID_FIND_TITLE, nullptr},
    {K::Item, ID_FIND_CONTENT, nullptr},
    {K::Item, ID_FIND_AUTHOR, nullptr},
    {K::Item, ID_FIND_AUTHORID, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_FIND_IGNORECASE, nullptr},
    {K::Item, ID_FIND_IGNOREWIDTH, nullptr},
    {K::Item, ID_FIND_IGNOREKANA, nullptr},
    {K::End, 0, nullptr},
    {K::End, 0, nullptr},
    {K::Popup, 0, "表示(&V)"},
    {K::Item, ID_VIEW_TOOLBAR, nullptr},
    {K::Item, ID_VIEW_FINDBAR, nullptr},
    {K::Item, ID_VIEW_FINDRESULTS, nullptr},
    {K::Item, ID_VIEW_STATUS_BAR, nullptr},
    {K::Separator, 0, nullptr},
    {K::Popup, 0, "分割方法(&P)"},
    {K::Item, ID_VIEW_TOPBOTTOM, nullptr},
    {K::Item, ID_VIEW_SIDEBYSIDE, nullptr},
    {K::End, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_VIEW_FONT, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_VIEW_EXPANDALL, nullptr},
    {K::Item, ID_VIEW_COLLAPSEALL, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_VIEW_OPEN_AT_LAST, nullptr},
    {K::End, 0, nullptr},
    {K::Popup, 0, "移動(&G)"},
    {K::Item, ID_FIND_PREV, nullptr},
    {K::Item, ID_FIND_NEXT, nullptr},
    {K::Item, ID_FIND_ALL, nullptr},
    {K::Item, ID_FIND_LIBRARY, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_GO_NEXT_UNREAD, nullptr},
    {K::Item, ID_GO_LAST_POSITION, nullptr},
    {K::Item, ID_GO_BOOKMARKS, nullptr},
    {K::End, 0, nullptr},
    {K::Popup, 0, "ヘルプ(&H)"},
    {K::Item, ID_HELP_CONTENTS, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, ID_APP_ABOUT, nullptr},
    {K::End, 0, nullptr},
};

const std::vector<int> kToolBar = {
    ID_FILE_NEW,
    ID_FILE_OPEN,
    ID_FILE_SAVE,
    0,
    ID_FILE_IMPORT_LOG,
    0,
    ID_FILE_PRINT,
    ID_FILE_PRINT_PREVIEW,
    0,
    ID_EDIT_COPY,
    ID_EDIT_DELETE_TREE,
    0,
    ID_VIEW_FONT,
    ID_VIEW_EXPANDALL,
    ID_VIEW_COLLAPSEALL,
    0,
    ID_APP_ABOUT,
};

const std::vector<int> kFindBar = {
    ID_FIND_PREV,        ID_FIND_NEXT,       ID_FIND_ALL,      0, ID_FIND_TITLE,
    ID_FIND_CONTENT,     ID_FIND_AUTHOR,     ID_FIND_AUTHORID, 0, ID_FIND_IGNORECASE,
    ID_FIND_IGNOREWIDTH, ID_FIND_IGNOREKANA,
};

}  // namespace

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

const std::vector<CommandInfo>& AllCommands() { return kCommands; }

QString StatusPrompt(int id) {
    const CommandInfo* c = FindCommand(id);
    if (!c) return QString();
    return QString::fromUtf8(c->prompt).section(QLatin1Char('\n'), 0, 0);
}

QString ToolTip(int id) {
    const CommandInfo* c = FindCommand(id);
    if (!c) return QString();
    const QString p = QString::fromUtf8(c->prompt);
    const qsizetype nl = p.indexOf(QLatin1Char('\n'));
    return nl < 0 ? QString() : p.mid(nl + 1);
}

const std::vector<MenuEntry>& MenuBarLayout() { return kMenuBar; }
const std::vector<int>& ToolBarLayout() { return kToolBar; }
const std::vector<int>& FindBarLayout() { return kFindBar; }

void CCmdUI::Enable(bool on) { m_pAction->setEnabled(on); }

void CCmdUI::SetCheck(int check) {
    m_pAction->setCheckable(true);
    m_pAction->setChecked(check != 0);
}

void CCmdUI::SetRadio(bool on) {
    // A radio mark in the menu: the action joins an exclusive look without
    // an action group, so that both marks can also be off.
    m_pAction->setCheckable(true);
    m_pAction->setChecked(on);
}

CCommandTable::CCommandTable(QObject* parent) : QObject(parent) {}

CCommandTable::Entry& CCommandTable::Get(int id) {
    Entry& e = m_entries[id];
    if (e.action) return e;
    auto* parentWidget = parent();
    e.action = new QAction(parentWidget);
    e.action->setData(id);
    e.action->setObjectName(QStringLiteral("cmd%1").arg(id));
    if (const CommandInfo* c = FindCommand(id)) {
        e.action->setText(QString::fromUtf8(c->text));
        e.action->setStatusTip(StatusPrompt(id));
        const QString tip = ToolTip(id);
        e.action->setToolTip(tip.isEmpty() ? QString::fromUtf8(c->text).remove(QLatin1Char('&'))
                                           : tip);
        if (*c->keys)
            e.action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(c->keys),
                                                                QKeySequence::PortableText));
    }
    const QString icon = QStringLiteral(":/res/icons/%1.png").arg(id);
    if (QFile::exists(icon)) e.action->setIcon(QIcon(icon));
    e.action->setEnabled(false);
    connect(e.action, &QAction::triggered, this, [this, id] { Execute(id); });
    return e;
}

QAction* CCommandTable::Action(int id) { return Get(id).action; }

void CCommandTable::SetHandler(int id, Handler handler, UpdateHandler update) {
    Entry& e = Get(id);
    e.handler = std::move(handler);
    e.update = std::move(update);
    Update(id);
}

bool CCommandTable::HasHandler(int id) const {
    auto it = m_entries.find(id);
    return it != m_entries.end() && it->second.handler != nullptr;
}

void CCommandTable::Update(int id) {
    Entry& e = Get(id);
    CCmdUI ui(e.action);
    if (!e.handler) {
        ui.Enable(false);
        return;
    }
    ui.Enable(true);
    if (e.update) e.update(ui);
}

void CCommandTable::UpdateAll() {
    for (auto& [id, e] : m_entries) {
        (void)e;
        Update(id);
    }
}

bool CCommandTable::Execute(int id) {
    Entry& e = Get(id);
    Update(id);
    if (!e.handler || !e.action->isEnabled()) return false;
    // A checkable action has already flipped its own mark when triggered;
    // the update handler after the command sets the true state again.
    Handler h = e.handler;  // the handler may replace itself
    h();
    emit Executed(id);
    UpdateAll();
    return true;
}

void CCommandTable::BuildMenuBar(QMenuBar* bar, QMenu** recentMenu) {
    std::vector<QMenu*> stack;
    for (const MenuEntry& m : kMenuBar) {
        switch (m.kind) {
            case MenuKind::Popup: {
                QMenu* menu = stack.empty() ? bar->addMenu(QString::fromUtf8(m.text))
                                            : stack.back()->addMenu(QString::fromUtf8(m.text));
                connect(menu, &QMenu::aboutToShow, this, &CCommandTable::UpdateAll);
                stack.push_back(menu);
                break;
            }
            case MenuKind::Item:
                stack.back()->addAction(Action(m.id));
                if (m.id == ID_FILE_MRU_FILE1 && recentMenu) *recentMenu = stack.back();
                break;
            case MenuKind::Separator:
                stack.back()->addSeparator();
                break;
            case MenuKind::End:
                stack.pop_back();
                break;
        }
    }
}

void CCommandTable::FillToolBar(QToolBar* bar, const std::vector<int>& layout) {
    for (int id : layout) {
        if (id == 0)
            bar->addSeparator();
        else
            bar->addAction(Action(id));
    }
}

}  // namespace orv::cmd
