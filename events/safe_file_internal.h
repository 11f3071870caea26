#pragma once
// The pieces of WriteFileAtomically, shared by its portable part and the one
// platform file built for each system. Callers use events/safe_file.h.
#include <filesystem>
#include <string>
#include <string_view>

#include "events/safe_file.h"

namespace safe_file_internal {

// "<target>.tmp-<pid>-<n>" beside the target: unique among the saves of all
// running processes, so two windows never write into one temporary.
std::filesystem::path TempPathFor(const std::filesystem::path& target);

// True for a file name that a save of `targetName` may have left behind:
// "<targetName>.tmp-" and then digits and dashes only, nothing else.
bool IsLeftoverTemp(const std::filesystem::path& name, const std::filesystem::path& targetName);

// Removes the left-overs of `target` in its folder; with `keepOwn`, not those
// of this process, whose prepared writes may still wait for their commits.
// Best effort: a save that succeeded stays a success whatever happens here.
void RemoveLeftoverTemps(const std::filesystem::path& target, bool keepOwn);

// Platform part: the system's reason for an error code, the common ones
// (no space, read-only, no permission, no folder) in Russian first.
#ifndef _WIN32
std::string SystemReason(int err);
#endif

// Platform part: the id of this process.
unsigned long CurrentProcessId();

// Platform part: creates `tmp` (on POSIX with the permission bits of `target`) and
// writes the chunks `next` gives until it gives an empty one. On failure
// `tmp` is gone again.
WriteResult WriteTemp(const std::filesystem::path& tmp, const std::filesystem::path& target,
                      const ChunkSource& next);
// Platform part: makes `tmp` durable when `sync` is set and renames it over
// `target` (durably too). On failure `tmp` is gone again.
WriteResult SyncAndRename(const std::filesystem::path& tmp, const std::filesystem::path& target, bool sync);

}  // namespace safe_file_internal
