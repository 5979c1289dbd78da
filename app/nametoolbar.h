// The captioned tool bar of the main window: its own small font, and a
// caption that shows while the bar floats.
#pragma once

#include <QFont>
#include <QToolBar>

namespace orv {

class CNameToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CNameToolBar(QWidget* parent = nullptr);

    // Makes the bar's font ("MS UI Gothic", 9 points), applies it and sets
    // the caption. False when the font cannot be made.
    virtual bool Initialize(const QString& caption);

protected:
    QFont m_font;
};

}  // namespace orv
