#include "res/strings.h"

namespace orv::res {
namespace {

struct Entry {
    int id;
    const char* text;
    MsgIcon icon;
};

constexpr Entry kTable[] = {
    {IDS_PROGRESS_TITLE, "経過", MsgIcon::None},
    {IDS_FIND_NOTFOUND, "\"%1\" が見つかりません。", MsgIcon::Exclamation},
    {IDS_FIND_CANCELLED, "検索を中止します。", MsgIcon::Information},
    {IDS_DELETE_TREE,
     "選択されている発言（発言に対するコメントも含む）を削除します。\nよろしいですか？",
     MsgIcon::None},
    {IDS_IMPORT_DUPLICATE,
     "ファイル %1 は、既に取り込みされている発言と発言番号が重複しています。\n上書きしますか？",
     MsgIcon::Question},
    {IDS_IMPORT_CANCELLED, "ユーザーによりログ取り込みを中断しました。", MsgIcon::Exclamation},
    {IDS_IMPORT_ASK_CANCEL, "ログファイルの取り込みを中止しますか？", MsgIcon::Information},
    {IDS_DROP_IMPORT, "ドラッグ＆ドロップされたファイルをインポートしますか？", MsgIcon::Question},
    {IDS_OUT_OF_MEMORY, "メモリが足りません。", MsgIcon::Exclamation},
    {IDS_BAD_SCHEMA, "Orv's Meeting log viewer ファイルの読み込みに失敗しました。",
     MsgIcon::Exclamation},
    {IDS_TREE_FAILED, "ツリーの生成に失敗しました。", MsgIcon::Exclamation},
    {IDS_NOT_A_LOG,
     "ファイル %1 は、\nログファイルではない可能性があるので取り込みを中止します。\n"
     "ログファイルであるのにこのエラーが出る場合は、開発者にご連絡下さい。",
     MsgIcon::Exclamation},
    {IDS_FIND_BADTEXT, "検索文字列が指定されていないか長すぎます。", MsgIcon::Exclamation},
    {IDS_FIND_ERROR, "検索中にエラーが発生しました。検索を中止します。", MsgIcon::Exclamation},
    {IDS_SCROLL_FAILED, "スクロールの為の情報取得に失敗しました。", MsgIcon::Exclamation},
    {IDS_SAVE_CHANGES, "%1 への変更を保存しますか?", MsgIcon::Exclamation},
    {IDS_ARCHIVE_MALFORMED, "予期しないﾌｧｲﾙ形式です。", MsgIcon::Exclamation},
    {IDS_OPEN_FAILED, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。", MsgIcon::Exclamation},
    {IDS_SAVE_FAILED, "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。", MsgIcon::Exclamation},
    {IDS_LOG_READ_FAILED, "ログファイルの取り込みに失敗しました。", MsgIcon::Exclamation},
    {IDS_PRINT_FAILED, "印刷を開始できませんでした。", MsgIcon::Exclamation},
    {IDS_PRINT_NOTHING, "印刷する発言がありません。", MsgIcon::Exclamation},
    {IDS_HTML_ASK_CANCEL, "HTML 形式の書き出しを中止しますか？", MsgIcon::Information},
    {IDS_HTML_NOT_EMPTY,
     "フォルダ %1 は空ではありません。\n空のフォルダか、まだ無いフォルダを指定してください。",
     MsgIcon::Exclamation},
    {IDS_HTML_NOT_A_FOLDER, "%1 はフォルダではありません。", MsgIcon::Exclamation},
    {IDS_HTML_FAILED, "HTML 形式の書き出しに失敗しました。\n%1", MsgIcon::Exclamation},
    {IDS_HTML_DONE, "%1 ページを HTML 形式で書き出しました。\n%2\n\nブラウザで開きますか？",
     MsgIcon::Question},
    {IDS_READSTATE_DAMAGED,
     "既読情報のファイルが壊れていたため、%1 として保存し、新しく作り直しました。",
     MsgIcon::Exclamation},
    {IDS_READSTATE_UNAVAILABLE,
     "既読情報のファイル %1 "
     "を開けませんでした。既読情報はこのウィンドウを閉じるまでしか残りません。",
     MsgIcon::Exclamation},
    {IDS_IMPORT_CONVERT_ASK,
     "ファイル %1 は %2 で書かれています。Shift-JIS にない文字が %3 "
     "個あるため〓に置き換えて取り込みます。よろしいですか？",
     MsgIcon::Question},
    {IDS_IMPORT_CONVERTED, "次のファイルを変換して取り込みました。\n%1", MsgIcon::Information},
};

const Entry* Find(int id) {
    for (const Entry& e : kTable)
        if (e.id == id) return &e;
    return nullptr;
}

}  // namespace

const char* Text(int id) {
    const Entry* e = Find(id);
    return e ? e->text : "";
}

MsgIcon Icon(int id) {
    const Entry* e = Find(id);
    return e ? e->icon : MsgIcon::None;
}

std::string Format(int id, const std::string& arg) {
    std::string text = Text(id);
    std::string out;
    out.reserve(text.size() + arg.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '1') {
            out += arg;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatArgs(int id, std::initializer_list<std::string> args) {
    const std::string text = Text(id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t k = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : 9;
        if (text[i] == '%' && k < args.size()) {
            out += *(args.begin() + k);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace orv::res
