// WriteTemp and SyncAndRename for POSIX systems; events/safe_file_win.cpp is the Windows one.
#ifndef _WIN32

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "events/safe_file_internal.h"

namespace fs = std::filesystem;

namespace safe_file_internal {

std::string SystemReason(int err) {
    const char* plain = nullptr;
    switch (err) {
        case ENOSPC: case EDQUOT: plain = "на диске нет места"; break;
        case EROFS: plain = "диск доступен только для чтения"; break;
        case EACCES: case EPERM: plain = "нет прав на запись"; break;
        case ENOENT: case ENOTDIR: plain = "папка не найдена"; break;
        default: break;
    }
    const std::string system = std::strerror(err);
    return plain ? std::string(plain) + " (" + system + ")" : system;
}

namespace {

WriteResult Failed(const char* step, int err) { return {false, std::string(step) + ": " + SystemReason(err)}; }

// The rename lives in the folder's entries: without this a power cut can
// bring back the old name even though the new file's data is on disk.
WriteResult SyncFolderOf(const fs::path& target) {
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failed("папка файла", errno);
    int rc;
    do rc = ::fsync(fd);
    while (rc != 0 && errno == EINTR);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder and say so; nothing is lost there.
    if (rc != 0 && err != EINVAL && err != ENOTSUP) return Failed("запись папки на диск", err);
    return {true, {}};
}

}  // namespace

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

WriteResult WriteTemp(const fs::path& tmp, const fs::path& target, const ChunkSource& next) {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Failed("создание временного файла", errno);
    // The new file takes the old one's permission bits (a private 0600 file
    // stays private).
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 07777);
    auto fail = [&](const char* step, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Failed(step, err);
    };
    for (std::string_view data = next(); !data.empty(); data = next()) {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
            if (w < 0) {
                if (errno == EINTR) continue;
                return fail("запись", errno);
            }
            done += static_cast<size_t>(w);
        }
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failed("закрытие временного файла", err);
    }
    return {true, {}};
}

WriteResult SyncAndRename(const fs::path& tmp, const fs::path& target, bool sync) {
    if (sync) {
        // Any descriptor of the file flushes all of its data; a read-only one
        // opens even when the kept permission bits forbid writing.
        const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
        int rc = -1, err = errno;
        if (fd >= 0) {
            do rc = ::fsync(fd);
            while (rc != 0 && errno == EINTR);
            err = errno;
            ::close(fd);
        }
        if (rc != 0) {
            ::unlink(tmp.c_str());
            return Failed("запись на диск", err);
        }
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failed("замена файла", err);
    }
    return sync ? SyncFolderOf(target) : WriteResult{true, {}};
}

}  // namespace safe_file_internal

#endif  // !_WIN32
