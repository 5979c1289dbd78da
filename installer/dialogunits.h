// Dialog units: the coordinates in which the installer's dialogs are laid
// out. One horizontal unit is a quarter of the dialog font's average
// character width, one vertical unit an eighth of its character height, so a
// dialog keeps its proportions with whatever font it is shown in.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace orvinst {

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int X(int nUnits) const;
    int Y(int nUnits) const;
    QRect Rect(int x, int y, int cx, int cy) const;
    QSize Size(int cx, int cy) const;

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

private:
    int m_nBaseX;  // average character width in pixels
    int m_nBaseY;  // character height in pixels
};

// The font of the installer's dialogs: 9 points, a Japanese user-interface
// face, falling back to a Japanese face that is installed.
QFont InstallerDialogFont();

}  // namespace orvinst
