#pragma once

#include <filesystem>
#include <string_view>
#include <variant>

#include "bytes.h"

namespace qz::engine {

// A failed file operation: the errno it ended with.
struct FileFailure {
    int error = 0;
};

// The whole of a regular file, at most max_size bytes (EFBIG beyond).
std::variant<Bytes, FileFailure> ReadWholeFile(const std::filesystem::path &file, std::size_t max_size);

// Creates or truncates the file and writes all of `bytes`, flushed to disk.
std::variant<std::monostate, FileFailure> WriteWholeFile(const std::filesystem::path &file, ByteView bytes);

// Writes the file under a temporary name in the same folder and renames it
// into place, so that readers see the old or the new contents, never a part.
std::variant<std::monostate, FileFailure> ReplaceFile(const std::filesystem::path &file, ByteView bytes);

}  // namespace qz::engine
