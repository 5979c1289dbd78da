#include "app/commandlineinfo.h"

namespace orv {
namespace {

bool Is(const QString& a, const char* word, Qt::CaseSensitivity cs) {
    return a.compare(QLatin1String(word), cs) == 0;
}

}  // namespace

bool CCommandLineInfo::IsSwitch(const QString& arg) {
    if (arg.size() < 2) return false;
    if (arg[0] == QLatin1Char('-')) return true;
    if (arg[0] != QLatin1Char('/')) return false;
    const QString w = arg.mid(1);
    return Is(w, "p", Qt::CaseSensitive) || Is(w, "pt", Qt::CaseSensitive) ||
           Is(w, "dde", Qt::CaseSensitive) || Is(w, "Unregister", Qt::CaseInsensitive) ||
           Is(w, "Unregserver", Qt::CaseInsensitive) || Is(w, "Embedding", Qt::CaseInsensitive) ||
           Is(w, "Automation", Qt::CaseInsensitive);
}

void CCommandLineInfo::Parse(const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool flag = IsSwitch(a);
        ParseParam(flag ? a.mid(1) : a, flag, i + 1 == args.size());
    }
}

void CCommandLineInfo::ParseParam(const QString& param, bool bFlag, bool bLast) {
    if (bFlag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(const QString& param) {
    // The shell's own switches are case-sensitive, the embedding ones not.
    if (Is(param, "pt", Qt::CaseSensitive)) {
        m_nShellCommand = FilePrintTo;
    } else if (Is(param, "p", Qt::CaseSensitive)) {
        m_nShellCommand = FilePrint;
    } else if (Is(param, "Unregister", Qt::CaseInsensitive) ||
               Is(param, "Unregserver", Qt::CaseInsensitive)) {
        m_nShellCommand = AppUnregister;
    } else if (Is(param, "dde", Qt::CaseSensitive)) {
        m_nShellCommand = FileDDE;
    } else if (Is(param, "Embedding", Qt::CaseInsensitive)) {
        m_bRunEmbedded = true;
        m_bShowSplash = false;
    } else if (Is(param, "Automation", Qt::CaseInsensitive)) {
        m_bRunAutomated = true;
        m_bShowSplash = false;
    }
}

void CCommandLineInfo::ParseParamNotFlag(const QString& param) {
    if (m_strFileName.isEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = param;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = param;
}

void CCommandLineInfo::ParseLast(bool bLast) {
    if (!bLast) return;
    if (m_nShellCommand == FileNew && !m_strFileName.isEmpty()) m_nShellCommand = FileOpen;
    m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
}

}  // namespace orv
