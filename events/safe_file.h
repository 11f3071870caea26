#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <filesystem>
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

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);
