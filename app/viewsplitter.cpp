#include "app/viewsplitter.h"

#include <QResizeEvent>

#include "app/commands.h"

using namespace orv::cmd;

namespace orv {

CViewSplitter::CViewSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("splitter"));
    setProperty("controlId", static_cast<int>(AFX_IDW_PANE_FIRST));
    setChildrenCollapsible(true);
    setOpaqueResize(true);
    connect(this, &QSplitter::splitterMoved, this, &CViewSplitter::OnSplitterMoved);
}

bool CViewSplitter::Create(QWidget* first, QWidget* second) {
    if (!first || !second) return false;
    addWidget(first);
    addWidget(second);
    first->setProperty("controlId", static_cast<int>(AFX_IDW_PANE_FIRST));
    second->setProperty("controlId", static_cast<int>(AFX_IDW_PANE_SIDE));
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setCollapsible(0, true);
    setCollapsible(1, false);
    RecalcLayout();
    return true;
}

int CViewSplitter::GetViewMode() const { return orientation() == Qt::Horizontal ? 1 : 0; }

int CViewSplitter::SetViewMode(int mode) {
    const int old = GetViewMode();
    if (mode == old) return old;
    if (count() == 2) {
        if (mode == 0) {
            widget(1)->setProperty("controlId", static_cast<int>(AFX_IDW_PANE_BELOW));
            setOrientation(Qt::Vertical);
        } else if (mode == 1) {
            widget(1)->setProperty("controlId", static_cast<int>(AFX_IDW_PANE_SIDE));
            setOrientation(Qt::Horizontal);
        }
    }
    RecalcLayout();
    return old;
}

void CViewSplitter::SetFirstPaneSize(int mode, int ideal, int minimum) {
    const int i = mode == 0 ? 0 : 1;
    m_ideal[i] = ideal;
    m_min[i] = minimum;
}

int CViewSplitter::FirstPaneSize() const {
    const QList<int> s = sizes();
    return s.isEmpty() ? 0 : s.first();
}

int CViewSplitter::PaneId(int i) const {
    QWidget* w = widget(i);
    return w ? w->property("controlId").toInt() : 0;
}

void CViewSplitter::RecalcLayout() {
    if (count() != 2) return;
    const int i = GetViewMode() == 0 ? 0 : 1;
    if (m_ideal[i] < m_min[i]) m_ideal[i] = 0;
    const int total =
        orientation() == Qt::Horizontal ? contentsRect().width() : contentsRect().height();
    const int first = std::max(0, std::min(m_ideal[i], total - handleWidth()));
    m_bLayingOut = true;
    setSizes({first, std::max(0, total - first - handleWidth())});
    m_bLayingOut = false;
}

void CViewSplitter::resizeEvent(QResizeEvent* e) {
    QSplitter::resizeEvent(e);
    RecalcLayout();
}

void CViewSplitter::showEvent(QShowEvent* e) {
    QSplitter::showEvent(e);
    RecalcLayout();
}

void CViewSplitter::OnSplitterMoved(int pos, int index) {
    if (m_bLayingOut || index != 1) return;
    const int i = GetViewMode() == 0 ? 0 : 1;
    m_ideal[i] = pos;
    if (pos < m_min[i]) {
        m_ideal[i] = 0;
        RecalcLayout();
    }
}

}  // namespace orv
