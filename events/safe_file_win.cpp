// WriteTemp and SyncAndRename for Windows; events/safe_file_posix.cpp is the POSIX one.
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

WriteResult WriteTemp(const fs::path& tmp, const fs::path&, const ChunkSource& next) {
    const HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed("создание временного файла", ::GetLastError());
    auto fail = [&](const char* step, DWORD code) {
        ::CloseHandle(h);
        ::DeleteFileW(tmp.c_str());
        return Failed(step, code);
    };
    for (std::string_view data = next(); !data.empty(); data = next()) {
        size_t done = 0;
        while (done < data.size()) {
            // WriteFile takes a 32-bit count.
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr)) return fail("запись", ::GetLastError());
            if (written == 0) return fail("запись", ERROR_WRITE_FAULT);
            done += written;
        }
    }
    if (!::CloseHandle(h)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(tmp.c_str());
        return Failed("закрытие временного файла", code);
    }
    return {true, {}};
}

WriteResult SyncAndRename(const fs::path& tmp, const fs::path& target, bool sync) {
    if (sync) {
        const HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD code = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
        if (h != INVALID_HANDLE_VALUE) {
            if (!::FlushFileBuffers(h)) code = ::GetLastError();
            ::CloseHandle(h);
        }
        if (code != 0) {
            ::DeleteFileW(tmp.c_str());
            return Failed("запись на диск", code);
        }
    }
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (sync ? MOVEFILE_WRITE_THROUGH : 0);
    if (!::MoveFileExW(tmp.c_str(), target.c_str(), flags)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(tmp.c_str());
        return Failed("замена файла", code);
    }
    return {true, {}};
}

}  // namespace safe_file_internal

#endif  // _WIN32
