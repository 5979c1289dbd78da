// Screenshots of the viewer for looking at it (not a test): a first start
// with the splash, both layouts over the sample log with a reply selected,
// and the About box. Run under a display (xvfb-run); writes PNGs to OUTDIR.
// usage: app_shots OUTDIR
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "app/aboutdlg.h"
#include "app/mainframe.h"
#include "app/orvapp.h"
#include "app/settings.h"
#include "views/titletreeview.h"
#include "tests/app/harness/shotutil.h"

using namespace orv;
using shots::Settle;

namespace {

void Shot(const QString& dir, const QString& name) { shots::Shot(dir, name, 150); }

}  // namespace

int main(int argc, char** argv) {
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
    f->Commands().Execute(cmd::ID_VIEW_TOPBOTTOM);
    Shot(out, QStringLiteral("top-and-bottom.png"));

    // The File and View menus, opened.
    const QList<QAction*> menus = f->menuBar()->actions();
    for (int i : {0, 2}) {
        QMenu* m = menus[i]->menu();
        m->popup(f->mapToGlobal(f->menuBar()->actionGeometry(menus[i]).bottomLeft() +
                                QPoint(0, f->menuBar()->y())));
        Shot(out, QStringLiteral("menu-%1.png").arg(i));
        m->hide();
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
