#pragma once
// The data folder's writer lock. Every process that writes the event file —
// the window for its whole run, each writing verb of dayloom-cli for its
// read-change-write — holds an exclusive lock on `dayloom.lock` that the
// system lets go of when the process ends however it ends (flock on POSIX,
// LockFileEx on Windows): a crashed writer never blocks the next one, and two
// writers never interleave a read and a write.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

constexpr const char* kFolderLockName = "dayloom.lock";
// How the window names itself in the lock file; writers that find it there
// do not wait for a window to close.
constexpr const char* kWindowLockOwner = "окно dayloom";

class FolderLock {
public:
    enum class State { Held, Busy, Failed };

    FolderLock() = default;
    ~FolderLock() { Release(); }
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock of `dataDir`, waiting up to `wait` while another process
    // holds it. `owner` (UTF-8) is written into the lock file, so a writer that
    // finds the folder busy can tell the user who holds it.
    State Take(const std::filesystem::path& dataDir, const std::string& owner,
               std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    bool Held() const { return handle_ != kNone; }
    // Why the lock was not taken: the system's reason (Failed), or what the
    // holder wrote into the lock file (Busy). UTF-8.
    const std::string& Problem() const { return problem_; }

    // The lock file may be deleted or replaced under a running holder, and a
    // second writer would then lock a new file. True while the held lock is
    // still the file at its path; otherwise the lock is taken afresh at the
    // path (true when that worked).
    bool Renew();
    void Release();

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
    std::filesystem::path dir_;
    std::string owner_, problem_;
};

// Platform part (folder_lock_posix.cpp, folder_lock_win.cpp).
namespace folder_lock_internal {
enum class TryResult { Locked, Busy, Failed };
// Opens or creates the lock file (private to the user; never through a
// symbolic link) and tries to lock it without waiting. On Locked `handle` is
// set; on Failed `error` says why.
TryResult TryLock(const std::filesystem::path& file, intptr_t& handle, std::string& error);
// Replaces the file's contents with `text`.
void WriteOwner(intptr_t handle, const std::string& text);
// The open file is still the one at `file`.
bool SameFile(intptr_t handle, const std::filesystem::path& file);
void Close(intptr_t handle);
// This process's id, for the owner text.
unsigned long ProcessId();
}  // namespace folder_lock_internal
