// Reads a ".mld" document record by record without building its tree: the
// fields of each message in file order (which is tree order, the file being
// the forest in pre-order) with the byte offset where the message starts, and
// one message again from such an offset. The library search uses it to index
// documents and to check what the index proposes against the file itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "core/archive.h"

namespace orv {

// One message as read: its number and fields, CP932, valid until the next
// record is read. where packs the offset of the number and the schema (see
// PackWhere), for ReadRecordAt.
struct ScannedRecord {
    std::int32_t number = 0;
    std::string_view id, author, title, dateTime, text;
    std::uint64_t where = 0;
};

inline std::uint64_t PackWhere(std::uint64_t offset, std::uint16_t schema) {
    return (offset << 1) | (schema == kSchemaOld ? 1u : 0u);
}

// Calls each(record) for every message of the document in f, in tree order,
// until each returns false. Gives Malformed, BadSchema or ReadError as the
// archive reader would for the same bytes (records before the fault were
// passed on).
ArchiveResult ScanArchive(std::FILE* f, const std::function<bool(const ScannedRecord&)>& each);

// Reads the message at where (from a ScannedRecord of the same, unchanged
// file) into out; false when the bytes there are no message.
class CRecordReader {
public:
    bool ReadAt(std::FILE* f, std::uint64_t where, ScannedRecord& out);

private:
    std::string m_fields;
    std::string m_raw;
};

}  // namespace orv
