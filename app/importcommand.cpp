#include "app/importcommand.h"

#include "core/import/logfilelist.h"
#include "core/orvdoc.h"

namespace orv {

void OnImportLog(COrvDoc& doc, ILogFileChooser* chooser) {
    // An empty list: its first file request lets the user pick the logs.
    CLogFileList list;
    list.SetChooser(chooser ? chooser : doc.Ports().chooser);
    doc.ImportLogFiles(list);
}

}  // namespace orv
