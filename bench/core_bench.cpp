// Import, tree rebuild, save and open of the synthetic 100,000-message forum.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "bench/benchdata.h"
#include "bench/benchmain.h"
#include "core/archive.h"
#include "core/import/logconvert.h"
#include "core/orvdoc.h"

using namespace orv;

namespace {

// A tree that keeps nothing: what is left of a rebuild is the walk itself.
class NullTree : public ITitleTree {
public:
    void ClearTree() override { m_next = 0; }
    void SetRedraw(bool) override {}
    TreeItem InsertItem(std::string_view, int, int, TreeItem) override { return ++m_next; }
    void SetItemData(TreeItem, CComment*) override {}
    CComment* GetItemData(TreeItem) const override { return nullptr; }
    TreeItem GetSelectedItem() const override { return kNoItem; }
    void SelectItem(TreeItem) override {}

private:
    TreeItem m_next = 0;
};

// Imports files into a new document (questions answered by prompter);
// the milliseconds of the import alone, not of tearing the document down.
double ImportOnce(const std::vector<std::string>& files, IPrompter* prompter,
                  std::size_t* records = nullptr) {
    NullTree tree;
    COrvDoc doc;
    doc.SetPorts({&tree, nullptr, prompter, nullptr, nullptr});
    CLogFileList list(files);
    const double ms = bench::TimeMs([&] { doc.ImportLogFiles(list); });
    if (records) *records = doc.GetTreeItems().size();
    return ms;
}

// The forum's import; with the argument 1 from its UTF-8 LF copies as
// orvlog reads them, 2 the same as the viewer reads them (with a pass that
// counts what the conversion replaces before each file is read).
void BM_Import(benchmark::State& state) {
    auto files = bench::LogFiles(state.range(0) ? "utf8-lf" : "");
    if (files.empty()) return state.SkipWithError("no forum logs: run bench/run.sh");
    std::size_t records = 0;
    bench::YesPrompter yes;
    for (auto _ : state)
        state.SetIterationTime(ImportOnce(files, state.range(0) == 2 ? &yes : nullptr, &records) /
                               1000);
    state.counters["messages"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<int64_t>(bench::TotalBytes(files)) * state.iterations());
}
BENCHMARK(BM_Import)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// The three imports above taken in turn within each iteration, so that a
// machine whose speed drifts (a shared host) gives them the same
// conditions: the counters are the medians of each and the ratios of the
// converted ones to the CP932 one.
void BM_ImportInterleaved(benchmark::State& state) {
    const std::vector<std::string> cp932 = bench::LogFiles(), utf8 = bench::LogFiles("utf8-lf");
    if (cp932.empty() || utf8.empty()) return state.SkipWithError("run bench/run.sh");
    bench::YesPrompter yes;
    std::vector<double> ms[3];
    for (auto _ : state) {
        ms[0].push_back(ImportOnce(cp932, nullptr));
        ms[1].push_back(ImportOnce(utf8, nullptr));
        ms[2].push_back(ImportOnce(utf8, &yes));
    }
    const double median[3] = {bench::Median(ms[0]), bench::Median(ms[1]), bench::Median(ms[2])};
    state.counters["cp932_ms"] = median[0];
    state.counters["utf8_ms"] = median[1];
    state.counters["counted_ms"] = median[2];
    state.counters["utf8_ratio"] = median[1] / median[0];
    state.counters["counted_ratio"] = median[2] / median[0];
}
BENCHMARK(BM_ImportInterleaved)->Unit(benchmark::kMillisecond)->Iterations(9);

// The conversion alone of the UTF-8 LF forum, piece by piece as the import
// reads it: with the argument 1 only counting what it replaces.
void BM_ConvertUtf8(benchmark::State& state) {
    auto files = bench::LogFiles("utf8-lf");
    if (files.empty()) return state.SkipWithError("no UTF-8 logs: run bench/run.sh");
    std::vector<std::string> texts;
    for (const std::string& f : files) {
        std::ifstream in(f, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const LogForm form{LogEncoding::Utf8, LineEnds::Lf};
    std::string out;
    for (auto _ : state) {
        for (const std::string& text : texts) {
            CLogConverter conv(form);
            for (std::size_t at = 0; at < text.size(); at += 1 << 16) {
                const std::string_view piece = std::string_view(text).substr(at, 1 << 16);
                const bool last = at + piece.size() == text.size();
                out.clear();
                if (state.range(0))
                    conv.Count(piece, last);
                else
                    conv.Convert(piece, last, out);
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bench::TotalBytes(files)) * state.iterations());
}
BENCHMARK(BM_ConvertUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

struct Loaded {
    NullTree tree;
    COrvDoc doc;
    Loaded() {
        doc.SetPorts({&tree, nullptr, nullptr, nullptr, nullptr});
        doc.OnOpenDocument(bench::DocumentFile());
    }
};

void BM_BuildTree(benchmark::State& state) {
    Loaded l;
    for (auto _ : state) l.doc.BuildTree();
    state.counters["items"] = static_cast<double>(l.doc.GetTreeItems().size());
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    Loaded l;
    std::string out = (bench::DataDir() / "save-bench.mld").string();
    for (auto _ : state) l.doc.OnSaveDocument(out);
    state.SetBytesProcessed(static_cast<int64_t>(bench::TotalBytes({out})) * state.iterations());
    std::remove(out.c_str());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state) {
    std::string path = bench::DocumentFile();
    for (auto _ : state) {
        auto doc = std::make_unique<COrvDoc>();
        if (!doc->OnOpenDocument(path)) return state.SkipWithError("no forum.mld");
        benchmark::DoNotOptimize(doc->GetRootCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bench::TotalBytes({path})) * state.iterations());
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return orv::bench::RunBenchmarks(
        argc, argv,
        "usage: core_bench [--benchmark_...]\n"
        "Times import, tree rebuild, save and open of the forum in ORV_BENCH_DATA.\n");
}
