// The operations the core needs from the windows. The GUI implements them
// with Qt, the command line for a terminal, and the tests with fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "res/msgicon.h"

namespace orv {

class CComment;

// Opaque handle of a title-tree item. kTreeRoot stands for the invisible
// root (the parent of top-level items), kNoItem for "no item" or a failure.
using TreeItem = std::intptr_t;
inline constexpr TreeItem kTreeRoot = 0;
inline constexpr TreeItem kNoItem = -1;

// The images a title-tree item shows (indexes into the tree's image list):
// a top-level message and a reply, each as shown plain and when selected.
enum TreeImage : int {
    kImageTop = 0,
    kImageTopSelected = 1,
    kImageReply = 2,
    kImageReplySelected = 3,
    kTreeImageCount = 4,
};

// The title tree as the document sees it.
class ITitleTree {
public:
    virtual ~ITitleTree() = default;
    // Removes every item and clears the text view, without reacting to the
    // selection changes this causes.
    virtual void ClearTree() = 0;
    // Suspends (false) or resumes (true) redrawing; a resume after a bulk of
    // insertions shows them all at once.
    virtual void SetRedraw(bool redraw) = 0;
    // A hint before a rebuild: about count items are coming.
    virtual void ReserveItems(std::size_t count) { (void)count; }
    // Appends an item after the last child of parent; kNoItem on failure.
    // titleCp932 holds the record's raw CP932 title; the images are
    // TreeImage values.
    virtual TreeItem InsertItem(std::string_view titleCp932, int image, int selectedImage,
                                TreeItem parent) = 0;
    virtual void SetItemData(TreeItem item, CComment* record) = 0;
    virtual CComment* GetItemData(TreeItem item) const = 0;
    // The selected item, or kNoItem.
    virtual TreeItem GetSelectedItem() const = 0;
    // Makes item the selected item: expands its ancestors, scrolls it into
    // view and shows its record.
    virtual void SelectItem(TreeItem item) = 0;
};

// One progress dialog, alive from creation to destruction.
class IProgressDlg {
public:
    virtual ~IProgressDlg() = default;
    // captionUtf8: the label above the bar ("ツリー生成中！", "x.log 取り込み中！").
    virtual void SetCaption(const std::string& captionUtf8) = 0;
    virtual void SetPos(int percent) = 0;
    // Lets the user interface process pending input, then returns the cancel
    // request and clears it.
    virtual bool CheckCancel() = 0;
};

class IProgressFactory {
public:
    virtual ~IProgressFactory() = default;
    // cancelMode: caption and Cancel button only; otherwise percentage and bar.
    virtual std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) = 0;
};

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// Message boxes. id is the string-table number (0 for texts without one);
// textUtf8 is the final text with its %1 already replaced.
class IPrompter {
public:
    virtual ~IPrompter() = default;
    virtual MsgAnswer MessageBox(int id, const std::string& textUtf8, MsgIcon icon,
                                 MsgButtons buttons) = 0;
};

// The choice and ordering of the log files of one import.
class ILogFileChooser {
public:
    virtual ~ILogFileChooser() = default;
    // Lets the user choose files; false when cancelled.
    virtual bool ChooseLogFiles(std::vector<std::string>& paths) = 0;
    // Lets the user confirm or change the order of several files; false when
    // cancelled.
    virtual bool ConfirmImportOrder(std::vector<std::string>& paths) = 0;
};

// What the search needs from the application: the search text (CP932 bytes
// as typed in the search bar) and the search option word.
class IFindContext {
public:
    virtual ~IFindContext() = default;
    virtual std::string GetFindString() = 0;
    virtual std::uint32_t GetFindOption() = 0;
};

// The set of ports one document talks to. Any of them may be null: the
// document then skips what it would have shown (no tree, no progress, no
// questions - a null prompter answers No).
struct DocPorts {
    ITitleTree* tree = nullptr;
    IProgressFactory* progress = nullptr;
    IPrompter* prompter = nullptr;
    ILogFileChooser* chooser = nullptr;
    IFindContext* find = nullptr;
};

}  // namespace orv
