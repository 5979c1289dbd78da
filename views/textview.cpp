#include "views/textview.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/comment.h"
#include "core/cp932.h"
#include "core/ports.h"
#include "res/strings.h"
#include "views/titletreeview.h"
#include "views/viewhost.h"

namespace orv {

namespace {

// The settings store of the viewer.
std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Qvo"),
                                       QStringLiteral("Orv's Meeting log viewer"));
}

// Record text (CP932, CR LF line ends) as the text area shows it.
QString DisplayText(std::string_view cp932) {
    QString s = QString::fromUtf8(Cp932ToUtf8(cp932));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

QString FromCp932(std::string_view cp932) { return QString::fromUtf8(Cp932ToUtf8(cp932)); }

// The background of a marked match.
const QColor kMatchColour(255, 226, 64);

// Number of UTF-16 units of the display form of CP932 bytes.
int Utf16Length(std::string_view cp932) {
    int n = 0;
    for (char c : Cp932ToUtf8(cp932)) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++n;  // a sequence starts
        if (b >= 0xF0) ++n;           // beyond the BMP: a surrogate pair
    }
    return n;
}

// The character positions in the display form of cp932 (UTF-16, with each
// CR LF shown as one line end when crlf) of byte ranges that begin and end
// on whole characters. The bytes are converted piece by piece between the
// range edges; empty when the pieces do not add up to displayLength, as
// a range edge inside a character would make them.
CTextView::Spans DisplaySpans(std::string_view cp932, const std::vector<ByteRange>& ranges,
                              bool crlf, int displayLength) {
    CTextView::Spans spans;
    spans.reserve(ranges.size());
    std::size_t pos = 0;
    int units = 0;     // UTF-16 units of the bytes before pos
    int lineEnds = 0;  // CR LF pairs whose LF stands before pos
    auto advance = [&](std::size_t to) {
        to = std::min(to, cp932.size());
        if (to <= pos) return;
        units += Utf16Length(cp932.substr(pos, to - pos));
        if (crlf)
            for (std::size_t k = std::max<std::size_t>(pos, 1); k < to; ++k)
                if (cp932[k] == '\n' && cp932[k - 1] == '\r') ++lineEnds;
        pos = to;
    };
    for (const ByteRange& r : ranges) {
        advance(r.begin);
        const int begin = units - lineEnds;
        advance(r.end);
        spans.emplace_back(begin, units - lineEnds);
    }
    advance(cp932.size());
    if (units - lineEnds != displayLength) spans.clear();
    return spans;
}

}  // namespace

// The band above the text area. A child widget of the view, so that the
// text area's own painting never touches it.
class CTextView::CHeaderBand : public QWidget {
public:
    explicit CHeaderBand(CTextView* view) : QWidget(view), m_view(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        InstallFontSubstitutions();
        m_font = QFont(QStringLiteral("MS UI Gothic"));
        m_font.setPointSize(9);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (!m_view->m_bShowHeader) {
            // The band is not shown: the view's background, not old pixels.
            p.fillRect(rect(), m_view->palette().color(QPalette::Base));
            return;
        }
        const int w = width();
        const QRect band = BandRect(w);
        const QPalette& pal = m_view->palette();
        p.fillRect(band, pal.color(QPalette::Button));
        // A raised 3-D edge: light on the top and left, shadow on the
        // bottom and right.
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(band.left(), band.top(), band.right(), band.top());
        p.drawLine(band.left(), band.top(), band.left(), band.bottom());
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(band.left(), band.bottom(), band.right(), band.bottom());
        p.drawLine(band.right(), band.top(), band.right(), band.bottom());

        p.setFont(m_font);
        p.setPen(Qt::black);
        const auto cells = CellRects(w);
        const auto texts = m_view->CellTexts();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            p.save();
            p.setClipRect(cells[i]);
            const QFontMetrics fm(m_font);
            for (const auto& [b, e] : m_view->m_cellSpans[i]) {
                const int x0 = fm.horizontalAdvance(texts[i].left(b));
                const int x1 = fm.horizontalAdvance(texts[i].left(e));
                p.fillRect(QRect(cells[i].left() + x0, cells[i].top(), x1 - x0, cells[i].height()),
                           kMatchColour);
            }
            p.drawText(cells[i], Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, texts[i]);
            p.restore();
        }
    }

private:
    CTextView* m_view;
    QFont m_font;
};

CTextView::CTextView(IViewHost* host, QWidget* parent) : QPlainTextEdit(parent), m_host(host) {
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Lines wrap at the last blank that fits; a longer run (Japanese text has
    // no blanks) breaks where the line is full.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    document()->setDocumentMargin(0);
    // A read-only field keeps the normal window colours, not greyed.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    // The margins around the text area are part of the field: window colour.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    m_band = new CHeaderBand(this);  // a Qt child, owned by this view
    m_readTimer = new QTimer(this);
    m_readTimer->setSingleShot(true);
    connect(m_readTimer, &QTimer::timeout, this, [this] {
        if (m_pComment) emit CommentRead(m_pComment);
    });
    LoadViewFont();
    SetViewFont(m_logFont);
}

CTextView::~CTextView() = default;

void CTextView::LoadViewFont() {
    auto settings = OpenSettings();
    m_logFont = LoadLogFont(*settings);
}

void CTextView::SaveViewFont() const {
    if (m_logFont.lfHeight == 0) return;
    auto settings = OpenSettings();
    SaveLogFont(*settings, m_logFont);
}

void CTextView::SetViewFont(const LogFont& lf) {
    m_logFont = lf;
    if (lf.lfHeight == 0) {
        m_font = QFont();
        setFont(QFont());
    } else {
        m_font = FontFromLogFont(lf);
        setFont(m_font);
    }
    setTabStopDistance(TabStopWidth(font()));
    AdjustTextRect();
    viewport()->update();
}

qreal CTextView::TabStopWidth(const QFont& font, QPaintDevice* device) {
    // The font's own average width is that of a full-width character in a
    // Japanese face; the letters give the width the tab stops count in.
    static const QString letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const QFontMetricsF fm(font, device);
    return 8 * fm.horizontalAdvance(letters) / static_cast<qreal>(letters.size());
}

void CTextView::SetComment(CComment* record) {
    m_pComment = record;
    ClearMatches();
    setPlainText(record ? DisplayText(record->GetText()) : QString());
    m_band->update();
    if (record)
        m_readTimer->start(kReadDelayMs);
    else
        m_readTimer->stop();
    emit CommentShown(record);
}

void CTextView::ClearComment() {
    m_readTimer->stop();
    ClearMatches();
    clear();
    m_pComment = nullptr;
    m_band->update();
}

void CTextView::ClearMatches() {
    m_textSpans.clear();
    for (Spans& s : m_cellSpans) s.clear();
    viewport()->update();
}

void CTextView::paintEvent(QPaintEvent* e) {
    QPlainTextEdit::paintEvent(e);
    if (!m_textSpans.empty()) PaintMatches(e->rect());
}

void CTextView::PaintMatches(const QRect& area) {
    // Only the lines on screen are laid out, so only they are looked at;
    // multiplying by the mark's colour keeps the text readable on it.
    QPainter p(viewport());
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingRect(block).translated(offset);
        offset.ry() += box.height();
        if (box.top() > area.bottom()) break;
        if (!block.isVisible() || box.bottom() < area.top()) continue;
        const int first = block.position();
        const int last = first + block.length() - 1;  // the line end is never marked
        auto it =
            std::lower_bound(m_textSpans.begin(), m_textSpans.end(), first,
                             [](const std::pair<int, int>& s, int pos) { return s.second <= pos; });
        const QTextLayout* layout = block.layout();
        const QPointF origin = box.topLeft() + layout->position();
        for (; it != m_textSpans.end() && it->first < last; ++it) {
            const int from = std::max(it->first, first) - first;
            const int to = std::min(it->second, last) - first;
            for (int l = layout->lineForTextPosition(from).lineNumber();
                 l >= 0 && l < layout->lineCount(); ++l) {
                const QTextLine line = layout->lineAt(l);
                if (line.textStart() >= to) break;
                const int a = std::max(from, line.textStart());
                const int b = std::min(to, line.textStart() + line.textLength());
                const qreal x0 = line.cursorToX(a), x1 = line.cursorToX(b);
                p.fillRect(QRectF(origin.x() + std::min(x0, x1), origin.y() + line.y(),
                                  std::abs(x1 - x0), line.height()),
                           kMatchColour);
            }
        }
    }
}

void CTextView::SetMatchRanges(const RecordRanges& ranges) {
    ClearMatches();
    if (!m_pComment) return;
    m_textSpans =
        DisplaySpans(m_pComment->GetText(), ranges.text, true, document()->characterCount() - 1);
    viewport()->update();

    // The cells hold the label, then the value.
    const auto texts = CellTexts();
    const std::string_view title = m_pComment->GetTitle();
    const std::string_view author = m_pComment->GetAuthor();
    const std::string_view id = m_pComment->GetId();
    const struct {
        std::size_t cell;
        std::string_view value;
        const std::vector<ByteRange>& ranges;
    } cells[] = {{0, title, ranges.title}, {2, author, ranges.author}, {3, id, ranges.id}};
    for (const auto& c : cells) {
        const int shown = static_cast<int>(QString::fromUtf8(Cp932ToUtf8(c.value)).size());
        const int label = static_cast<int>(texts[c.cell].size()) - shown;
        m_cellSpans[c.cell] = DisplaySpans(c.value, c.ranges, false, shown);
        for (auto& [b, e] : m_cellSpans[c.cell]) b += label, e += label;
    }
    m_band->update();
}

QRect CTextView::ClientRect() const {
    QRect r = rect();
    // The scroll bar lives in a container widget at the right edge.
    const QScrollBar* sb = verticalScrollBar();
    const QWidget* bar = sb ? sb->parentWidget() : nullptr;
    if (bar == this) bar = sb;
    if (bar && bar->isVisibleTo(this) && bar->geometry().left() > 0)
        r.setRight(bar->geometry().left() - 1);
    return r;
}

QRect CTextView::BandRect(int clientWidth) { return QRect(0, 0, clientWidth, kBandHeight); }

std::array<QRect, 5> CTextView::CellRects(int w) {
    const int half = kBandHeight / 2;
    const int c1 = w / 3;
    const int c2 = 2 * (w / 3);
    // Cells as (left, top, right, bottom) edges, then shrunk by 5 and 2.
    const int edges[5][4] = {
        {0, 0, c2, half},             // title
        {c2, 0, w, half},             // number
        {0, half, c1, kBandHeight},   // author
        {c1, half, c2, kBandHeight},  // ID
        {c2, half, w, kBandHeight},   // date
    };
    std::array<QRect, 5> cells;
    for (int i = 0; i < 5; ++i) {
        const int l = edges[i][0] + 5, t = edges[i][1] + 2;
        const int r = edges[i][2] - 5, b = edges[i][3] - 2;
        // QRect's right edge is inclusive: (l, t) to (r, b) exclusive.
        cells[i] = QRect(QPoint(l, t), QPoint(r - 1, b - 1));
    }
    return cells;
}

std::array<QString, 5> CTextView::CellTexts() const {
    std::array<QString, 5> t = {QStringLiteral(u"タイトル　：　"),
                                QStringLiteral(u"発言番号　：　"), QStringLiteral(u"発言者　：　"),
                                QStringLiteral(u"ID　：　"), QStringLiteral(u"日時　：　")};
    if (m_pComment) {
        t[0] += FromCp932(m_pComment->GetTitle());
        t[1] += QString::number(m_pComment->GetNumber());
        t[2] += FromCp932(m_pComment->GetAuthor());
        t[3] += FromCp932(m_pComment->GetId());
        t[4] += FromCp932(m_pComment->GetDateTime());
    }
    return t;
}

void CTextView::AdjustTextRect() {
    const QRect client = ClientRect();
    setViewportMargins(kTextLeft, kTextTop, kTextRight, kTextBottom);
    const QRect wanted(QPoint(client.left() + kTextLeft, client.top() + kTextTop),
                       QPoint(client.right() - kTextRight, client.bottom() - kTextBottom));
    const QRect got = viewport()->geometry();
    // A client area too small for the text area leaves nothing to format
    // into; the band is then not painted either.
    m_bShowHeader = got.topLeft() == wanted.topLeft() && wanted.isValid();
    m_band->setGeometry(BandRect(client.width()));
    m_band->raise();
    m_band->update();
}

void CTextView::resizeEvent(QResizeEvent* e) {
    QPlainTextEdit::resizeEvent(e);
    AdjustTextRect();
}

void CTextView::showEvent(QShowEvent* e) {
    QPlainTextEdit::showEvent(e);
    AdjustTextRect();
}

bool CTextView::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) &&
            !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            // Tab goes to the tree; the read-only text has no use for it.
            if (CTitleTreeView* tree = m_host ? m_host->GetTreeView() : nullptr) {
                tree->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QPlainTextEdit::event(e);
}

bool CTextView::ScrollPage(bool forward) {
    QScrollBar* sb = verticalScrollBar();
    // The line pitch as the text is laid out (a fraction of a pixel more
    // than the font's whole-pixel line spacing adds up over a page).
    qreal pitch = QFontMetricsF(font()).lineSpacing();
    const QTextBlock top = firstVisibleBlock();
    if (top.isValid() && top.layout() && top.layout()->lineCount() > 0)
        pitch = top.layout()->lineAt(0).height();
    if (!sb || pitch <= 0) {
        if (m_prompter)
            m_prompter->MessageBox(res::IDS_SCROLL_FAILED, res::Format(res::IDS_SCROLL_FAILED),
                                   res::Icon(res::IDS_SCROLL_FAILED), MsgButtons::Ok);
        return false;
    }
    // The page is the number of whole lines the text area shows; two of
    // them stay in view. A page of fewer than two lines does not move
    // (rather than scrolling the wrong way).
    const int page = static_cast<int>(viewport()->height() / pitch);
    const int lines = std::max(0, page - 2);
    sb->setValue(sb->value() + (forward ? lines : -lines));
    if (forward && m_pComment) {
        // Paged on: read, without waiting for the timer.
        m_readTimer->stop();
        emit CommentRead(m_pComment);
    }
    return true;
}

void CTextView::OnEditCopy() { copy(); }

bool CTextView::OnUpdateEditCopy() const { return textCursor().hasSelection(); }

namespace {

// Shows the style names of the font chooser's list in Japanese; the list
// keeps the names of the fonts themselves, by which the chooser finds them.
class CStyleNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        return CTextView::JapaneseStyleName(QStyledItemDelegate::displayText(value, locale));
    }
};

void ShowStylesInJapanese(QFontDialog& dlg) {
    // The chooser's lists and their fields, in the order it makes them:
    // face, style, size. The style field is the second read-only one.
    const QList<QListView*> lists = dlg.findChildren<QListView*>();
    if (lists.size() >= 3) lists[1]->setItemDelegate(new CStyleNameDelegate(lists[1]));
    QList<QLineEdit*> fields;
    for (QLineEdit* e : dlg.findChildren<QLineEdit*>())
        if (e->isReadOnly() && !qobject_cast<QGroupBox*>(e->parentWidget())) fields.append(e);
    if (fields.size() < 2) return;
    QLineEdit* style = fields[1];
    QObject::connect(style, &QLineEdit::textChanged, style, [style](const QString& text) {
        const QString shown = CTextView::JapaneseStyleName(text);
        if (shown != text) style->setText(shown);
    });
    style->setText(CTextView::JapaneseStyleName(style->text()));
}

}  // namespace

QString CTextView::JapaneseStyleName(const QString& style) {
    static const struct {
        const char* latin;
        const char* japanese;
    } kNames[] = {
        {"Regular", "標準"},
        {"Normal", "標準"},
        {"Book", "標準"},
        {"Roman", "標準"},
        {"Bold", "太字"},
        {"Italic", "斜体"},
        {"Oblique", "斜体"},
        {"Bold Italic", "太字 斜体"},
        {"Bold Oblique", "太字 斜体"},
        {"Italic Bold", "太字 斜体"},
    };
    const QString simple = style.simplified();
    for (const auto& n : kNames)
        if (simple.compare(QLatin1String(n.latin), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(n.japanese);
    return style;
}

void CTextView::OnViewFont() {
    QFontDialog dlg(this);
    dlg.setOption(QFontDialog::DontUseNativeDialog);
    dlg.setOption(QFontDialog::ScalableFonts, false);
    // Start from the face actually used (the record may name a face that
    // is only mapped to an installed one) at its size on this screen.
    const QFontInfo used(font());
    QFont current = font();
    current.setFamily(used.family());
    current.setPointSizeF(used.pointSizeF());
    dlg.setCurrentFont(current);
    // No effects section: no underline or strike-out choice. The sample
    // box shows Latin and Japanese text, tall enough to read.
    for (QGroupBox* box : dlg.findChildren<QGroupBox*>()) {
        if (!box->findChildren<QCheckBox*>().isEmpty()) {
            box->hide();
        } else if (auto* sample = box->findChild<QLineEdit*>()) {
            sample->setText(QStringLiteral(u"AaBbYyZz あぁアァ亜宇"));
            sample->setCursorPosition(0);
            box->setMinimumHeight(90);
        }
    }
    ShowStylesInJapanese(dlg);
    if (dlg.exec() != QDialog::Accepted) return;
    SetViewFont(LogFontFromFont(dlg.selectedFont()));
}

std::unique_ptr<QTextDocument> CTextView::MakePrintDocument(QPrinter& printer) const {
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&printer);
    doc->setDocumentMargin(0);
    // The view font scaled from the screen to the printer.
    QFont pf = m_logFont.lfHeight != 0 ? m_font : QFont();
    const int screenDpiY = std::max(1, logicalDpiY());
    const int screenPx = std::max(1, QFontInfo(font()).pixelSize());
    pf.setPixelSize(std::max(1, screenPx * printer.logicalDpiY() / screenDpiY));
    doc->setDefaultFont(pf);
    // The layout scales tab stops from screen units to the printer: measure
    // that scale on a probe, so that the stops land where the font's own
    // widths on the printer put them.
    const qreal wanted = TabStopWidth(pf, &printer);
    QTextLayout probe(QStringLiteral("\tx"), pf, &printer);
    QTextOption probeOpt;
    probeOpt.setTabStopDistance(1000);
    probe.setTextOption(probeOpt);
    probe.beginLayout();
    QTextLine line = probe.createLine();
    if (line.isValid()) line.setLineWidth(1e7);
    probe.endLayout();
    const qreal scale = line.isValid() ? line.cursorToX(1) / 1000 : 1;
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    opt.setTabStopDistance(scale > 0 ? wanted / scale : wanted);
    doc->setDefaultTextOption(opt);
    doc->setPlainText(toPlainText());
    doc->setPageSize(printer.pageRect(QPrinter::DevicePixel).size());
    return doc;
}

int CTextView::PrintText(QPrinter& printer) const {
    std::unique_ptr<QTextDocument> doc = MakePrintDocument(printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    QPainter p;
    if (!p.begin(&printer)) return 0;
    const int pages = doc->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) printer.newPage();
        p.save();
        const QRectF clip(0, i * page.height(), page.width(), page.height());
        p.translate(0, -clip.top());
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = clip;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        p.setClipRect(clip);
        doc->documentLayout()->draw(&p, ctx);
        p.restore();
    }
    return pages;
}

std::unique_ptr<QPrinter> CTextView::MakePrinter() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The whole printable area unless the user sets margins.
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
    return printer;
}

QPrinter& CTextView::Printer() {
    if (m_pPrinter) return *m_pPrinter;
    if (!m_ownPrinter) m_ownPrinter = MakePrinter();
    return *m_ownPrinter;
}

bool CTextView::OnFilePrint() {
    QPrintDialog dlg(&Printer(), this);
    if (dlg.exec() != QDialog::Accepted) return true;
    return OnFilePrintDirect();
}

bool CTextView::OnFilePrintDirect() {
    if (PrintText(Printer()) > 0) return true;
    if (m_prompter)
        m_prompter->MessageBox(res::IDS_PRINT_FAILED, res::Format(res::IDS_PRINT_FAILED),
                               res::Icon(res::IDS_PRINT_FAILED), MsgButtons::Ok);
    return false;
}

void CTextView::OnFilePrintPreview() {
    QPrintPreviewDialog dlg(&Printer(), this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pr) { PrintText(*pr); });
    // One or two pages side by side, as the user last left the preview.
    QPrintPreviewWidget* preview = dlg.findChild<QPrintPreviewWidget*>();
    if (preview && m_pPreviewPages && *m_pPreviewPages == 2)
        preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
    dlg.exec();
    if (preview && m_pPreviewPages)
        *m_pPreviewPages = preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1;
}

}  // namespace orv
