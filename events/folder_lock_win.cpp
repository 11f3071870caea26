// The folder lock on Windows: LockFileEx on dayloom.lock; folder_lock_posix.cpp is the POSIX one.
#ifdef _WIN32

#include "events/windows_api.h"

#include "events/folder_lock.h"

namespace fs = std::filesystem;

namespace folder_lock_internal {

namespace {

// The lock covers one byte far beyond the owner text: a Windows lock bars
// other processes from the bytes it covers, and the text must stay readable.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

BY_HANDLE_FILE_INFORMATION InfoOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) info.nNumberOfLinks = 0;
    return info;
}

}  // namespace

TryResult TryLock(const fs::path& file, intptr_t& handle, std::string& error) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a link in the lock's place is opened as
    // itself, not followed. Without FILE_SHARE_DELETE nobody can delete or
    // rename the file while it is open, so no second writer locks another.
    const HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "файл блокировки не открывается (ошибка Windows " + std::to_string(::GetLastError()) + ")";
        return TryResult::Failed;
    }
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD code = ::GetLastError();
        ::CloseHandle(h);
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) return TryResult::Busy;
        error = "блокировка не удалась (ошибка Windows " + std::to_string(code) + ")";
        return TryResult::Failed;
    }
    handle = reinterpret_cast<intptr_t>(h);
    return TryResult::Locked;
}

void WriteOwner(intptr_t handle, const std::string& text) {
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(h)) return;
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool SameFile(intptr_t handle, const fs::path& file) {
    const BY_HANDLE_FILE_INFORMATION held = InfoOf(reinterpret_cast<HANDLE>(handle));
    if (held.nNumberOfLinks == 0) return false;
    const HANDLE there = ::CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (there == INVALID_HANDLE_VALUE) return false;
    const BY_HANDLE_FILE_INFORMATION now = InfoOf(there);
    ::CloseHandle(there);
    return held.dwVolumeSerialNumber == now.dwVolumeSerialNumber && held.nFileIndexHigh == now.nFileIndexHigh &&
           held.nFileIndexLow == now.nFileIndexLow;
}

void Close(intptr_t handle) { ::CloseHandle(reinterpret_cast<HANDLE>(handle)); }

unsigned long ProcessId() { return static_cast<unsigned long>(::GetCurrentProcessId()); }

}  // namespace folder_lock_internal

#endif  // _WIN32
