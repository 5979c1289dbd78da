// What the two panes need from the window that holds them: each reaches the
// other only through these accessors (the main frame implements them).
#pragma once

namespace orv {

class CTitleTreeView;
class CTextView;

class IViewHost {
public:
    virtual ~IViewHost() = default;
    // Either may return null while the panes do not exist (yet or any more).
    virtual CTitleTreeView* GetTreeView() = 0;
    virtual CTextView* GetTextView() = 0;
};

}  // namespace orv
