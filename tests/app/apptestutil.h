// Helpers of the application-shell tests: a document file made from the
// sample log and a scripted log-file chooser (with the shared Qt helpers).
#pragma once

#include <QString>
#include <string>
#include <vector>

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

// Accepts the order it is shown, and remembers it.
class ScriptedChooser : public ILogFileChooser {
public:
    std::vector<std::vector<std::string>> orders;
    int chooseCalls = 0;
    bool ChooseLogFiles(std::vector<std::string>&) override {
        ++chooseCalls;
        return false;
    }
    bool ConfirmImportOrder(std::vector<std::string>& paths) override {
        orders.push_back(paths);
        return true;
    }
};

}  // namespace orv::test
