// Screenshots of the viewer for looking at it (not a test): a first start
// with the splash, both layouts over the sample log with a reply selected,
// a click below the tree's rows, a find all with its results pane, the HTML
// export into a new folder and its closing message, a deep reply chain
// scrolled sideways to its end, and the About box. Run under a display
// (xvfb-run); writes PNGs to OUTDIR.
// usage: app_shots OUTDIR
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "app/aboutdlg.h"
#include "app/exporthtmlcommand.h"
#include "app/findbar.h"
#include "app/mainframe.h"
#include "app/orvapp.h"
#include "app/settings.h"
#include "tests/app/harness/shotutil.h"
#include "tests/fakes/usage.h"
#include "views/titletreeview.h"

using namespace orv;
using shots::Settle;

namespace {

void Shot(const QString& dir, const QString& name) { shots::Shot(dir, name, 150); }

// A left click at pos of widget, as the mouse gives it.
void Click(QWidget* widget, const QPoint& pos) {
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// A log of count messages, each answering the one before (CP932, CR LF).
QString WriteChainLog(const QString& dir, int count) {
    QByteArray out;
    const QByteArray marker = QByteArray::fromHex("82D682CC8352838183938367");  // へのコメント
    for (int n = 1; n <= count; ++n) {
        out += QStringLiteral("%1/%2 CHN00001  TANAKA")
                   .arg(n, 7, 10, QLatin1Char('0'))
                   .arg(count, 7, 10, QLatin1Char('0'))
                   .toLatin1()
                   .leftJustified(38, ' ');
        out += n > 1 ? "RE:a reply deep down the chain\r\n" : "the first message\r\n";
        out += "(01) 98/01/01 00:00:00";
        if (n > 1) out += "  " + QByteArray::number(n - 1).rightJustified(7, '0') + marker;
        out += "\r\nok\r\n";
    }
    const QString path = QDir(dir).filePath(QStringLiteral("chain.log"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(out);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    if (orv::test::AnswerHelp(
            argc, argv,
            "usage: app_shots [OUTDIR]\n"
            "Writes screenshots of the viewer as PNG files into OUTDIR (default: .).\n"))
        return 0;
    QTemporaryDir settingsDir;
    settings::UseFolder(settingsDir.path());
    COrvApp app(argc, argv);
    app.EnableSingleInstance(false);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // A first start: empty settings, the splash over the new window.
    if (app.InitInstance({}) != COrvApp::StartResult::Run) return 1;
    Shot(out, QStringLiteral("first-start.png"));
    Settle(3300);
    Shot(out, QStringLiteral("first-start-after-splash.png"));
    app.GetMainFrame()->close();
    app.ExitInstance();

    // The sample log, side by side, a reply selected.
    if (app.InitInstance({QStringLiteral("-Embedding"), QStringLiteral(ORV_SAMPLE_LOG)}) !=
        COrvApp::StartResult::Run)
        return 1;
    CMainFrame* f = app.GetMainFrame();
    f->resize(900, 560);
    const auto& items = f->GetDocument().GetTreeItems();
    if (items.size() > 1) f->GetTreeView()->SelectItem(items[1]);
    f->GetTreeView()->setFocus();
    Shot(out, QStringLiteral("side-by-side.png"));
    // A click below the last row keeps the selection as it was.
    {
        CTitleTreeView* tree = f->GetTreeView();
        const QRect last = tree->visualRect(tree->model()->index(tree->model()->rowCount() - 1, 0));
        Click(tree->viewport(), QPoint(last.left() + 40, last.bottom() + 30));
        Shot(out, QStringLiteral("tree-click-below.png"));
    }
    // Find all: the results pane appears below with room for ten rows.
    if (auto* bar = qobject_cast<CFindBar*>(f->FindBar())) {
        bar->Combo()->lineEdit()->setText(QStringLiteral("オフ会"));
        f->Commands().Execute(cmd::ID_FIND_ALL);
        Shot(out, QStringLiteral("find-all.png"));
        f->Commands().Execute(cmd::ID_VIEW_FINDRESULTS);
    }
    // The export: a new folder's name typed in the dialog, then the message
    // at the end.
    {
        QTemporaryDir exportDir;
        CExportFolderDialog dlg(f, exportDir.path());
        dlg.show();
        if (auto* name = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("forum-site"));
        Shot(out, QStringLiteral("export-folder.png"));
        dlg.accept();
        const QString chosen = dlg.ChosenFolder();
        QTimer::singleShot(300, [&out] {
            Shot(out, QStringLiteral("export-done.png"));
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->reject();
        });
        OnExportHtml(
            f->GetDocument(), f->GetTitle(), exportDir.path(),
            [&chosen](const QString&) { return chosen; }, [](const QString&) {});
    }
    f->Commands().Execute(cmd::ID_VIEW_TOPBOTTOM);
    Shot(out, QStringLiteral("top-and-bottom.png"));
    f->Commands().Execute(cmd::ID_VIEW_SIDEBYSIDE);

    // The File and View menus, opened.
    const QList<QAction*> menus = f->menuBar()->actions();
    for (int i : {0, 2}) {
        QMenu* m = menus[i]->menu();
        m->popup(f->mapToGlobal(f->menuBar()->actionGeometry(menus[i]).bottomLeft() +
                                QPoint(0, f->menuBar()->y())));
        Shot(out, QStringLiteral("menu-%1.png").arg(i));
        m->hide();
    }

    // A reply chain 300 deep, the deepest selected, scrolled sideways as far
    // as it goes.
    {
        QTemporaryDir chainDir;
        f->GetDocument().SetModifiedFlag(false);
        f->OnFileNew();
        f->ImportLogs({WriteChainLog(chainDir.path(), 300)});
        f->Commands().Execute(cmd::ID_VIEW_EXPANDALL);
        CTitleTreeView* tree = f->GetTreeView();
        tree->SelectItem(f->GetDocument().GetTreeItems().back());
        tree->horizontalScrollBar()->setValue(tree->horizontalScrollBar()->maximum());
        Shot(out, QStringLiteral("deep-chain-right.png"));
    }

    {
        CAboutDlg about(f);
        about.show();
        about.move(f->geometry().center() - about.rect().center());
        Shot(out, QStringLiteral("about.png"));
    }
    f->GetDocument().SetModifiedFlag(false);
    f->close();
    app.ExitInstance();
    return 0;
}
