#include "events/safe_file.h"

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "events/safe_file_internal.h"

namespace fs = std::filesystem;

namespace safe_file_internal {

namespace {

// The part of a temporary name after the target's own name.
const fs::path kTempMark = ".tmp-";

}  // namespace

fs::path TempPathFor(const fs::path& target) {
    static std::atomic<unsigned long long> counter{0};
    fs::path tmp = target;
    tmp += kTempMark;
    tmp += std::to_string(CurrentProcessId()) + "-" + std::to_string(++counter);
    return tmp;
}

bool IsLeftoverTemp(const fs::path& name, const fs::path& targetName) {
    const auto& n = name.native();
    const auto prefix = targetName.native() + kTempMark.native();
    if (targetName.empty() || n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < n.size(); ++i)
        if (!(n[i] == '-' || (n[i] >= '0' && n[i] <= '9'))) return false;
    return true;
}

void RemoveLeftoverTemps(const fs::path& target, bool keepOwn) {
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::path targetName = target.filename();
    fs::path own = targetName;
    own += kTempMark;
    own += std::to_string(CurrentProcessId()) + "-";
    std::error_code ec;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        const fs::path name = it->path().filename();
        if (keepOwn && name.native().compare(0, own.native().size(), own.native()) == 0) continue;
        if (it->is_regular_file(typeEc) && !it->is_symlink(typeEc) && IsLeftoverTemp(name, targetName))
            found.push_back(it->path());
    }
    for (const fs::path& p : found) fs::remove(p, ec);
}

}  // namespace safe_file_internal

// The new contents go to a temporary file in the same folder, which is then
// renamed over the old file: a crash mid-write leaves the old file whole, and
// readers see either the old or the new file, never a mix. The rename is made
// durable by fsync of the file and then of its folder on POSIX, and by
// FlushFileBuffers plus MoveFileExW(MOVEFILE_WRITE_THROUGH) on Windows.
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

WriteResult WriteFileAtomically(const fs::path& path, std::string_view data, bool sync) {
    bool given = false;
    return WriteChunksAtomically(
        path, [&] { return std::exchange(given, true) ? std::string_view() : data; }, sync);
}

WriteResult WriteChunksAtomically(const fs::path& path, const ChunkSource& next, bool sync) {
    PreparedWrite prepared;
    const WriteResult r = PrepareWrite(path, next, prepared);
    return r.ok ? CommitWrite(prepared, sync) : r;
}

WriteResult PrepareWrite(const fs::path& path, const ChunkSource& next, PreparedWrite& prepared) {
    if (path.filename().empty()) return {false, "не указано имя файла"};
    prepared.target = RealTarget(path);
    prepared.temp = safe_file_internal::TempPathFor(prepared.target);
    return safe_file_internal::WriteTemp(prepared.temp, prepared.target, next);
}

WriteResult CommitWrite(const PreparedWrite& prepared, bool sync) {
    WriteResult r = safe_file_internal::SyncAndRename(prepared.temp, prepared.target, sync);
    // Only after a success, and never for temporaries of this process: a
    // later prepared write may be waiting for its own commit.
    if (r.ok) safe_file_internal::RemoveLeftoverTemps(prepared.target, true);
    return r;
}

void RemoveLeftoverTemporaries(const fs::path& path) {
    safe_file_internal::RemoveLeftoverTemps(RealTarget(path), false);
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
    for (int n = 1; n < 1000; ++n) {
        const fs::path candidate = folder / (n == 1 ? name : name + "-" + std::to_string(n));
        if (fs::exists(fs::symlink_status(candidate, ec))) continue;
        const WriteResult w = WriteFileAtomically(candidate, bytes);
        if (!w.ok) {
            r.error = w.error;
            return r;
        }
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
