// File names between the windows and the core: the core takes UTF-8 paths
// on every system (the platform files turn them into the system's own form),
// so a path crosses as UTF-8, never in the local 8-bit code page.
#pragma once

#include <QString>
#include <string>

namespace orv {

inline std::string CorePath(const QString& path) { return path.toStdString(); }
inline QString FromCorePath(const std::string& path) { return QString::fromStdString(path); }

}  // namespace orv
