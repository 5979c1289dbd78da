#include "views/logfont.h"

#include <QFontInfo>
#include <QSettings>
#include <algorithm>

#include "core/cp932.h"

namespace orv {

namespace {

// A stored integer as the registry holds it: 32 bits, so a negative value
// may come back as its unsigned two's complement.
std::int32_t ReadInt32(QSettings& s, const char* key, std::int32_t def) {
    const QVariant v = s.value(QLatin1String(key));
    if (!v.isValid()) return def;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok) return def;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(n & 0xFFFFFFFFLL));
}

std::uint8_t ReadByte(QSettings& s, const char* key, std::uint8_t def) {
    const QVariant v = s.value(QLatin1String(key));
    if (!v.isValid()) return def;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok) return def;
    return static_cast<std::uint8_t>(n & 0xFF);
}

}  // namespace

QString ClampFaceName(const QString& face) {
    QString out;
    int bytes = 0;
    for (auto it = face.cbegin(); it != face.cend();) {
        // One character (a surrogate pair stays whole).
        const int len = (it->isHighSurrogate() && it + 1 != face.cend()) ? 2 : 1;
        const QString ch(it, len);
        const auto cp = Utf8ToCp932(ch.toStdString());
        const int n = cp ? static_cast<int>(cp->size()) : 1;  // unmappable: '?' width
        if (bytes + n > kMaxFaceNameBytes) break;
        bytes += n;
        out += ch;
        it += len;
    }
    return out;
}

LogFont LoadLogFont(QSettings& s) {
    LogFont lf;
    s.beginGroup(QLatin1String(kViewFontSection));
    lf.lfHeight = ReadInt32(s, "Height", lf.lfHeight);
    lf.lfWidth = ReadInt32(s, "Width", lf.lfWidth);
    lf.lfEscapement = ReadInt32(s, "Escapement", lf.lfEscapement);
    lf.lfOrientation = ReadInt32(s, "Orientation", lf.lfOrientation);
    lf.lfWeight = ReadInt32(s, "Weight", lf.lfWeight);
    lf.lfItalic = ReadByte(s, "Italic", lf.lfItalic);
    lf.lfUnderline = ReadByte(s, "Underline", lf.lfUnderline);
    lf.lfStrikeOut = ReadByte(s, "StrikeOut", lf.lfStrikeOut);
    lf.lfCharSet = ReadByte(s, "CharSet", lf.lfCharSet);
    lf.lfOutPrecision = ReadByte(s, "OutPrecision", lf.lfOutPrecision);
    lf.lfClipPrecision = ReadByte(s, "ClipPrecision", lf.lfClipPrecision);
    lf.lfQuality = ReadByte(s, "Quality", lf.lfQuality);
    lf.lfPitchAndFamily = ReadByte(s, "PitchAndFamily", lf.lfPitchAndFamily);
    const QVariant face = s.value(QStringLiteral("FaceName"));
    if (face.isValid()) lf.faceName = ClampFaceName(face.toString());
    s.endGroup();
    return lf;
}

void SaveLogFont(QSettings& s, const LogFont& lf) {
    if (lf.lfHeight == 0) return;
    s.beginGroup(QLatin1String(kViewFontSection));
    s.setValue(QStringLiteral("Height"), lf.lfHeight);
    s.setValue(QStringLiteral("Width"), lf.lfWidth);
    s.setValue(QStringLiteral("Escapement"), lf.lfEscapement);
    s.setValue(QStringLiteral("Orientation"), lf.lfOrientation);
    s.setValue(QStringLiteral("Weight"), lf.lfWeight);
    s.setValue(QStringLiteral("Italic"), int(lf.lfItalic));
    s.setValue(QStringLiteral("Underline"), int(lf.lfUnderline));
    s.setValue(QStringLiteral("StrikeOut"), int(lf.lfStrikeOut));
    s.setValue(QStringLiteral("CharSet"), int(lf.lfCharSet));
    s.setValue(QStringLiteral("OutPrecision"), int(lf.lfOutPrecision));
    s.setValue(QStringLiteral("ClipPrecision"), int(lf.lfClipPrecision));
    s.setValue(QStringLiteral("Quality"), int(lf.lfQuality));
    s.setValue(QStringLiteral("PitchAndFamily"), int(lf.lfPitchAndFamily));
    s.setValue(QStringLiteral("FaceName"), lf.faceName);
    s.endGroup();
}

QFont FontFromLogFont(const LogFont& lf) {
    InstallFontSubstitutions();
    QFont f(lf.faceName);
    // Fixed pitch (1) or the modern family (0x30) ask for a monospaced face.
    if ((lf.lfPitchAndFamily & 3) == 1 || (lf.lfPitchAndFamily & 0xF0) == 0x30)
        f.setStyleHint(QFont::TypeWriter);
    if (lf.lfWeight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(lf.lfWeight, 1, 1000)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    // A negative height is the character height, a positive one the cell
    // height. The Japanese faces these records name have no internal
    // leading, so both come out as the same pixel size; the faces that
    // stand in for them here have a much taller cell, and measuring it
    // would shrink the text by a third.
    int px = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    if (px == 0) px = 15;
    f.setPixelSize(px);
    return f;
}

LogFont LogFontFromFont(const QFont& font) {
    LogFont lf;
    int px = font.pixelSize();
    if (px <= 0) px = QFontInfo(font).pixelSize();  // a point size, on this screen
    lf.lfHeight = -std::max(1, px);
    lf.lfWeight = static_cast<int>(font.weight());
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = 0;
    lf.lfStrikeOut = 0;
    lf.lfCharSet = 1;
    lf.lfPitchAndFamily = font.fixedPitch() ? 1 : 0;
    lf.faceName = ClampFaceName(font.family());
    return lf;
}

void InstallFontSubstitutions() {
    static const bool done = [] {
        const QStringList gothic = {QStringLiteral("Noto Sans Mono CJK JP"),
                                    QStringLiteral("Noto Sans CJK JP"),
                                    QStringLiteral("monospace")};
        const QStringList uiGothic = {QStringLiteral("Noto Sans CJK JP"),
                                      QStringLiteral("sans-serif")};
        QFont::insertSubstitutions(QStringLiteral(u"ＭＳ ゴシック"), gothic);
        QFont::insertSubstitutions(QStringLiteral("MS Gothic"), gothic);
        QFont::insertSubstitutions(QStringLiteral(u"ＭＳ Ｐゴシック"), uiGothic);
        QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), uiGothic);
        return true;
    }();
    (void)done;
}

}  // namespace orv
