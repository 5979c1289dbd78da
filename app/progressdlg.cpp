#include "app/progressdlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

#include "res/strings.h"

namespace orv {

CProgressDlg::CProgressDlg(int titleId)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_nTitleId(titleId != 0 ? titleId : res::IDS_PROGRESS_TITLE) {
    // Widgets are Qt children of the dialog, which owns them.
    m_caption = new QLabel(this);
    m_caption->setAlignment(Qt::AlignCenter);
    m_percent = new QLabel(QStringLiteral(" 0 %"), this);
    m_percent->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(QStringLiteral(u"キャンセル"), this);
    m_cancel->setAutoDefault(false);
    m_cancel->setDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_caption, 0, 0);
    layout->addWidget(m_percent, 1, 0);
    // The Cancel button sits where the bar is; one of them is hidden.
    layout->addWidget(m_bar, 2, 0);
    layout->addWidget(m_cancel, 2, 0, Qt::AlignHCenter);
    setFixedWidth(300);
    setModal(false);
}

CProgressDlg::~CProgressDlg() { Destroy(); }

namespace {
// The dialogs that block their owner's input now.
QList<CProgressDlg*>& LiveDialogs() {
    static QList<CProgressDlg*> live;
    return live;
}
}  // namespace

bool CProgressDlg::BlocksInput(const QWidget* window) {
    for (const CProgressDlg* d : LiveDialogs())
        if (d->m_owner == window) return true;
    return false;
}

QPoint CProgressDlg::ClientTopLeft(const QWidget* top) {
    // Below the menu bar: the frame's client area starts there.
    QPoint at(0, 0);
    if (auto* frame = qobject_cast<const QMainWindow*>(top))
        if (const QWidget* menu = frame->menuWidget(); menu && menu->isVisible())
            at.setY(menu->geometry().bottom() + 1);
    return top->mapToGlobal(at);
}

bool CProgressDlg::Create(QWidget* owner, bool cancelMode) {
    if (m_bCreated) return true;
    QWidget* top = owner ? owner->window() : nullptr;
    // The owner takes no input while the operation runs, so that no second
    // command starts: the dialog is modal to it. The owner is not disabled,
    // so it keeps its look (no greying on every import or search) and its
    // keyboard focus.
    m_bOwnerDisabled = top && !BlocksInput(top);
    m_owner = top;
    m_focus = top ? top->focusWidget() : nullptr;
    m_bCancelMode = cancelMode;

    m_bar->setRange(m_nLower, m_nUpper);
    m_bar->setValue(m_nLower);
    m_nPos = m_nLower;
    setWindowTitle(QString::fromUtf8(res::Text(m_nTitleId)));
    m_percent->setVisible(!cancelMode);
    m_bar->setVisible(!cancelMode);
    m_cancel->setVisible(cancelMode);
    adjustSize();

    if (top) {
        move(ClientTopLeft(top));
        createWinId();
        if (windowHandle() && top->windowHandle())
            windowHandle()->setTransientParent(top->windowHandle());
        setWindowModality(Qt::WindowModal);
    }
    show();
    m_bCreated = true;
    if (top) LiveDialogs().append(this);
    // Paint the dialog once; the first poll lets input through again.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

void CProgressDlg::Destroy() {
    LiveDialogs().removeAll(this);
    if (m_bCreated) hide();
    if (m_bOwnerDisabled && m_owner) {
        if (m_bCreated) m_owner->activateWindow();
        if (m_focus && m_focus->window() == m_owner) m_focus->setFocus(Qt::OtherFocusReason);
    }
    m_bOwnerDisabled = false;
    m_focus = nullptr;
    m_bCreated = false;
}

void CProgressDlg::SetCaption(const QString& caption) { m_caption->setText(caption); }

void CProgressDlg::SetCaption(const std::string& captionUtf8) {
    SetCaption(QString::fromUtf8(captionUtf8));
}

void CProgressDlg::SetRange(int lower, int upper) {
    // The bar takes 16-bit bounds.
    if (lower < 0 || upper > 65535 || upper <= lower) return;
    m_nLower = lower;
    m_nUpper = upper;
    m_bar->setRange(lower, upper);
}

void CProgressDlg::SetStep(int step) { m_nStep = step; }

void CProgressDlg::SetPos(int pos) {
    if (!m_bCreated) return;
    pos = std::clamp(pos, m_nLower, m_nUpper);  // the bar never runs past its ends
    m_nPos = pos;
    // Positions come far more rarely than cancel polls: the clock is read
    // on each one, so the bar follows every step that is 30 ms apart.
    const bool due = !m_pumpTimer.isValid() || m_pumpTimer.elapsed() >= m_nPumpIntervalMs;
    Pump(due);
    UpdatePercent(pos);
}

int CProgressDlg::OffsetPos(int delta) {
    if (!m_bCreated) return m_nPos;
    const int prev = m_nPos;
    m_nPos = prev + delta;
    Pump();
    UpdatePercent(m_nPos);
    return prev;
}

int CProgressDlg::StepIt() {
    if (!m_bCreated) return m_nPos;
    const int prev = m_nPos;
    int next = prev + m_nStep;
    // Past the end the bar starts over from the beginning.
    if (next > m_nUpper) next = m_nLower + (next - m_nUpper);
    m_nPos = next;
    Pump();
    UpdatePercent(next);
    return prev;
}

bool CProgressDlg::CheckCancel() {
    if (!m_bCreated) return false;
    Pump();
    const bool cancel = m_bCancel;
    m_bCancel = false;
    return cancel;
}

QString CProgressDlg::PercentText() const { return m_percent->text(); }

QString CProgressDlg::CaptionText() const { return m_caption->text(); }

void CProgressDlg::UpdatePercent(int pos) {
    const long long span = static_cast<long long>(m_nUpper) - m_nLower;
    const long long percent = (static_cast<long long>(pos) - m_nLower) * 100 / span;
    const QString text = QString::number(percent) + QLatin1Char('%');
    if (m_percent->text() != text) m_percent->setText(text);
}

void CProgressDlg::Pump(bool force) {
    if (!force && m_nPumpIntervalMs > 0 && m_pumpTimer.isValid()) {
        // Reading the clock costs more than the rest of a poll: look at it
        // on every 16th call only.
        if ((++m_nPollsSinceClock & 15) != 0) return;
        if (m_pumpTimer.elapsed() < m_nPumpIntervalMs) return;
    }
    m_pumpTimer.start();
    // The bar repaints at once whenever its value changes, so it is moved
    // here, at most once per pump, rather than on every position update.
    m_bar->setValue(std::clamp(m_nPos, m_nLower, m_nUpper));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressDlg::accept() {}

void CProgressDlg::reject() { m_bCancel = true; }

void CProgressDlg::closeEvent(QCloseEvent* e) {
    e->ignore();
    m_bCancel = true;
}

std::unique_ptr<IProgressDlg> CProgressFactory::CreateProgress(bool cancelMode) {
    auto dlg = std::make_unique<CProgressDlg>();
    // A dialog that cannot be shown leaves the operation running without
    // a progress display.
    dlg->Create(m_owner, cancelMode);
    return dlg;
}

}  // namespace orv
