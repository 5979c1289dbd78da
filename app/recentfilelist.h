// The recently used documents: at most four full paths, the latest first,
// kept in section "Recent File List" as "File1" to "File4".
#pragma once

#include <QString>
#include <QStringList>

namespace orv {

class CRecentFileList {
public:
    explicit CRecentFileList(int maxEntries = 4) : m_nMax(maxEntries) {}

    void ReadList();
    void WriteList() const;

    // Puts path first; an entry already there moves up.
    void Add(const QString& path);
    void Remove(int index);
    int GetSize() const { return static_cast<int>(m_paths.size()); }
    const QString& operator[](int index) const { return m_paths[index]; }
    const QStringList& Paths() const { return m_paths; }

    // The menu text of entry index: "&1 " and the path shortened to at most
    // maxChars characters, with "&" doubled.
    QString GetMenuText(int index, int maxChars = 30) const;
    // path shortened to at most maxChars characters: whole when it fits,
    // else "/..." and as many trailing folders as fit before the file name,
    // else the file name alone.
    static QString AbbreviateName(const QString& path, int maxChars);

private:
    int m_nMax;
    QStringList m_paths;
};

}  // namespace orv
