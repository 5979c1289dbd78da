// The command "HTML 形式で書き出す(&H)...": the document as shown, saved or
// not, written as a folder of HTML pages that the user chooses.
#pragma once

#include <QString>

#include <functional>

#include "core/htmlexport.h"

namespace orv {

class COrvDoc;

// Returns the chosen folder, or an empty string when the user cancelled;
// proposed is the folder to start in.
using FolderChooser = std::function<QString(const QString& proposed)>;

// Lets the user choose a folder (one that is empty or does not exist yet)
// and exports the records of doc there, under documentName, with the
// progress dialog and questions of the document's ports. A folder that is
// not empty, and any failure, is reported through the prompter; nothing is
// left behind by a failure or a cancel. Returns Cancelled also when no
// folder was chosen.
HtmlExportStatus OnExportHtml(const COrvDoc& doc, const QString& documentName,
                              const QString& proposedFolder, const FolderChooser& chooseFolder);

}  // namespace orv
