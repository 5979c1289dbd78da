// Helpers of the application-shell tests: the main window as it first shows,
// a document file made from the sample log and a scripted log-file chooser
// (with the shared Qt helpers).
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/mainframe.h"
#include "core/import/logfilelist.h"
#include "core/orvdoc.h"
#include "core/ports.h"
#include "fakes/qttestutil.h"

namespace orv::test {

// Imports the sample log into a document and saves it at path.
inline bool MakeSampleDocument(const QString& path) {
    COrvDoc doc;
    CLogFileList list({SampleLog().toStdString()});
    doc.ImportLogFiles(list);
    return doc.GetRootCount() > 0 && doc.OnSaveDocument(path.toStdString());
}

// The sample log's document file called name in dir, made the first time.
inline QString SampleDocIn(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!QFile::exists(path)) MakeSampleDocument(path);
    return path;
}

// The main window shown as at a start, its questions going to prompter (the
// real message boxes when null).
inline std::unique_ptr<CMainFrame> OpenFrame(IPrompter* prompter = nullptr) {
    auto f = std::make_unique<CMainFrame>();
    if (prompter) f->SetPrompter(prompter);
    f->ShowInitial();
    if (!QTest::qWaitForWindowExposed(f.get())) qWarning("window not exposed");
    return f;
}

// Picks the files in picks (cancels when there are none), accepts the order
// it is shown, and remembers it.
class ScriptedChooser : public ILogFileChooser {
public:
    std::vector<std::string> picks;
    std::vector<std::vector<std::string>> orders;
    int chooseCalls = 0;
    bool ChooseLogFiles(std::vector<std::string>& paths) override {
        ++chooseCalls;
        paths.insert(paths.end(), picks.begin(), picks.end());
        return !picks.empty();
    }
    bool ConfirmImportOrder(std::vector<std::string>& paths) override {
        orders.push_back(paths);
        return true;
    }
};

}  // namespace orv::test
