// The folder lock on POSIX systems: flock on dayloom.lock; folder_lock_win.cpp is the Windows one.
#ifndef _WIN32

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "events/folder_lock.h"

namespace fs = std::filesystem;

namespace folder_lock_internal {

TryResult TryLock(const fs::path& file, intptr_t& handle, std::string& error) {
    // O_NOFOLLOW: a link put in the lock's place must not make the owner
    // text land in whatever file it points at.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int err = errno;
        error = "файл блокировки " + std::string(reinterpret_cast<const char*>(file.u8string().c_str())) +
                " не открывается: " + (err == ELOOP ? "это символическая ссылка" : std::strerror(err));
        return TryResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "на месте файла блокировки " +
                std::string(reinterpret_cast<const char*>(file.u8string().c_str())) + " не обычный файл";
        return TryResult::Failed;
    }
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return TryResult::Busy;
        error = std::string("блокировка не удалась: ") + std::strerror(err);
        return TryResult::Failed;
    }
    handle = fd;
    return TryResult::Locked;
}

void WriteOwner(intptr_t handle, const std::string& text) {
    const int fd = static_cast<int>(handle);
    if (::ftruncate(fd, 0) != 0) return;
    // Best effort: the text only helps a waiting writer word its message.
    [[maybe_unused]] const ssize_t n = ::pwrite(fd, text.data(), text.size(), 0);
}

bool SameFile(intptr_t handle, const fs::path& file) {
    struct stat held {}, there {};
    if (::fstat(static_cast<int>(handle), &held) != 0 || held.st_nlink == 0) return false;
    if (::lstat(file.c_str(), &there) != 0) return false;
    return held.st_dev == there.st_dev && held.st_ino == there.st_ino;
}

void Close(intptr_t handle) { ::close(static_cast<int>(handle)); }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace folder_lock_internal

#endif  // !_WIN32
