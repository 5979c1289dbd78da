// Reading state on the synthetic 100,000-message forum: marking every
// message read at once (in memory and written), and what the reading state
// adds to opening the document.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/benchdata.h"
#include "bench/benchmain.h"
#include "core/orvdoc.h"
#include "readstate/docreadstate.h"

using namespace orv;

namespace {

std::string StatePath() { return (bench::DataDir() / "readstate-bench/readstate.sqlite").string(); }

// The forum, opened once for all runs.
COrvDoc* Forum() {
    static std::unique_ptr<COrvDoc> doc = [] {
        auto d = std::make_unique<COrvDoc>();
        if (!d->OnOpenDocument(bench::DocumentFile())) d.reset();
        return d;
    }();
    return doc.get();
}

// "すべて既読にする" and the write of its batch, then back to unread
// (outside the timing).
void BM_MarkAllReadAndWrite(benchmark::State& state) {
    COrvDoc* doc = Forum();
    if (!doc) return state.SkipWithError("no forum.mld: run bench/run.sh");
    std::filesystem::remove_all(std::filesystem::path(StatePath()).parent_path());
    CReadStateStore store;
    if (store.Open(StatePath()) != CReadStateStore::OpenEnd::Ok)
        return state.SkipWithError("cannot open the state file");
    CDocReadState rs(&store);
    rs.SetRecords(doc->GetRoots());
    rs.Attach(bench::DocumentFile());
    rs.Flush();
    for (auto _ : state) {
        rs.SetAllRead(true);
        if (!rs.Flush()) state.SkipWithError("write failed");
        state.PauseTiming();
        rs.SetAllRead(false);
        rs.Flush();
        state.ResumeTiming();
    }
    state.counters["messages"] = static_cast<double>(rs.MessageCount());
}

// The part of opening the document that the reading state adds: the keys
// of its messages, finding its record and loading 100,000 read marks.
// With the store already open (the viewer opens it once per run) and with
// the store's opening (and its check of the file) counted too.
void AttachWithMarks(benchmark::State& state, bool openStore) {
    COrvDoc* doc = Forum();
    if (!doc) return state.SkipWithError("no forum.mld: run bench/run.sh");
    std::filesystem::remove_all(std::filesystem::path(StatePath()).parent_path());
    {
        CReadStateStore store;
        if (store.Open(StatePath()) != CReadStateStore::OpenEnd::Ok)
            return state.SkipWithError("cannot open the state file");
        CDocReadState rs(&store);
        rs.SetRecords(doc->GetRoots());
        rs.Attach(bench::DocumentFile());
        rs.SetAllRead(true);
        rs.Flush();
    }
    CReadStateStore warm;
    warm.Open(StatePath());
    std::size_t unread = 1;
    for (auto _ : state) {
        CReadStateStore cold;
        if (openStore) cold.Open(StatePath());
        CDocReadState rs(openStore ? &cold : &warm);
        rs.SetRecords(doc->GetRoots());
        rs.Attach(bench::DocumentFile());
        unread = rs.UnreadCount();
    }
    if (unread != 0) state.SkipWithError("the marks did not come back");
}
void BM_AttachState100k(benchmark::State& state) { AttachWithMarks(state, false); }
void BM_AttachState100kOpeningTheStore(benchmark::State& state) { AttachWithMarks(state, true); }

// Taking the keys of every message for the unread count: the viewer does it
// while idle after an opening, in slices, not in the opening itself.
void BM_CountKeys100k(benchmark::State& state) {
    COrvDoc* doc = Forum();
    if (!doc) return state.SkipWithError("no forum.mld: run bench/run.sh");
    for (auto _ : state) {
        CDocReadState rs(nullptr);
        rs.SetRecords(doc->GetRoots());
        rs.CountAll();
        benchmark::DoNotOptimize(rs.UnreadCount());
    }
}

BENCHMARK(BM_CountKeys100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MarkAllReadAndWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_AttachState100k)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_AttachState100kOpeningTheStore)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, "usage: readstate_bench [benchmark options]\n");
}
