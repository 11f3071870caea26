// dayloom-cli's system look-ups on Windows; cli_platform_posix.cpp is the POSIX one.
#ifdef _WIN32

#include "tools/cli_platform.h"

#include "sync/sync_settings.h"

#include "events/windows_api.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

std::string Utf8(const wchar_t* wide) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

std::wstring Wide(const char* text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.pop_back();
    return out;
}

constexpr int64_t kFileTimeOf1970 = 11644473600LL;  // seconds from 1601 to 1970

}  // namespace

std::optional<std::string> EnvironmentValue(const char* name) {
    // The wide form: a Cyrillic user folder does not survive the ANSI one.
    const wchar_t* v = _wgetenv(Wide(name).c_str());
    if (!v) return std::nullopt;
    return Utf8(v);
}

const CliSecrets& SystemSecrets() {
    static const CliSecrets secrets{
        [](const std::string& command, std::string& line, std::string& error) {
            FILE* pipe = _wpopen(Wide(command.c_str()).c_str(), L"rb");
            if (!pipe) {
                error = "не запускается";
                return false;
            }
            std::string said;
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
                if (said.size() < 65536) said.append(buf, n);
            const int rc = _pclose(pipe);
            if (rc != 0) {
                error = "код выхода " + std::to_string(rc);
                return false;
            }
            line = PasswordLine(said);
            if (line.empty()) error = "ничего не вывела";
            return !line.empty();
        },
        [](const std::string&, std::string&, std::string& error) {
            error = "dayloom-cli не читает хранилище паролей Windows";
            return false;
        }};
    return secrets;
}

IcsZone SystemZone() {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return UtcZone();
    std::string name = Utf8(zone.TimeZoneKeyName);
    if (name.empty()) name = Utf8(zone.StandardName);
    return {name.empty() ? std::string("Local") : name, [zone](int64_t utc) mutable {
                // The system applies the rules of the moment's own year.
                const uint64_t ticks = static_cast<uint64_t>(utc + kFileTimeOf1970) * 10000000ULL;
                FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
                SYSTEMTIME st, local;
                FILETIME lft;
                if (utc < -kFileTimeOf1970 || !::FileTimeToSystemTime(&ft, &st) ||
                    !::SystemTimeToTzSpecificLocalTimeEx(&zone, &st, &local) ||
                    !::SystemTimeToFileTime(&local, &lft))
                    return 0;
                const uint64_t localTicks = (uint64_t{lft.dwHighDateTime} << 32) | lft.dwLowDateTime;
                return static_cast<int>((static_cast<int64_t>(localTicks) - static_cast<int64_t>(ticks)) / 10000000);
            }};
}

#endif
