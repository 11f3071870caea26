#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

struct WriteResult {
    bool ok = false;
    std::string error;  // what failed, for the message shown to the user
};

// Writes `data` to a temporary file in the same folder, flushes it to disk
// (unless `sync` is false) and renames it over `path`.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                                bool sync = true);

// The same with the contents made a chunk at a time: `next` is called until
// it returns an empty chunk, so a large file is never held whole in memory.
using ChunkSource = std::function<std::string_view()>;
WriteResult WriteChunksAtomically(const std::filesystem::path& path, const ChunkSource& next,
                                  bool sync = true);

// The same in two steps, so the slow flush to disk can run away from the
// window: PrepareWrite puts the contents into a temporary file beside the
// target, leaving the old file as it is; CommitWrite flushes the temporary
// to disk (when `sync` is set) and renames it over the target. Commits are
// made in the order of their prepares. A prepared write never committed is a
// leftover temporary. On failure either step removes the temporary.
struct PreparedWrite {
    std::filesystem::path temp, target;
};
WriteResult PrepareWrite(const std::filesystem::path& path, const ChunkSource& next, PreparedWrite& prepared);
WriteResult CommitWrite(const PreparedWrite& prepared, bool sync = true);

// Removes what saves of `path` killed mid-write left beside it.
void RemoveLeftoverTemporaries(const std::filesystem::path& path);

// Keeps a copy of `original` beside it under `name`, or `name-2`, `name-3` ...
// when that is taken, so an earlier copy is never overwritten. The copy is
// read back and compared before success is reported.
struct CopyResult {
    bool ok = false;
    std::filesystem::path copy;  // where the bytes are now kept
    std::string error;
};
CopyResult KeepVerifiedCopy(const std::filesystem::path& original, const std::string& name);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);
