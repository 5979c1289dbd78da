// Logs in UTF-8 with LF line ends imported through the main window, by the
// import command (the file chooser answered here) and by a drop, with the
// real message boxes: the question before a file whose conversion replaces
// characters, the list of converted files after the import, and what ends
// up in the document, compared with the same text imported as CP932 with
// CR LF into the same document.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "app/commands.h"
#include "app/mainframe.h"
#include "app/splashscreen.h"
#include "apptestutil.h"
#include "core/cp932.h"
#include "core/listtree.h"
#include "fakes/fakeports.h"
#include "fakes/refimport.h"
#include "fakes/testfiles.h"
#include "views/titletreeview.h"

using namespace orv;

namespace {

// Answers every message box that comes up while it lives, in the order of
// answers (No when they run out; OK for a box without a choice), and
// remembers what each box showed.
class BoxAnswerer : public QObject {
public:
    struct Seen {
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    std::vector<Seen> seen;
    std::deque<QMessageBox::StandardButton> answers;

    BoxAnswerer() {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::AnswerShown);
        m_timer.start(5);
    }

private:
    void AnswerShown() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            seen.push_back({box->text(), box->icon(), box->standardButtons()});
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (box->standardButtons() != QMessageBox::Ok) {
                answer = answers.empty() ? QMessageBox::No : answers.front();
                if (!answers.empty()) answers.pop_front();
            }
            if (QAbstractButton* b = box->button(answer))
                b->click();
            else
                box->reject();
        }
    }
    QTimer m_timer;
};

const char kGeta[] = "\x81\xAC";  // 〓 in CP932

// The worked example with 〓 where the UTF-8 form has a character CP932
// cannot hold: in the first title (line 2) and in the second message's text.
std::string OddLog() {
    std::string log = test::WorkedExample();
    const std::string title = test::Sjis("雪の日の写真");
    log.insert(log.find(title) + title.size(), kGeta);
    log.insert(log.find(test::Sjis("ですね")), kGeta);
    return log;
}

// Two more messages, of numbers the example does not use.
std::string CleanLog() {
    return test::Crlf({test::Header1(10, 11, "XYZ00010", "別の 人", "別の話題"),
                       test::Header2("99/02/01 10:00:00"), test::Sjis("本文です。"), "",
                       test::Header1(11, 11, "ABC00001", "試験 太郎", "RE:別の話題"),
                       test::Header2("99/02/01 11:00:00", 10), test::Sjis("返事です。")});
}

// What the document holds before each import.
std::string EarlierLog() {
    return test::Crlf({test::Header1(30, 30, "OLD00030", "古い 人", "前からの話題"),
                       test::Header2("98/12/01 09:00:00"), test::Sjis("前からある本文。")});
}

enum class Form { Cp932CrLf, Utf8Lf };
enum class Route { Command, Drop };

struct LogFile {
    const char* name;
    std::string (*cp932)();
    Form form;
    const char* odd;  // UTF-8 of what stands for each 〓 in the UTF-8 form
    bool imported;
};

// The file's bytes in its form.
std::string Bytes(const LogFile& f) {
    if (f.form == Form::Cp932CrLf) return f.cp932();
    std::string text = Cp932ToUtf8(f.cp932());
    const std::string geta = Cp932ToUtf8(kGeta);
    for (std::size_t at; (at = text.find(geta)) != std::string::npos;)
        text.replace(at, geta.size(), f.odd);
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

struct Box {
    QMessageBox::Icon icon;
    QString text;
};

Box Ask(const char* name, int count) {
    return {
        QMessageBox::Question,
        QStringLiteral("ファイル %1 は UTF-8 (LF 改行) で書かれています。Shift-JIS にない文字が "
                       "%2 個あるため〓に置き換えて取り込みます。よろしいですか？")
            .arg(QString::fromUtf8(name))
            .arg(count)};
}

Box Converted(const char* lines) {
    return {QMessageBox::Information,
            QStringLiteral("次のファイルを変換して取り込みました。\n") + QString::fromUtf8(lines)};
}

const char kEmoji[] = "\xF0\x9F\x98\x80";
const char kAcute[] = "\xC3\xA9";  // é

const LogFile kOdd{"odd.log", OddLog, Form::Utf8Lf, kEmoji, true};
const LogFile kOddLeftOut{"odd.log", OddLog, Form::Utf8Lf, kEmoji, false};
const LogFile kClean{"clean.log", CleanLog, Form::Utf8Lf, "", true};
const char kOddLine[] = "odd.log: UTF-8 (LF 改行)、〓 2 個 (最初は 2 行目)";

struct Case {
    const char* tag;
    Route route;
    std::vector<LogFile> files;
    std::vector<QMessageBox::StandardButton> answers;  // to the conversion questions
    std::vector<Box> boxes;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"emoji, yes",
         Route::Command,
         {kOdd},
         {QMessageBox::Yes},
         {Ask("odd.log", 2), Converted(kOddLine)}},
        {"acute accent, yes, dropped",
         Route::Drop,
         {{"odd.log", OddLog, Form::Utf8Lf, kAcute, true}},
         {QMessageBox::Yes},
         {Ask("odd.log", 2), Converted(kOddLine)}},
        {"emoji, no", Route::Command, {kOddLeftOut}, {QMessageBox::No}, {Ask("odd.log", 2)}},
        {"emoji, no, dropped", Route::Drop, {kOddLeftOut}, {QMessageBox::No}, {Ask("odd.log", 2)}},
        {"clean then emoji, no",
         Route::Command,
         {kClean, kOddLeftOut},
         {QMessageBox::No},
         {Ask("odd.log", 2), Converted("clean.log: UTF-8 (LF 改行)")}},
        {"clean then emoji, yes",
         Route::Command,
         {kClean, kOdd},
         {QMessageBox::Yes},
         {Ask("odd.log", 2),
          Converted((std::string("clean.log: UTF-8 (LF 改行)\n") + kOddLine).c_str())}},
        {"clean utf-8 only",
         Route::Command,
         {kClean},
         {},
         {Converted("clean.log: UTF-8 (LF 改行)")}},
        // 〓 itself is a CP932 character: nothing to ask or tell.
        {"cp932 crlf",
         Route::Command,
         {{"odd.log", OddLog, Form::Cp932CrLf, "", true},
          {"clean.log", CleanLog, Form::Cp932CrLf, "", true}},
         {},
         {}},
        {"cp932 crlf, dropped",
         Route::Drop,
         {{"clean.log", CleanLog, Form::Cp932CrLf, "", true}},
         {},
         {}},
    };
    return cases;
}

bool WriteFile(const QString& path, const std::string& bytes) {
    QFile out(path);
    return out.open(QIODevice::WriteOnly) &&
           out.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

QStringList Utf8Lines(const std::vector<std::string>& cp932) {
    QStringList out;
    for (const std::string& s : cp932) out << QString::fromUtf8(Cp932ToUtf8(s));
    return out;
}

}  // namespace

class TestImportConvert : public QObject {
    Q_OBJECT
    test::ScratchSettings m_settings;

private slots:
    void initTestCase() { CSplashScreen::EnableSplashScreen(false); }
    void init() { m_settings.Clear(); }

    void boxesAndImportedText_data() {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < Cases().size(); ++i)
            QTest::newRow(Cases()[i].tag) << static_cast<int>(i);
    }

    void boxesAndImportedText() {
        QFETCH(int, row);
        const Case& c = Cases()[static_cast<std::size_t>(row)];
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("ref"));
        // The document the import goes into, saved from the earlier log.
        const std::string earlier = dir.filePath(QStringLiteral("ref/earlier.log")).toStdString();
        QVERIFY(WriteFile(QString::fromStdString(earlier), EarlierLog()));
        const QString docPath = dir.filePath(QStringLiteral("earlier.mld"));
        {
            COrvDoc before;
            CLogFileList list({earlier});
            before.ImportLogFiles(list);
            QVERIFY(before.OnSaveDocument(docPath.toStdString()));
        }
        QStringList paths;
        std::vector<std::string> refPaths{earlier};
        for (const LogFile& f : c.files) {
            const QString name = QString::fromUtf8(f.name);
            paths << dir.filePath(name);
            QVERIFY(WriteFile(paths.back(), Bytes(f)));
            if (!f.imported) continue;
            refPaths.push_back(dir.filePath(QStringLiteral("ref/") + name).toStdString());
            QVERIFY(WriteFile(QString::fromStdString(refPaths.back()), f.cp932()));
        }

        // The same text in CP932 with CR LF, imported without the window.
        CListTitleTree refTree;
        test::FakePrompter refPrompter;
        COrvDoc ref;
        ref.SetPorts({&refTree, nullptr, &refPrompter, nullptr, nullptr});
        CLogFileList refList(refPaths);
        ref.ImportLogFiles(refList);
        QVERIFY(refPrompter.shown.empty());

        auto f = test::OpenFrame();  // the real message boxes
        QVERIFY(f->OpenDocumentFile(docPath));
        test::ScriptedChooser chooser;
        f->SetLogFileChooser(&chooser);
        BoxAnswerer boxes;
        boxes.answers.assign(c.answers.begin(), c.answers.end());
        if (c.route == Route::Command) {
            for (const QString& p : paths) chooser.picks.push_back(p.toStdString());
            QVERIFY(f->Commands().Execute(cmd::ID_FILE_IMPORT_LOG));
            QCOMPARE(chooser.chooseCalls, 1);
        } else {
            boxes.answers.push_front(QMessageBox::Yes);  // the drop's own question
            f->OnDropFiles(paths);
            QVERIFY(!boxes.seen.empty());
            QCOMPARE(boxes.seen.front().icon, QMessageBox::Question);
            boxes.seen.erase(boxes.seen.begin());
        }
        QCOMPARE(chooser.orders.size(), std::size_t{c.files.size() > 1});

        QCOMPARE(boxes.seen.size(), c.boxes.size());
        for (std::size_t i = 0; i < c.boxes.size(); ++i) {
            QCOMPARE(boxes.seen[i].text, c.boxes[i].text);
            QCOMPARE(boxes.seen[i].icon, c.boxes[i].icon);
            QCOMPARE(boxes.seen[i].buttons, c.boxes[i].icon == QMessageBox::Question
                                                ? QMessageBox::Yes | QMessageBox::No
                                                : QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QVERIFY(boxes.answers.empty());

        // The records and the titles shown are those of the CP932 text.
        COrvDoc& doc = f->GetDocument();
        QCOMPARE(Utf8Lines(test::Dump(doc)), Utf8Lines(test::Dump(ref)));
        QCOMPARE(doc.IsModified(), refPaths.size() > 1);
        QStringList shown, refTitles;
        for (TreeItem item : doc.GetTreeItems()) shown << f->GetTreeView()->Model().Title(item);
        for (TreeItem item : ref.GetTreeItems())
            refTitles << QString::fromUtf8(Cp932ToUtf8(refTree.GetItemData(item)->GetTitle()));
        QCOMPARE(shown, refTitles);
        doc.SetModifiedFlag(false);
    }
};

QTEST_MAIN(TestImportConvert)
#include "tst_importconvert.moc"
