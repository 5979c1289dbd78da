// The modeless progress dialog of every long operation (import, tree
// rebuild, search). While it exists its owner window takes no input; the
// operation keeps the program painting by polling it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <string>

#include "core/ports.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orv {

class CProgressDlg : public QDialog, public IProgressDlg {
    Q_OBJECT
public:
    // titleId: string-table id of the window title; 0 for "経過".
    explicit CProgressDlg(int titleId = 0);
    // Re-enables the owner.
    ~CProgressDlg() override;

    // Shows the dialog at the top left of the client area of owner's
    // window, modal to that window, which takes no input until Destroy.
    // owner may be null: the dialog then stands alone. cancelMode: caption
    // and Cancel button; otherwise caption, percentage and bar.
    bool Create(QWidget* owner, bool cancelMode);
    // Gives the owner its input back and hides the dialog.
    void Destroy();
    // True while a progress dialog keeps window from taking input.
    static bool BlocksInput(const QWidget* window);
    // Where the dialog stands over top: the top left of its client area
    // (below a main window's menu bar), in screen coordinates.
    static QPoint ClientTopLeft(const QWidget* top);

    void SetCaption(const QString& caption);
    void SetCaption(const std::string& captionUtf8) override;
    // Both bounds in 0..65535, upper above lower; anything else is ignored.
    void SetRange(int lower, int upper);
    void SetStep(int step);
    void SetPos(int pos) override;
    int GetPos() const { return m_nPos; }
    // Return the previous position. The bar follows the position when the
    // dialog next lets pending input through (see CheckCancel).
    int OffsetPos(int delta);
    int StepIt();
    // Returns the cancel request and clears it; lets pending input through
    // at most every kPumpIntervalMs, so that polling once per line of a big
    // import costs next to nothing.
    bool CheckCancel() override;

    bool IsCancelMode() const { return m_bCancelMode; }
    // True when this dialog is the one that blocks its owner's input.
    bool IsOwnerDisabled() const { return m_bOwnerDisabled; }
    QString PercentText() const;
    QString CaptionText() const;

    static constexpr int kPumpIntervalMs = 30;
    // Tests let every poll through.
    void SetPumpInterval(int ms) { m_nPumpIntervalMs = ms; }

public slots:
    // Enter does nothing.
    void accept() override;
    // Escape, the Cancel button and the close box ask to cancel; the dialog
    // stays open.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Pump(bool force = false);
    void UpdatePercent(int pos);

    QProgressBar* m_bar = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_percent = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_nTitleId;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 10;
    int m_nPos = 0;
    bool m_bCancel = false;
    bool m_bOwnerDisabled = false;
    bool m_bCancelMode = false;
    bool m_bCreated = false;
    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_focus;  // the owner's focus widget before disabling
    QElapsedTimer m_pumpTimer;
    int m_nPumpIntervalMs = kPumpIntervalMs;
    unsigned m_nPollsSinceClock = 0;
};

// Makes the progress dialogs of the core's long operations, owned by one
// window (the main window).
class CProgressFactory : public IProgressFactory {
public:
    explicit CProgressFactory(QWidget* owner) : m_owner(owner) {}
    std::unique_ptr<IProgressDlg> CreateProgress(bool cancelMode) override;

private:
    QPointer<QWidget> m_owner;
};

}  // namespace orv
