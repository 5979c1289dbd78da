// The view font as a LOGFONT-shaped record: the fourteen fields kept in the
// settings section "ViewFont 2", and the conversion to and from QFont.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

class QSettings;

namespace orv {

struct LogFont {
    std::int32_t lfHeight = 15;  // < 0: character height, > 0: cell height, 0: no font
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 400;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 1;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    QString faceName = QStringLiteral(u"ＭＳ ゴシック");  // at most 31 CP932 bytes

    bool operator==(const LogFont&) const = default;
};

// Longest face name, in CP932 bytes, without the terminator.
inline constexpr int kMaxFaceNameBytes = 31;

// The settings section of the view font.
inline constexpr char kViewFontSection[] = "ViewFont 2";

// Reads the section, each value with its default when absent; the 8-bit
// fields keep their low 8 bits, a longer face name is cut to 31 bytes at a
// character boundary.
LogFont LoadLogFont(QSettings& settings);
// Writes all fourteen values; nothing when lfHeight is 0.
void SaveLogFont(QSettings& settings, const LogFont& lf);

// The font the record describes, heights in pixels.
QFont FontFromLogFont(const LogFont& lf);
// The record of a font chosen in the font chooser: its pixel size as a
// negative (character) height.
LogFont LogFontFromFont(const QFont& font);

// Cuts a face name to at most kMaxFaceNameBytes CP932 bytes, never in the
// middle of a character.
QString ClampFaceName(const QString& face);

// Maps the Windows face names the defaults and old settings use to fonts
// installed here (once per process).
void InstallFontSubstitutions();

}  // namespace orv
