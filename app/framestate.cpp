#include "app/framestate.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/commands.h"
#include "app/mainframe.h"
#include "app/settings.h"
#include "app/viewsplitter.h"
#include "views/findresultspane.h"

namespace orv {

using namespace cmd;

namespace {

// The bars as the settings name them: one section per bar and a summary.
constexpr int kMaxBars = 8;
// The version number given to QMainWindow's saveState and restoreState.
constexpr int kLayoutVersion = 1;

QString BarSection(int i) {
    return QStringLiteral("%1-Bar%2").arg(QLatin1String(settings::kBarState)).arg(i);
}
QString SummarySection() {
    return QStringLiteral("%1-Summary").arg(QLatin1String(settings::kBarState));
}

}  // namespace

// --- window placement ---------------------------------------------------------

QString WindowPlacement::ToString() const {
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(flags)
        .arg(showCmd)
        .arg(minX)
        .arg(minY)
        .arg(maxX)
        .arg(maxY)
        .arg(normal.left())
        .arg(normal.top())
        .arg(normal.left() + normal.width())
        .arg(normal.top() + normal.height());
}

bool WindowPlacement::FromString(const QString& text, WindowPlacement& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 10) return false;
    long long v[10];
    for (int i = 0; i < 10; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toLongLong(&ok);
        if (!ok) return false;
    }
    out.flags = static_cast<std::uint32_t>(v[0]);
    out.showCmd = static_cast<std::uint32_t>(v[1]);
    out.minX = static_cast<int>(v[2]);
    out.minY = static_cast<int>(v[3]);
    out.maxX = static_cast<int>(v[4]);
    out.maxY = static_cast<int>(v[5]);
    out.normal = QRect(QPoint(static_cast<int>(v[6]), static_cast<int>(v[7])),
                       QSize(static_cast<int>(v[8] - v[6]), static_cast<int>(v[9] - v[7])));
    return true;
}

// --- loading ------------------------------------------------------------------

CFrameState::CFrameState(CMainFrame& frame) : m_frame(frame) {
    // A window closed maximized opens maximized.
    WindowPlacement wp;
    if (ReadWindowPlacement(wp) && (wp.flags & WindowPlacement::kRestoreToMaximized))
        m_bStartMaximized = true;
}

bool CFrameState::ReadWindowPlacement(WindowPlacement& wp) {
    const QString text =
        settings::ReadString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos));
    if (text.isEmpty()) return false;
    return WindowPlacement::FromString(text, wp);
}

void CFrameState::LoadSplit() {
    CViewSplitter* splitter = m_frame.Splitter();
    const int mode =
        settings::ReadInt(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode), 1);
    splitter->SetViewMode(mode);
    const int split = settings::ReadInt(
        settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition), kDefaultSplit);
    if (mode == 0 || mode == 1) splitter->SetFirstPaneSize(mode, split, kMinSplit);
    splitter->RecalcLayout();
}

void CFrameState::LoadPlacement() {
    WindowPlacement wp;
    if (!ReadWindowPlacement(wp)) {
        m_frame.resize(800, 560);
        return;
    }
    QRect r = wp.normal;
    if (r.width() <= 0 || r.height() <= 0) return;
    // A rectangle on no screen (a monitor since removed) is moved onto the
    // primary screen, as the platform does on Windows.
    bool onScreen = false;
    for (QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r)) onScreen = true;
    if (!onScreen)
        if (QScreen* s = QGuiApplication::primaryScreen())
            r.moveTopLeft(s->availableGeometry().topLeft() + QPoint(20, 20));
    m_frame.setGeometry(r);
}

void CFrameState::LoadBarState() {
    LoadBars();
    // Its place comes back, its visibility does not: it starts hidden and
    // appears when a find all fills it (or the user asks for it).
    CFindResultsPane* results = m_frame.FindResults();
    results->RestoreState(
        m_frame,
        settings::ReadString(settings::kSecSettings, QString::fromUtf8(settings::kValFindResults)));
    results->StartHidden();
}

void CFrameState::LoadBars() {
    auto s = settings::Open();
    s->beginGroup(SummarySection());
    if (!s->contains(QStringLiteral("Bars"))) return;
    const int n = s->value(QStringLiteral("Bars")).toInt();
    const QByteArray layout =
        QByteArray::fromBase64(s->value(QStringLiteral("Layout")).toByteArray());
    s->endGroup();
    if (!layout.isEmpty()) m_frame.restoreState(layout, kLayoutVersion);
    for (int i = 0; i < n && i < kMaxBars; ++i) {
        s->beginGroup(BarSection(i));
        const int id = s->value(QStringLiteral("BarID")).toInt();
        const bool visible = s->value(QStringLiteral("Visible"), 1).toInt() != 0;
        s->endGroup();
        QWidget* w = id == AFX_IDW_TOOLBAR      ? static_cast<QWidget*>(m_frame.ToolBar())
                     : id == IDW_FINDBAR        ? static_cast<QWidget*>(m_frame.FindBar())
                     : id == AFX_IDW_STATUS_BAR ? static_cast<QWidget*>(m_frame.statusBar())
                                                : nullptr;
        if (w) w->setVisible(visible);
    }
}

// --- saving -------------------------------------------------------------------

void CFrameState::Save() {
    SaveBarState();
    SaveWindowPlacement();
    settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValViewMode),
                       m_frame.GetViewMode());
    if (CViewSplitter* splitter = m_frame.Splitter())
        settings::WriteInt(settings::kSecSettings, QString::fromUtf8(settings::kValSplitPosition),
                           splitter->FirstPaneSize());
}

void CFrameState::SaveWindowPlacement() {
    const QRect n = m_frame.normalGeometry();
    if (!n.isValid() || n.isEmpty()) return;  // keeps the value of the last run
    WindowPlacement wp;
    const bool minimized = m_frame.isMinimized();
    const bool maximized = m_frame.isMaximized();
    wp.flags = (maximized && !minimized) ? WindowPlacement::kRestoreToMaximized : 0;
    wp.showCmd = minimized   ? WindowPlacement::kShowMinimized
                 : maximized ? WindowPlacement::kShowMaximized
                             : WindowPlacement::kShowNormal;
    wp.normal = n;
    settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValWindowPos),
                          wp.ToString());
}

void CFrameState::SaveBarState() {
    // The results pane keeps its visibility and place in a value of its own,
    // and the layout is taken without it.
    QByteArray layout;
    CFindResultsPane* results = m_frame.FindResults();
    if (results && m_frame.dockWidgetArea(results) != Qt::NoDockWidgetArea) {
        const QString own = results->SaveState(m_frame);
        settings::WriteString(settings::kSecSettings, QString::fromUtf8(settings::kValFindResults),
                              own);
        m_frame.removeDockWidget(results);
        layout = m_frame.saveState(kLayoutVersion);
        results->RestoreState(m_frame, own);
    } else {
        layout = m_frame.saveState(kLayoutVersion);
    }
    auto s = settings::Open();
    s->remove(SummarySection());
    struct Bar {
        QWidget* w;
        int id;
    };
    const Bar bars[] = {{m_frame.ToolBar(), AFX_IDW_TOOLBAR},
                        {m_frame.FindBar(), IDW_FINDBAR},
                        {m_frame.statusBar(), AFX_IDW_STATUS_BAR}};
    int n = 0;
    for (int i = 0; i < kMaxBars; ++i) s->remove(BarSection(i));
    for (const Bar& b : bars) {
        if (!b.w) continue;
        s->beginGroup(BarSection(n++));
        s->setValue(QStringLiteral("BarID"), b.id);
        s->setValue(QStringLiteral("Visible"), b.w->isHidden() ? 0 : 1);
        if (auto* tb = qobject_cast<QToolBar*>(b.w)) {
            s->setValue(QStringLiteral("Horz"), tb->orientation() == Qt::Horizontal ? 1 : 0);
            s->setValue(QStringLiteral("Floating"), tb->isFloating() ? 1 : 0);
            s->setValue(QStringLiteral("Docking"), static_cast<int>(m_frame.toolBarArea(tb)));
            if (tb->isFloating()) {
                s->setValue(QStringLiteral("XPos"), tb->x());
                s->setValue(QStringLiteral("YPos"), tb->y());
            }
        }
        s->endGroup();
    }
    s->beginGroup(SummarySection());
    s->setValue(QStringLiteral("Bars"), n);
    if (QScreen* sc = m_frame.screen()) {
        s->setValue(QStringLiteral("ScreenCX"), sc->size().width());
        s->setValue(QStringLiteral("ScreenCY"), sc->size().height());
    }
    s->setValue(QStringLiteral("Layout"), QString::fromLatin1(layout.toBase64()));
    s->endGroup();
}

}  // namespace orv
