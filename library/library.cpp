#include "library/library.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "library/docscan.h"
#include "library/indextext.h"
#include "search/findengine.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

bool IsDocumentName(const fs::path& p) {
    std::string ext = Utf8Of(p.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return ext == ".mld";
}

// Appends the documents below folder, by path, to found.
void WalkFolder(const std::string& folder, std::vector<std::string>& found,
                std::vector<LibraryProblem>& problems) {
    std::error_code ec;
    std::vector<std::string> here;
    fs::recursive_directory_iterator it(PathOf(folder),
                                        fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code kindEc;
        if (it->is_regular_file(kindEc) && IsDocumentName(it->path()))
            here.push_back(Utf8Of(it->path()));
    }
    if (ec) problems.push_back({folder, LibraryProblem::Kind::CannotOpen, ec.value()});
    std::sort(here.begin(), here.end());
    found.insert(found.end(), here.begin(), here.end());
}

}  // namespace

LibraryDocs CollectDocuments(const std::vector<std::string>& paths) {
    LibraryDocs out;
    std::vector<std::string> found;
    for (const std::string& p : paths) {
        std::error_code ec;
        const fs::file_status st = fs::status(PathOf(p), ec);
        if (ec || !fs::exists(st)) {
            out.problems.push_back({p, LibraryProblem::Kind::CannotOpen, ec ? ec.value() : ENOENT});
        } else if (fs::is_directory(st)) {
            WalkFolder(p, found, out.problems);
        } else {
            found.push_back(p);  // anything else is refused when it is opened
        }
    }
    std::unordered_set<std::string> seen;
    for (const std::string& p : found) {
        std::error_code ec;
        const fs::path real = fs::canonical(PathOf(p), ec);
        if (ec) {
            out.problems.push_back({p, LibraryProblem::Kind::CannotOpen, ec.value()});
            continue;
        }
        std::string realPath = Utf8Of(real);
        if (seen.insert(realPath).second) out.docs.push_back({p, std::move(realPath)});
    }
    std::sort(out.docs.begin(), out.docs.end(),
              [](const LibraryDoc& a, const LibraryDoc& b) { return a.realPath < b.realPath; });
    return out;
}

unsigned SearchThreads(std::size_t docs) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(cores, docs)));
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

LibraryProblem::Kind KindOf(ArchiveResult r) {
    switch (r) {
        case ArchiveResult::BadSchema:
            return LibraryProblem::Kind::BadSchema;
        case ArchiveResult::ReadError:
            return LibraryProblem::Kind::ReadError;
        default:
            return LibraryProblem::Kind::Malformed;
    }
}

// What the index knows of one document before the search starts.
struct Plan {
    bool indexed = false;
    DocIdentity identity;
    CLibraryIndex::Entry entry;
    const std::vector<std::uint32_t>* candidates = nullptr;
    // The candidates' places when they are few enough to be read one by
    // one; else the document is read whole.
    std::vector<std::uint64_t> where;
    bool verify = false;
};

// One searching thread's state: the matcher serves all its documents.
class Searcher {
public:
    Searcher(const LibraryQuery& q, int minLen, int maxLen, const std::atomic<bool>* stop)
        : m_option(q.option),
          m_matcher(CompareFlagsFor(q.option), q.text, minLen, maxLen),
          m_stop(stop) {}

    // The hits of one document; false with problem set when it could not
    // be searched, or when the search was stopped (problem untouched).
    bool Search(const LibraryDoc& doc, std::size_t index, const Plan& plan,
                std::vector<LibraryHit>& hits, LibraryProblem& problem) {
        problem = {doc.path, LibraryProblem::Kind::CannotOpen, 0};
        errno = 0;
        File f(OpenDocumentFile(doc.realPath));
        DocIdentity now;
        if (!f || !IdentifyFile(f.get(), now)) {
            problem.err = errno ? errno : EIO;
            return false;
        }
        if (plan.verify && now == plan.identity) return Verify(f.get(), index, plan, hits, problem);
        if (plan.indexed && !plan.candidates && now == plan.identity) return true;  // none
        return Scan(f.get(), index, hits, problem);
    }

private:
    bool Matches(const ScannedRecord& rec) {
        if ((m_option & FIND_TITLE) && m_matcher.Matches(rec.title)) return true;
        if ((m_option & FIND_AUTHOR) && m_matcher.Matches(rec.author)) return true;
        if ((m_option & FIND_AUTHORID) && m_matcher.Matches(rec.id)) return true;
        return (m_option & FIND_CONTENT) && m_matcher.Matches(rec.text);
    }
    void Add(const ScannedRecord& rec, std::size_t doc, std::uint32_t ordinal,
             std::vector<LibraryHit>& hits) {
        hits.push_back({doc, ordinal, rec.number, std::string(rec.title), std::string(rec.author),
                        std::string(rec.dateTime)});
    }
    bool Stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    bool Scan(std::FILE* f, std::size_t doc, std::vector<LibraryHit>& hits,
              LibraryProblem& problem);

    bool Verify(std::FILE* f, std::size_t doc, const Plan& plan, std::vector<LibraryHit>& hits,
                LibraryProblem& problem) {
        ScannedRecord rec;
        for (std::size_t k = 0; k < plan.where.size(); ++k) {
            if (Stopped()) return false;
            const std::uint32_t ordinal = (*plan.candidates)[k];
            if (!m_reader.ReadAt(f, plan.where[k], rec)) {
                // The index and the document disagree: believe the document.
                hits.clear();
                return SeekFile(f, 0) && Scan(f, doc, hits, problem);
            }
            if (Matches(rec)) Add(rec, doc, ordinal, hits);
        }
        return true;
    }

    std::uint32_t m_option;
    CFieldMatcher m_matcher;
    CRecordReader m_reader;
    const std::atomic<bool>* m_stop;
};

bool Searcher::Scan(std::FILE* f, std::size_t doc, std::vector<LibraryHit>& hits,
                    LibraryProblem& problem) {
    std::uint32_t ordinal = 0;
    bool stopped = false;
    const ArchiveResult r = ScanArchive(f, [&](const ScannedRecord& rec) {
        if ((ordinal & 1023) == 0 && Stopped()) {
            stopped = true;
            return false;
        }
        if (Matches(rec)) Add(rec, doc, ordinal, hits);
        ++ordinal;
        return true;
    });
    if (r == ArchiveResult::Ok && !stopped) return true;
    hits.clear();  // a document that cannot be read whole is not searched
    problem.kind = KindOf(r);
    problem.err = r == ArchiveResult::ReadError ? EIO : 0;
    return false;
}

// Asks the index about every document; gives up the index on a failure.
void PlanSearch(const std::vector<LibraryDoc>& docs, const LibraryQuery& query,
                CLibraryIndex* index, std::vector<Plan>& plans,
                std::unordered_map<std::int64_t, std::vector<std::uint32_t>>& candidates,
                LibraryResult& result) {
    if (!index || !query.useIndex) return;
    const std::vector<std::string> terms = IndexTerms(query.text);
    if (terms.empty()) return;
    std::unordered_set<std::int64_t> ids;
    for (std::size_t i = 0; i < docs.size(); ++i) {
        File f(OpenDocumentFile(docs[i].realPath));
        Plan& plan = plans[i];
        if (f && IdentifyFile(f.get(), plan.identity) &&
            index->Lookup(docs[i].realPath, plan.identity, plan.entry)) {
            plan.indexed = true;
            ids.insert(plan.entry.id);
        }
    }
    if (!ids.empty() && !index->Candidates(terms, ids, candidates)) {
        for (Plan& plan : plans) plan.indexed = false;
        result.note = index->note();
        return;
    }
    for (Plan& plan : plans) {
        if (!plan.indexed) continue;
        ++result.fromIndex;
        auto it = candidates.find(plan.entry.id);
        plan.candidates = it == candidates.end() ? nullptr : &it->second;
        // Few candidates are read one by one; many are cheaper in one pass.
        if (plan.candidates && plan.candidates->size() * 8 <= plan.entry.count)
            plan.verify = index->Places(plan.entry.id, *plan.candidates, plan.where);
    }
    if (!index->note().empty()) result.note = index->note();
}

}  // namespace

LibraryResult FindInLibrary(const std::vector<LibraryDoc>& docs, const LibraryQuery& query,
                            CLibraryIndex* index, const LibraryProgress& progress) {
    LibraryResult result;
    int minLen = 0, maxLen = 0;
    if (query.text.empty() || !GetSearchLengths(query.text, minLen, maxLen)) {
        result.badText = true;
        return result;
    }
    std::vector<Plan> plans(docs.size());
    std::unordered_map<std::int64_t, std::vector<std::uint32_t>> candidates;
    PlanSearch(docs, query, index, plans, candidates, result);

    std::vector<std::vector<LibraryHit>> hits(docs.size());
    std::vector<LibraryProblem> problems(docs.size());
    std::vector<char> failed(docs.size(), 0);
    std::atomic<std::size_t> next{0}, done{0};
    auto work = [&] {
        try {
            Searcher searcher(query, minLen, maxLen, progress.stop);
            for (std::size_t i; (i = next.fetch_add(1)) < docs.size();) {
                try {
                    failed[i] = !searcher.Search(docs[i], i, plans[i], hits[i], problems[i]);
                } catch (const std::bad_alloc&) {
                    hits[i].clear();
                    problems[i] = {docs[i].path, LibraryProblem::Kind::OutOfMemory, ENOMEM};
                    failed[i] = 1;
                }
                if (progress.step) progress.step(done.fetch_add(1) + 1, docs.size());
            }
        } catch (const std::bad_alloc&) {
            // No matcher for this thread: the others take the documents.
        }
    };
    // Documents answered from the index cost a few reads each: a second
    // thread (and its matcher) only pays for documents read whole.
    const bool anyScan = std::any_of(plans.begin(), plans.end(), [](const Plan& p) {
        return !p.indexed || (p.candidates && !p.verify);
    });
    std::vector<std::thread> threads;
    for (unsigned t = 1; anyScan && t < SearchThreads(docs.size()); ++t) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();

    result.stopped = progress.stop && progress.stop->load();
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (failed[i] && !result.stopped) result.problems.push_back(problems[i]);
        for (LibraryHit& h : hits[i]) result.hits.push_back(std::move(h));
    }
    return result;
}

namespace {

// Reads one document into the index unless its entry is current.
void RefreshOne(const LibraryDoc& doc, CLibraryIndex& index, IndexReport& report) {
    errno = 0;
    File f(OpenDocumentFile(doc.realPath));
    DocIdentity identity;
    if (!f || !IdentifyFile(f.get(), identity)) {
        report.problems.push_back(
            {doc.path, LibraryProblem::Kind::CannotOpen, errno ? errno : EIO});
        return;
    }
    CLibraryIndex::Entry entry;
    if (index.Lookup(doc.realPath, identity, entry)) {
        ++report.current;
        return;
    }
    ArchiveResult r = ArchiveResult::Ok;
    const bool stored = index.Store(doc.realPath, identity, [&](const CLibraryIndex::Feed& feed) {
        r = ScanArchive(f.get(), feed);
        return r == ArchiveResult::Ok;
    });
    if (stored) {
        ++report.indexed;
        return;
    }
    index.Forget(doc.realPath);
    if (r != ArchiveResult::Ok)
        report.problems.push_back({doc.path, KindOf(r), r == ArchiveResult::ReadError ? EIO : 0});
    else
        report.indexFailed = true;  // the document was read: the index failed
}

}  // namespace

IndexReport RefreshIndex(const std::vector<LibraryDoc>& docs, CLibraryIndex& index,
                         const LibraryProgress& progress) {
    IndexReport report;
    std::vector<LibraryDoc> all = docs;
    std::unordered_set<std::string> given;
    for (const LibraryDoc& d : docs) given.insert(d.realPath);
    index.BeginWriting();
    index.Check();
    const bool rebuild = index.Wasteful();
    for (const std::string& p : index.Paths()) {
        std::error_code ec;
        if (!fs::exists(PathOf(p), ec) && !ec)
            index.Forget(p);
        else if (rebuild && !given.count(p))
            all.push_back({p, p});
    }
    if (rebuild) index.Clear();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (progress.stop && progress.stop->load()) break;
        RefreshOne(all[i], index, report);
        if (report.indexFailed) break;
        if (progress.step) progress.step(i + 1, all.size());
    }
    index.EndWriting(!(progress.stop && progress.stop->load()) && !report.indexFailed);
    return report;
}

}  // namespace orv
