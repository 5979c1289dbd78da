// The user's choice of log files: the multi-selection file dialog, then the
// import-order dialog for several files.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/ports.h"

namespace orv {

class CLogFileChooser : public ILogFileChooser {
public:
    // owner: the main window (parent of both dialogs); prompter shows
    // IDS_OUT_OF_MEMORY.
    explicit CLogFileChooser(QWidget* owner, IPrompter* prompter = nullptr)
        : m_owner(owner), m_prompter(prompter) {}

    bool ChooseLogFiles(std::vector<std::string>& paths) override;
    bool ConfirmImportOrder(std::vector<std::string>& paths) override;

    // The file dialog's filters, the first selected.
    static QStringList NameFilters();

private:
    QPointer<QWidget> m_owner;
    IPrompter* m_prompter;
};

}  // namespace orv
