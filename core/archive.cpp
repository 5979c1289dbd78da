#include "core/archive.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/cp932.h"

namespace orv {

namespace {

const char kClassName[] = "CComment";
constexpr std::size_t kClassNameLen = 8;
constexpr std::size_t kMaxClassName = 63;
constexpr std::uint32_t kMaxIndex = 0x3FFFFFFD;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigTag = 0x7FFF;
constexpr std::uint32_t kClassTagBit = 0x80000000u;

// --- writing ---------------------------------------------------------------

class Sink {
public:
    explicit Sink(std::string& out) : m_out(out) {}
    void Byte(std::uint8_t b) { m_out.push_back(static_cast<char>(b)); }
    void Word(std::uint16_t w) {
        Byte(static_cast<std::uint8_t>(w));
        Byte(static_cast<std::uint8_t>(w >> 8));
    }
    void Dword(std::uint32_t d) {
        Word(static_cast<std::uint16_t>(d));
        Word(static_cast<std::uint16_t>(d >> 16));
    }
    void Bytes(const char* p, std::size_t n) { m_out.append(p, n); }
    void Count(std::size_t n) {
        if (n < 0xFFFF) {
            Word(static_cast<std::uint16_t>(n));
        } else {
            Word(0xFFFF);
            Dword(static_cast<std::uint32_t>(n));
        }
    }
    void String(std::string_view s) {
        const std::size_t n = s.size();
        if (n < 0xFF) {
            Byte(static_cast<std::uint8_t>(n));
        } else if (n < 0xFFFE) {
            Byte(0xFF);
            Word(static_cast<std::uint16_t>(n));
        } else {
            Byte(0xFF);
            Word(0xFFFF);
            Dword(static_cast<std::uint32_t>(n));
        }
        Bytes(s.data(), n);
    }

private:
    std::string& m_out;
};

void WriteRecord(Sink& sink, const CComment& rec, bool first) {
    if (first) {
        sink.Word(kNewClassTag);
        sink.Word(kSchemaCurrent);
        sink.Word(static_cast<std::uint16_t>(kClassNameLen));
        sink.Bytes(kClassName, kClassNameLen);
    } else {
        sink.Word(0x8000 | 1);  // the class described first has index 1
    }
    sink.Dword(static_cast<std::uint32_t>(rec.GetNumber()));
    sink.String(rec.GetId());
    sink.String(rec.GetAuthor());
    sink.String(rec.GetTitle());
    sink.String(rec.GetDateTime());
    sink.String(rec.GetText());
    sink.Count(rec.GetReplies().size());
}

// Writes the forest in pre-order, calling flush(out) whenever the buffer has
// grown past a chunk; false as soon as flush fails.
template <class Flush>
bool WriteForest(const CommentList& roots, std::string& out, Flush flush) {
    Sink sink(out);
    sink.Count(roots.size());
    bool first = true;
    bool ok = true;
    WalkDocumentOrder(roots, [&](CComment& rec, int) {
        if (!ok) return;
        WriteRecord(sink, rec, first);
        first = false;
        if (out.size() >= (1u << 20)) ok = flush(out);
    });
    return ok;
}

// --- reading ---------------------------------------------------------------

class Source {
public:
    Source(const char* data, std::size_t size) : m_data(data), m_len(size) {}
    explicit Source(std::FILE* f) : m_file(f), m_buf(1 << 16) { m_data = m_buf.data(); }

    bool Failed() const { return m_bReadError; }

    bool Read(void* dst, std::size_t n) {
        char* out = static_cast<char*>(dst);
        while (n > 0) {
            if (m_pos == m_len && !Refill()) return false;
            std::size_t take = std::min(n, m_len - m_pos);
            std::memcpy(out, m_data + m_pos, take);
            m_pos += take;
            out += take;
            n -= take;
        }
        return true;
    }
    // Appends n bytes to s without trusting n: the string grows only with
    // the bytes actually there.
    bool Append(std::string& s, std::uint64_t n) {
        while (n > 0) {
            if (m_pos == m_len && !Refill()) return false;
            std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_len - m_pos));
            s.append(m_data + m_pos, take);
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
        d = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }

private:
    bool Refill() {
        if (!m_file) return false;
        m_pos = 0;
        m_len = std::fread(m_buf.data(), 1, m_buf.size(), m_file);
        if (m_len == 0 && std::ferror(m_file)) m_bReadError = true;
        return m_len > 0;
    }

    std::FILE* m_file = nullptr;
    std::vector<char> m_buf;
    const char* m_data = nullptr;
    std::size_t m_len = 0;
    std::size_t m_pos = 0;
    bool m_bReadError = false;
};

// Reads the forest, gathering the fields of each record in one buffer that
// is then laid out in the store's arena at once.
class Reader {
public:
    Reader(Source& src, CCommentStore& store) : m_src(src), m_store(store) {}

    ArchiveResult Run() {
        ArchiveResult r = ReadForest();
        if (r == ArchiveResult::Malformed && m_src.Failed()) return ArchiveResult::ReadError;
        return r;
    }

private:
    bool Read(void* dst, std::size_t n) { return m_src.Read(dst, n); }
    bool Byte(std::uint8_t& b) { return m_src.Byte(b); }
    bool Word(std::uint16_t& w) { return m_src.Word(w); }
    bool Dword(std::uint32_t& d) { return m_src.Dword(d); }

    // A count: WORD, or WORD 0xFFFF and a DWORD.
    bool Count(std::uint32_t& n) {
        std::uint16_t w;
        if (!Word(w)) return false;
        if (w != 0xFFFF) {
            n = w;
            return true;
        }
        return Dword(n);
    }

    // A length prefix after its first byte; sets wide for the UTF-16 form.
    bool Length(std::uint64_t& n, bool allowWide, bool& wide) {
        std::uint8_t b;
        if (!Byte(b)) return false;
        if (b < 0xFF) {
            n = b;
            return true;
        }
        std::uint16_t w;
        if (!Word(w)) return false;
        if (w == 0xFFFE && allowWide) {
            wide = true;
            return Length(n, false, wide);
        }
        if (w < 0xFFFF) {
            n = w;
            return true;
        }
        std::uint32_t d;
        if (!Dword(d)) return false;
        n = d;
        return true;
    }

    // Appends one string field to m_fields and gives its length.
    bool String(std::size_t& len) {
        std::uint64_t n = 0;
        bool wide = false;
        if (!Length(n, true, wide)) return false;
        const std::size_t before = m_fields.size();
        if (!wide) {
            if (!m_src.Append(m_fields, n)) return false;
            len = m_fields.size() - before;
            return true;
        }
        m_raw.clear();
        if (!m_src.Append(m_raw, n * 2)) return false;
        std::vector<char16_t> units(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(m_raw[2 * i]) |
                                             (static_cast<unsigned char>(m_raw[2 * i + 1]) << 8));
        m_fields += Utf16ToCp932(units.data(), units.size());
        len = m_fields.size() - before;
        return true;
    }

    bool NextIndex() {
        if (m_nextIndex > kMaxIndex) return false;
        ++m_nextIndex;
        return true;
    }

    // Reads an object's tag and, for a new class, its description; yields
    // the schema of the record that follows.
    ArchiveResult Tag(std::uint16_t& schema) {
        std::uint16_t w;
        if (!Word(w)) return ArchiveResult::Malformed;
        if (w == kNewClassTag) {
            std::uint16_t classSchema, nameLen;
            if (!Word(classSchema) || !Word(nameLen)) return ArchiveResult::Malformed;
            if (nameLen > kMaxClassName) return ArchiveResult::Malformed;
            char name[kMaxClassName];
            if (!Read(name, nameLen)) return ArchiveResult::Malformed;
            if (nameLen != kClassNameLen || std::memcmp(name, kClassName, kClassNameLen) != 0)
                return ArchiveResult::Malformed;
            m_classes[m_nextIndex] = classSchema;
            if (!NextIndex()) return ArchiveResult::Malformed;
            schema = classSchema;
        } else {
            std::uint32_t tag;
            if (w == kBigTag) {
                if (!Dword(tag)) return ArchiveResult::Malformed;
            } else {
                tag = (w & 0x7FFFu) | ((w & 0x8000u) ? kClassTagBit : 0);
            }
            if (!(tag & kClassTagBit)) return ArchiveResult::Malformed;  // null or object ref
            auto it = m_classes.find(tag & ~kClassTagBit);
            if (it == m_classes.end()) return ArchiveResult::Malformed;
            schema = it->second;
        }
        if (schema != kSchemaCurrent && schema != kSchemaOld) return ArchiveResult::BadSchema;
        if (!NextIndex()) return ArchiveResult::Malformed;  // the object's own index
        return ArchiveResult::Ok;
    }

    ArchiveResult Record(CComment& rec, std::uint16_t schema, std::uint32_t& replies) {
        std::uint32_t number;
        if (!Dword(number)) return ArchiveResult::Malformed;
        m_fields.clear();
        std::size_t len[5] = {};
        for (int k = 0; k < 5; ++k) {
            if (k == 3 && schema != kSchemaCurrent) continue;  // the old schema has no date
            if (!String(len[k])) return ArchiveResult::Malformed;
        }
        if (!Count(replies)) return ArchiveResult::Malformed;
        rec.SetNumber(static_cast<std::int32_t>(number));
        std::string_view fields[5];
        std::size_t off = 0;
        for (int k = 0; k < 5; ++k) {
            fields[k] = std::string_view(m_fields).substr(off, len[k]);
            off += len[k];
        }
        m_store.AssignFields(rec, fields);
        return ArchiveResult::Ok;
    }

    ArchiveResult ReadForest() {
        std::uint32_t rootCount;
        if (!Count(rootCount)) return ArchiveResult::Malformed;
        // Each frame: the record whose replies are being read (0 for the
        // roots) and how many of them are still to come.
        struct Frame {
            std::uint32_t parent;
            std::uint32_t remaining;
        };
        std::vector<Frame> stack{{0, rootCount}};
        while (!stack.empty()) {
            if (stack.back().remaining == 0) {
                stack.pop_back();
                continue;
            }
            --stack.back().remaining;
            std::uint16_t schema = 0;
            ArchiveResult r = Tag(schema);
            if (r != ArchiveResult::Ok) return r;
            CComment& rec = m_store.NewRecord();
            std::uint32_t replies = 0;
            r = Record(rec, schema, replies);
            if (r != ArchiveResult::Ok) {
                m_store.Discard(rec);
                return r;
            }
            if (stack.back().parent)
                m_store.Ref(stack.back().parent).AddReply(rec);
            else
                m_store.AddRoot(rec);
            if (replies > 0) stack.push_back({m_store.IdOf(rec), replies});
        }
        return ArchiveResult::Ok;
    }

    Source& m_src;
    CCommentStore& m_store;
    std::string m_fields;  // the fields of the record being read
    std::string m_raw;     // a UTF-16 field before conversion
    std::uint32_t m_nextIndex = 1;
    std::unordered_map<std::uint32_t, std::uint16_t> m_classes;
};

}  // namespace

void WriteArchive(const CommentList& roots, std::string& out) {
    WriteForest(roots, out, [](std::string&) { return true; });
}

bool WriteArchive(const CommentList& roots, std::FILE* f) {
    std::string buf;
    auto flush = [f](std::string& b) {
        bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
        b.clear();
        return ok;
    };
    return WriteForest(roots, buf, flush) && flush(buf);
}

ArchiveResult ReadArchive(const char* data, std::size_t size, CCommentStore& store) {
    Source src(data, size);
    return Reader(src, store).Run();
}

ArchiveResult ReadArchive(std::FILE* f, CCommentStore& store) {
    Source src(f);
    return Reader(src, store).Run();
}

}  // namespace orv
