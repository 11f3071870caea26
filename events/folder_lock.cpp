#include "events/folder_lock.h"

#include <thread>
#include <utility>

#include "events/ansi.h"
#include "events/safe_file.h"

namespace fs = std::filesystem;
using namespace folder_lock_internal;

FolderLock::FolderLock(FolderLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), dir_(std::move(other.dir_)),
      owner_(std::move(other.owner_)), problem_(std::move(other.problem_)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = std::exchange(other.handle_, kNone);
        dir_ = std::move(other.dir_);
        owner_ = std::move(other.owner_);
        problem_ = std::move(other.problem_);
    }
    return *this;
}

FolderLock::State FolderLock::Take(const fs::path& dataDir, const std::string& owner,
                                   std::chrono::milliseconds wait) {
    Release();
    dir_ = dataDir;
    owner_ = owner;
    problem_.clear();
    const fs::path file = dataDir / kFolderLockName;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        std::string error;
        switch (TryLock(file, handle_, error)) {
            case TryResult::Locked:
                WriteOwner(handle_, owner + " (процесс " + std::to_string(ProcessId()) + ")\n");
                return State::Held;
            case TryResult::Failed:
                problem_ = error;
                return State::Failed;
            case TryResult::Busy:
                break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string text;
            // The holder's own words, first line only and bounded: the file is
            // anybody's to write into.
            if (ReadWholeFile(file, text)) text = ShownText(std::string_view(text).substr(0, text.find('\n')), 200);
            problem_ = text.empty() ? "другая программа" : text;
            return State::Busy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool FolderLock::Renew() {
    if (handle_ == kNone) return false;
    if (SameFile(handle_, dir_ / kFolderLockName)) return true;
    Close(std::exchange(handle_, kNone));
    return Take(dir_, owner_) == State::Held;
}

void FolderLock::Release() {
    if (handle_ != kNone) Close(std::exchange(handle_, kNone));
}
