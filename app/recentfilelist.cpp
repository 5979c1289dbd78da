#include "app/recentfilelist.h"

#include <QDir>

#include "app/settings.h"

namespace orv {

void CRecentFileList::ReadList() {
    m_paths.clear();
    for (int i = 1; i <= m_nMax; ++i) {
        const QString p =
            settings::ReadString(settings::kSecRecentFiles, QStringLiteral("File%1").arg(i));
        if (!p.isEmpty()) m_paths.append(p);
    }
}

void CRecentFileList::WriteList() const {
    settings::RemoveSection(settings::kSecRecentFiles);
    for (int i = 0; i < GetSize(); ++i)
        settings::WriteString(settings::kSecRecentFiles, QStringLiteral("File%1").arg(i + 1),
                              m_paths[i]);
}

void CRecentFileList::Add(const QString& path) {
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > m_nMax) m_paths.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < GetSize()) m_paths.removeAt(index);
}

QString CRecentFileList::AbbreviateName(const QString& path, int maxChars) {
    const QString p = QDir::toNativeSeparators(path);
    const QChar sep = QDir::separator();
    if (p.size() <= maxChars) return p;
    const qsizetype slash = p.lastIndexOf(sep);
    const QString name = slash < 0 ? p : p.mid(slash + 1);
    // The volume: "C:" on Windows, nothing where paths start at "/".
    const QString volume = (p.size() > 1 && p[1] == QLatin1Char(':')) ? p.left(2) : QString();
    if (maxChars < volume.size() + 5 + name.size()) return name;
    // Drop leading folders until volume + "\..." + the rest fits.
    qsizetype cur = volume.size() + 1;
    while (volume.size() + 4 + (p.size() - cur) > maxChars) {
        const qsizetype next = p.indexOf(sep, cur + 1);
        if (next < 0) return name;
        cur = next;
    }
    if (p[cur] != sep) {
        const qsizetype next = p.indexOf(sep, cur);
        if (next < 0) return name;
        cur = next;
    }
    return volume + sep + QStringLiteral("...") + p.mid(cur);
}

QString CRecentFileList::GetMenuText(int index, int maxChars) const {
    QString shown = AbbreviateName(m_paths[index], maxChars);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 ").arg(index + 1) + shown;
}

}  // namespace orv
