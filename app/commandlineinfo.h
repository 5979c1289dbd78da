// The standard command line of the viewer: which document to open, whether
// to print it, and the switches of the desktop's document hand-over.
#pragma once

#include <QString>
#include <QStringList>

namespace orv {

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister };

    virtual ~CCommandLineInfo() = default;

    // Parses args (the arguments after the program name), calling ParseParam
    // for each with its text without the leading switch character.
    void Parse(const QStringList& args);
    // True when arg is a switch. "-" always starts one; "/" only for the
    // known switch words, since on this platform "/" also starts every
    // absolute path.
    static bool IsSwitch(const QString& arg);

    // One argument: param without its "-" or "/", whether it was a switch,
    // whether it is the last argument.
    virtual void ParseParam(const QString& param, bool bFlag, bool bLast);

    bool m_bShowSplash = true;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;

protected:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    // After the last argument a named document becomes a request to open it.
    void ParseLast(bool bLast);
};

}  // namespace orv
