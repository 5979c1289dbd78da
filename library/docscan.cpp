#include "library/docscan.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/cp932.h"
#include "library/docidentity.h"

namespace orv {
namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigTag = 0x7FFF;
constexpr std::uint32_t kClassTagBit = 0x80000000u;
constexpr std::uint32_t kMaxIndex = 0x3FFFFFFD;
constexpr std::size_t kMaxClassName = 63;

// Buffered reading of a stream that knows its offset.
class Input {
public:
    Input(std::FILE* f, std::size_t bufSize, std::uint64_t offset)
        : m_file(f), m_buf(bufSize), m_offset(offset) {}
    std::uint64_t Offset() const { return m_offset - (m_len - m_pos); }
    bool Failed() const { return m_bFailed; }
    bool Read(void* dst, std::size_t n) {
        char* out = static_cast<char*>(dst);
        while (n > 0) {
            if (m_pos == m_len && !Refill()) return false;
            const std::size_t take = std::min(n, m_len - m_pos);
            std::memcpy(out, m_buf.data() + m_pos, take);
            m_pos += take;
            out += take;
            n -= take;
        }
        return true;
    }
    // Appends n bytes without trusting n: s grows only by the bytes there.
    bool Append(std::string& s, std::uint64_t n) {
        while (n > 0) {
            if (m_pos == m_len && !Refill()) return false;
            const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_len - m_pos));
            s.append(m_buf.data() + m_pos, take);
            m_pos += take;
            n -= take;
        }
        return true;
    }
    bool Byte(std::uint8_t& b) { return Read(&b, 1); }
    bool Word(std::uint16_t& w) {
        unsigned char b[2];
        if (!Read(b, 2)) return false;
        w = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool Dword(std::uint32_t& d) {
        unsigned char b[4];
        if (!Read(b, 4)) return false;
        d = b[0] | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
            (std::uint32_t{b[3]} << 24);
        return true;
    }
    bool Count(std::uint32_t& n) {
        std::uint16_t w;
        if (!Word(w)) return false;
        if (w != 0xFFFF) {
            n = w;
            return true;
        }
        return Dword(n);
    }

private:
    bool Refill() {
        m_pos = 0;
        m_len = std::fread(m_buf.data(), 1, m_buf.size(), m_file);
        m_offset += m_len;
        if (m_len == 0 && std::ferror(m_file)) m_bFailed = true;
        return m_len > 0;
    }
    std::FILE* m_file;
    std::vector<char> m_buf;
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    std::uint64_t m_offset;  // of the end of what the buffer holds
    bool m_bFailed = false;
};

// A string's length prefix after its first byte; wide for the UTF-16 form.
bool Length(Input& in, std::uint64_t& n, bool allowWide, bool& wide) {
    std::uint8_t b;
    if (!in.Byte(b)) return false;
    if (b < 0xFF) {
        n = b;
        return true;
    }
    std::uint16_t w;
    if (!in.Word(w)) return false;
    if (w == 0xFFFE && allowWide) {
        wide = true;
        return Length(in, n, false, wide);
    }
    if (w < 0xFFFF) {
        n = w;
        return true;
    }
    std::uint32_t d;
    if (!in.Dword(d)) return false;
    n = d;
    return true;
}

// Appends one string field to fields; raw is scratch for the UTF-16 form.
bool String(Input& in, std::string& fields, std::string& raw) {
    std::uint64_t n = 0;
    bool wide = false;
    if (!Length(in, n, true, wide)) return false;
    if (!wide) return in.Append(fields, n);
    raw.clear();
    if (!in.Append(raw, n * 2)) return false;
    std::vector<char16_t> units(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                         (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    fields += Utf16ToCp932(units.data(), units.size());
    return true;
}

// The number, the fields and the reply count of the record at the input's
// position; out's views point into fields.
bool Record(Input& in, std::uint16_t schema, std::string& fields, std::string& raw,
            ScannedRecord& out, std::uint32_t& replies) {
    out.where = PackWhere(in.Offset(), schema);
    std::uint32_t number;
    if (!in.Dword(number)) return false;
    fields.clear();
    std::size_t ends[5] = {};
    for (int k = 0; k < 5; ++k) {
        if (!(k == 3 && schema != kSchemaCurrent) && !String(in, fields, raw)) return false;
        ends[k] = fields.size();
    }
    if (!in.Count(replies)) return false;
    out.number = static_cast<std::int32_t>(number);
    const std::string_view all(fields);
    std::string_view* dst[5] = {&out.id, &out.author, &out.title, &out.dateTime, &out.text};
    for (int k = 0; k < 5; ++k) {
        const std::size_t begin = k == 0 ? 0 : ends[k - 1];
        *dst[k] = all.substr(begin, ends[k] - begin);
    }
    return true;
}

// The object tags of one stream: class descriptions and the running index.
class Tags {
public:
    ArchiveResult Next(Input& in, std::uint16_t& schema) {
        std::uint16_t w;
        if (!in.Word(w)) return ArchiveResult::Malformed;
        if (w == kNewClassTag) {
            if (ArchiveResult r = NewClass(in, schema); r != ArchiveResult::Ok) return r;
        } else {
            std::uint32_t tag;
            if (w == kBigTag) {
                if (!in.Dword(tag)) return ArchiveResult::Malformed;
            } else {
                tag = (w & 0x7FFFu) | ((w & 0x8000u) ? kClassTagBit : 0);
            }
            if (!(tag & kClassTagBit)) return ArchiveResult::Malformed;
            auto it = m_classes.find(tag & ~kClassTagBit);
            if (it == m_classes.end()) return ArchiveResult::Malformed;
            schema = it->second;
        }
        if (schema != kSchemaCurrent && schema != kSchemaOld) return ArchiveResult::BadSchema;
        return NextIndex() ? ArchiveResult::Ok : ArchiveResult::Malformed;
    }

private:
    ArchiveResult NewClass(Input& in, std::uint16_t& schema) {
        std::uint16_t classSchema, nameLen;
        if (!in.Word(classSchema) || !in.Word(nameLen) || nameLen > kMaxClassName)
            return ArchiveResult::Malformed;
        char name[kMaxClassName];
        if (!in.Read(name, nameLen)) return ArchiveResult::Malformed;
        if (std::string_view(name, nameLen) != "CComment") return ArchiveResult::Malformed;
        m_classes[m_next] = classSchema;
        schema = classSchema;
        return NextIndex() ? ArchiveResult::Ok : ArchiveResult::Malformed;
    }
    bool NextIndex() {
        if (m_next > kMaxIndex) return false;
        ++m_next;
        return true;
    }
    std::uint32_t m_next = 1;
    std::unordered_map<std::uint32_t, std::uint16_t> m_classes;
};

ArchiveResult Scan(Input& in, const std::function<bool(const ScannedRecord&)>& each) {
    std::uint32_t rootCount;
    if (!in.Count(rootCount)) return ArchiveResult::Malformed;
    // How many records each open level still has to come, the roots first.
    std::vector<std::uint32_t> remaining{rootCount};
    Tags tags;
    std::string fields, raw;
    ScannedRecord rec;
    while (!remaining.empty()) {
        if (remaining.back() == 0) {
            remaining.pop_back();
            continue;
        }
        --remaining.back();
        std::uint16_t schema = 0;
        if (ArchiveResult r = tags.Next(in, schema); r != ArchiveResult::Ok) return r;
        std::uint32_t replies = 0;
        if (!Record(in, schema, fields, raw, rec, replies)) return ArchiveResult::Malformed;
        if (!each(rec)) return ArchiveResult::Ok;
        if (replies > 0) remaining.push_back(replies);
    }
    return ArchiveResult::Ok;
}

}  // namespace

ArchiveResult ScanArchive(std::FILE* f, const std::function<bool(const ScannedRecord&)>& each) {
    Input in(f, std::size_t{1} << 20, 0);
    const ArchiveResult r = Scan(in, each);
    if (r == ArchiveResult::Malformed && in.Failed()) return ArchiveResult::ReadError;
    return r;
}

bool CRecordReader::ReadAt(std::FILE* f, std::uint64_t where, ScannedRecord& out) {
    const std::uint64_t offset = where >> 1;
    if (!SeekFile(f, offset)) return false;
    Input in(f, 4096, offset);
    std::uint32_t replies = 0;
    return Record(in, (where & 1) ? kSchemaOld : kSchemaCurrent, m_fields, m_raw, out, replies);
}

}  // namespace orv
