// Search over the synthetic 100,000-message forum: the worst case, a text
// that no title or message text holds, with all three foldings on, so that
// every record's title and text are tested in full. Figures are MB/s of
// field bytes (CP932 title + text) for the engine, for the plain windowed
// comparison on a slice of the records (too slow for all of them), and for
// `rg -i -c` over a UTF-8 copy of the same fields, so that the three rates
// compare times on the same data.
//
// The forum comes from bench/run.sh (orv_gen_forum, then `orvlog import`
// into forum.mld in ORV_BENCH_DATA); the UTF-8 copy is written next to it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/benchdata.h"
#include "bench/benchmain.h"
#include "core/cp932.h"
#include "core/listtree.h"
#include "core/orvdoc.h"
#include "search/findall.h"
#include "search/findengine.h"
#include "tests/search/reference_match.h"

using namespace orv;

namespace {

// Texts no record holds. 0: "ぱそこんつうしん" (パソコンツウシン): the forum never has ツ,
// so the engine soon learns to turn fields away on it. 1: "ぱそこん通信":
// every character is in most records (パソコン and 通信 are words of the
// forum, never adjacent), so most fields are looked at closely. Both are
// typed in hiragana so that all three foldings matter. 2: "windowsok":
// ASCII letters, each of which stands in most records in one case or the
// other (Windows, OK), so no rare character helps.
const char* const kNoHitTexts[] = {
    "\x82\xCF\x82\xBB\x82\xB1\x82\xF1\x82\xC2\x82\xA4\x82\xB5\x82\xF1",
    "\x82\xCF\x82\xBB\x82\xB1\x82\xF1\x92\xCA\x90\x4D",
    "windowsok",
};
constexpr std::uint32_t kOption =
    FIND_TITLE | FIND_CONTENT | FIND_IGNORECASE | FIND_IGNOREWIDTH | FIND_IGNOREKANA;

class FixedFind : public IFindContext {
public:
    std::string text = kNoHitTexts[0];
    std::string GetFindString() override { return text; }
    std::uint32_t GetFindOption() override { return kOption; }
};

// Polled once per record like the real dialog, never cancelling.
class CountingProgress : public IProgressFactory {
public:
    long polls = 0;
    std::unique_ptr<IProgressDlg> CreateProgress(bool) override {
        return std::make_unique<Dlg>(*this);
    }

private:
    class Dlg : public IProgressDlg {
    public:
        explicit Dlg(CountingProgress& f) : m_f(f) {}
        void SetCaption(const std::string&) override {}
        void SetPos(int) override {}
        bool CheckCancel() override {
            ++m_f.polls;
            return false;
        }

    private:
        CountingProgress& m_f;
    };
};

class SilentPrompter : public IPrompter {
public:
    int lastId = 0;
    MsgAnswer MessageBox(int id, const std::string&, MsgIcon, MsgButtons) override {
        lastId = id;
        return MsgAnswer::Ok;
    }
};

struct Forum {
    CListTitleTree tree;
    CountingProgress progress;
    SilentPrompter prompter;
    FixedFind find;
    COrvDoc doc;
    double fieldBytes = 0;
    bool ok = false;

    Forum() {
        doc.SetPorts({&tree, &progress, &prompter, nullptr, &find});
        ok = doc.OnOpenDocument(bench::DocumentFile());
        for (TreeItem item : doc.GetTreeItems()) {
            const CComment* rec = tree.GetItemData(item);
            fieldBytes += static_cast<double>(rec->GetTitle().size() + rec->GetText().size());
        }
    }
    static Forum& Get() {
        static Forum forum;
        return forum;
    }
};

void BM_SearchNoHitAllFolds(benchmark::State& state) {
    Forum& f = Forum::Get();
    if (!f.ok) return state.SkipWithError("no forum.mld: run bench/run.sh");
    f.find.text = kNoHitTexts[state.range(0)];
    for (auto _ : state) {
        f.tree.SelectItem(kNoItem);
        SearchOutcome outcome = SearchFrom(f.doc.GetTreeItems(), f.doc.Ports(), 0, +1);
        if (outcome != SearchOutcome::NotFound) return state.SkipWithError("the text was found");
    }
    state.counters["records"] = static_cast<double>(f.doc.GetTreeItems().size());
    state.SetBytesProcessed(static_cast<int64_t>(f.fieldBytes) * state.iterations());
}
BENCHMARK(BM_SearchNoHitAllFolds)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Find all over the same records with the same texts: every record is
// tested, as by the find next above that finds nothing.
void BM_FindAllNoHitAllFolds(benchmark::State& state) {
    Forum& f = Forum::Get();
    if (!f.ok) return state.SkipWithError("no forum.mld: run bench/run.sh");
    f.find.text = kNoHitTexts[state.range(0)];
    for (auto _ : state) {
        FindAllResult found = FindAll(f.doc.GetTreeItems(), f.doc.Ports());
        if (found.outcome != SearchOutcome::NotFound)
            return state.SkipWithError("the text was found");
    }
    state.counters["records"] = static_cast<double>(f.doc.GetTreeItems().size());
    state.SetBytesProcessed(static_cast<int64_t>(f.fieldBytes) * state.iterations());
}
BENCHMARK(BM_FindAllNoHitAllFolds)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Find all of a word that most records hold ("パソコン" typed in hiragana).
void BM_FindAllManyHits(benchmark::State& state) {
    Forum& f = Forum::Get();
    if (!f.ok) return state.SkipWithError("no forum.mld: run bench/run.sh");
    f.find.text = "\x82\xCF\x82\xBB\x82\xB1\x82\xF1";
    std::size_t hits = 0;
    for (auto _ : state) hits = FindAll(f.doc.GetTreeItems(), f.doc.Ports()).hits.size();
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["records"] = static_cast<double>(f.doc.GetTreeItems().size());
}
BENCHMARK(BM_FindAllManyHits)->Unit(benchmark::kMillisecond)->UseRealTime();

// The windowed comparison itself, on the first records of the order.
void BM_ReferenceNoHitAllFolds(benchmark::State& state) {
    Forum& f = Forum::Get();
    if (!f.ok) return state.SkipWithError("no forum.mld: run bench/run.sh");
    const std::size_t slice = static_cast<std::size_t>(state.range(1));
    const std::string text = kNoHitTexts[state.range(0)];
    int minLen = 0, maxLen = 0;
    GetSearchLengths(text, minLen, maxLen);
    const std::uint32_t flags = CompareFlagsFor(kOption);
    const auto& items = f.doc.GetTreeItems();
    double bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (std::size_t i = 0; i < slice && i < items.size(); ++i) {
            const CComment* rec = f.tree.GetItemData(items[i]);
            bool hit =
                testing::ReferenceFieldMatches(flags, rec->GetTitle(), text, minLen, maxLen) ||
                testing::ReferenceFieldMatches(flags, rec->GetText(), text, minLen, maxLen);
            benchmark::DoNotOptimize(hit);
            bytes += static_cast<double>(rec->GetTitle().size() + rec->GetText().size());
        }
    }
    state.counters["records"] = static_cast<double>(std::min(slice, items.size()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_ReferenceNoHitAllFolds)
    ->Args({0, 2000})
    ->Args({1, 2000})
    ->Args({2, 2000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ripgrep, case-insensitive, over the same fields in UTF-8 (one process per
// iteration, as a user would run it).
void BM_RipgrepIgnoreCase(benchmark::State& state) {
    Forum& f = Forum::Get();
    if (!f.ok) return state.SkipWithError("no forum.mld: run bench/run.sh");
    const std::string copy = (bench::DataDir() / "search_fields_utf8.txt").string();
    if (state.range(0) == 0 || !std::filesystem::exists(copy)) {
        std::ofstream out(copy, std::ios::binary);
        for (TreeItem item : f.doc.GetTreeItems()) {
            const CComment* rec = f.tree.GetItemData(item);
            out << Cp932ToUtf8(rec->GetTitle()) << "\r\n" << Cp932ToUtf8(rec->GetText());
        }
    }
    const std::string cmd = "rg -i -c -- '" + Cp932ToUtf8(kNoHitTexts[state.range(0)]) + "' '" +
                            copy + "' >/dev/null 2>&1";
    if (std::system("rg --version >/dev/null 2>&1") != 0)
        return state.SkipWithError("rg not found");
    for (auto _ : state) {
        int rc = std::system(cmd.c_str());
        benchmark::DoNotOptimize(rc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(f.fieldBytes) * state.iterations());
}
BENCHMARK(BM_RipgrepIgnoreCase)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return orv::bench::RunBenchmarks(
        argc, argv,
        "usage: search_bench [--benchmark_...]\n"
        "Times the search over the forum in ORV_BENCH_DATA against a plain comparison\n"
        "and rg.\n");
}
