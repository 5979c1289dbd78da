#include "library/libindex.h"

namespace orv {

// Builds without the embedded database: there is no index, and the library
// searches every document directly.
struct CLibraryIndex::Impl {
    std::string note;
};

CLibraryIndex::CLibraryIndex(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
CLibraryIndex::~CLibraryIndex() = default;

bool CLibraryIndex::Available() { return false; }

std::string CLibraryIndex::DefaultFile() {
    const std::string folder = CacheFolder();
    return folder.empty() ? std::string() : folder + "/library.sqlite";
}

std::unique_ptr<CLibraryIndex> CLibraryIndex::Open(const std::string&, std::string& note) {
    note = "this build has no library index; documents are searched directly";
    return nullptr;
}

bool CLibraryIndex::Lookup(const std::string&, const DocIdentity&, Entry&) { return false; }
bool CLibraryIndex::Candidates(const std::vector<std::string>&,
                               const std::unordered_set<std::int64_t>&,
                               std::unordered_map<std::int64_t, std::vector<std::uint32_t>>&) {
    return false;
}
bool CLibraryIndex::Store(const std::string&, const DocIdentity&,
                          const std::function<bool(const Feed&)>&) {
    return false;
}
bool CLibraryIndex::Places(std::int64_t, const std::vector<std::uint32_t>&,
                           std::vector<std::uint64_t>&) {
    return false;
}
std::vector<std::string> CLibraryIndex::Paths() { return {}; }
bool CLibraryIndex::Check() { return false; }
void CLibraryIndex::BeginWriting() {}
void CLibraryIndex::EndWriting(bool) {}
bool CLibraryIndex::Forget(const std::string&) { return false; }
bool CLibraryIndex::Wasteful() { return false; }
bool CLibraryIndex::Clear() { return false; }
const std::string& CLibraryIndex::note() const { return m->note; }

}  // namespace orv
