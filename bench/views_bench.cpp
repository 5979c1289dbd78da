// Timings of the two panes on a large document, offscreen: rebuilding the
// title tree of 100,000 messages, showing a selected message, expanding
// and collapsing everything (also on a reply chain a million levels deep),
// and the cost of polling the progress dialog.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSplitter>
#include <algorithm>
#include <chrono>

#include "app/progressdlg.h"
#include "bench/benchdata.h"
#include "bench/benchmain.h"
#include "core/cp932.h"
#include "core/orvdoc.h"
#include "search/findall.h"
#include "search/findoption.h"
#include "views/findresultspane.h"
#include "views/textview.h"
#include "views/titletreeview.h"
#include "views/viewhost.h"

namespace {

using namespace orv;

class Host : public QSplitter, public IViewHost {
public:
    Host() {
        tree = new CTitleTreeView(this, this);  // Qt children of the splitter
        text = new CTextView(this, this);
        addWidget(tree);
        addWidget(text);
        resize(1000, 700);
    }
    CTitleTreeView* GetTreeView() override { return tree; }
    CTextView* GetTextView() override { return text; }
    CTitleTreeView* tree;
    CTextView* text;
};

std::string Sjis(const std::string& utf8) { return Utf8ToCp932(utf8).value_or("?"); }

// count messages: groups of a root with a reply, a reply to that reply and
// a second reply to the root, with Japanese titles and a few body lines.
void Fill(COrvDoc& doc, int count) {
    const std::string body = Sjis(
        "モデムの設定がうまくいきません。\r\nATコマンドの初期化文字列を教えてください。\r\n\r\n");
    const std::string titles[4] = {
        Sjis("パソコン通信の設定について"), Sjis("RE:パソコン通信の設定について"),
        Sjis("RE:RE:パソコン通信の設定について"), Sjis("オフ会のお知らせ")};
    CComment* root = nullptr;
    CComment* reply = nullptr;
    for (int n = 1; n <= count; ++n) {
        CComment& rec = doc.NewRecord();
        rec.SetNumber(n);
        rec.SetId("QVA00012");
        rec.SetAuthor(Sjis("山田 一郎"));
        rec.SetDateTimeRaw("98/04/01 21:10:05");
        rec.SetTitle(titles[n % 4] + " " + std::to_string(n));
        rec.SetText(body);
        switch (n % 4) {
            case 1:
                doc.AddRoot(rec);
                root = &rec;
                break;
            case 2:
                doc.AddReplyTo(*root, rec);
                reply = &rec;
                break;
            case 3:
                doc.AddReplyTo(*reply, rec);
                break;
            default:
                doc.AddReplyTo(*root, rec);
                break;
        }
    }
}

struct Fixture {
    Host host;
    CProgressFactory progress{&host};
    COrvDoc doc;
    explicit Fixture(int count) {
        DocPorts ports;
        ports.tree = host.tree;
        ports.progress = &progress;
        doc.SetPorts(ports);
        Fill(doc, count);
        host.show();
        QCoreApplication::processEvents();
    }
};

// Rebuild and the first paint of the tree that follows it.
void BM_BuildTree(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.doc.BuildTree();
        f.host.tree->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.counters["items"] = static_cast<double>(f.doc.GetTreeItems().size());
}
BENCHMARK(BM_BuildTree)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Selecting an item anywhere in the tree (far from the last one, so the
// tree scrolls) until its message and the tree are painted.
void BM_SelectItem(benchmark::State& state) {
    Fixture f(100000);
    f.doc.BuildTree();
    QCoreApplication::processEvents();
    const auto& items = f.doc.GetTreeItems();
    std::size_t i = 0;
    for (auto _ : state) {
        i = (i + 7919) % items.size();
        f.host.tree->SelectItem(items[i]);
        // One pass of the event loop paints what changed: the text, the
        // band and the tree (scrolled to the item).
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SelectItem)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

// The parts of it: the selection with the text view's update, and the two
// repaints.
void BM_SelectItemParts(benchmark::State& state) {
    Fixture f(100000);
    f.doc.BuildTree();
    QCoreApplication::processEvents();
    const auto& items = f.doc.GetTreeItems();
    std::size_t i = 0;
    for (auto _ : state) {
        i = (i + 7919) % items.size();
        switch (state.range(0)) {
            case 0:
                f.host.tree->SelectItem(items[i]);
                break;
            case 1:
                f.host.text->viewport()->repaint();
                break;
            default:
                f.host.tree->viewport()->repaint();
                break;
        }
    }
}
BENCHMARK(BM_SelectItemParts)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(200);

void BM_ExpandCollapseAll(benchmark::State& state) {
    Fixture f(100000);
    f.doc.BuildTree();
    f.host.tree->SelectItem(f.doc.GetTreeItems()[50000]);
    for (auto _ : state) {
        f.host.tree->ExpandAll(f.doc.GetTreeItems());
        f.host.tree->CollapseAll(f.doc.GetTreeItems());
        f.host.tree->viewport()->repaint();
    }
}
BENCHMARK(BM_ExpandCollapseAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A reply chain a million levels deep (every message answers the one
// before): expanding and collapsing everything, each until painted.
void BM_DeepChainExpandCollapseAll(benchmark::State& state) {
    Host host;
    COrvDoc doc;
    DocPorts ports;
    ports.tree = host.tree;
    doc.SetPorts(ports);
    CComment* last = nullptr;
    for (int n = 1; n <= 1000000; ++n) {
        CComment& rec = doc.NewRecord();
        rec.SetNumber(n);
        rec.SetTitle(Sjis("RE:パソコン通信の設定について"));
        if (last)
            doc.AddReplyTo(*last, rec);
        else
            doc.AddRoot(rec);
        last = &rec;
    }
    host.show();
    doc.BuildTree();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            host.tree->ExpandAll(doc.GetTreeItems());
            host.tree->viewport()->repaint();
            state.PauseTiming();
            host.tree->CollapseAll(doc.GetTreeItems());
            state.ResumeTiming();
        } else {
            state.PauseTiming();
            host.tree->ExpandAll(doc.GetTreeItems());
            state.ResumeTiming();
            host.tree->CollapseAll(doc.GetTreeItems());
            host.tree->viewport()->repaint();
        }
    }
    state.SetLabel(state.range(0) == 0 ? "expand all" : "collapse all");
    host.tree->ClearTree();
}
BENCHMARK(BM_DeepChainExpandCollapseAll)
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Imports files into the panes of a new window, with the real progress
// dialog or none and questions answered by prompter; the milliseconds
// until the import is shown.
double ImportIntoPanes(const std::vector<std::string>& files, bool withProgress,
                       IPrompter* prompter, std::size_t* messages = nullptr) {
    Host host;
    host.show();
    CProgressFactory progress(&host);
    COrvDoc doc;
    DocPorts ports;
    ports.tree = host.tree;
    ports.progress = withProgress ? &progress : nullptr;
    ports.prompter = prompter;
    doc.SetPorts(ports);
    CLogFileList list(files);
    const double ms = orv::bench::TimeMs([&] {
        doc.ImportLogFiles(list);
        QCoreApplication::processEvents();
    });
    if (messages) *messages = doc.GetTreeItems().size();
    return ms;
}

// The synthetic forum's logs imported into the panes, with the real
// progress dialog (polled once per body line) or with none: the difference
// is what the windows add to an import. With the argument 2, its UTF-8 LF
// copies with the dialog, read as the viewer reads them: each file counted
// for the question before it is read, the question answered Yes.
void BM_ImportForum(benchmark::State& state) {
    const auto files = orv::bench::LogFiles(state.range(0) == 2 ? "utf8-lf" : "");
    if (files.empty()) {
        state.SkipWithError("no forum logs (ORV_BENCH_DATA)");
        return;
    }
    orv::bench::YesPrompter yes;
    std::size_t messages = 0;
    for (auto _ : state)
        state.SetIterationTime(ImportIntoPanes(files, state.range(0) != 0,
                                               state.range(0) == 2 ? &yes : nullptr, &messages) /
                               1000);
    state.counters["messages"] = static_cast<double>(messages);
    state.SetBytesProcessed(static_cast<int64_t>(orv::bench::TotalBytes(files)) *
                            state.iterations());
}
BENCHMARK(BM_ImportForum)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// The viewer's imports of the CP932 logs and of their UTF-8 LF copies (as
// with the argument 1 and 2 above) taken in turn within each iteration,
// so that a machine whose speed drifts gives both the same conditions:
// the counters are their medians and the ratio of the converted one.
void BM_ImportForumInterleaved(benchmark::State& state) {
    const auto cp932 = orv::bench::LogFiles(), utf8 = orv::bench::LogFiles("utf8-lf");
    if (cp932.empty() || utf8.empty()) {
        state.SkipWithError("no forum logs (ORV_BENCH_DATA)");
        return;
    }
    orv::bench::YesPrompter yes;
    std::vector<double> ms[2];
    for (auto _ : state) {
        ms[0].push_back(ImportIntoPanes(cp932, true, nullptr));
        ms[1].push_back(ImportIntoPanes(utf8, true, &yes));
    }
    const double c = orv::bench::Median(ms[0]), u = orv::bench::Median(ms[1]);
    state.counters["cp932_ms"] = c;
    state.counters["utf8_counted_ms"] = u;
    state.counters["ratio"] = u / c;
}
BENCHMARK(BM_ImportForumInterleaved)->Unit(benchmark::kMillisecond)->Iterations(7);

// Marking the matches of a search in a shown message of about 100 KB
// (about 1,300 lines, the text found once per line, with width and kana
// folding): the ranges, their places in the shown text, and the repaint
// that marks the lines on screen. The message is shown again, untimed,
// before each run.
void BM_MarkMatches100KB(benchmark::State& state) {
    Host host;
    host.show();
    const std::string line =
        Sjis("パソコン通信の設定について、ﾓﾃﾞﾑの初期化文字列を確かめました。ATZ で戻ります。\r\n");
    CCommentStore store;
    CComment& rec = store.NewRecord();
    std::string text;
    while (text.size() < 100 * 1024) text += line;
    rec.SetText(text);
    rec.SetTitle(Sjis("もでむの設定"));
    const std::uint32_t option = FIND_TITLE | FIND_CONTENT | FIND_IGNOREWIDTH | FIND_IGNOREKANA;
    const std::string find = Sjis("もでむ");
    std::size_t marks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        host.text->SetComment(&rec);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        CMatchFinder finder(option, find);
        host.text->SetMatchRanges(FindRecordRanges(rec, option, finder));
        host.text->viewport()->repaint();
        marks = host.text->TextMatchSpans().size();
    }
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["marks"] = static_cast<double>(marks);
}
BENCHMARK(BM_MarkMatches100KB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// Filling the results pane with 100,000 hits, up to its first paint.
void BM_FindResultsFill(benchmark::State& state) {
    Fixture f(100000);
    f.doc.BuildTree();
    CFindResultsPane pane;
    pane.resize(900, 300);
    pane.show();
    QCoreApplication::processEvents();
    const auto& items = f.doc.GetTreeItems();
    for (auto _ : state) {
        std::vector<CFindResultsModel::Row> rows;
        rows.reserve(items.size());
        for (TreeItem item : items)
            rows.push_back(
                {item, f.host.tree->GetItemData(item), static_cast<std::uint32_t>(rows.size())});
        pane.SetResults(std::move(rows), "x", FIND_TITLE);
        pane.List()->viewport()->repaint();
    }
    state.counters["rows"] = static_cast<double>(pane.Count());
}
BENCHMARK(BM_FindResultsFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// One poll per body line of an import.
void BM_CheckCancel(benchmark::State& state) {
    QWidget owner;
    CProgressDlg dlg;
    dlg.Create(&owner, false);
    for (auto _ : state) benchmark::DoNotOptimize(dlg.CheckCancel());
}
BENCHMARK(BM_CheckCancel);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    return orv::bench::RunBenchmarks(
        argc, argv,
        "usage: views_bench [--benchmark_...]\n"
        "Times the two panes offscreen on the forum in ORV_BENCH_DATA and on a reply\n"
        "chain a million levels deep.\n");
}
