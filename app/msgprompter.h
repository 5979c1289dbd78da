// Message boxes of the viewer, shown with QMessageBox.
#pragma once

#include <QMessageBox>
#include <QPointer>

#include "core/ports.h"

namespace orv {

class CMsgPrompter : public IPrompter {
public:
    // parent: the window the boxes are modal to (the main window).
    explicit CMsgPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    MsgAnswer MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                         MsgButtons buttons) override;

    static QMessageBox::Icon ToQtIcon(MsgIcon icon);
    // Widens box so that its text breaks at its own line ends.
    static void KeepLinesWhole(QMessageBox& box);

private:
    QPointer<QWidget> m_parent;
};

}  // namespace orv
