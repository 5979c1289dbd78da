#include "app/exporthtmlcommand.h"
#include "app/corepath.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/orvdoc.h"
#include "res/strings.h"

namespace orv {

HtmlExportStatus OnExportHtml(const COrvDoc& doc, const QString& documentName,
                              const QString& proposedFolder, const FolderChooser& chooseFolder) {
    const QString chosen = chooseFolder ? chooseFolder(proposedFolder) : QString();
    if (chosen.isEmpty()) return HtmlExportStatus::Cancelled;
    const QString folder = QFileInfo(chosen).absoluteFilePath();
    const DocPorts& ports = doc.Ports();

    HtmlExportResult r =
        ExportHtmlSite(doc.GetRoots(), documentName.toStdString(),
                       CorePath(folder), ports.progress, ports.prompter);
    if (r.status == HtmlExportStatus::Ok || r.status == HtmlExportStatus::Cancelled)
        return r.status;
    r.path = QDir::toNativeSeparators(FromCorePath(r.path))
                 .toStdString();
    const int id = r.status == HtmlExportStatus::NotEmpty     ? res::IDS_HTML_NOT_EMPTY
                   : r.status == HtmlExportStatus::NotAFolder ? res::IDS_HTML_NOT_A_FOLDER
                                                              : res::IDS_HTML_FAILED;
    if (ports.prompter)
        ports.prompter->MessageBox(id, DescribeHtmlExportFailure(r), res::Icon(id), MsgButtons::Ok);
    return r.status;
}

}  // namespace orv
