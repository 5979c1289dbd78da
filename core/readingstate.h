// What the windows need of the reading state of the open document: which
// messages have been read and which carry a bookmark (しおり). The state is
// kept beside the documents by the store in readstate/, never inside a
// ".mld"; the panes see it only through IReadingState, so that they link
// no database.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/comment.h"

namespace orv {

// The identity of a message that survives re-import and merging: a 64-bit
// hash of its number, author ID and date. Two records with the same three
// fields are the same message. Well mixed, so that the keys with the
// smallest values are a fair sample of a document.
using MessageKey = std::uint64_t;

inline MessageKey MakeMessageKey(std::int32_t number, std::string_view id,
                                 std::string_view dateTime) {
    std::uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a, then a final mix
    auto add = [&h](unsigned char c) {
        h ^= c;
        h *= 0x100000001b3ull;
    };
    const auto n = static_cast<std::uint32_t>(number);
    for (int shift = 0; shift < 32; shift += 8) add(static_cast<unsigned char>(n >> shift));
    for (char c : id) add(static_cast<unsigned char>(c));
    add(0);  // so that "ab"+"c" and "a"+"bc" differ
    for (char c : dateTime) add(static_cast<unsigned char>(c));
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebull;
    h ^= h >> 31;
    return h;
}

inline MessageKey KeyOf(const CComment& rec) {
    return MakeMessageKey(rec.GetNumber(), rec.GetId(), rec.GetDateTime());
}

class IReadingState {
public:
    virtual ~IReadingState() = default;
    virtual bool IsRead(const CComment& rec) const = 0;
    virtual bool IsBookmarked(const CComment& rec) const = 0;
};

}  // namespace orv
