// The platform steps of the safe write for Windows; events/safe_file_posix.cpp is the POSIX one.
#ifdef _WIN32

#include "events/windows_api.h"

#include <algorithm>
#include <string>

#include "events/safe_file_internal.h"

namespace fs = std::filesystem;

namespace safe_file_internal {

namespace {

// The system's text for `code` in UTF-8, like every other text of the library.
std::string SystemMessage(DWORD code) {
    wchar_t* buf = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring wide = n ? std::wstring(buf, n) : std::wstring();
    if (buf) ::LocalFree(buf);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                             wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty()) return "ошибка Windows " + std::to_string(code);
    const int len = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                          0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(len, 0)), '\0');
    if (len > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), len,
                              nullptr, nullptr);
    return out;
}

std::string SystemReason(DWORD code) {
    const char* plain = nullptr;
    switch (code) {
        case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: plain = "на диске нет места"; break;
        case ERROR_WRITE_PROTECT: plain = "диск доступен только для чтения"; break;
        case ERROR_ACCESS_DENIED: plain = "нет прав на запись"; break;
        case ERROR_PATH_NOT_FOUND: case ERROR_FILE_NOT_FOUND: plain = "папка не найдена"; break;
        default: break;
    }
    return plain ? std::string(plain) + " (" + SystemMessage(code) + ")" : SystemMessage(code);
}

WriteResult Failed(const char* step, DWORD code) { return {false, std::string(step) + ": " + SystemReason(code)}; }

}  // namespace

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::GetCurrentProcessId()); }

namespace {

// Marks the open temporary to be deleted when its handle closes (true), or
// not (false): a process that dies before its commit leaves nothing behind.
bool DeleteOnClose(HANDLE h, bool on) {
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = on ? TRUE : FALSE;
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != 0;
}

}  // namespace

WriteResult WriteTemp(PreparedWrite& p, const ChunkSource& next, NewFileMode) {
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int tries = 0; h == INVALID_HANDLE_VALUE; ++tries) {
        p.temp = TempPathFor(p.target);
        h = ::CreateFileW(p.temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && (::GetLastError() != ERROR_FILE_EXISTS || tries > 100)) {
            p.temp.clear();
            return Failed("создание временного файла", ::GetLastError());
        }
    }
    p.handle = reinterpret_cast<intptr_t>(h);
    if (!DeleteOnClose(h, true)) {
        const DWORD code = ::GetLastError();
        Discard(p);
        return Failed("создание временного файла", code);
    }
    for (std::string_view data = next(); !data.empty(); data = next()) {
        size_t done = 0;
        while (done < data.size()) {
            // WriteFile takes a 32-bit count.
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr) || written == 0) {
                const DWORD code = written == 0 && ::GetLastError() == 0 ? ERROR_WRITE_FAULT : ::GetLastError();
                Discard(p);
                return Failed("запись", code);
            }
            done += written;
        }
    }
    return {true, {}};
}

WriteResult SyncAndRename(PreparedWrite& p, bool sync) {
    if (p.handle == -1) return {false, "временный файл уже закрыт"};
    const HANDLE h = reinterpret_cast<HANDLE>(p.handle);
    if (sync && !::FlushFileBuffers(h)) {
        const DWORD code = ::GetLastError();
        Discard(p);
        return Failed("запись на диск", code);
    }
    if (!DeleteOnClose(h, false)) {
        const DWORD code = ::GetLastError();
        Discard(p);
        return Failed("замена файла", code);
    }
    ::CloseHandle(h);
    p.handle = -1;
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (sync ? MOVEFILE_WRITE_THROUGH : 0);
    if (!::MoveFileExW(p.temp.c_str(), p.target.c_str(), flags)) {
        const DWORD code = ::GetLastError();
        Discard(p);
        return Failed("замена файла", code);
    }
    p.temp.clear();
    return {true, {}};
}

void Discard(PreparedWrite& p) {
    if (p.handle != -1) {
        const HANDLE h = reinterpret_cast<HANDLE>(p.handle);
        DeleteOnClose(h, true);
        ::CloseHandle(h);
        p.handle = -1;
    } else if (!p.temp.empty()) {
        ::DeleteFileW(p.temp.c_str());  // only ever our own
    }
    p.temp.clear();
}

WriteResult WriteInPlace(const fs::path& path, std::string_view data) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed("открытие файла", ::GetLastError());
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr) || written == 0) {
            const DWORD code = ::GetLastError();
            ::CloseHandle(h);
            return Failed("запись", code ? code : ERROR_WRITE_FAULT);
        }
        done += written;
    }
    ::CloseHandle(h);
    return {true, {}};
}

}  // namespace safe_file_internal

FileStamp StampOf(const fs::path& path) {
    FileStamp s;
    const HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h, &info)) {
        s.exists = true;
        s.device = info.dwVolumeSerialNumber;
        s.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        s.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        s.modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                          info.ftLastWriteTime.dwLowDateTime);
    }
    ::CloseHandle(h);
    return s;
}

#endif  // _WIN32
