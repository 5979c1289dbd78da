#include "app/importcommandlineinfo.h"

namespace orv {

bool CImportCommandLineInfo::IsDocumentPath(const QString& path) {
    return path.right(4).compare(QLatin1String(".mld"), Qt::CaseInsensitive) == 0;
}

void CImportCommandLineInfo::ParseParam(const QString& param, bool bFlag, bool bLast) {
    if (!bFlag && !IsDocumentPath(param)) {
        m_importList.append(param);
        // A log as the last argument still ends the command line: a document
        // named before it is opened, and the logs go into it.
        ParseLast(bLast);
        return;
    }
    CCommandLineInfo::ParseParam(param, bFlag, bLast);
}

}  // namespace orv
