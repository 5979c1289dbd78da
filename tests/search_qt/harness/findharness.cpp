// The viewer over the sample log with a search text typed and found, for
// looking at the search bar (not a test). Arguments: the text to find
// (default "オフ会"), how many seconds to stay open (default 30), and "drop"
// to leave the history list dropped down or "all" to find every message
// with it and show the second one listed, its matches marked; then the
// option word in hexadecimal (default 7: title, text, letter case).
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include "app/commands.h"
#include "app/findbar.h"
#include "app/mainframe.h"
#include "app/orvapp.h"
#include "app/settings.h"
#include "app/splashscreen.h"
#include "tests/fakes/usage.h"
#include "views/titletreeview.h"

using namespace orv;

int main(int argc, char** argv) {
    if (orv::test::AnswerHelp(
            argc, argv,
            "usage: findbar_harness [TEXT [SECONDS [drop|all [OPTION]]]]\n"
            "Shows the viewer over the sample log with TEXT found (see the source).\n"))
        return 0;
    COrvApp app(argc, argv);
    QTemporaryDir dir;
    settings::UseFolder(dir.path());
    const QStringList args = app.arguments();
    const QString text = args.size() > 1 ? args[1] : QStringLiteral("オフ会");
    const int seconds = args.size() > 2 ? args[2].toInt() : 30;
    const bool dropList = args.size() > 3 && args[3] == QStringLiteral("drop");
    const bool findAll = args.size() > 3 && args[3] == QStringLiteral("all");

    app.EnableSingleInstance(false);
    // The splash screen would take the key that picks the listed message.
    if (findAll) CSplashScreen::EnableSplashScreen(false);
    const std::uint32_t option = args.size() > 4 ? args[4].toUInt(nullptr, 16) : 0x0007;
    app.m_nFindOption = option;  // default: title, message text, letter case
    if (app.InitInstance({QStringLiteral(ORV_SAMPLE_LOG)}) != COrvApp::StartResult::Run) return 1;
    app.m_nFindOption = option;
    CMainFrame* f = app.GetMainFrame();
    QTimer::singleShot(800, f, [f, text, dropList, findAll] {
        auto* bar = qobject_cast<CFindBar*>(f->FindBar());
        auto* tree = f->GetTreeView();
        tree->SelectItem(f->GetDocument().GetTreeItems().front());
        bar->Combo()->lineEdit()->setFocus();
        bar->Combo()->lineEdit()->setText(QStringLiteral("ｶﾞ"));
        bar->Combo()->UpdateHistory();
        bar->Combo()->lineEdit()->setFocus();
        bar->Combo()->lineEdit()->setText(text);
        if (findAll) {
            f->Commands().Execute(cmd::ID_FIND_ALL);
            QTreeView* list = f->FindResults()->List();
            list->setCurrentIndex(list->model()->index(1, 0));
            const CFindResultsModel::Row& row = f->FindResults()->Model().At(1);
            f->ShowFindResult(row.item, row.record);  // what Enter on the row does
            return;
        }
        f->Commands().Execute(cmd::ID_FIND_NEXT);
        if (dropList) {
            bar->Combo()->lineEdit()->setFocus();
            bar->Combo()->UpdateHistory();
            bar->Combo()->showPopup();
        }
    });
    QTimer::singleShot(seconds * 1000, &app, [f] {
        f->GetDocument().SetModifiedFlag(false);  // nothing to ask at the end
        QCoreApplication::quit();
    });
    const int rc = app.exec();
    app.ExitInstance();
    return rc;
}
