// Helpers of the application-shell tests: a settings folder of their own, a
// document file made from the sample log, and a scripted log-file chooser.
#pragma once

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "app/settings.h"
#include "core/logfilelist.h"
#include "core/orvdoc.h"
#include "core/ports.h"

namespace orv::test {

// Points the settings store at a fresh folder for as long as it lives.
class ScratchSettings {
public:
    ScratchSettings() { settings::UseFolder(m_dir.path()); }
    ~ScratchSettings() { settings::UseFolder(QDir::tempPath() + QStringLiteral("/orv-unused")); }
    void Clear() { settings::Open()->clear(); }
    QString Dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

inline QString SampleLog() { return QStringLiteral(ORV_SOURCE_DIR "/samples/sample.log"); }

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
