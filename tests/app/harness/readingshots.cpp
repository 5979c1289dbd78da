// Screenshots of the reading state (not a test): the sample forum with
// some messages read (plain titles), the rest unread (bold), two bookmarks
// (a ribbon after the title), the status pane, and the bookmark list. Run
// under a display (xvfb-run); writes PNGs to OUTDIR.
// usage: reading_shots OUTDIR
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include "app/bookmarklistdlg.h"
#include "app/commands.h"
#include "app/mainframe.h"
#include "app/readingcommands.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "core/import/logfilelist.h"
#include "tests/app/harness/shotutil.h"
#include "views/titletreeview.h"

using namespace orv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 || QString::fromLocal8Bit(argv[1]).startsWith(QLatin1Char('-'))) {
        std::fputs("usage: reading_shots OUTDIR\n", argc == 2 ? stdout : stderr);
        return argc == 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--help") ? 0 : 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir tmp;
    settings::UseFolder(tmp.filePath(QStringLiteral("settings")));
    qputenv("XDG_DATA_HOME", tmp.filePath(QStringLiteral("data")).toUtf8());
    const QString doc = tmp.filePath(QStringLiteral("sample.mld"));
    {
        COrvDoc d;
        CLogFileList list({std::string(ORV_SAMPLE_LOG)});
        d.ImportLogFiles(list);
        if (!d.OnSaveDocument(doc.toStdString())) return 1;
    }
    CSplashScreen::EnableSplashScreen(false);
    CMainFrame frame;
    frame.resize(900, 560);
    frame.ShowInitial();
    frame.OpenDocumentFile(doc);
    frame.Commands().Execute(cmd::ID_VIEW_EXPANDALL);
    CTitleTreeView* tree = frame.GetTreeView();
    const std::vector<TreeItem>& items = frame.GetDocument().GetTreeItems();
    // The first thread read, two bookmarks, the reader on the fourth message.
    for (std::size_t i : {0u, 1u, 2u}) {
        tree->SelectItem(items[i]);
        frame.Commands().Execute(cmd::ID_EDIT_MARK_READ);
    }
    for (std::size_t i : {2u, 5u}) {
        tree->SelectItem(items[i]);
        frame.Commands().Execute(cmd::ID_EDIT_BOOKMARK);
    }
    tree->SelectItem(items[3]);
    shots::Shot(out, QStringLiteral("reading-tree.png"), 400);
    QTimer::singleShot(300, [&] {
        shots::Shot(out, QStringLiteral("reading-bookmarks.png"), 200);
        if (QWidget* dlg = QApplication::activeModalWidget()) dlg->close();
    });
    frame.Commands().Execute(cmd::ID_GO_BOOKMARKS);
    return 0;
}
