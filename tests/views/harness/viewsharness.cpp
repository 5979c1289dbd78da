// A window holding the two panes side by side over an imported log, for
// looking at them: views_harness [log] [number-to-select].
#include <QApplication>
#include <QSplitter>
#include <QTimer>

#include "app/msgprompter.h"
#include "app/progressdlg.h"
#include "core/orvdoc.h"
#include "views/textview.h"
#include "views/titletreeview.h"
#include "views/viewhost.h"

namespace {

class Host : public QSplitter, public orv::IViewHost {
public:
    Host() {
        tree = new orv::CTitleTreeView(this, this);
        text = new orv::CTextView(this, this);
        addWidget(tree);
        addWidget(text);
        setSizes({330, 620});
    }
    orv::CTitleTreeView* GetTreeView() override { return tree; }
    orv::CTextView* GetTextView() override { return text; }
    orv::CTitleTreeView* tree;
    orv::CTextView* text;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Orv"));
    Host host;
    host.setWindowTitle(QStringLiteral(u"会議室ログ"));
    host.resize(960, 640);
    host.move(0, 0);
    orv::CMsgPrompter prompter(&host);
    orv::CProgressFactory progress(&host);
    orv::COrvDoc doc;
    orv::DocPorts ports;
    ports.tree = host.tree;
    ports.progress = &progress;
    ports.prompter = &prompter;
    doc.SetPorts(ports);
    host.show();
    const std::string log = argc > 1 ? argv[1] : ORV_SAMPLE_LOG;
    const int number = argc > 2 ? std::atoi(argv[2]) : 2;
    QTimer::singleShot(0, [&] {
        orv::CLogFileList list({log});
        doc.ImportLogFiles(list);
        host.tree->ExpandAll(doc.GetTreeItems());
        for (orv::TreeItem item : doc.GetTreeItems()) {
            const orv::CComment* rec = host.tree->GetItemData(item);
            if (rec && rec->GetNumber() == number) {
                host.tree->SelectItem(item);
                break;
            }
        }
        host.tree->setFocus();
    });
    return app.exec();
}
