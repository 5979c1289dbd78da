// Helpers shared by the Qt tests of the viewer: a settings folder of their
// own and the sample log.
#pragma once

#include <QDir>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include "app/settings.h"

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

}  // namespace orv::test
