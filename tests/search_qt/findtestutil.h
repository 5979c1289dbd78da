// Helpers of the search-bar tests: a main window over the sample log, and
// access to its search bar, tree and records (with the shared Qt helpers).
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <memory>
#include <string>

#include "app/findbar.h"
#include "app/mainframe.h"
#include "app/splashscreen.h"
#include "core/comment.h"
#include "core/cp932.h"
#include "fakes/fakeports.h"
#include "fakes/qttestutil.h"
#include "views/textview.h"
#include "views/titletreeview.h"

namespace orv::test {

// A shown main window whose messages go to prompter, optionally over the
// sample log.
inline std::unique_ptr<CMainFrame> OpenFrame(FakePrompter* prompter, bool withSample) {
    // No splash screen: it would take the first key for itself.
    CSplashScreen::EnableSplashScreen(false);
    auto f = std::make_unique<CMainFrame>();
    if (prompter) f->SetPrompter(prompter);
    f->ShowInitial();
    if (!QTest::qWaitForWindowExposed(f.get())) qWarning("window not exposed");
    if (withSample) f->ImportLogs({SampleLog()});
    // Keys reach the active window only.
    f->activateWindow();
    if (!QTest::qWaitForWindowActive(f.get())) qWarning("window not active");
    return f;
}

inline CFindBar* Bar(CMainFrame& f) { return qobject_cast<CFindBar*>(f.FindBar()); }
inline CFindStrCombo* Combo(CMainFrame& f) { return Bar(f)->Combo(); }

inline QStringList Entries(CMainFrame& f) {
    QStringList list;
    for (int i = 0; i < Combo(f)->count(); ++i) list << Combo(f)->itemText(i);
    return list;
}

// Puts text into the empty field as typing (or an input method) would,
// with the focus in it.
inline void TypeInField(CMainFrame& f, const QString& text) {
    CFindStrCombo* c = Combo(f);
    c->lineEdit()->setFocus(Qt::OtherFocusReason);
    c->lineEdit()->clear();
    c->lineEdit()->insert(text);
}

inline void PressInField(CMainFrame& f, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    CFindStrCombo* c = Combo(f);
    c->lineEdit()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(c->lineEdit(), key, mods);
}

// Index of the record with number n in tree order, or -1.
inline int IndexOf(CMainFrame& f, int n) {
    const auto& items = f.GetDocument().GetTreeItems();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (CComment* c = f.GetTreeView()->GetItemData(items[i]); c && c->GetNumber() == n)
            return static_cast<int>(i);
    return -1;
}

inline void SelectNumber(CMainFrame& f, int n) {
    const int i = IndexOf(f, n);
    QVERIFY(i >= 0);
    f.GetTreeView()->SelectItem(f.GetDocument().GetTreeItems()[static_cast<std::size_t>(i)]);
}

// Number of the selected record, 0 when none.
inline int SelectedNumber(CMainFrame& f) {
    const TreeItem item = f.GetTreeView()->GetSelectedItem();
    if (item == kNoItem) return 0;
    CComment* c = f.GetTreeView()->GetItemData(item);
    return c ? c->GetNumber() : 0;
}

inline QString Utf8(std::string_view cp932) { return QString::fromStdString(Cp932ToUtf8(cp932)); }

}  // namespace orv::test
