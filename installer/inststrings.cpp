#include "installer/inststrings.h"

namespace orvinst {

QString LoadInstString(int nId) {
    switch (nId) {
        case IDS_ABOUTBOX:
            return QStringLiteral("バージョン情報(&A)...");
        case IDS_READ_INFO_FAILED:
            return QStringLiteral(
                "インストール情報ファイルの読み込みに失敗しました。\n強制終了します。");
        case IDS_START_FAILED:
            return QStringLiteral("インストールの開始に失敗しました。");
        default:
            return QString();
    }
}

}  // namespace orvinst
