// The numbered messages of the viewer: their exact texts and icons.
#pragma once

#include <initializer_list>
#include <string>

#include "res/msgicon.h"

namespace orv::res {

enum StringId : int {
    IDS_PROGRESS_TITLE = 106,  // "経過"
    IDS_FIND_NOTFOUND = 60002,
    IDS_FIND_CANCELLED = 60005,
    IDS_DELETE_TREE = 60006,
    IDS_IMPORT_DUPLICATE = 60007,
    IDS_IMPORT_CANCELLED = 60008,
    IDS_IMPORT_ASK_CANCEL = 60009,
    IDS_DROP_IMPORT = 60010,
    IDS_OUT_OF_MEMORY = 60100,
    IDS_BAD_SCHEMA = 60101,
    IDS_TREE_FAILED = 60102,
    IDS_NOT_A_LOG = 60103,
    IDS_FIND_BADTEXT = 60104,
    IDS_FIND_ERROR = 60105,
    IDS_SCROLL_FAILED = 60106,
    IDS_SAVE_CHANGES = 61699,
    // Framework messages without a number of their own in the table; they
    // get private ids so that they can be shown and tested the same way.
    IDS_ARCHIVE_MALFORMED = 70001,  // "予期しないﾌｧｲﾙ形式です。"
    IDS_OPEN_FAILED = 70002,      // "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"
    IDS_SAVE_FAILED = 70003,      // "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"
    IDS_LOG_READ_FAILED = 70004,  // "ログファイルの取り込みに失敗しました。"
    IDS_PRINT_FAILED = 70005,     // "印刷を開始できませんでした。"
    IDS_PRINT_NOTHING = 70006,    // "印刷する発言がありません。"
    // The export of a document as HTML pages.
    IDS_HTML_ASK_CANCEL = 70131,
    IDS_HTML_NOT_EMPTY = 70132,
    IDS_HTML_NOT_A_FOLDER = 70133,
    IDS_HTML_FAILED = 70134,
    IDS_HTML_DONE = 70135,  // %1 pages, %2 the folder
    // The reading state kept beside the documents.
    IDS_READSTATE_DAMAGED = 70241,      // %1 the name the damaged file was given
    IDS_READSTATE_UNAVAILABLE = 70242,  // %1 the state file
    // Logs read converted from another encoding or other line ends.
    IDS_IMPORT_CONVERT_ASK = 70141,  // %1 the file, %2 its form, %3 characters replaced
    IDS_IMPORT_CONVERTED = 70142,    // %1 one line per file converted
};

// The UTF-8 text of a message; empty for an unknown id.
const char* Text(int id);
// The icon the message is shown with.
MsgIcon Icon(int id);
// The text with every "%1" replaced by arg (UTF-8).
std::string Format(int id, const std::string& arg = std::string());
// The text with "%1", "%2", ... replaced by args[0], args[1], ...
std::string FormatArgs(int id, std::initializer_list<std::string> args);

}  // namespace orv::res
