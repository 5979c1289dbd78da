#include "installer/dialogunits.h"

#include <QFontMetrics>
#include <QStringList>

namespace orvinst {

namespace {

// a * b / c rounded to the nearest integer.
int MulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    return static_cast<int>(n >= 0 ? (n + c / 2) / c : (n - c / 2) / c);
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    // The average width of the 52 Latin letters, rounded, and the height of a
    // line without leading.
    const int nWidth = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = qMax(1, (nWidth / 26 + 1) / 2);
    m_nBaseY = qMax(1, fm.height());
}

int CDialogUnits::X(int nUnits) const { return MulDivRound(nUnits, m_nBaseX, 4); }

int CDialogUnits::Y(int nUnits) const { return MulDivRound(nUnits, m_nBaseY, 8); }

QRect CDialogUnits::Rect(int x, int y, int cx, int cy) const {
    // Both edges are converted, so that neighbouring controls stay flush.
    const int nLeft = X(x);
    const int nTop = Y(y);
    return QRect(nLeft, nTop, X(x + cx) - nLeft, Y(y + cy) - nTop);
}

QSize CDialogUnits::Size(int cx, int cy) const { return QSize(X(cx), Y(cy)); }

QFont InstallerDialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("IPAGothic")});
    font.setPointSize(9);
    return font;
}

}  // namespace orvinst
