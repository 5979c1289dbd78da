#include "core/archive.h"

#include <sys/stat.h>

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

// Reads the forest from a buffer that becomes the store's arena block: the
// fields of each record are moved down over the length prefixes before
// them, so that they lie back to back where they were read.
class Reader {
public:
    Reader(char* buf, std::size_t len, CCommentStore& store)
        : m_buf(buf), m_len(len), m_store(store) {}

    ArchiveResult Run() { return ReadForest(); }

private:
    bool Read(void* dst, std::size_t n) {
        if (n > m_len - m_pos) return false;
        std::memcpy(dst, m_buf + m_pos, n);
        m_pos += n;
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

    // One string field: where its bytes are and where the field ends in the
    // buffer. A UTF-16 field is converted into conv.
    bool String(std::string_view& field, std::string& conv, bool& wide) {
        std::uint64_t n = 0;
        wide = false;
        if (!Length(n, true, wide)) return false;
        const std::uint64_t bytes = wide ? n * 2 : n;
        if (bytes > m_len - m_pos) return false;
        const char* p = m_buf + m_pos;
        m_pos += static_cast<std::size_t>(bytes);
        if (!wide) {
            field = std::string_view(p, static_cast<std::size_t>(n));
            return true;
        }
        std::vector<char16_t> units(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(p[2 * i]) |
                                             (static_cast<unsigned char>(p[2 * i + 1]) << 8));
        conv = Utf16ToCp932(units.data(), units.size());
        field = conv;
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
        std::string_view fields[5];
        std::string conv[5];
        bool wide[5] = {};
        std::size_t ends[5] = {};  // buffer position after each field
        for (int k = 0; k < 5; ++k) {
            if (k == 3 && schema != kSchemaCurrent) {
                ends[k] = m_pos;  // the old schema has no date
                continue;
            }
            if (!String(fields[k], conv[k], wide[k])) return ArchiveResult::Malformed;
            ends[k] = m_pos;
        }
        if (!Count(replies)) return ArchiveResult::Malformed;
        rec.SetNumber(static_cast<std::int32_t>(number));

        std::uint32_t len[5];
        for (int k = 0; k < 5; ++k) {
            if (fields[k].size() > UINT32_MAX) return ArchiveResult::Malformed;
            len[k] = static_cast<std::uint32_t>(fields[k].size());
        }
        // Laid out in place unless a converted field would overrun the bytes
        // still to be moved (a plain field never does: its prefix is gone).
        std::size_t w = m_write;
        bool fits = true;
        for (int k = 0; k < 5 && fits; ++k) {
            w += len[k];
            fits = !wide[k] || w <= ends[k];
        }
        if (!fits) {
            m_store.AssignFields(rec, fields);
            return ArchiveResult::Ok;
        }
        char* start = m_buf + m_write;
        for (int k = 0; k < 5; ++k) {
            if (len[k]) std::memmove(m_buf + m_write, fields[k].data(), len[k]);
            m_write += len[k];
        }
        m_store.SetFieldsInPlace(rec, start, len);
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

    char* m_buf;
    std::size_t m_len;
    std::size_t m_pos = 0;    // next byte to read
    std::size_t m_write = 0;  // end of the fields laid out so far
    CCommentStore& m_store;
    std::uint32_t m_nextIndex = 1;
    std::unordered_map<std::uint32_t, std::uint16_t> m_classes;
};

// Reads the rest of f into one buffer; error is set on a read error (what
// was read before it is kept).
std::unique_ptr<char[]> ReadWhole(std::FILE* f, std::size_t& len, bool& error) {
    std::size_t cap = 1 << 16;
    struct stat st;
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const long at = std::ftell(f);
        const std::uint64_t left =
            static_cast<std::uint64_t>(st.st_size) - (at > 0 ? static_cast<std::uint64_t>(at) : 0);
        // One byte more than expected shows whether the file has grown.
        if (left < SIZE_MAX / 2) cap = static_cast<std::size_t>(left) + 1;
    }
    auto buf = std::make_unique_for_overwrite<char[]>(cap);
    len = 0;
    error = false;
    for (;;) {
        if (len == cap) {
            const std::size_t bigger = cap * 2;
            auto grown = std::make_unique_for_overwrite<char[]>(bigger);
            std::memcpy(grown.get(), buf.get(), len);
            buf = std::move(grown);
            cap = bigger;
        }
        const std::size_t got = std::fread(buf.get() + len, 1, cap - len, f);
        len += got;
        if (got == 0) {
            error = std::ferror(f) != 0;
            return buf;
        }
    }
}

ArchiveResult ReadBlock(std::unique_ptr<char[]> data, std::size_t len, CCommentStore& store) {
    char* p = store.AdoptBlock(std::move(data), len);
    return Reader(p, len, store).Run();
}

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
    auto copy = std::make_unique_for_overwrite<char[]>(size ? size : 1);
    if (size) std::memcpy(copy.get(), data, size);
    return ReadBlock(std::move(copy), size, store);
}

ArchiveResult ReadArchive(std::FILE* f, CCommentStore& store) {
    std::size_t len = 0;
    bool error = false;
    auto data = ReadWhole(f, len, error);
    ArchiveResult r = ReadBlock(std::move(data), len, store);
    // Running out of bytes after a read error is the error, not a bad file.
    if (r == ArchiveResult::Malformed && error) return ArchiveResult::ReadError;
    return r;
}

}  // namespace orv
