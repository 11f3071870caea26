#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

struct WriteResult {
    bool ok = false;
    std::string error;  // what failed, for the message shown to the user
    // Set by a save that found the file changed by another writer since it
    // was read; nothing was written.
    bool changedOutside = false;
    // Set by a save stopped before it finished because the events changed
    // under it; nothing was written and nothing is wrong.
    bool stopped = false;
};

// Who may read a file that a write creates; an existing file keeps its own
// permission bits either way.
enum class NewFileMode {
    Private,  // the user's data: only the user
    Shared,   // an export for other programs: as the user's umask says
};

// What a write does where the file is a symbolic link.
enum class LinkPolicy {
    Follow,   // the link's target gets the new contents (a user keeps the file elsewhere)
    Replace,  // the new file takes the link's place; the target is left alone
};

// Writes `data` to a temporary file in the same folder, flushes it to disk
// (unless `sync` is false) and renames it over `path`.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view data, bool sync = true,
                                NewFileMode mode = NewFileMode::Private);

// The same with the contents made a chunk at a time: `next` is called until
// it returns an empty chunk, so a large file is never held whole in memory.
using ChunkSource = std::function<std::string_view()>;
WriteResult WriteChunksAtomically(const std::filesystem::path& path, const ChunkSource& next,
                                  bool sync = true, LinkPolicy links = LinkPolicy::Follow);

// The same in two steps, so the slow flush to disk can run away from the
// window: PrepareWrite puts the contents into a temporary beside the target,
// leaving the old file as it is; CommitWrite flushes the temporary to disk
// (when `sync` is set) and renames it over the target. Commits are made in
// the order of their prepares. The temporary is held open and has no name
// until the commit where the system allows it (Linux), or is marked for
// deletion until then (Windows): a process that dies before its commit
// leaves nothing behind, so nobody ever has to remove another's temporary.
// A prepared write is committed or discarded exactly once.
struct PreparedWrite {
    std::filesystem::path temp;  // empty while the temporary has no name
    std::filesystem::path target;
    intptr_t handle = -1;
};
WriteResult PrepareWrite(const std::filesystem::path& path, const ChunkSource& next, PreparedWrite& prepared,
                         LinkPolicy links = LinkPolicy::Follow, NewFileMode mode = NewFileMode::Private);
WriteResult CommitWrite(PreparedWrite& prepared, bool sync = true);
void DiscardWrite(PreparedWrite& prepared);

// Writes an output the user named (an export): a regular file, or a link to
// one, is replaced whole as above; anything else that is already there (a
// device, a pipe, /dev/stdout) is written into as it is, never replaced.
WriteResult WriteOutputFile(const std::filesystem::path& path, std::string_view data);
WriteResult WriteOutputFile(const std::filesystem::path& path, const ChunkSource& next);

// What tells one version of a file from another without reading it: every
// save renames a new file into place, so the file's identity changes with
// each write, and size and time catch a file written over in place.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0, file = 0, size = 0;
    int64_t modified = 0;  // in the system's own units
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at `path` (its target, for a link).
FileStamp StampOf(const std::filesystem::path& path);

// Keeps a copy of `original` beside it under `name`, or `name-2`, `name-3` ...
// when that is taken, so an earlier copy is never overwritten. The copy has the
// original's permission bits and is read back and compared before success is
// reported.
struct CopyResult {
    bool ok = false;
    std::filesystem::path copy;  // where the bytes are now kept
    std::string error;
};
CopyResult KeepVerifiedCopy(const std::filesystem::path& original, const std::string& name);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

// For tests, a failing disk: the next write of `target` fails as a full disk
// would, before anything is written.
void FailNextWriteOf(const std::filesystem::path& target);
// For tests, a file system without unnamed temporaries (FAT, a network
// share): every temporary gets its name when it is made.
void UseNamedTemporaries(bool named);
