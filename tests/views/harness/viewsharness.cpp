// A window holding the two panes side by side over an imported log, for
// looking at them: views_harness [log] [number-to-select]. With --dialogs
// it also shows the progress dialog at 42% and the import-order dialog,
// with --font the font chooser.
#include <QApplication>
#include <QSplitter>
#include <QTimer>

#include "app/importorderdlg.h"
#include "app/msgprompter.h"
#include "app/progressdlg.h"
#include "core/orvdoc.h"
#include "tests/fakes/usage.h"
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
    if (orv::test::AnswerHelp(
            argc, argv,
            "usage: views_harness [--dialogs] [--font] [LOG [NUMBER]]\n"
            "Shows the two panes over LOG (default: the sample log) with message\n"
            "NUMBER selected; --dialogs adds the progress and import-order dialogs,\n"
            "--font the font chooser.\n"))
        return 0;
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
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool dialogs = args.removeAll(QStringLiteral("--dialogs")) > 0;
    const bool fontChooser = args.removeAll(QStringLiteral("--font")) > 0;
    const std::string log = args.size() > 0 ? args[0].toStdString() : ORV_SAMPLE_LOG;
    const int number = args.size() > 1 ? args[1].toInt() : 2;
    std::unique_ptr<orv::CProgressDlg> shownProgress;
    std::vector<std::string> order = {"/logs/2026/forum01.log", "/logs/2026/forum02.log",
                                      "/old/forum01.log"};
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
        if (fontChooser) host.text->OnViewFont();
        if (!dialogs) return;
        shownProgress = std::make_unique<orv::CProgressDlg>();
        shownProgress->Create(nullptr, false);
        shownProgress->move(0, 660);
        shownProgress->SetCaption(std::string("forum01.log 取り込み中！"));
        shownProgress->SetPos(42);
        auto* dlg = new orv::CImportOrderDlg(order);  // deletes itself on close
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        dlg->move(820, 0);
        dlg->show();
    });
    return app.exec();
}
