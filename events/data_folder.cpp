#include "events/data_folder.h"

#include <string>
#include <system_error>

#include "events/safe_file.h"

namespace fs = std::filesystem;

bool CanWriteIn(const fs::path& folder) {
    std::error_code ec;
    fs::path probeIn = folder;
    while (!fs::is_directory(probeIn, ec)) {
        if (fs::exists(probeIn, ec) || !probeIn.has_relative_path()) return false;
        probeIn = probeIn.parent_path();
    }
    // The safe write makes its own uniquely named temporary and renames it,
    // which is the same thing every later save asks of this folder.
    const fs::path probe = probeIn / ".dayloom-write-test";
    const bool ok = WriteFileAtomically(probe, {}, false).ok;
    fs::remove(probe, ec);
    return ok;
}

bool MakeDataFolder(const fs::path& dir, std::error_code& ec) {
    ec.clear();
    if (fs::is_directory(dir, ec)) return true;
    if (!fs::create_directories(dir, ec) && ec) return false;
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, ignored);
    return true;
}

fs::path ChooseDataFolder(const fs::path& exeDir, const fs::path& perUserAppData) {
    const fs::path beside = exeDir / kDataFolderName;
    if (perUserAppData.empty() || CanWriteIn(beside)) return beside;
    return perUserAppData / kDataFolderName;
}

fs::path FindShippedFile(const fs::path& exeDir, const fs::path& name) {
    std::error_code ec;
    const fs::path beside = exeDir / name;
    if (fs::exists(beside, ec)) return beside;
    const fs::path installed = exeDir.parent_path() / "share" / "dayloom" / name;
    if (fs::exists(installed, ec)) return installed;
    return beside;
}
