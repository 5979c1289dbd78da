// Shared pieces of the window tests: a host window with both panes, and
// small forum logs written to a temporary folder.
#pragma once

#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QWidget>
#include <string>
#include <vector>

#include "core/orvdoc.h"
#include "fakes/fakeports.h"
#include "fakes/testfiles.h"
#include "views/textview.h"
#include "views/titletreeview.h"
#include "views/viewhost.h"

namespace orv::test {

// Points the settings store at a fresh folder of this test program, so
// that no test reads or clears the user's settings or another test's.
// Call before the first view is made.
inline void UsePrivateSettings() {
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
}

class TestHost : public QWidget, public IViewHost {
public:
    TestHost() {
        tree = new CTitleTreeView(this, this);
        text = new CTextView(this, this);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(tree);
        layout->addWidget(text);
        resize(900, 500);
    }
    CTitleTreeView* GetTreeView() override { return tree; }
    CTextView* GetTextView() override {
        ++textViewRequests;
        return text;
    }

    CTitleTreeView* tree;
    CTextView* text;
    int textViewRequests = 0;
};

struct Msg {
    int number;
    int parent;  // -1: none
    std::string title;
    std::string body;  // UTF-8, lines joined by \n
};

// One log file holding msgs in order.
inline std::string LogText(const std::vector<Msg>& msgs) {
    std::vector<std::string> lines = {"captured before the first message"};
    for (const Msg& m : msgs) {
        lines.push_back(Header1(m.number, 99999, "QVA00001", "試験 太郎", m.title));
        lines.push_back(Header2("99/01/10 08:15:30", m.parent));
        std::string body = m.body;
        std::size_t start = 0;
        while (true) {
            const std::size_t nl = body.find('\n', start);
            lines.push_back(Sjis(body.substr(start, nl == std::string::npos ? nl : nl - start)));
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    }
    return Crlf(lines);
}

// A document importing msgs into host's tree (progress and questions go to
// the given fakes, which may be null).
inline void ImportInto(COrvDoc& doc, TestHost& host, const TempDir& dir,
                       const std::vector<Msg>& msgs, IPrompter* prompter = nullptr,
                       IProgressFactory* progress = nullptr) {
    DocPorts ports;
    ports.tree = host.tree;
    ports.prompter = prompter;
    ports.progress = progress;
    doc.SetPorts(ports);
    CLogFileList list({dir.Write("log.txt", LogText(msgs))});
    doc.ImportLogFiles(list);
}

// The item whose record has number n, or kNoItem.
inline TreeItem ItemOfNumber(const COrvDoc& doc, const CTitleTreeView& tree, int n) {
    for (TreeItem item : doc.GetTreeItems()) {
        const CComment* rec = tree.GetItemData(item);
        if (rec && rec->GetNumber() == n) return item;
    }
    return kNoItem;
}

}  // namespace orv::test
