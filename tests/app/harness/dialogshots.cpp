// Screenshots of the viewer's dialogs for looking at them (not a test): the
// progress dialog over the main window, a long message box, the font
// chooser, the import-order dialog, tabbed text on screen and in the print
// preview, and the page set-up. Run under a display (xvfb-run); writes PNGs
// to OUTDIR.
// usage: dialog_shots OUTDIR
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/importorderdlg.h"
#include "app/mainframe.h"
#include "app/msgprompter.h"
#include "app/orvapp.h"
#include "app/progressdlg.h"
#include "app/settings.h"
#include "core/comment.h"
#include "res/strings.h"
#include "tests/app/harness/shotutil.h"
#include "tests/fakes/usage.h"
#include "views/textview.h"

using namespace orv;
using shots::Settle;

namespace {

void Shot(const QString& dir, const QString& name) { shots::Shot(dir, name, 300); }

// Takes a shot of the modal dialog that run() opens, then closes it.
void ShotOfModal(const QString& dir, const QString& name, const std::function<void()>& run) {
    QTimer::singleShot(600, [dir, name] {
        Shot(dir, name);
        if (QWidget* w = QApplication::activeModalWidget())
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    run();
}

}  // namespace

int main(int argc, char** argv) {
    if (orv::test::AnswerHelp(
            argc, argv,
            "usage: dialog_shots [OUTDIR]\n"
            "Writes screenshots of the viewer's dialogs as PNG files into OUTDIR\n"
            "(default: .).\n"))
        return 0;
    QTemporaryDir settingsDir;
    settings::UseFolder(settingsDir.path());
    COrvApp app(argc, argv);
    app.EnableSingleInstance(false);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    if (app.InitInstance({QStringLiteral("-Embedding"), QStringLiteral(ORV_SAMPLE_LOG)}) !=
        COrvApp::StartResult::Run)
        return 1;
    CMainFrame* f = app.GetMainFrame();
    f->move(40, 40);
    f->resize(900, 600);
    Settle(300);

    {
        CProgressDlg dlg;
        dlg.Create(f, false);
        dlg.SetCaption(QStringLiteral(u"sample.log 取り込み中！"));
        dlg.SetPos(42);
        Shot(out, QStringLiteral("progress.png"));
    }

    ShotOfModal(out, QStringLiteral("message-60007.png"), [f] {
        CMsgPrompter p(f);
        p.MessageBox(res::IDS_IMPORT_DUPLICATE,
                     res::Format(res::IDS_IMPORT_DUPLICATE,
                                 "/home/user/forum-logs/2024/conference-room-12-archive.log"),
                     res::Icon(res::IDS_IMPORT_DUPLICATE), MsgButtons::YesNo);
    });

    ShotOfModal(out, QStringLiteral("font-chooser.png"), [f] { f->GetTextView()->OnViewFont(); });

    {
        std::vector<std::string> paths = {"/tmp/a/first.log", "/tmp/b/second.log",
                                          "/tmp/third.log"};
        ShotOfModal(out, QStringLiteral("import-order.png"), [&paths, f] {
            CImportOrderDlg dlg(paths, f);
            dlg.exec();
        });
    }

    CCommentStore store;
    CComment& tabbed = store.NewRecord();
    tabbed.SetText(
        std::string("\tA\tB\tC\r\n12345678901234567890123456789012\r\n"
                    "abcdefgh\tX\r\n"));
    f->GetTextView()->SetComment(&tabbed);
    Shot(out, QStringLiteral("tabs-on-screen.png"));
    ShotOfModal(out, QStringLiteral("tabs-preview.png"),
                [f] { f->GetTextView()->OnFilePrintPreview(); });
    ShotOfModal(out, QStringLiteral("page-setup.png"),
                [f] { f->Commands().Execute(cmd::ID_FILE_PRINT_SETUP); });
    f->GetTextView()->SetComment(nullptr);

    f->GetDocument().SetModifiedFlag(false);
    f->close();
    app.ExitInstance();
    return 0;
}
