#include "app/logfilechooser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <new>

#include "app/corepath.h"
#include "app/importorderdlg.h"
#include "res/strings.h"

namespace orv {

QStringList CLogFileChooser::NameFilters() {
    // The file dialog takes patterns separated by blanks; "*" is every file.
    return {QStringLiteral(u"テキスト形式会議室ログ ファイル (*.txt *.log)"),
            QStringLiteral(u"すべてのファイル (*)")};
}

bool CLogFileChooser::ChooseLogFiles(std::vector<std::string>& paths) {
    try {
        QFileDialog dlg(m_owner);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        const QStringList filters = NameFilters();
        dlg.setNameFilters(filters);
        dlg.selectNameFilter(filters.front());
        dlg.setDefaultSuffix(QStringLiteral("txt"));
        if (dlg.exec() != QDialog::Accepted) return false;
        const QStringList files = dlg.selectedFiles();
        if (files.isEmpty()) return false;
        for (const QString& f : files) paths.push_back(CorePath(QFileInfo(f).absoluteFilePath()));
        return true;
    } catch (const std::bad_alloc&) {
        if (m_prompter)
            m_prompter->MessageBox(res::IDS_OUT_OF_MEMORY, res::Format(res::IDS_OUT_OF_MEMORY),
                                   res::Icon(res::IDS_OUT_OF_MEMORY), MsgButtons::Ok);
        return false;
    }
}

bool CLogFileChooser::ConfirmImportOrder(std::vector<std::string>& paths) {
    CImportOrderDlg dlg(paths, m_owner);
    return dlg.exec() == QDialog::Accepted;
}

}  // namespace orv
