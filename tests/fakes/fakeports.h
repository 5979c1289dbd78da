// Test doubles of the core's ports: a scripted prompter that records every
// message, a progress factory that records what it was told and can request
// a cancel, and an in-memory title tree.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/listtree.h"
#include "core/ports.h"

namespace orv::test {

class FakePrompter : public IPrompter {
public:
    struct Shown {
        int id;
        std::string text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;  // consumed by questions; Yes/No default below
    MsgAnswer defaultAnswer = MsgAnswer::No;

    MsgAnswer MessageBox(int id, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override {
        shown.push_back({id, text, icon, buttons});
        if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
        if (answers.empty()) return defaultAnswer;
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const auto& s : shown) ids.push_back(s.id);
        return ids;
    }
};

class FakeProgressFactory : public IProgressFactory {
public:
    struct Log {
        bool cancelMode = false;
        std::vector<std::string> captions;
        std::vector<int> positions;
        int checks = 0;
        bool destroyed = false;
    };
    std::vector<Log> dialogs;
    int live = 0;
    // Number of CheckCancel calls (over all dialogs) after which one cancel
    // request is reported; -1 for never.
    int cancelAfter = -1;
    int totalChecks = 0;

    std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) override {
        dialogs.push_back({});
        dialogs.back().cancelMode = cancelMode;
        ++live;
        return std::make_unique<Dlg>(*this, dialogs.size() - 1);
    }

private:
    class Dlg : public IProgressDlg {
    public:
        Dlg(FakeProgressFactory& f, std::size_t i) : m_f(f), m_i(i) {}
        ~Dlg() override {
            m_f.dialogs[m_i].destroyed = true;
            --m_f.live;
        }
        void SetCaption(const std::string& c) override { m_f.dialogs[m_i].captions.push_back(c); }
        void SetPos(int p) override { m_f.dialogs[m_i].positions.push_back(p); }
        bool CheckCancel() override {
            ++m_f.dialogs[m_i].checks;
            return ++m_f.totalChecks == m_f.cancelAfter;
        }

    private:
        FakeProgressFactory& m_f;
        std::size_t m_i;
    };
};

// A title tree that can be told to refuse the n-th insertion.
class FakeTitleTree : public CListTitleTree {
public:
    int clears = 0;
    int failInsertAt = -1;  // 0-based insertion count to refuse
    int insertions = 0;
    std::vector<bool> redraw;

    void ClearTree() override {
        ++clears;
        CListTitleTree::ClearTree();
    }
    void SetRedraw(bool on) override { redraw.push_back(on); }
    TreeItem InsertItem(std::string_view title, int image, int selectedImage,
                        TreeItem parent) override {
        if (insertions++ == failInsertAt) return kNoItem;
        return CListTitleTree::InsertItem(title, image, selectedImage, parent);
    }
};

}  // namespace orv::test
