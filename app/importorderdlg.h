// The dialog in which the user puts several log files into the order of
// their message numbers, or leaves some out.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace orv {

class CImportOrderDlg : public QDialog {
    Q_OBJECT
public:
    // paths: full paths in the file system's encoding; rewritten on OK only.
    explicit CImportOrderDlg(std::vector<std::string>& paths, QWidget* parent = nullptr);

    QListWidget* ListBox() const { return m_list; }

public slots:
    void OnUp();
    void OnDown();
    void OnRemove();
    void accept() override;

private:
    void Move(int delta);

    std::vector<std::string>& m_paths;
    std::vector<std::string> m_original;  // the entries' source paths
    QListWidget* m_list = nullptr;
};

}  // namespace orv
