// The installation information file "InstInfo.txt" that lies beside the
// installer, and the command the installer starts on the package it names.
//
// The file is Shift-JIS (code page 932) text:
//   line 1      the application's name
//   line 2      the package's file name, relative to the installer's folder
//   line 3..    the information text shown to the user
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvinst {

struct InstInfo {
    QString m_strAppName;  // line 1
    QString m_strPackage;  // the installer's folder followed by line 2
    QString m_strInfo;     // lines 3 to the end, each followed by CR LF
};

inline constexpr char kInstInfoFileName[] = "InstInfo.txt";

// The folder in the platform's notation, ending in exactly one separator.
QString FolderWithSeparator(const QString& strFolder);

// The package path: the folder with its separator followed directly by
// strLine2, which is taken as it is (an absolute line 2 is not special).
QString MakePackagePath(const QString& strFolder, const QString& strLine2);

// Parses the bytes of an information file for an installer that lies in
// strFolder. Lines end in LF or CR LF; the ends are removed. Fails (returns
// false) when the file has fewer than three lines.
bool ParseInstInfo(const QByteArray& bytes, const QString& strFolder, InstInfo& info);

// Reads "InstInfo.txt" from strFolder, the installer's own folder. Fails when
// the file cannot be opened or has fewer than three lines.
bool ReadInstInfo(const QString& strFolder, InstInfo& info);

// The program that installs a package, and the arguments it is given: install
// the package, per machine where the user's rights allow, else per user. The
// path is one argument of its own, so that nothing in it can become another
// argument.
inline constexpr char kMsiexecProgram[] = "msiexec";
QStringList MsiexecArguments(const QString& strPackage);

}  // namespace orvinst
