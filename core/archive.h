// The ".mld" document file: the reply forest in the framework's tagged
// object-stream layout, written as schema 220, read as 200 or 220.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/comment.h"

namespace orv {

enum class ArchiveResult {
    Ok,
    Malformed,  // "予期しないﾌｧｲﾙ形式です。"
    BadSchema,  // shown as IDS_BAD_SCHEMA
    ReadError,  // the file cannot be read
};

inline constexpr std::uint16_t kSchemaCurrent = 220;
inline constexpr std::uint16_t kSchemaOld = 200;

// Serialises the forest into out (appending).
void WriteArchive(const CommentList& roots, std::string& out);
// Writes the forest to a stream; false on a write error.
bool WriteArchive(const CommentList& roots, std::FILE* f);

// Reads a forest from bytes into store, whose roots receive the records read
// (on failure what was read so far, which the caller discards).
ArchiveResult ReadArchive(const char* data, std::size_t size, CCommentStore& store);
// Reads a forest from an open stream through a buffer.
ArchiveResult ReadArchive(std::FILE* f, CCommentStore& store);

}  // namespace orv
