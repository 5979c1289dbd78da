// The message pane: header band geometry and texts, text area placement,
// the view font record and its settings, page scrolling, focus, printing.
#include <QFontInfo>
#include <QPdfWriter>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QScrollBar>
#include <QSettings>
#include <QTest>

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
        CTextView view;
        LogFont lf;
        lf.lfHeight = -14;
        view.SetViewFont(lf);
        view.resize(400, 45 + 5 + 10 * QFontMetrics(view.font()).lineSpacing() + 3);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        std::string text;
        for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
        auto rec = Record(1, "t", text);
        view.SetComment(rec);
        QScrollBar* sb = view.verticalScrollBar();
        const int page = view.viewport()->height() / QFontMetrics(view.font()).lineSpacing();
        QCOMPARE(page, 10);
        QVERIFY(view.ScrollPage(true));
        QCOMPARE(sb->value(), 8);
        QVERIFY(view.ScrollPage(true));
        QCOMPARE(sb->value(), 16);
        QVERIFY(view.ScrollPage(false));
        QCOMPARE(sb->value(), 8);

        // A page of two lines does not move; one line does not move back.
        for (int lines : {2, 1}) {
            view.resize(400, 45 + 5 + lines * QFontMetrics(view.font()).lineSpacing() + 1);
            QCoreApplication::processEvents();
            QCOMPARE(view.viewport()->height() / QFontMetrics(view.font()).lineSpacing(), lines);
            const int before = sb->value();
            QVERIFY(view.ScrollPage(true));
            QCOMPARE(sb->value(), before);
        }
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
