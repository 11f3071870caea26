// The platform steps of the safe write for POSIX systems; events/safe_file_win.cpp is the Windows one.
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

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

// The rename lives in the folder's entries: without this a power cut can
// bring back the old name even though the new file's data is on disk.
WriteResult SyncFolderOf(const fs::path& target) {
    const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

// Linux can make a file with no name that vanishes with its last descriptor;
// it gets a name only at the commit, through /proc.
#ifdef O_TMPFILE
bool UnnamedTemporariesWork() {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted;
}
#endif

int OpenTemp(PreparedWrite& p, mode_t mode) {
#ifdef O_TMPFILE
    if (UnnamedTemporariesWork() && !g_namedTemporaries) {
        const int fd = ::open(FolderOf(p.target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        // Older kernels and some file systems (FAT, network shares) cannot.
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    }
#endif
    for (int tries = 0;; ++tries) {
        p.temp = TempPathFor(p.target);
        const int fd = ::open(p.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST || tries > 100) {
            if (fd < 0) p.temp.clear();
            return fd;
        }
    }
}

// Writes all of `data`; the error number, or 0.
int WriteAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(w);
    }
    return 0;
}

void CloseHandle(PreparedWrite& p) {
    if (p.handle >= 0) ::close(static_cast<int>(p.handle));
    p.handle = -1;
}

}  // namespace

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

WriteResult WriteTemp(PreparedWrite& p, const ChunkSource& next, NewFileMode mode) {
    const int fd = OpenTemp(p, mode == NewFileMode::Private ? 0600 : 0666);
    if (fd < 0) return Failed("создание временного файла", errno);
    p.handle = fd;
    // A replaced file keeps its permission bits (a file shared on purpose
    // stays shared, a private one private).
    struct stat old {};
    if (::stat(p.target.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 07777);
    for (std::string_view data = next(); !data.empty(); data = next()) {
        if (const int err = WriteAll(fd, data)) {
            Discard(p);
            return Failed("запись", err);
        }
    }
    return {true, {}};
}

WriteResult SyncAndRename(PreparedWrite& p, bool sync) {
    if (p.handle < 0) return {false, "временный файл уже закрыт"};
    const int fd = static_cast<int>(p.handle);
    if (sync) {
        int rc;
        do rc = ::fsync(fd);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            Discard(p);
            return Failed("запись на диск", err);
        }
    }
    if (p.temp.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int tries = 0;; ++tries) {
            const fs::path name = TempPathFor(p.target);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                p.temp = name;
                break;
            }
            if (errno != EEXIST || tries > 100) {
                const int err = errno;
                Discard(p);
                return Failed("создание временного файла", err);
            }
        }
    }
    if (::close(fd) != 0 && errno != EINTR) {
        const int err = errno;
        p.handle = -1;
        Discard(p);
        return Failed("закрытие временного файла", err);
    }
    p.handle = -1;
    if (::rename(p.temp.c_str(), p.target.c_str()) != 0) {
        const int err = errno;
        Discard(p);
        return Failed("замена файла", err);
    }
    p.temp.clear();
    return sync ? SyncFolderOf(p.target) : WriteResult{true, {}};
}

void Discard(PreparedWrite& p) {
    CloseHandle(p);
    if (!p.temp.empty()) ::unlink(p.temp.c_str());  // only ever our own
    p.temp.clear();
}

WriteResult WriteInPlace(const fs::path& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Failed("открытие файла", errno);
    if (const int err = WriteAll(fd, data)) {
        ::close(fd);
        return Failed("запись", err);
    }
    if (::close(fd) != 0 && errno != EINTR) return Failed("запись", errno);
    return {true, {}};
}

}  // namespace safe_file_internal

FileStamp StampOf(const fs::path& path) {
    struct stat st {};
    FileStamp s;
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.file = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<uint64_t>(st.st_size);
    s.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

#endif  // !_WIN32
