// The command ID_FILE_IMPORT_LOG "ログテキスト取り込み(&I)...": an import of
// log files that the user picks in the file dialog.
#pragma once

namespace orv {

class COrvDoc;
class ILogFileChooser;

// Runs one import with an empty file list, so that its first file request
// asks chooser (the document's chooser port when null). The document shows
// its progress and questions through its own ports and rebuilds the tree.
void OnImportLog(COrvDoc& doc, ILogFileChooser* chooser = nullptr);

}  // namespace orv
