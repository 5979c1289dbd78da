// The command "HTML 形式で書き出す(&H)...": the document as shown, saved or
// not, written as a folder of HTML pages that the user chooses.
#pragma once

#include <QFileDialog>

class QAbstractButton;
class QLineEdit;
#include <QString>
#include <functional>

#include "core/htmlexport.h"

namespace orv {

class COrvDoc;

// Returns the chosen folder, or an empty string when the user cancelled;
// proposed is the folder to start in.
using FolderChooser = std::function<QString(const QString& proposed)>;
// Opens a written site (its index page) for the user, in the browser.
using SiteOpener = std::function<void(const QString& indexPage)>;

// Lets the user choose a folder (one that is empty or does not exist yet)
// and exports the records of doc there, under documentName, with the
// progress dialog and questions of the document's ports. A folder that is
// not empty, and any failure, is reported through the prompter; nothing is
// left behind by a failure or a cancel. A finished export says how many
// pages it wrote and where, and offers to open the site with openSite.
// Returns Cancelled also when no folder was chosen.
HtmlExportStatus OnExportHtml(const COrvDoc& doc, const QString& documentName,
                              const QString& proposedFolder, const FolderChooser& chooseFolder,
                              const SiteOpener& openSite = {});

// The number of HTML pages of the site in folder (the index and the thread
// pages).
int CountSitePages(const QString& folder);

// The folder dialog of the export. Besides an existing folder it takes the
// name of one that does not exist yet, in a folder that does (the export
// makes it); its button for a new folder makes one at once.
class CExportFolderDialog : public QFileDialog {
    Q_OBJECT
public:
    CExportFolderDialog(QWidget* parent, const QString& startFolder);
    // The folder chosen by the last accept, absolute; empty before.
    QString ChosenFolder() const { return m_strChosen; }
    void accept() override;
    // The button that takes the folder.
    QAbstractButton* AcceptButton() const { return m_pAccept; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The folder that the typed name makes, absolute, when it does not
    // exist yet and the folder it goes into does; else empty.
    QString TypedNewFolder() const;

    QString m_strChosen;
    QLineEdit* m_pName = nullptr;          // child
    QAbstractButton* m_pAccept = nullptr;  // child
};

// Runs the dialog; the chosen folder, or empty when cancelled.
QString ChooseExportFolder(QWidget* parent, const QString& startFolder);

}  // namespace orv
