#include "app/exporthtmlcommand.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/corepath.h"
#include "core/orvdoc.h"
#include "res/strings.h"

namespace orv {

namespace {

void ReportDone(IPrompter* prompter, const QString& folder, const SiteOpener& openSite) {
    if (!prompter) return;
    const QString text = QString::fromUtf8(res::Text(res::IDS_HTML_DONE))
                             .arg(CountSitePages(folder))
                             .arg(QDir::toNativeSeparators(folder));
    const MsgButtons buttons = openSite ? MsgButtons::YesNo : MsgButtons::Ok;
    const MsgAnswer a = prompter->MessageBox(res::IDS_HTML_DONE, text.toStdString(),
                                             res::Icon(res::IDS_HTML_DONE), buttons);
    if (a == MsgAnswer::Yes && openSite)
        openSite(QDir(folder).filePath(QStringLiteral("index.html")));
}

}  // namespace

int CountSitePages(const QString& folder) {
    int pages = QFileInfo(QDir(folder).filePath(QStringLiteral("index.html"))).isFile() ? 1 : 0;
    QDirIterator it(QDir(folder).filePath(QStringLiteral("threads")), {QStringLiteral("*.html")},
                    QDir::Files);
    while (it.hasNext()) {
        it.next();
        ++pages;
    }
    return pages;
}

HtmlExportStatus OnExportHtml(const COrvDoc& doc, const QString& documentName,
                              const QString& proposedFolder, const FolderChooser& chooseFolder,
                              const SiteOpener& openSite) {
    const QString chosen = chooseFolder ? chooseFolder(proposedFolder) : QString();
    if (chosen.isEmpty()) return HtmlExportStatus::Cancelled;
    const QString folder = QFileInfo(chosen).absoluteFilePath();
    const DocPorts& ports = doc.Ports();

    HtmlExportResult r = ExportHtmlSite(doc.GetRoots(), documentName.toStdString(),
                                        CorePath(folder), ports.progress, ports.prompter);
    if (r.status == HtmlExportStatus::Ok) {
        ReportDone(ports.prompter, folder, openSite);
        return r.status;
    }
    if (r.status == HtmlExportStatus::Cancelled) return r.status;
    r.path = QDir::toNativeSeparators(FromCorePath(r.path)).toStdString();
    const int id = r.status == HtmlExportStatus::NotEmpty     ? res::IDS_HTML_NOT_EMPTY
                   : r.status == HtmlExportStatus::NotAFolder ? res::IDS_HTML_NOT_A_FOLDER
                                                              : res::IDS_HTML_FAILED;
    if (ports.prompter)
        ports.prompter->MessageBox(id, DescribeHtmlExportFailure(r), res::Icon(id), MsgButtons::Ok);
    return r.status;
}

// --- the folder dialog ----------------------------------------------------------

CExportFolderDialog::CExportFolderDialog(QWidget* parent, const QString& startFolder)
    : QFileDialog(parent, QStringLiteral("HTML 形式で書き出すフォルダ"), startFolder) {
    // The toolkit's own dialog on every system: the platform's folder
    // pickers refuse a name that does not exist yet.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::FileName, QStringLiteral("フォルダ名:"));
    setLabelText(QFileDialog::Accept, QStringLiteral("書き出す"));
    m_pName = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (auto* box = findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) m_pAccept = b;
    }
    // The dialog disables its button for a name that does not exist; a
    // folder to be made is a fine answer here.
    if (m_pAccept) m_pAccept->installEventFilter(this);
    if (m_pName && m_pAccept)
        connect(m_pName, &QLineEdit::textChanged, this, [this] {
            if (!TypedNewFolder().isEmpty()) m_pAccept->setEnabled(true);
        });
}

QString CExportFolderDialog::TypedNewFolder() const {
    const QString typed = m_pName ? m_pName->text().trimmed() : QString();
    if (typed.isEmpty()) return QString();
    const QFileInfo target(QDir(directory()).absoluteFilePath(typed));
    if (target.exists() || !target.absoluteDir().exists()) return QString();
    return QDir::cleanPath(target.absoluteFilePath());
}

bool CExportFolderDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pAccept && event->type() == QEvent::EnabledChange && !m_pAccept->isEnabled() &&
        !TypedNewFolder().isEmpty())
        m_pAccept->setEnabled(true);
    return QFileDialog::eventFilter(watched, event);
}

void CExportFolderDialog::accept() {
    // A typed name of a folder to be is taken as it is. Everything else is
    // the dialog's own business (an existing folder is taken, a missing
    // path is refused).
    const QString made = TypedNewFolder();
    if (!made.isEmpty()) {
        m_strChosen = made;
        QDialog::accept();
        return;
    }
    const QStringList files = selectedFiles();
    m_strChosen = files.isEmpty() ? QString() : QDir::cleanPath(files.front());
    QFileDialog::accept();
}

QString ChooseExportFolder(QWidget* parent, const QString& startFolder) {
    CExportFolderDialog dlg(parent, startFolder);
    if (dlg.exec() != QDialog::Accepted) return QString();
    return dlg.ChosenFolder();
}

}  // namespace orv
