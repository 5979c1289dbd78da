// The message pane: a fixed header band with the shown message's title,
// number, author, ID and date, and below it the message text, read-only and
// word-wrapped, in the view font.
#pragma once

#include <QPlainTextEdit>
#include <QRect>
#include <QTimer>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "search/findall.h"
#include "views/logfont.h"

class QPrinter;
class QTextDocument;

namespace orv {

class CComment;
class IPrompter;
class IViewHost;

class CTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // Height of the header band and the insets of the text area, in pixels.
    static constexpr int kBandHeight = 40;
    static constexpr int kTextLeft = 5;
    static constexpr int kTextTop = 45;
    static constexpr int kTextRight = 5;
    static constexpr int kTextBottom = 5;

    // Section "ViewFont 2" is read here (LoadViewFont).
    explicit CTextView(IViewHost* host = nullptr, QWidget* parent = nullptr);
    ~CTextView() override;

    void SetHost(IViewHost* host) { m_host = host; }
    // Where IDS_SCROLL_FAILED is shown; may be null.
    void SetPrompter(IPrompter* prompter) { m_prompter = prompter; }

    // How long a message is shown before it counts as read.
    static constexpr int kReadDelayMs = 1000;

    // Shows record (borrowed; null empties the pane) and repaints the band.
    // Emits CommentShown, and CommentRead once the record has stayed
    // kReadDelayMs in view or was paged forward.
    void SetComment(CComment* record);
    // Empties the text and forgets the record.
    void ClearComment();
    CComment* GetComment() const { return m_pComment; }

    // The view font record: loaded at construction, written by SaveViewFont
    // (when the main window closes). The height 0 means "no font".
    const LogFont& GetViewFont() const { return m_logFont; }
    // Applies a font record to the text area (what the font chooser does on
    // OK); a record with height 0 returns to the platform's default font.
    void SetViewFont(const LogFont& lf);
    void LoadViewFont();
    void SaveViewFont() const;

    // Scrolls one page less two lines, forward (down) or backward; what the
    // main frame's Space and Shift+Space do. False (after IDS_SCROLL_FAILED)
    // when the scroll information is not available.
    bool ScrollPage(bool forward);

    // The client area (the part left of the scroll bar), the band, the five
    // cells of the band (shrunk, in drawing order: title, number, author,
    // ID, date) and their texts.
    QRect ClientRect() const;
    static QRect BandRect(int clientWidth);
    static std::array<QRect, 5> CellRects(int clientWidth);
    std::array<QString, 5> CellTexts() const;
    // False while the client area is too small for the text area; the band
    // is then not painted.
    bool IsHeaderShown() const { return m_bShowHeader; }

    // Marks the matches of a search in the shown record, given as byte
    // ranges of its title, author, ID and text: behind the text and in the
    // band's cells. Showing another record, or none, removes the marks.
    void SetMatchRanges(const RecordRanges& ranges);
    // The marked stretches as [begin, end) character positions: in the text
    // area's text, and in the text of cell i of CellTexts.
    using Spans = std::vector<std::pair<int, int>>;
    const Spans& TextMatchSpans() const { return m_textSpans; }
    const Spans& CellMatchSpans(int cell) const {
        return m_cellSpans[static_cast<std::size_t>(cell)];
    }

    // Commands of the pane (the frame routes them here).
    void OnViewFont();  // ID_VIEW_FONT: the font chooser
    // The chooser's name of a font style: 標準, 太字, 斜体 and 太字 斜体 for
    // the plain, bold, italic and bold italic styles, others as they are.
    static QString JapaneseStyleName(const QString& style);
    // Print, print without the dialog, and preview use the one printer
    // set-up of the program (see SetPrinter). A print that cannot start
    // is reported (IDS_PRINT_FAILED) and returns false.
    bool OnFilePrint();         // ID_FILE_PRINT: with the print dialog
    bool OnFilePrintDirect();   // ID_FILE_PRINT_DIRECT: without it
    void OnFilePrintPreview();  // ID_FILE_PRINT_PREVIEW: the preview window
    // The printer set-up that printing uses, borrowed (the application's,
    // which the printer set-up command changes); null: one of the view's own.
    void SetPrinter(QPrinter* printer) { m_pPrinter = printer; }
    QPrinter& Printer();
    // A printer for the text: high resolution, no margins of its own.
    static std::unique_ptr<QPrinter> MakePrinter();
    // Where the preview keeps the number of pages it shows side by side
    // (1 or 2; 0 for its default); borrowed from the application.
    void SetPreviewPages(int* pages) { m_pPreviewPages = pages; }
    void OnEditCopy();  // ID_EDIT_COPY: the selected text to the clipboard
    bool OnUpdateEditCopy() const;
    // Prints the shown text on printer: view font scaled to the printer,
    // no band, no margins, no page numbers. Returns the number of pages.
    int PrintText(QPrinter& printer) const;
    // The shown text laid out for printer's page, as PrintText prints it.
    std::unique_ptr<QTextDocument> MakePrintDocument(QPrinter& printer) const;
    // Tab stops fall every 8 average character widths of font (the mean
    // advance of the Latin letters, as the platform's dialog units count).
    static qreal TabStopWidth(const QFont& font, QPaintDevice* device = nullptr);

signals:
    void CommentShown(const orv::CComment* record);
    void CommentRead(const orv::CComment* record);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    class CHeaderBand;
    void AdjustTextRect();
    void ClearMatches();
    // Tints the marked stretches of the visible lines, over the text.
    void PaintMatches(const QRect& area);

    CComment* m_pComment = nullptr;
    LogFont m_logFont;  // description of m_font; height 0 = none
    QFont m_font;
    bool m_bShowHeader = true;
    int* m_pPreviewPages = nullptr;
    QPrinter* m_pPrinter = nullptr;
    std::unique_ptr<QPrinter> m_ownPrinter;

    IViewHost* m_host = nullptr;
    IPrompter* m_prompter = nullptr;
    QTimer* m_readTimer = nullptr;
    CHeaderBand* m_band = nullptr;  // child widget over the band
    Spans m_textSpans;
    std::array<Spans, 5> m_cellSpans;
};

}  // namespace orv
