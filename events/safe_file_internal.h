#pragma once
// The pieces of the safe write, shared by its portable part and the one
// platform file built for each system. Callers use events/safe_file.h.
#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

#include "events/safe_file.h"

namespace safe_file_internal {

// "<target>.tmp-<pid>-<n>" beside the target: unique among the saves of all
// running processes, so two writers never write into one temporary.
std::filesystem::path TempPathFor(const std::filesystem::path& target);

// Platform part: the system's reason for an error code, the common ones
// (no space, read-only, no permission, no folder) in Russian first.
#ifndef _WIN32
std::string SystemReason(int err);
#endif

// Set by UseNamedTemporaries.
extern std::atomic<bool> g_namedTemporaries;

// Platform part: the id of this process.
unsigned long CurrentProcessId();

// Platform part: opens the temporary for `prepared.target` (new files with
// the permission bits `mode` asks for, a replaced file with the old one's)
// and writes the chunks `next` gives until it gives an empty one. On failure
// nothing is left.
WriteResult WriteTemp(PreparedWrite& prepared, const ChunkSource& next, NewFileMode mode);
// Platform part: makes the temporary durable when `sync` is set and renames
// it over the target (durably too). On failure nothing is left.
WriteResult SyncAndRename(PreparedWrite& prepared, bool sync);
// Platform part: drops a prepared temporary.
void Discard(PreparedWrite& prepared);
// Platform part: writes into an existing file that is not a regular one.
WriteResult WriteInPlace(const std::filesystem::path& path, std::string_view data);

}  // namespace safe_file_internal
