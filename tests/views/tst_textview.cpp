// The message pane: header band geometry and texts, text area placement,
// the view font record and its settings, page scrolling, focus, printing.
#include <QApplication>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <cmath>

#include "viewtestutil.h"

using namespace orv;
using namespace orv::test;

namespace {

QSettings AppSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Qvo"),
                     QStringLiteral("Orv's Meeting log viewer"));
}

void ClearSettings() {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Qvo"),
                QStringLiteral("Orv's Meeting log viewer"));
    s.clear();
    s.sync();
}

// A record of a store that lives as long as the test program.
CComment* Record(int number, const std::string& title, const std::string& text) {
    static CCommentStore store;
    CComment* rec = &store.NewRecord();
    rec->SetNumber(number);
    rec->SetTitle(Sjis(title));
    rec->SetAuthor(Sjis("見本 花子"));
    rec->SetId("QVB00345");
    rec->SetDateTimeRaw("98/04/01 22:31:47");
    rec->SetText(Sjis(text));
    return rec;
}

// The text view with the geometry of its lines (one line per block here).
class LineProbe : public CTextView {
public:
    int FirstLine() const { return firstVisibleBlock().blockNumber(); }
    // The last line whose whole height lies inside the text area.
    int LastWholeLine() const {
        int last = -1;
        for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
            const QRectF r = blockBoundingGeometry(b).translated(contentOffset());
            if (r.bottom() > viewport()->height() + 0.01) break;
            last = b.blockNumber();
        }
        return last;
    }
    qreal Pitch() const { return blockBoundingGeometry(document()->firstBlock()).height(); }
};

}  // namespace

class TestTextView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        UsePrivateSettings();
        ClearSettings();
    }
    void init() { ClearSettings(); }

    void bandCellsFollowTheClientWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("numberRight");
        QTest::newRow("600") << 600 << 595;
        QTest::newRow("601") << 601 << 596;
    }
    void bandCellsFollowTheClientWidth() {
        QFETCH(int, width);
        QFETCH(int, numberRight);
        // As (left, top, right, bottom) with exclusive right and bottom edges.
        auto edges = [](const QRect& r) {
            return QList<int>{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        };
        const auto cells = CTextView::CellRects(width);
        QCOMPARE(edges(cells[0]), (QList<int>{5, 2, 395, 18}));
        QCOMPARE(edges(cells[1]), (QList<int>{405, 2, numberRight, 18}));
        QCOMPARE(edges(cells[2]), (QList<int>{5, 22, 195, 38}));
        QCOMPARE(edges(cells[3]), (QList<int>{205, 22, 395, 38}));
        QCOMPARE(edges(cells[4]), (QList<int>{405, 22, numberRight, 38}));

        // A live view: the band spans the client area left of the scroll bar.
        CTextView view;
        const int sb = view.verticalScrollBar()->sizeHint().width();
        view.resize(width + sb, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.ClientRect().width(), width);
        QVERIFY(view.IsHeaderShown());
    }

    void labelsOnlyWithoutMessage() {
        CTextView view;
        const auto t = view.CellTexts();
        QCOMPARE(t[0], QStringLiteral(u"タイトル　：　"));
        QCOMPARE(t[1], QStringLiteral(u"発言番号　：　"));
        QCOMPARE(t[2], QStringLiteral(u"発言者　：　"));
        QCOMPARE(t[3], QStringLiteral(u"ID　：　"));
        QCOMPARE(t[4], QStringLiteral(u"日時　：　"));
        QVERIFY(view.toPlainText().isEmpty());
        QVERIFY(!view.GetComment());
    }

    void showsAndClearsMessage() {
        CTextView view;
        auto rec = Record(-7, "雪の日の写真", "今朝の雪です。\r\n\r\n二行目\r\n");
        view.SetComment(rec);
        const auto t = view.CellTexts();
        QCOMPARE(t[0], QStringLiteral(u"タイトル　：　雪の日の写真"));
        QCOMPARE(t[1], QStringLiteral(u"発言番号　：　-7"));
        QCOMPARE(t[2], QStringLiteral(u"発言者　：　見本 花子"));
        QCOMPARE(t[3], QStringLiteral(u"ID　：　QVB00345"));
        QCOMPARE(t[4], QStringLiteral(u"日時　：　98/04/01 22:31:47"));
        // CR LF line ends show as line breaks, nothing else of them.
        QCOMPARE(view.toPlainText(), QStringLiteral(u"今朝の雪です。\n\n二行目\n"));
        QCOMPARE(view.document()->blockCount(), 4);

        view.SetComment(nullptr);
        QVERIFY(view.toPlainText().isEmpty());
        QCOMPARE(view.CellTexts()[0], QStringLiteral(u"タイトル　：　"));
        view.SetComment(rec);
        view.ClearComment();
        QVERIFY(!view.GetComment());
        QVERIFY(view.toPlainText().isEmpty());
    }

    void textAreaStartsAt45WhateverTheFont_data() {
        QTest::addColumn<int>("height");
        QTest::newRow("small") << -9;
        QTest::newRow("default") << 15;
        QTest::newRow("large") << -48;
    }
    void textAreaStartsAt45WhateverTheFont() {
        QFETCH(int, height);
        CTextView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        LogFont lf;
        lf.lfHeight = height;
        view.SetViewFont(lf);
        auto rec = Record(1, "t", "first line\r\nsecond\r\n");
        view.SetComment(rec);
        const QRect vp = view.viewport()->geometry();
        const QRect client = view.ClientRect();
        QCOMPARE(vp.topLeft(), QPoint(5, 45));
        QCOMPARE(vp.right(), client.right() - 5);
        QCOMPARE(vp.bottom(), client.bottom() - 5);
        // The first line sits at the top of the text area.
        QCOMPARE(view.cursorRect(QTextCursor(view.document())).top() + vp.top(), 45);
        QVERIFY(view.IsHeaderShown());
    }

    void tooSmallHidesTheBand() {
        CTextView view;
        view.resize(60, 40);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.IsHeaderShown());
        view.resize(400, 200);
        QTRY_VERIFY(view.IsHeaderShown());
    }

    void fontRecordDefaults() {
        CTextView view;
        const LogFont& lf = view.GetViewFont();
        QCOMPARE(lf.lfHeight, 15);
        QCOMPARE(lf.lfWeight, 400);
        QCOMPARE(int(lf.lfCharSet), 1);
        QCOMPARE(lf.faceName, QStringLiteral(u"ＭＳ ゴシック"));
        QCOMPARE(lf.faceName.size(), 7);
        QCOMPARE(Utf8ToCp932(lf.faceName.toStdString())->size(), std::size_t(13));
        QCOMPARE(lf, LogFont{});
        // Nothing is written until the view saves.
        QVERIFY(!AppSettings().childGroups().contains(QStringLiteral("ViewFont 2")));
    }

    void negativeHeightSurvivesSaveAndLoad() {
        LogFont chosen;
        chosen.lfHeight = -21;
        chosen.lfWeight = 700;
        chosen.lfItalic = 1;
        chosen.lfPitchAndFamily = 0x31;
        chosen.faceName = QStringLiteral("Noto Sans Mono CJK JP");
        {
            CTextView view;
            view.SetViewFont(chosen);
            view.SaveViewFont();
        }
        {
            QSettings s = AppSettings();
            QCOMPARE(s.value(QStringLiteral("ViewFont 2/Height")).toInt(), -21);
            QCOMPARE(s.value(QStringLiteral("ViewFont 2/PitchAndFamily")).toInt(), 0x31);
        }
        CTextView again;
        QCOMPARE(again.GetViewFont(), chosen);
        QCOMPARE(QFontInfo(again.font()).pixelSize(), 21);
        QVERIFY(again.font().bold());
    }

    void storedValuesAreReadAsTheRegistryHoldsThem() {
        {
            QSettings s = AppSettings();
            s.beginGroup(QStringLiteral("ViewFont 2"));
            // A negative height as an unsigned 32-bit value, a byte field
            // wider than 8 bits, a face name longer than 31 bytes.
            s.setValue(QStringLiteral("Height"), qlonglong(0xFFFFFFF0u));
            s.setValue(QStringLiteral("CharSet"), 0x180);
            s.setValue(QStringLiteral("FaceName"),
                       QStringLiteral(u"とても長い名前のフォントです本当に長い"));
            s.endGroup();
        }
        CTextView view;
        const LogFont& lf = view.GetViewFont();
        QCOMPARE(lf.lfHeight, -16);
        QCOMPARE(int(lf.lfCharSet), 0x80);
        QCOMPARE(lf.faceName, QStringLiteral(u"とても長い名前のフォントです本"));  // 30 bytes
        QVERIFY(Utf8ToCp932(lf.faceName.toStdString())->size() <= 31);
    }

    void heightZeroKeepsTheDefaultFontAndWritesNothing() {
        {
            QSettings s = AppSettings();
            s.setValue(QStringLiteral("ViewFont 2/Height"), 0);
            s.setValue(QStringLiteral("ViewFont 2/Weight"), 700);
        }
        CTextView view;
        QCOMPARE(view.GetViewFont().lfHeight, 0);
        QCOMPARE(view.font(), QFont());
        view.SaveViewFont();
        QCOMPARE(AppSettings().value(QStringLiteral("ViewFont 2/Weight")).toInt(), 700);
        QCOMPARE(AppSettings().value(QStringLiteral("ViewFont 2/Height")).toInt(), 0);
    }

    void pageScrollKeepsTwoLines() {
        LineProbe view;
        LogFont lf;
        lf.lfHeight = -14;
        view.SetViewFont(lf);
        std::string text;
        for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\r\n";
        auto rec = Record(1, "t", text);
        view.SetComment(rec);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QScrollBar* sb = view.verticalScrollBar();
        // At every height the last two whole lines of a page start the next
        // one, and Shift+Space comes back (the line pitch is not a whole
        // number of pixels, so a page is not height / whole-pixel spacing).
        for (int h = 150; h < 420; h += 7) {
            view.resize(400, h);
            QCoreApplication::processEvents();
            sb->setValue(20);
            const int last = view.LastWholeLine();
            QVERIFY(view.ScrollPage(true));
            QCOMPARE(view.FirstLine(), last - 1);
            QVERIFY(view.ScrollPage(false));
            QCOMPARE(sb->value(), 20);
        }

        // A page of two lines does not move; one line does not move back.
        for (int lines : {2, 1}) {
            view.resize(400, 45 + 5 + static_cast<int>(lines * view.Pitch()) + 1);
            QCoreApplication::processEvents();
            const int before = sb->value();
            QCOMPARE(view.LastWholeLine() - view.FirstLine() + 1, lines);
            QVERIFY(view.ScrollPage(true));
            QCOMPARE(sb->value(), before);
        }
    }

    void fontChooserShowsASample() {
        CTextView view;
        QString sample;
        int height = 0;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            for (QGroupBox* box : dlg->findChildren<QGroupBox*>()) {
                if (!box->isVisibleTo(dlg)) continue;
                if (auto* edit = box->findChild<QLineEdit*>()) {
                    sample = edit->text();
                    height = edit->height();
                }
            }
            dlg->reject();
        });
        view.OnViewFont();
        QVERIFY(sample.contains(QStringLiteral("Aa")));
        QVERIFY(sample.contains(QStringLiteral(u"あ")));
        QVERIFY(height >= view.fontMetrics().height());
    }

    void fontChooserNamesStylesInJapanese() {
        const struct {
            const char* font;
            const char* shown;
        } names[] = {
            {"Regular", "標準"},
            {"Normal", "標準"},
            {"Bold", "太字"},
            {"Italic", "斜体"},
            {"Oblique", "斜体"},
            {"Bold Italic", "太字 斜体"},
            {"bold  oblique", "太字 斜体"},
            {"Light", "Light"},
            {"標準", "標準"},
        };
        for (const auto& n : names)
            QCOMPARE(CTextView::JapaneseStyleName(QString::fromUtf8(n.font)),
                     QString::fromUtf8(n.shown));

        // In the chooser: the style list and its field show the Japanese names.
        CTextView view;
        QStringList shown;
        QString field;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            const QList<QListView*> lists = dlg->findChildren<QListView*>();
            QVERIFY(lists.size() >= 3);
            auto* delegate = qobject_cast<QStyledItemDelegate*>(lists[1]->itemDelegate());
            QVERIFY(delegate);
            QAbstractItemModel* m = lists[1]->model();
            for (int r = 0; r < m->rowCount(); ++r)
                shown << delegate->displayText(m->index(r, 0).data(), QLocale());
            for (QLineEdit* e : dlg->findChildren<QLineEdit*>())
                if (e->isReadOnly() && e->text() == shown.value(lists[1]->currentIndex().row()))
                    field = e->text();
            dlg->reject();
        });
        view.OnViewFont();
        QVERIFY(!shown.isEmpty());
        QVERIFY2(shown.contains(QStringLiteral("標準")), qPrintable(shown.join(u',')));
        for (const char* latin : {"Regular", "Normal", "Bold", "Italic", "Oblique"})
            QVERIFY2(!shown.contains(QString::fromLatin1(latin)), qPrintable(shown.join(u',')));
        QVERIFY(!field.isEmpty());
    }

    void tabStopsFallEveryEightLetterWidths() {
        CTextView view;
        auto rec = Record(1, "t", "\tX\r\nabcdefgh\tY\r\n");
        view.SetComment(rec);
        view.resize(600, 300);
        // The mean width of the Latin letters, as the platform's dialog
        // units count; a Japanese face's own "average" width is about twice
        // that and put the stops every sixteen columns.
        const QString letters =
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        const qreal eight = 8 * QFontMetricsF(view.font()).horizontalAdvance(letters) / 52;
        const QTextLayout* layout = view.document()->firstBlock().layout();
        QVERIFY(std::abs(layout->lineAt(0).cursorToX(1) - eight) < 1.0);

        // In print the stops fall at the same columns, and a tab never
        // breaks the line.
        auto tabs = Record(2, "t", "\tA\tB\tC\r\n");
        view.SetComment(tabs);
        TempDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File("tabs.pdf")));
        auto doc = view.MakePrintDocument(printer);
        const QTextLayout* printed = doc->firstBlock().layout();
        QCOMPARE(printed->lineCount(), 1);
        const QFont pf = doc->defaultFont();
        const qreal stop = 8 * QFontMetricsF(pf, &printer).horizontalAdvance(letters) / 52;
        QVERIFY(std::abs(printed->lineAt(0).cursorToX(1) - stop) < stop / 50);
        QVERIFY(std::abs(printed->lineAt(0).cursorToX(3) - 2 * stop) < stop / 50);
    }

    void copyNeedsASelection() {
        CTextView view;
        auto rec = Record(1, "t", "abc def\r\n");
        view.SetComment(rec);
        QVERIFY(!view.OnUpdateEditCopy());
        view.selectAll();
        QVERIFY(view.OnUpdateEditCopy());
    }

    void printsTheTextOnly() {
        CTextView view;
        std::string text;
        for (int i = 0; i < 400; ++i) text += "印刷の行 " + std::to_string(i) + "\r\n";
        auto rec = Record(1, "t", text);
        view.SetComment(rec);
        TempDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File("out.pdf")));
        const int pages = view.PrintText(printer);
        QVERIFY2(pages >= 2, "four hundred lines need more than one page");
        QVERIFY(ReadAll(dir.File("out.pdf")).size() > 1000);
    }

    void previewRemembersPagesSideBySide() {
        CTextView view;
        auto rec = Record(1, "t", "abc\r\n");
        view.SetComment(rec);
        int pages = 2;
        view.SetPreviewPages(&pages);
        QPrintPreviewWidget::ViewMode shown = QPrintPreviewWidget::SinglePageView;
        QTimer::singleShot(0, [&shown] {
            auto* dlg = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* preview = dlg->findChild<QPrintPreviewWidget*>();
            QVERIFY(preview);
            shown = preview->viewMode();
            preview->setSinglePageViewMode();
            dlg->reject();
        });
        view.OnFilePrintPreview();
        QCOMPARE(shown, QPrintPreviewWidget::FacingPagesView);
        QCOMPARE(pages, 1);
    }
};

QTEST_MAIN(TestTextView)
#include "tst_textview.moc"
