// The reading-state store of a build without SQLite: reading state is off.
// The viewer then keeps read marks and bookmarks in memory for the open
// document only, and orvlog's unread and mark commands say so.
#include <algorithm>
#include <cstdlib>

#include "readstate/statestore.h"

namespace orv {

struct CReadStateStore::Db {};

CReadStateStore::CReadStateStore() = default;
CReadStateStore::~CReadStateStore() = default;

bool CReadStateStore::Available() { return false; }

std::string CReadStateStore::DefaultPath() {
    const char* appData = std::getenv("APPDATA");
    return std::string(appData ? appData : ".") + "\\orv\\readstate.sqlite";
}

CReadStateStore::OpenEnd CReadStateStore::Open(const std::string& path) {
    m_path = path;
    m_error = "this build keeps no reading state";
    return OpenEnd::Unavailable;
}

void CReadStateStore::Close() {}
bool CReadStateStore::IsOpen() const { return false; }

DocumentId CReadStateStore::FindDocument(const std::string&, const KeysOfDocument&) { return 0; }

bool CReadStateStore::Load(DocumentId, std::vector<StoredMark>& marks, LastPosition& last) {
    marks.clear();
    last = {};
    return false;
}

bool CReadStateStore::Write(DocumentId, const std::vector<StoredMark>&, const LastPosition&,
                            const std::vector<MessageKey>*) {
    return false;
}

}  // namespace orv
