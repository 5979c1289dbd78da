// The viewer's command line: arguments that do not name a document (".mld",
// any letter case) are text logs to import, in command-line order; the rest
// is the standard command line.
#pragma once

#include "app/commandlineinfo.h"

namespace orv {

class CImportCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const QString& param, bool bFlag, bool bLast) override;
    bool HasImports() const { return !m_importList.isEmpty(); }
    // True when path ends in ".mld" in any letter case.
    static bool IsDocumentPath(const QString& path);

    QStringList m_importList;
};

}  // namespace orv
