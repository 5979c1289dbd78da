// The per-user settings store of the viewer: sections and values with
// defaults. On Windows this is the registry key
// HKCU\Software\Qvo\Orv's Meeting log viewer, elsewhere an INI file in the
// user's configuration folder with the same sections and value names.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace orv::settings {

inline constexpr char kOrganization[] = "Qvo";
inline constexpr char kApplication[] = "Orv's Meeting log viewer";

// Section and value names.
inline constexpr char kSecSettings[] = "Settings";
inline constexpr char kValWindowPos[] = "WindowPos 2";
inline constexpr char kValViewMode[] = "ViewMode";
inline constexpr char kValSplitPosition[] = "SplitPosition 2";
inline constexpr char kValPreviewPages[] = "PreviewPages";
inline constexpr char kBarState[] = "BarState 2";
// The find-all results pane's visibility and place (kept out of the bar state).
inline constexpr char kValFindResults[] = "FindResultsPane";
inline constexpr char kSecRecentFiles[] = "Recent File List";
inline constexpr char kSecFind[] = "FindSettings";
inline constexpr char kValFindOption[] = "FindOption";
inline constexpr char kSecViewFont[] = "ViewFont 2";

// Sets the settings key (company word and application title) for this
// process; the application's organisation and name follow it, so that a
// default-constructed QSettings anywhere in the program opens the same store.
void SetKey(const QString& organization, const QString& application);
QString Organization();
QString Application();
// Keeps every per-user store of this process below folder instead of the
// user's configuration folder (tests, so that they never touch the user's
// own settings; on Windows this leaves the registry for INI files there).
void UseFolder(const QString& folder);

// A handle on the store; changes are written when it is destroyed.
std::unique_ptr<QSettings> Open();

// Typed access. Integers are 32-bit: a stored value outside that range is
// cut to its low 32 bits, so a negative number written as an unsigned
// 32-bit registry value reads back as the negative number.
std::int32_t ReadInt(const char* section, const QString& name, std::int32_t def);
void WriteInt(const char* section, const QString& name, std::int32_t value);
QString ReadString(const char* section, const QString& name, const QString& def = QString());
void WriteString(const char* section, const QString& name, const QString& value);
bool Contains(const char* section, const QString& name);
void RemoveSection(const char* section);

}  // namespace orv::settings
