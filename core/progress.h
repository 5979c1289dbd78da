// The progress dialog of one long operation of the core (an import, a tree
// rebuild), owned for the operation's length. Every call is a no-op when
// there is no progress port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/ports.h"

namespace orv {

class CProgress {
public:
    CProgress(IProgressFactory* factory, bool cancelMode) {
        if (factory) m_dlg = factory->CreateProgress(cancelMode);
    }
    void SetCaption(const std::string& text) {
        if (m_dlg) m_dlg->SetCaption(text);
    }
    // Moves the bar when percent differs from the last position.
    void SetPos(int percent) {
        if (m_dlg && percent != m_last) {
            m_last = percent;
            m_dlg->SetPos(percent);
        }
    }
    bool CheckCancel() { return m_dlg && m_dlg->CheckCancel(); }
    // Whether a dialog follows the work step by step.
    bool Watched() const { return m_dlg != nullptr; }

private:
    std::unique_ptr<IProgressDlg> m_dlg;
    int m_last = -1;
};

// The share of done in total, 0 to 100: a log that grows while it is read
// passes the length taken when it was opened.
inline int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) return 100;
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

}  // namespace orv
