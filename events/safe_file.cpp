#include "events/safe_file.h"

#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "events/safe_file_internal.h"

namespace fs = std::filesystem;

namespace safe_file_internal {

std::atomic<bool> g_namedTemporaries{false};

fs::path TempPathFor(const fs::path& target) {
    static std::atomic<unsigned long long> counter{0};
    fs::path tmp = target;
    tmp += ".tmp-";
    tmp += std::to_string(CurrentProcessId()) + "-" + std::to_string(++counter);
    return tmp;
}

}  // namespace safe_file_internal

namespace {

std::mutex g_failMutex;
std::set<fs::path> g_failNext;

bool TakeInjectedFailure(const fs::path& target) {
    std::lock_guard lock(g_failMutex);
    return !g_failNext.empty() && g_failNext.erase(target.lexically_normal()) > 0;
}

// A file reached through a symbolic link is replaced where it really is:
// renaming over the link itself would cut the link and leave its target old.
fs::path RealTarget(const fs::path& path) {
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return p;
}

}  // namespace

void UseNamedTemporaries(bool named) { safe_file_internal::g_namedTemporaries = named; }

void FailNextWriteOf(const fs::path& target) {
    std::lock_guard lock(g_failMutex);
    g_failNext.insert(target.lexically_normal());
}

// The new contents go to a temporary file in the same folder, which is then
// renamed over the old file: a crash mid-write leaves the old file whole, and
// readers see either the old or the new file, never a mix. The rename is made
// durable by fsync of the file and then of its folder on POSIX, and by
// FlushFileBuffers plus MoveFileExW(MOVEFILE_WRITE_THROUGH) on Windows.
WriteResult WriteFileAtomically(const fs::path& path, std::string_view data, bool sync, NewFileMode mode) {
    bool given = false;
    PreparedWrite prepared;
    const WriteResult r = PrepareWrite(
        path, [&] { return std::exchange(given, true) ? std::string_view() : data; }, prepared,
        LinkPolicy::Follow, mode);
    return r.ok ? CommitWrite(prepared, sync) : r;
}

WriteResult WriteChunksAtomically(const fs::path& path, const ChunkSource& next, bool sync, LinkPolicy links) {
    PreparedWrite prepared;
    const WriteResult r = PrepareWrite(path, next, prepared, links);
    return r.ok ? CommitWrite(prepared, sync) : r;
}

WriteResult PrepareWrite(const fs::path& path, const ChunkSource& next, PreparedWrite& prepared, LinkPolicy links,
                         NewFileMode mode) {
    prepared = {};
    if (path.filename().empty()) return {false, "не указано имя файла"};
    prepared.target = links == LinkPolicy::Follow ? RealTarget(path) : path;
    if (TakeInjectedFailure(prepared.target) || TakeInjectedFailure(path))
        return {false, "запись: на диске нет места (проверка)"};
    try {
        return safe_file_internal::WriteTemp(prepared, next, mode);
    } catch (...) {
        // A source that cannot go on leaves no half-made file behind.
        safe_file_internal::Discard(prepared);
        throw;
    }
}

WriteResult CommitWrite(PreparedWrite& prepared, bool sync) {
    return safe_file_internal::SyncAndRename(prepared, sync);
}

void DiscardWrite(PreparedWrite& prepared) { safe_file_internal::Discard(prepared); }

WriteResult WriteOutputFile(const fs::path& path, std::string_view data) {
    bool given = false;
    return WriteOutputFile(path, [&] { return std::exchange(given, true) ? std::string_view() : data; });
}

WriteResult WriteOutputFile(const fs::path& path, const ChunkSource& next) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!ec && fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st)) {
        // A device or a pipe is opened once, so it gets the contents whole.
        std::string data;
        for (std::string_view piece = next(); !piece.empty(); piece = next()) data.append(piece);
        return safe_file_internal::WriteInPlace(path, data);
    }
    PreparedWrite prepared;
    const WriteResult r = PrepareWrite(path, next, prepared, LinkPolicy::Follow, NewFileMode::Shared);
    return r.ok ? CommitWrite(prepared) : r;
}

bool ReadWholeFile(const fs::path& path, std::string& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;  // a folder "opens" but has no size
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(out.data(), size)) return false;
    return true;
}

CopyResult KeepVerifiedCopy(const fs::path& original, const std::string& name) {
    CopyResult r;
    std::string bytes;
    if (!ReadWholeFile(original, bytes)) {
        r.error = "файл не читается";
        return r;
    }
    const fs::path folder = original.parent_path();
    std::error_code ec;
    const fs::perms perms = fs::status(original, ec).permissions();
    for (int n = 1; n < 1000; ++n) {
        const fs::path candidate = folder / (n == 1 ? name : name + "-" + std::to_string(n));
        if (fs::exists(fs::symlink_status(candidate, ec))) continue;
        const WriteResult w = WriteFileAtomically(candidate, bytes);
        if (!w.ok) {
            r.error = w.error;
            return r;
        }
        // Who may read the copy is who could read the original, no more.
        if (perms != fs::perms::unknown) fs::permissions(candidate, perms & fs::perms::all, ec);
        std::string back;
        if (!ReadWholeFile(candidate, back) || back != bytes) {
            r.error = "копия не совпадает с исходным файлом";
            return r;
        }
        r.ok = true;
        r.copy = candidate;
        return r;
    }
    r.error = "все имена для копии заняты";
    return r;
}
